#include "app/retrieval/DatenabrufHinweis.h"

#include "tester/Datenabruf.h"

#include <QStringList>

QString Anzahl(int n, const char *einzahl, const char *mehrzahl)
{
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(n == 1 ? einzahl : mehrzahl));
}

namespace {

const char *const kPrueflingSchritt = "Zeile wählen und „Prüfling“ drücken oder ihren Barcode eintragen";

QString listenStand(const TAbrufStand &s)
{
    const int offen = s.Zeilen - s.Zugeordnet - s.Doppelt;
    if (offen <= 0 && s.Zugeordnet > 0)
        return QStringLiteral("%1 in der Liste, %2 einem Prüfling zugeordnet: „übernehmen“ speichert sie.")
            .arg(Anzahl(s.Zeilen, "Satz", "Sätze"),
                 s.Zugeordnet == s.Zeilen ? QStringLiteral("alle") : QString::number(s.Zugeordnet));
    if (offen <= 0) return QStringLiteral("%1 in der Liste.").arg(Anzahl(s.Zeilen, "Satz", "Sätze"));
    return QStringLiteral("%1 in der Liste, %2 zugeordnet; %3 noch einen Prüfling (gelb): %4.")
        .arg(Anzahl(s.Zeilen, "Satz", "Sätze"))
        .arg(s.Zugeordnet)
        .arg(offen == 1 ? QStringLiteral("1 braucht") : QStringLiteral("%1 brauchen").arg(offen),
             QString::fromUtf8(kPrueflingSchritt));
}

} // namespace

QString AbrufHinweis(const TAbrufStand &s)
{
    if (s.Zeilen > 0) {
        QString text = listenStand(s);
        if (s.Verbunden && s.ImTester > 0)
            text += QStringLiteral(" Der Gerätetester enthält %1; „Daten holen“ holt sie, wenn die Liste "
                                   "leer ist.")
                        .arg(Anzahl(s.ImTester, "weitere Prüfung", "weitere Prüfungen"));
        return text;
    }
    if (!s.Verbunden)
        return QStringLiteral("Kein Gerätetester verbunden: zum Abrufen bitte im Hauptfenster verbinden und "
                              "„Daten abrufen...“ erneut wählen.");
    if (s.ImTester < 0)
        return QStringLiteral("„Daten holen“ holt die im Gerätetester gespeicherten Prüfungen in die Liste.");
    if (s.ImTester == 0) return QStringLiteral("Der Gerätetester enthält keine gespeicherten Prüfungen.");
    return QStringLiteral("Der Gerätetester enthält %1. „Daten holen“ holt sie in die Liste.")
        .arg(Anzahl(s.ImTester, "gespeicherte Prüfung", "gespeicherte Prüfungen"));
}

QString AbrufErgebnis(int abgerufen, int zugeordnet)
{
    const int offen = abgerufen - zugeordnet;
    QString text = QStringLiteral("%1 abgerufen, %2 Prüfling gefunden")
                       .arg(Anzahl(abgerufen, "Prüfung", "Prüfungen"),
                            zugeordnet == 1 ? QStringLiteral("1 hat ihren")
                                            : QStringLiteral("%1 haben ihren").arg(zugeordnet));
    if (offen <= 0) return text + QStringLiteral(": „übernehmen“ speichert sie.");
    return text +
           QStringLiteral("; %1 noch „Prüfling“ (gelb): %2.")
               .arg(offen == 1 ? QStringLiteral("1 braucht") : QStringLiteral("%1 brauchen").arg(offen),
                    QString::fromUtf8(kPrueflingSchritt));
}

QString UebernahmeFrage(const TAbrufStand &s)
{
    const int bleiben = s.Zeilen - s.Zugeordnet;
    return QStringLiteral("Sollen die zugeordneten Sätze zu den gespeicherten Daten übernommen werden?\n\n"
                          "%1 einem Prüfling zugeordnet und %2 übernommen; %3 in der Liste.")
        .arg(s.Zugeordnet == 1 ? QStringLiteral("1 Satz ist")
                               : QStringLiteral("%1 Sätze sind").arg(s.Zugeordnet),
             s.Zugeordnet == 1 ? QStringLiteral("wird") : QStringLiteral("werden"),
             bleiben == 1 ? QStringLiteral("1 bleibt") : QStringLiteral("%1 bleiben").arg(bleiben));
}

QString UebernahmeZusammenfassung(const TUebertragBericht &r, int bleiben)
{
    QStringList teile;
    teile << QStringLiteral("%1 übernommen").arg(Anzahl(r.Uebertragen, "Satz", "Sätze"));
    if (r.Fehlgeschlagen > 0) teile << QStringLiteral("%1 wegen eines Fehlers nicht").arg(r.Fehlgeschlagen);
    if (r.Vergeben > 0)
        teile << QStringLiteral("%1 schon von einem anderen Arbeitsplatz übernommen oder gelöscht")
                     .arg(r.Vergeben);
    QString text = teile.join(QStringLiteral(", ")) + QLatin1Char('.');
    if (bleiben > 0) {
        QStringList warum;
        if (r.NichtZugeordnet > 0) warum << QStringLiteral("%1 ohne Prüfling").arg(r.NichtZugeordnet);
        if (r.Doppelt > 0) warum << QStringLiteral("%1 als möglicherweise doppelt markiert").arg(r.Doppelt);
        if (r.Fehlgeschlagen > 0) warum << QStringLiteral("%1 nach einem Fehler").arg(r.Fehlgeschlagen);
        text += QStringLiteral(" %1 in der Liste")
                    .arg(bleiben == 1 ? QStringLiteral("1 Satz bleibt")
                                      : QStringLiteral("%1 Sätze bleiben").arg(bleiben));
        text += warum.isEmpty() ? QStringLiteral(".")
                                : QStringLiteral(" (%1).").arg(warum.join(QStringLiteral(", ")));
    }
    return text;
}
