-- Tables of the test data store, SQLite.
-- Run by gt-initdb; every statement may run again without harm.
-- Booleans are 0/1 integers, as the program writes them into its SQL text.
-- Dates arrive as 'dd.mm.yyyy hh:nn:ss' text; the triggers below store them
-- as ISO text so they sort and compare as dates.

CREATE TABLE IF NOT EXISTS tblKunden (
  KDintKundenNr INTEGER NOT NULL PRIMARY KEY,
  KDstrName1 VARCHAR(60),
  KDstrName2 VARCHAR(60),
  KDstrName3 VARCHAR(60),
  KDstrStrasse VARCHAR(60),
  KDstrLKZ VARCHAR(5),
  KDstrPLZ VARCHAR(10),
  KDstrOrt VARCHAR(50),
  KDstrTelefon VARCHAR(30),
  KDstrFax VARCHAR(30)
);

CREATE TABLE IF NOT EXISTS tblPruefling (
  PLintPrueflingNr INTEGER NOT NULL PRIMARY KEY,
  PLintKundenNr INTEGER,
  PLstrBezeichnung VARCHAR(60),
  PLstrTyp VARCHAR(50),
  PLstrInventarnummer VARCHAR(30),
  PLstrHersteller VARCHAR(50),
  PLstrFabrikationsnummer VARCHAR(30),
  PLstrSeriennummer VARCHAR(30),
  PLstrBarcode VARCHAR(20)
);

CREATE TABLE IF NOT EXISTS tblPruefung (
  PRintPruefungsNr INTEGER NOT NULL PRIMARY KEY,
  PRintPrueflingNr INTEGER,
  PRdtmUebernahme TIMESTAMP,
  PRstrGTSeriennummer VARCHAR(10),
  PRintGrenzwertflags INTEGER,
  PRintMenueflags INTEGER,
  PRintSchutzklasseFlags INTEGER,
  PRintMessablaufFlags INTEGER,
  PRintSchutzleiterwid INTEGER,
  PRintIsolationswid INTEGER,
  PRintAbleitstrom INTEGER,
  PRintSchutzlStromL1N INTEGER,
  PRintSchutzlStromNL1 INTEGER,
  PRintBeruehrungsstromL1N INTEGER,
  PRintBeruehrungsstromNL1 INTEGER,
  PRintGrwSchutzleiterwid INTEGER,
  PRintGrwIsolationswid INTEGER,
  PRintGrwAbleitstrom INTEGER,
  PRintGrwSchutzleiterstrom INTEGER,
  PRintGrwBeruehrungsstrom INTEGER,
  PRintGrwSchnellabschaltung INTEGER,
  PRintSchutzklasse INTEGER,
  PRblnAutomatisch SMALLINT,
  PRintDINVDE INTEGER,
  PRblnExternDiffStr SMALLINT,
  PRblnManuGrenz SMALLINT,
  PRintIsolDiff INTEGER,
  PRblnMitBeruehr SMALLINT,
  PRblnAbgebrochen SMALLINT,
  PRblnSchnellabbruch SMALLINT,
  PRblnManuellAbbruch SMALLINT,
  PRblnGrenzwFehler SMALLINT,
  PRintSichtpruef INTEGER,
  PRblnPruefungsergebnis SMALLINT,
  PRstrNotiz TEXT,
  PRstrPruefer VARCHAR(50),
  PRstrBewertender VARCHAR(50),
  PRintProtokolltyp INTEGER,
  PRstrProtokollNr VARCHAR(30),
  PRintSichWied INTEGER,
  PRintFunktPruefBest INTEGER,
  PRintGesamtbew INTEGER,
  PRintGrwDifferenzstrom INTEGER
);

