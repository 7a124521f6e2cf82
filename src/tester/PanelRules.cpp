#include "tester/PanelRules.h"

bool StepTextKnown(int messschritt)
{
    return messschritt >= 0 && messschritt <= 7;
}

QString StepText(int messschritt)
{
    switch (messschritt) {
    case 0:
        return QStringLiteral("Ruhezustand");
    case 1:
        return QStringLiteral("Schutzleiter-\r\nwiderstand");
    case 2:
        return QStringLiteral("Isolations-\r\nwiderstand");
    case 3:
        return QStringLiteral("Ersatzableitstrom");
    case 4:
        return QStringLiteral("Schutzleiterstrom");
    case 5:
        return QStringLiteral("Schutzleiterstrom\r\numgepolt");
    case 6:
        return QStringLiteral("Berührungsstrom");
    case 7:
        return QStringLiteral("Berührungsstrom\r\numgepolt");
    default:
        return QString();
    }
}

QString PhaseHint(int ablaufphase)
{
    switch (ablaufphase) {
    case 1:
        return QStringLiteral("Ablaufphase: Initialisierung");
    case 2:
        return QStringLiteral("Ablaufphase: Ruhezustand");
    case 3:
        return QStringLiteral("Ablaufphase: EEPROM löschen");
    case 4:
        return QStringLiteral("Ablaufphase: alles drucken");
    case 5:
        return QStringLiteral("Ablaufphase: Einstellungen");
    case 16:
        return QStringLiteral("Ablaufphase: Prüfung-Vorbereitung");
    case 17:
        return QStringLiteral("Ablaufphase: Sichtprüfung abfragen");
    case 18:
        return QStringLiteral("Ablaufphase: Prüfung-Abschluss");
    case 19:
        return QStringLiteral("Ablaufphase: Abfrage auf Speicherung");
    case 20:
        return QStringLiteral("Ablaufphase: Speicherung der Meßdaten");
    case 21:
        return QStringLiteral("Ablaufphase: Anzeige der Meßdaten");
    default:
        break;
    }
    if (ablaufphase >= 32 && ablaufphase <= 49) {
        // Six codes per ending: classes 1..3 of 0701, then classes 1..3 of 0702.
        static const char *const endings[] = {
            "mit Isolationsprüfung, ohne Differenzstrommessung",
            "ohne Isolationsprüfung, mit Differenzstrommessung",
            "mit Isolationsprüfung, mit Differenzstrommessung",
        };
        const int n = ablaufphase - 32;
        const int klasse = n % 3 + 1;
        const char *norm = (n % 6) < 3 ? "0701" : "0702";
        return QStringLiteral("Schutzklasse %1, nach %2, %3")
            .arg(klasse)
            .arg(QLatin1String(norm), QString::fromUtf8(endings[n / 6]));
    }
    if (ablaufphase >= 50 && ablaufphase <= 55) {
        static const char *const endings[] = {"mit Isolationsprüfung", "ohne Isolationsprüfung",
                                              "mit Differenzstrommessung"};
        const int n = ablaufphase - 50;
        return QStringLiteral("Schutzklasse %1, nach 0751, %2")
            .arg(n % 2 + 1)
            .arg(QString::fromUtf8(endings[n / 2]));
    }
    return QString();
}

TStandardLimitCodes StandardLimitCodes(int standard, int schutzklasse, int isolationMode, int messschritt)
{
    TStandardLimitCodes c;
    const bool diff = isolationMode == 2;
    if (standard == 2) {
        switch (schutzklasse) {
        case 1:
            c.Isolation = 2000;
            c.Dritter = diff ? ((messschritt == 6 || messschritt == 7) ? 10 : 50) : 100;
            break;
        case 2:
            c.Isolation = 7000;
            c.Dritter = diff ? 10 : 50;
            break;
        case 3:
            c.Isolation = 2000;
            c.Dritter = diff ? 10 : 50;
            break;
        default:
            c.Isolation = 0;
            c.Dritter = 0;
            break;
        }
    } else {
        switch (schutzklasse) {
        case 1:
            c.Isolation = 1000;
            c.Dritter = 350;
            break;
        case 2:
            c.Isolation = 2000;
            c.Dritter = (isolationMode == 1 || isolationMode == 2) ? 50 : 350;
            break;
        case 3:
            c.Isolation = 250;
            c.Dritter = 350;
            break;
        default:
            c.Isolation = 0;
            c.Dritter = 350;
            break;
        }
    }
    return c;
}
