#pragma once

// Database failures in words a workshop can act on. Every message a user
// sees about a refused statement goes through here, so the explanation is
// German and the engine's own text still follows for the expert.

#include <QSqlError>
#include <QString>

// What went wrong, by kind; Unbekannt when the engine's text says nothing we know.
enum class TDbFehlerArt {
    Keiner,
    Gesperrt,          // another program holds the write lock (busy timeout ran out)
    Schreibgeschuetzt, // file or folder read-only
    Beschaedigt,       // the file is not a database or its pages are broken
    Voll,              // disk or quota full
    Verbindung,        // server stopped, backend killed, network gone
    Datentraeger,      // the database file cannot be read or written (SQLite's disk I/O error)
    Doppelt,           // a key or unique value exists already
    Schema,            // a table or column is missing
    Unbekannt,
};

TDbFehlerArt DbFehlerArt(const QSqlError &e);
TDbFehlerArt DbFehlerArt(const QString &engineText);

// "Die Datenbank ist beschädigt …" followed by the engine's text; the engine's
// text alone when its kind is unknown; empty for no error.
QString DbFehlertext(const QSqlError &e);
QString DbFehlertext(const QString &engineText);

// True when the connection itself is gone: going on with the next statement
// would only fail the same way.
bool DbVerbindungVerloren(const QSqlError &e);