CREATE TABLE IF NOT EXISTS tblUebernahme (
  UNintLfdNr INTEGER NOT NULL PRIMARY KEY,
  UNstrBarcode VARCHAR(16),
  UNintPrueflingNr INTEGER,
  UNdtmUebernahme TIMESTAMP,
  UNstrGTSeriennummer VARCHAR(10),
  UNintSchutzklasse INTEGER,
  UNblnAutomatisch SMALLINT,
  UNintDINVDE INTEGER,
  UNblnManuGrenz SMALLINT,
  UNintIsolDiff INTEGER,
  UNblnMitBeruehr SMALLINT,
  UNintSichtpruef INTEGER,
  UNblnAbgebrochen SMALLINT,
  UNblnPruefungsergebnis SMALLINT,
  UNintSchutzleiterwid INTEGER,
  UNintIsolationswid INTEGER,
  UNintAbleitstrom INTEGER,
  UNintSchutzlStromL1N INTEGER,
  UNintSchutzlStromNL1 INTEGER,
  UNintBeruehrungsstromL1N INTEGER,
  UNintBeruehrungsstromNL1 INTEGER,
  UNstrPruefer VARCHAR(50),
  UNstrBewertender VARCHAR(50),
  UNstrNotiz TEXT,
  UNintGrenzwertflags INTEGER,
  UNintMenueflags INTEGER,
  UNintSchutzklasseFlags INTEGER,
  UNintMessablaufFlags INTEGER,
  UNintGrwSchutzleiterwid INTEGER,
  UNintGrwIsolationswid INTEGER,
  UNintGrwAbleitstrom INTEGER,
  UNintGrwSchutzleiterstrom INTEGER,
  UNintGrwBeruehrungsstrom INTEGER,
  UNintGrwSchnellabschaltung INTEGER,
  UNblnExternDiffStr SMALLINT,
  UNblnSchnellabbruch SMALLINT,
  UNblnManuellAbbruch SMALLINT,
  UNblnGrenzwFehler SMALLINT
);

CREATE TABLE IF NOT EXISTS tblSichtpruefung (
  SIintPruefungsNr INTEGER NOT NULL,
  SIintZeileNr INTEGER NOT NULL,
  SIintPruefteil INTEGER,
  SIintBestanden INTEGER,
  PRIMARY KEY (SIintPruefungsNr, SIintZeileNr)
);

CREATE TABLE IF NOT EXISTS tblSichtTeil (
  STintPruefteil INTEGER NOT NULL PRIMARY KEY,
  STstrPruefteil VARCHAR(80),
  STstrPruefung VARCHAR(160)
);

-- Records of fetches whose clearing the tester never confirmed, by content:
-- a later fetch that gets them again marks them as possibly stored already.
CREATE TABLE IF NOT EXISTS tblAbrufSatz (
  ASstrGTSeriennummer TEXT,
  ASstrInhalt TEXT,
  ASintLfdNr INTEGER,
  ASintOffen SMALLINT,
  ASintDoppelt SMALLINT
);

CREATE INDEX IF NOT EXISTS ixPrueflingKunde ON tblPruefling (PLintKundenNr);
CREATE INDEX IF NOT EXISTS ixPruefungPruefling ON tblPruefung (PRintPrueflingNr);
CREATE INDEX IF NOT EXISTS ixUebernahmePruefling ON tblUebernahme (UNintPrueflingNr);
-- A barcode is empty or belongs to one device only.
CREATE UNIQUE INDEX IF NOT EXISTS ixPrueflingBarcode ON tblPruefling (PLstrBarcode)
  WHERE PLstrBarcode IS NOT NULL AND PLstrBarcode <> '';

-- Dates are kept as 'yyyy-mm-dd hh:nn:ss' text so that they sort and compare
-- as moments. Whatever form arrives (the German literal, single-digit day,
-- month or hour, no time or no seconds, ISO with "T", fractions or a zone) is
-- brought into that form step by step; each step matches only its own form.
-- The triggers of an older schema did only the German literal.
DROP TRIGGER IF EXISTS trPruefungDatumIns;
DROP TRIGGER IF EXISTS trPruefungDatumUpd;
DROP TRIGGER IF EXISTS trUebernahmeDatumIns;
DROP TRIGGER IF EXISTS trUebernahmeDatumUpd;

