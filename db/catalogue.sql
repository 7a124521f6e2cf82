-- Catalogue of the visual inspection of beds and other medical electrical
-- equipment. gt-initdb runs it only while tblSichtTeil is empty.

INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (10, 'Typschild, Aufschriften', 'Vorhanden, lesbar, Angaben vollständig');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (20, 'Gebrauchsanweisung', 'Vorhanden, aktuelle Fassung, am Gerät verfügbar');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (30, 'Warn- und Sicherheitshinweise', 'Vorhanden, lesbar, vollständig');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (40, 'Gehäuse, Verkleidungen', 'Beschädigung, Risse, fehlende Teile, Verformung');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (50, 'Netzanschlussleitung', 'Beschädigung, Quetschung, Knickschutz');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (60, 'Netzstecker', 'Beschädigung, Verfärbung durch Überhitzung, Schutzkontakt');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (70, 'Zugentlastung der Netzleitung', 'Vorhanden, wirksam, Leitung nicht verdreht');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (80, 'Leitungsführung am Bett', 'Keine Scher- und Quetschstellen, Leitungshalter vorhanden');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (90, 'Potentialausgleichsanschluss', 'Vorhanden, fest, unbeschädigt');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (100, 'Sicherungen, Sicherungshalter', 'Richtiger Nennwert, Halter unbeschädigt');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (110, 'Schalter, Bedienelemente', 'Funktion, Beschädigung, Beschriftung lesbar');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (120, 'Anzeigen, Kontrollleuchten', 'Funktion, Ablesbarkeit');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (130, 'Handschalter', 'Gehäuse unbeschädigt, Tasten funktionsfähig, Leitung intakt');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (140, 'Sperrfunktion der Bedienelemente', 'Sperren und Freigeben wirksam');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (150, 'Steckverbindungen, Kabelbäume', 'Fester Sitz, Beschädigung, Verriegelung');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (160, 'Antriebe, Motoren', 'Befestigung, Laufgeräusche, Dichtheit');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (170, 'Steuergerät, Netzteil', 'Befestigung, Gehäuse, Belüftung frei');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (180, 'Notabsenkung, Notentriegelung', 'Vorhanden, funktionsfähig');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (190, 'Akku, Batterie', 'Ladezustand, Befestigung, Auslaufen, Ablaufdatum');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (200, 'Liegefläche', 'Verformung, Risse, Schweißnähte');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (210, 'Rückenlehne, Beinteil', 'Verstellung über ganzen Bereich, Endlagen');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (220, 'Höhenverstellung', 'Gleichmäßiger Lauf, Endabschaltung');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (230, 'Seitengitter', 'Verriegelung, Spaltmaße, Beschädigung');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (240, 'Aufrichter, Haltegriff', 'Befestigung, Tragfähigkeit, Gurt unbeschädigt');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (250, 'Fahrgestell, Rahmen', 'Verformung, Risse, Korrosion');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (260, 'Laufrollen, Bremsen', 'Leichtgängigkeit, Bremswirkung, Feststellung');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (270, 'Schrauben, Bolzen, Sicherungselemente', 'Vollständig, fest angezogen, gesichert');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (280, 'Gelenke, Lager', 'Spiel, Verschleiß, Schmierung');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (290, 'Matratze, Bezug', 'Passform, Beschädigung, Sauberkeit');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (300, 'Zubehör', 'Vollständig, zugelassen, unbeschädigt');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (310, 'Hygienischer Zustand', 'Sauber, desinfizierbar, keine Rückstände');
INSERT INTO tblSichtTeil (STintPruefteil, STstrPruefteil, STstrPruefung)
  VALUES (320, 'Allgemeiner Zustand', 'Keine Mängel, die die Sicherheit beeinträchtigen');
