#include "store/DbErrors.h"

namespace {

bool has(const QString &t, const char *needle)
{
    return t.contains(QLatin1String(needle), Qt::CaseInsensitive);
}

QString erklaerung(TDbFehlerArt art)
{
    switch (art) {
    case TDbFehlerArt::Gesperrt:
        return QStringLiteral(
            "Die Datenbank ist gerade von einem anderen Programm oder Arbeitsplatz gesperrt. "
            "Bitte warten Sie einen Moment und wiederholen Sie den Vorgang.");
    case TDbFehlerArt::Schreibgeschuetzt:
        return QStringLiteral("Die Datenbank oder ihr Ordner ist schreibgeschützt. Bitte prüfen Sie die "
                              "Zugriffsrechte der Datei und des Ordners.");
    case TDbFehlerArt::Beschaedigt:
        return QStringLiteral(
            "Die Datenbank ist beschädigt. Bitte stellen Sie die letzte Sicherung wieder her.");
    case TDbFehlerArt::Voll:
        return QStringLiteral(
            "Der Datenträger der Datenbank ist voll. Bitte schaffen Sie Platz und wiederholen "
            "Sie den Vorgang.");
    case TDbFehlerArt::Verbindung:
        return QStringLiteral(
            "Die Verbindung zum Datenbankserver ist unterbrochen. Bitte prüfen Sie den Server "
            "und das Netzwerk und verbinden Sie die Datenbank neu.");
    case TDbFehlerArt::Datentraeger:
        // Mostly a drive too full for SQLite's shared-memory file, or one that is gone.
        return QStringLiteral(
            "Die Datenbankdatei kann nicht gelesen oder geschrieben werden (Ein-/Ausgabefehler). Meist ist "
            "ihr Datenträger voll oder nicht mehr erreichbar; bitte prüfen Sie ihn und wiederholen Sie "
            "den Vorgang.");
    case TDbFehlerArt::Doppelt:
        return QStringLiteral("Ein Datensatz mit diesem Schlüssel oder Wert ist schon vorhanden.");
    case TDbFehlerArt::Schema:
        return QStringLiteral("Der Datenbank fehlt eine Tabelle oder Spalte, die das Programm braucht. Bitte "
                              "bringen Sie die Datenbank mit gt-initdb auf den aktuellen Stand.");
    default:
        return {};
    }
}

bool alreadyExplained(const QString &text)
{
    for (int k = int(TDbFehlerArt::Keiner); k <= int(TDbFehlerArt::Unbekannt); ++k) {
        const QString why = erklaerung(TDbFehlerArt(k));
        if (!why.isEmpty() && text.startsWith(why)) return true;
    }
    return false;
}

} // namespace

TDbFehlerArt DbFehlerArt(const QString &t)
{
    if (t.trimmed().isEmpty()) return TDbFehlerArt::Keiner;
    if (has(t, "database is locked") || has(t, "database table is locked") || has(t, "lock timeout") ||
        has(t, "could not obtain lock") || has(t, "deadlock detected"))
        return TDbFehlerArt::Gesperrt;
    if (has(t, "readonly") || has(t, "read-only") || has(t, "read only") || has(t, "permission denied") ||
        has(t, "unable to open database"))
        return TDbFehlerArt::Schreibgeschuetzt;
    if (has(t, "malformed") || has(t, "not a database") || has(t, "corrupt"))
        return TDbFehlerArt::Beschaedigt;
    if (has(t, "disk is full") || has(t, "database or disk is full") || has(t, "no space left") ||
        has(t, "quota"))
        return TDbFehlerArt::Voll;
    if (has(t, "server closed the connection") || has(t, "terminating connection") ||
        has(t, "no connection to the server") || has(t, "connection refused") ||
        has(t, "could not connect") || has(t, "connection to server") || has(t, "broken pipe") ||
        has(t, "driver not loaded") || has(t, "database not open") || has(t, "is the server running"))
        return TDbFehlerArt::Verbindung;
    if (has(t, "disk i/o error")) return TDbFehlerArt::Datentraeger;
    if (has(t, "unique") || has(t, "duplicate key")) return TDbFehlerArt::Doppelt;
    // A missing database is a wrong setting, not a schema to bring up to date.
    if (has(t, "database \"") && has(t, "does not exist")) return TDbFehlerArt::Unbekannt;
    if (has(t, "no such table") || has(t, "no such column") || has(t, "does not exist") ||
        has(t, "has no column"))
        return TDbFehlerArt::Schema;
    return TDbFehlerArt::Unbekannt;
}

TDbFehlerArt DbFehlerArt(const QSqlError &e)
{
    // The text first: Qt's SQLite driver marks every failed step as a
    // connection error, a full disk and a busy lock included.
    const TDbFehlerArt byText = DbFehlerArt(e.text());
    // Statements on a server connection that is gone fail without any text.
    if (byText == TDbFehlerArt::Keiner)
        return e.type() == QSqlError::ConnectionError ? TDbFehlerArt::Verbindung : byText;
    if (byText != TDbFehlerArt::Unbekannt) return byText;
    // The server's SQLSTATE: class 08 is the connection, 57P01..57P03 a server going down.
    const QString state = e.nativeErrorCode();
    if (state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57P")))
        return TDbFehlerArt::Verbindung;
    // SQLite's codes are plain numbers; anything else marked so comes from a server connection.
    bool sqliteCode = false;
    state.toInt(&sqliteCode);
    if (e.type() == QSqlError::ConnectionError && !sqliteCode && !state.isEmpty())
        return TDbFehlerArt::Verbindung;
    return byText;
}

QString DbFehlertext(const QString &engineText)
{
    const QString engine = engineText.trimmed();
    // A text that went through here already stays as it is: handed on and shown, it is explained once.
    if (alreadyExplained(engine)) return engine;
    const QString why = erklaerung(DbFehlerArt(engine));
    if (why.isEmpty()) return engine;
    return engine.isEmpty() ? why : why + QStringLiteral("\n\n(") + engine + QLatin1Char(')');
}

QString DbFehlertext(const QSqlError &e)
{
    const QString engine = e.text().trimmed();
    const QString why = erklaerung(DbFehlerArt(e));
    if (why.isEmpty()) return engine;
    return engine.isEmpty() ? why : why + QStringLiteral("\n\n(") + engine + QLatin1Char(')');
}

bool DbVerbindungVerloren(const QSqlError &e)
{
    return DbFehlerArt(e) == TDbFehlerArt::Verbindung;
}