CREATE TRIGGER IF NOT EXISTS trPruefungDatumFormIns AFTER INSERT ON tblPruefung
  WHEN NEW.PRdtmUebernahme NOT GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]'
BEGIN
  UPDATE tblPruefung SET PRdtmUebernahme = trim(PRdtmUebernahme)
    WHERE PRintPruefungsNr = NEW.PRintPruefungsNr AND PRdtmUebernahme <> trim(PRdtmUebernahme);
  UPDATE tblPruefung SET PRdtmUebernahme = replace(PRdtmUebernahme, 'T', ' ')
    WHERE PRintPruefungsNr = NEW.PRintPruefungsNr AND PRdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-*T*';
  UPDATE tblPruefung SET PRdtmUebernahme = substr(PRdtmUebernahme, 1, 5) || '0' || substr(PRdtmUebernahme, 6)
    WHERE PRintPruefungsNr = NEW.PRintPruefungsNr AND PRdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9]-*';
  UPDATE tblPruefung SET PRdtmUebernahme = substr(PRdtmUebernahme, 1, 8) || '0' || substr(PRdtmUebernahme, 9)
    WHERE PRintPruefungsNr = NEW.PRintPruefungsNr AND (PRdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9]' OR PRdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9] *');
  UPDATE tblPruefung SET PRdtmUebernahme = '0' || PRdtmUebernahme
    WHERE PRintPruefungsNr = NEW.PRintPruefungsNr AND PRdtmUebernahme GLOB '[0-9].*';
  UPDATE tblPruefung SET PRdtmUebernahme = substr(PRdtmUebernahme, 1, 3) || '0' || substr(PRdtmUebernahme, 4)
    WHERE PRintPruefungsNr = NEW.PRintPruefungsNr AND PRdtmUebernahme GLOB '[0-9][0-9].[0-9].*';
  UPDATE tblPruefung SET PRdtmUebernahme = substr(PRdtmUebernahme, 7, 4) || '-' || substr(PRdtmUebernahme, 4, 2) || '-' || substr(PRdtmUebernahme, 1, 2) || substr(PRdtmUebernahme, 11)
    WHERE PRintPruefungsNr = NEW.PRintPruefungsNr AND PRdtmUebernahme GLOB '[0-9][0-9].[0-9][0-9].[0-9][0-9][0-9][0-9]*';
  UPDATE tblPruefung SET PRdtmUebernahme = PRdtmUebernahme || ' 00:00:00'
    WHERE PRintPruefungsNr = NEW.PRintPruefungsNr AND PRdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]';
  UPDATE tblPruefung SET PRdtmUebernahme = substr(PRdtmUebernahme, 1, 11) || '0' || substr(PRdtmUebernahme, 12)
    WHERE PRintPruefungsNr = NEW.PRintPruefungsNr AND PRdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9]:*';
  UPDATE tblPruefung SET PRdtmUebernahme = substr(PRdtmUebernahme, 1, 14) || '0' || substr(PRdtmUebernahme, 15)
    WHERE PRintPruefungsNr = NEW.PRintPruefungsNr AND (PRdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9]' OR PRdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9]:*');
  UPDATE tblPruefung SET PRdtmUebernahme = PRdtmUebernahme || ':00'
    WHERE PRintPruefungsNr = NEW.PRintPruefungsNr AND PRdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]';
  UPDATE tblPruefung SET PRdtmUebernahme = substr(PRdtmUebernahme, 1, 17) || '0' || substr(PRdtmUebernahme, 18)
    WHERE PRintPruefungsNr = NEW.PRintPruefungsNr AND PRdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9]';
  UPDATE tblPruefung SET PRdtmUebernahme = substr(PRdtmUebernahme, 1, 19)
    WHERE PRintPruefungsNr = NEW.PRintPruefungsNr AND PRdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]?*';
END;

