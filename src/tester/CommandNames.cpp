#include "tester/CommandNames.h"

#include "tester/CommandCodes.h"

QString CommandLogName(quint8 Cmd)
{
    switch (Cmd) {
    case cmdProgrammversion:
        return QStringLiteral("Programmversionsnummer holen");
    case cmdSeriennummer:
        return QStringLiteral("Seriennummer abfragen");
    case cmdStackgroessen:
        return QStringLiteral("Stackgrößen abfragen");
    case cmdBelegterSpeicher:
        return QStringLiteral("belegten Speicher abfragen");
    case cmdVorhandenerSpeicher:
        return QStringLiteral("vorhandenen Speicher abfragen");
    case cmdDatensatzA:
    case cmdDatensatzB:
    case cmdDatensatzC:
    case cmdDatensatzD:
    case cmdDatensatzE:
        return QStringLiteral("akt. Datensatz lesen (%1)").arg(Cmd - cmdDatensatzA + 1);
    case cmdSpeicherdump:
        return QStringLiteral("Speicherdump (8 Bytes)");
    case cmdStacktiefen:
        return QStringLiteral("Stacktiefen abrufen (1)");
    case cmdGrenzwerte1:
        return QStringLiteral("Grenzwerte abfragen (1)");
    case cmdGrenzwerte2:
        return QStringLiteral("Grenzwerte abfragen (2)");
    case cmdDatensatzAnzahl:
        return QStringLiteral("Anzahl der Datensätze im EEPROM");
    case cmdFlags:
        return QStringLiteral("verschiedene Flags abfragen");
    case cmdAdcDaten:
        return QStringLiteral("ADC-Daten direkt abfragen");
    case cmdPortleitungen:
        return QStringLiteral("Portleitungen abfragen");
    case cmdMesswerte1:
        return QStringLiteral("Meßwerte abfragen (1)");
    case cmdMesswerte2:
        return QStringLiteral("Meßwerte abfragen (2)");
    case cmdRohwert:
        return QStringLiteral("Meßwert-Rohwerte abfragen");
    case cmdMessablauf:
        return QStringLiteral("Meßablaufflags abfragen");
    case cmdSeriennummerEintragen:
        return QStringLiteral("Seriennummer eintragen");
    case cmdEinstellungen:
        return QStringLiteral("verschiedene Einstellungen vorgeben");
    case cmdAutosend:
        return QStringLiteral("Autosend-Funktionen festlegen");
    case cmdEepromFunktion:
        return QStringLiteral("EEPROM-Funktion auslösen");
    case cmdEepromLesen:
        return QStringLiteral("EEPROM lesen (8 Bytes)");
    default:
        return QString();
    }
}

QString MessageLogText(bool Sent, quint8 Cmd, const quint8 *Data)
{
    const QString prefix = (Sent ? QStringLiteral("Sendung $") : QStringLiteral("Empfang $")) +
                           QStringLiteral("%1: ").arg(Cmd, 2, 16, QLatin1Char('0')).toUpper();
    if (Sent && Cmd == cmdAutosend) {
        const quint16 mask = quint16(Data[0] | (Data[1] << 8));
        if (mask == 0) return prefix + QStringLiteral("Autosend-Funktionen löschen");
        QString text = prefix + QStringLiteral("Autosend-Funktionen festlegen:");
        for (int bit = 0; bit < AutosendBits; ++bit)
            if (mask & (1u << bit))
                text += QStringLiteral(" $%1").arg(0x30 + bit, 2, 16, QLatin1Char('0')).toUpper();
        return text;
    }
    const QString name = CommandLogName(Cmd);
    return prefix + (name.isEmpty() ? QStringLiteral("unbekannt") : name);
}
