-- Tables of the test data store, PostgreSQL.
-- Run by gt-initdb; every statement may run again without harm.
-- Booleans are 0/1 integers, as the program writes them into its SQL text.
-- Dates arrive as 'dd.mm.yyyy hh:nn:ss' text; the program sets its session to
-- DateStyle ISO, DMY so the server reads them day first.

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
  PRdtmUebernahme TIMESTAMP(0),
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
  UNdtmUebernahme TIMESTAMP(0),
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


-- A device's own test interval in months; a device without a row follows
-- the interval of the settings. Deleting a device deletes its row.
CREATE TABLE IF NOT EXISTS tblPruefintervall (
  PIintPrueflingNr INTEGER NOT NULL PRIMARY KEY,
  PIintMonate INTEGER
);