CREATE TRIGGER IF NOT EXISTS trPruefungDatumFormUpd AFTER UPDATE OF PRdtmUebernahme ON tblPruefung
  WHEN NEW.PRdtmUebernahme NOT GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]'
BEGIN
  UPDATE tblPruefung SET PRdtmUebernahme = trim(PRdtmUebernahme)
    WHERE PRintPruefungsNr = NEW.PRintPruefungsNr AND PRdtmUebernahme <> trim(PRdtmUebernahme);
  UPDATE tblPruefung SET PRdtmUebernahme = replace(PRdtmUebernahme, 'T', ' ')
    WHERE PRintPruefungsNr = NEW.PRintPruefungsNr AND PRdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-*T*';
  UPDATE tblPruefung SET PRdtmUebernahme = substr(PRdtmUebernahme, 1, 5) || '0' || substr(PRdtmUebernahme, 6)
    WHERE PRintPruefungsNr = NEW.PRintPruefungsNr AND PRdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9]-*';
  UPDATE tblPruefung SET PRdtmUebernahme = substr(PRdtmUebernahme, 1, 8) || '0' || substr(PRdtmUebernahme, 9)
    WHERE PRintPruefungsNr = NEW.PRintPruefungsNr AND (PRdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9]' OR PRdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9] *');
  UPDATE tblPruefung SET PRdtmUebernahme = '0' || PRdtmUebernahme
    WHERE PRintPruefungsNr = NEW.PRintPruefungsNr AND PRdtmUebernahme GLOB '[0-9].*';
  UPDATE tblPruefung SET PRdtmUebernahme = substr(PRdtmUebernahme, 1, 3) || '0' || substr(PRdtmUebernahme, 4)
    WHERE PRintPruefungsNr = NEW.PRintPruefungsNr AND PRdtmUebernahme GLOB '[0-9][0-9].[0-9].*';
  UPDATE tblPruefung SET PRdtmUebernahme = substr(PRdtmUebernahme, 7, 4) || '-' || substr(PRdtmUebernahme, 4, 2) || '-' || substr(PRdtmUebernahme, 1, 2) || substr(PRdtmUebernahme, 11)
    WHERE PRintPruefungsNr = NEW.PRintPruefungsNr AND PRdtmUebernahme GLOB '[0-9][0-9].[0-9][0-9].[0-9][0-9][0-9][0-9]*';
  UPDATE tblPruefung SET PRdtmUebernahme = PRdtmUebernahme || ' 00:00:00'
    WHERE PRintPruefungsNr = NEW.PRintPruefungsNr AND PRdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]';
  UPDATE tblPruefung SET PRdtmUebernahme = substr(PRdtmUebernahme, 1, 11) || '0' || substr(PRdtmUebernahme, 12)
    WHERE PRintPruefungsNr = NEW.PRintPruefungsNr AND PRdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9]:*';
  UPDATE tblPruefung SET PRdtmUebernahme = substr(PRdtmUebernahme, 1, 14) || '0' || substr(PRdtmUebernahme, 15)
    WHERE PRintPruefungsNr = NEW.PRintPruefungsNr AND (PRdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9]' OR PRdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9]:*');
  UPDATE tblPruefung SET PRdtmUebernahme = PRdtmUebernahme || ':00'
    WHERE PRintPruefungsNr = NEW.PRintPruefungsNr AND PRdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]';
  UPDATE tblPruefung SET PRdtmUebernahme = substr(PRdtmUebernahme, 1, 17) || '0' || substr(PRdtmUebernahme, 18)
    WHERE PRintPruefungsNr = NEW.PRintPruefungsNr AND PRdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9]';
  UPDATE tblPruefung SET PRdtmUebernahme = substr(PRdtmUebernahme, 1, 19)
    WHERE PRintPruefungsNr = NEW.PRintPruefungsNr AND PRdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]?*';
END;

-- Rows stored before in another form.
UPDATE tblPruefung SET PRdtmUebernahme = PRdtmUebernahme
  WHERE PRdtmUebernahme NOT GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]';

CREATE TRIGGER IF NOT EXISTS trUebernahmeDatumFormIns AFTER INSERT ON tblUebernahme
  WHEN NEW.UNdtmUebernahme NOT GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]'
BEGIN
  UPDATE tblUebernahme SET UNdtmUebernahme = trim(UNdtmUebernahme)
    WHERE UNintLfdNr = NEW.UNintLfdNr AND UNdtmUebernahme <> trim(UNdtmUebernahme);
  UPDATE tblUebernahme SET UNdtmUebernahme = replace(UNdtmUebernahme, 'T', ' ')
    WHERE UNintLfdNr = NEW.UNintLfdNr AND UNdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-*T*';
  UPDATE tblUebernahme SET UNdtmUebernahme = substr(UNdtmUebernahme, 1, 5) || '0' || substr(UNdtmUebernahme, 6)
    WHERE UNintLfdNr = NEW.UNintLfdNr AND UNdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9]-*';
  UPDATE tblUebernahme SET UNdtmUebernahme = substr(UNdtmUebernahme, 1, 8) || '0' || substr(UNdtmUebernahme, 9)
    WHERE UNintLfdNr = NEW.UNintLfdNr AND (UNdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9]' OR UNdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9] *');
  UPDATE tblUebernahme SET UNdtmUebernahme = '0' || UNdtmUebernahme
    WHERE UNintLfdNr = NEW.UNintLfdNr AND UNdtmUebernahme GLOB '[0-9].*';
  UPDATE tblUebernahme SET UNdtmUebernahme = substr(UNdtmUebernahme, 1, 3) || '0' || substr(UNdtmUebernahme, 4)
    WHERE UNintLfdNr = NEW.UNintLfdNr AND UNdtmUebernahme GLOB '[0-9][0-9].[0-9].*';
  UPDATE tblUebernahme SET UNdtmUebernahme = substr(UNdtmUebernahme, 7, 4) || '-' || substr(UNdtmUebernahme, 4, 2) || '-' || substr(UNdtmUebernahme, 1, 2) || substr(UNdtmUebernahme, 11)
    WHERE UNintLfdNr = NEW.UNintLfdNr AND UNdtmUebernahme GLOB '[0-9][0-9].[0-9][0-9].[0-9][0-9][0-9][0-9]*';
  UPDATE tblUebernahme SET UNdtmUebernahme = UNdtmUebernahme || ' 00:00:00'
    WHERE UNintLfdNr = NEW.UNintLfdNr AND UNdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]';
  UPDATE tblUebernahme SET UNdtmUebernahme = substr(UNdtmUebernahme, 1, 11) || '0' || substr(UNdtmUebernahme, 12)
    WHERE UNintLfdNr = NEW.UNintLfdNr AND UNdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9]:*';
  UPDATE tblUebernahme SET UNdtmUebernahme = substr(UNdtmUebernahme, 1, 14) || '0' || substr(UNdtmUebernahme, 15)
    WHERE UNintLfdNr = NEW.UNintLfdNr AND (UNdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9]' OR UNdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9]:*');
  UPDATE tblUebernahme SET UNdtmUebernahme = UNdtmUebernahme || ':00'
    WHERE UNintLfdNr = NEW.UNintLfdNr AND UNdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]';
  UPDATE tblUebernahme SET UNdtmUebernahme = substr(UNdtmUebernahme, 1, 17) || '0' || substr(UNdtmUebernahme, 18)
    WHERE UNintLfdNr = NEW.UNintLfdNr AND UNdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9]';
  UPDATE tblUebernahme SET UNdtmUebernahme = substr(UNdtmUebernahme, 1, 19)
    WHERE UNintLfdNr = NEW.UNintLfdNr AND UNdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]?*';
END;

CREATE TRIGGER IF NOT EXISTS trUebernahmeDatumFormUpd AFTER UPDATE OF UNdtmUebernahme ON tblUebernahme
  WHEN NEW.UNdtmUebernahme NOT GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]'
BEGIN
  UPDATE tblUebernahme SET UNdtmUebernahme = trim(UNdtmUebernahme)
    WHERE UNintLfdNr = NEW.UNintLfdNr AND UNdtmUebernahme <> trim(UNdtmUebernahme);
  UPDATE tblUebernahme SET UNdtmUebernahme = replace(UNdtmUebernahme, 'T', ' ')
    WHERE UNintLfdNr = NEW.UNintLfdNr AND UNdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-*T*';
  UPDATE tblUebernahme SET UNdtmUebernahme = substr(UNdtmUebernahme, 1, 5) || '0' || substr(UNdtmUebernahme, 6)
    WHERE UNintLfdNr = NEW.UNintLfdNr AND UNdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9]-*';
  UPDATE tblUebernahme SET UNdtmUebernahme = substr(UNdtmUebernahme, 1, 8) || '0' || substr(UNdtmUebernahme, 9)
    WHERE UNintLfdNr = NEW.UNintLfdNr AND (UNdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9]' OR UNdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9] *');
  UPDATE tblUebernahme SET UNdtmUebernahme = '0' || UNdtmUebernahme
    WHERE UNintLfdNr = NEW.UNintLfdNr AND UNdtmUebernahme GLOB '[0-9].*';
  UPDATE tblUebernahme SET UNdtmUebernahme = substr(UNdtmUebernahme, 1, 3) || '0' || substr(UNdtmUebernahme, 4)
    WHERE UNintLfdNr = NEW.UNintLfdNr AND UNdtmUebernahme GLOB '[0-9][0-9].[0-9].*';
  UPDATE tblUebernahme SET UNdtmUebernahme = substr(UNdtmUebernahme, 7, 4) || '-' || substr(UNdtmUebernahme, 4, 2) || '-' || substr(UNdtmUebernahme, 1, 2) || substr(UNdtmUebernahme, 11)
    WHERE UNintLfdNr = NEW.UNintLfdNr AND UNdtmUebernahme GLOB '[0-9][0-9].[0-9][0-9].[0-9][0-9][0-9][0-9]*';
  UPDATE tblUebernahme SET UNdtmUebernahme = UNdtmUebernahme || ' 00:00:00'
    WHERE UNintLfdNr = NEW.UNintLfdNr AND UNdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]';
  UPDATE tblUebernahme SET UNdtmUebernahme = substr(UNdtmUebernahme, 1, 11) || '0' || substr(UNdtmUebernahme, 12)
    WHERE UNintLfdNr = NEW.UNintLfdNr AND UNdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9]:*';
  UPDATE tblUebernahme SET UNdtmUebernahme = substr(UNdtmUebernahme, 1, 14) || '0' || substr(UNdtmUebernahme, 15)
    WHERE UNintLfdNr = NEW.UNintLfdNr AND (UNdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9]' OR UNdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9]:*');
  UPDATE tblUebernahme SET UNdtmUebernahme = UNdtmUebernahme || ':00'
    WHERE UNintLfdNr = NEW.UNintLfdNr AND UNdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]';
  UPDATE tblUebernahme SET UNdtmUebernahme = substr(UNdtmUebernahme, 1, 17) || '0' || substr(UNdtmUebernahme, 18)
    WHERE UNintLfdNr = NEW.UNintLfdNr AND UNdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9]';
  UPDATE tblUebernahme SET UNdtmUebernahme = substr(UNdtmUebernahme, 1, 19)
    WHERE UNintLfdNr = NEW.UNintLfdNr AND UNdtmUebernahme GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]?*';
END;

-- Rows stored before in another form.
UPDATE tblUebernahme SET UNdtmUebernahme = UNdtmUebernahme
  WHERE UNdtmUebernahme NOT GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]';

-- A device's own test interval in months; a device without a row follows
-- the interval of the settings. Deleting a device deletes its row.
CREATE TABLE IF NOT EXISTS tblPruefintervall (
  PIintPrueflingNr INTEGER NOT NULL PRIMARY KEY,
  PIintMonate INTEGER
);
