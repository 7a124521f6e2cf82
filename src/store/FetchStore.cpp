#include "store/FetchStore.h"

#include "core/FormatSettings.h"
#include "store/ColumnWidths.h"
#include "store/Database.h"
#include "store/DbErrors.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace {

// Staging columns in the order of the fetch's INSERT, each with its value.
QList<std::pair<const char *, QVariant>> stagingValues(int lfd, const TAbrufSatz &s, const TAbrufKopf &k)
{
    const TUebernahmeWerte &w = s.Werte;
    // Dates go in as the same text the generated statements write: every
    // reader of the table already understands it on both engines.
    const QVariant date = k.Zeitpunkt.isValid() ? QVariant(FormatDateTime(k.Zeitpunkt)) : QVariant();
    return {{"UNintLfdNr", lfd},
            {"UNstrBarcode", FitToColumn(u"UNstrBarcode", w.UNstrBarcode)},
            {"UNintPrueflingNr", s.PrueflingNr},
            {"UNdtmUebernahme", date},
            {"UNstrGTSeriennummer", FitToColumn(u"UNstrGTSeriennummer", k.SerialNumber)},
            {"UNintGrenzwertflags", w.UNintGrenzwertflags},
            {"UNintMenueflags", w.UNintMenueflags},
            {"UNintSchutzklasseFlags", w.UNintSchutzklasseFlags},
            {"UNintMessablaufFlags", w.UNintMessablaufFlags},
            {"UNintSchutzleiterwid", w.UNintSchutzleiterwid},
            {"UNintIsolationswid", w.UNintIsolationswid},
            {"UNintAbleitstrom", w.UNintAbleitstrom},
            {"UNintSchutzlStromL1N", w.UNintSchutzlStromL1N},
            {"UNintSchutzlStromNL1", w.UNintSchutzlStromNL1},
            {"UNintBeruehrungsstromL1N", w.UNintBeruehrungsstromL1N},
            {"UNintBeruehrungsstromNL1", w.UNintBeruehrungsstromNL1},
            {"UNintGrwSchutzleiterwid", w.UNintGrwSchutzleiterwid},
            {"UNintGrwIsolationswid", w.UNintGrwIsolationswid},
            {"UNintGrwAbleitstrom", w.UNintGrwAbleitstrom},
            {"UNintGrwSchutzleiterstrom", w.UNintGrwSchutzleiterstrom},
            {"UNintGrwBeruehrungsstrom", w.UNintGrwBeruehrungsstrom},
            {"UNintGrwSchnellabschaltung", w.UNintGrwSchnellabschaltung},
            {"UNblnPruefungsergebnis", w.UNblnPruefungsergebnis},
            {"UNintSichtpruef", w.UNintSichtpruef},
            {"UNintSchutzklasse", w.UNintSchutzklasse},
            {"UNblnAutomatisch", w.UNblnAutomatisch},
            {"UNintDINVDE", w.UNintDINVDE},
            {"UNblnExternDiffStr", w.UNblnExternDiffStr},
            {"UNblnManuGrenz", w.UNblnManuGrenz},
            {"UNintIsolDiff", w.UNintIsolDiff},
            {"UNblnMitBeruehr", w.UNblnMitBeruehr},
            {"UNblnAbgebrochen", w.UNblnAbgebrochen},
            {"UNblnSchnellabbruch", w.UNblnSchnellabbruch},
            {"UNblnManuellAbbruch", w.UNblnManuellAbbruch},
            {"UNblnGrenzwFehler", w.UNblnGrenzwFehler},
            {"UNstrNotiz", QString()},
            {"UNstrPruefer", FitToColumn(u"UNstrPruefer", k.Operator)},
            {"UNstrBewertender", FitToColumn(u"UNstrBewertender", k.Assessor)}};
}

// Columns that tell two tests apart in the tests table (the staging names
// with their tag changed); the barcode is not kept there.
const char *const kInhaltSpalten[] = {"strGTSeriennummer",      "intGrenzwertflags",
                                      "intMenueflags",          "intSchutzklasseFlags",
                                      "intMessablaufFlags",     "intSchutzleiterwid",
                                      "intIsolationswid",       "intAbleitstrom",
                                      "intSchutzlStromL1N",     "intSchutzlStromNL1",
                                      "intBeruehrungsstromL1N", "intBeruehrungsstromNL1",
                                      "intGrwSchutzleiterwid",  "intGrwIsolationswid",
                                      "intGrwAbleitstrom",      "intGrwSchutzleiterstrom",
                                      "intGrwBeruehrungsstrom", "intGrwSchnellabschaltung",
                                      "intSchutzklasse",        "intDINVDE",
                                      "blnExternDiffStr",       "intIsolDiff",
                                      "intSichtpruef"};

// A statement on a connection that is gone fails without a text of its own.
QString ohneText(QSqlDatabase db, const QString &text)
{
    if (!text.trimmed().isEmpty()) return text;
    const QSqlError e = db.lastError();
    if (!e.text().trimmed().isEmpty()) return DbFehlertext(e);
    return DbFehlertext(QSqlError(QString(), QString(), QSqlError::ConnectionError));
}

struct TFehler {
    QString *text;
    QString *statement;
    bool set(const QSqlQuery &q)
    {
        if (text) *text = DbFehlertext(q.lastError());
        if (statement) *statement = StatementWithValues(q);
        return false;
    }
};

bool run(QSqlQuery &q, const QString &sql, const QVariantList &values)
{
    if (!q.prepare(sql)) return false;
    for (const QVariant &v : values)
        q.addBindValue(v);
    return q.exec();
}

// The bookkeeping table; databases made before it existed get it on first use.
// Looked up first: the server would otherwise put a notice about the existing
// table on the command line's output every time.
bool ensureAbrufSatz(QSqlDatabase db, QString *fehler)
{
    for (const QString &t : db.tables())
        if (t.compare(QLatin1String("tblAbrufSatz"), Qt::CaseInsensitive) == 0) return true;
    QSqlQuery q(db);
    if (q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS tblAbrufSatz (\n"
                              "  ASstrGTSeriennummer TEXT,\n"
                              "  ASstrInhalt TEXT,\n"
                              "  ASintLfdNr INTEGER,\n"
                              "  ASintOffen SMALLINT,\n"
                              "  ASintDoppelt SMALLINT\n"
                              ")")))
        return true;
    if (fehler) *fehler = DbFehlertext(q.lastError());
    return false;
}

// Whether a test with this content is in the tests table.
bool testVorhanden(QSqlDatabase db, const QString &serial, const TUebernahmeWerte &w, TFehler &f, bool *ok)
{
    const QList<std::pair<const char *, QVariant>> all = stagingValues(0, {w, 0}, {serial, {}, {}, {}});
    QStringList where;
    QVariantList values;
    for (const char *suffix : kInhaltSpalten) {
        const QString un = QStringLiteral("UN") + QLatin1String(suffix);
        for (const auto &[col, v] : all)
            if (un == QLatin1String(col)) values << v;
        where << QStringLiteral("PR") + QLatin1String(suffix) + QStringLiteral(" = ?");
    }
    QSqlQuery q(db);
    q.setForwardOnly(true);
    *ok = run(q,
              QStringLiteral("SELECT COUNT(*)\nFROM tblPruefung\nWHERE ") +
                  where.join(QStringLiteral("\n  AND ")),
              values) &&
          q.next();
    if (!*ok) return f.set(q);
    return FieldInt(q.value(0)) > 0;
}

// Whether an earlier fetch whose clearing was never confirmed stored this
// content, and its copy (staging row or test) is still there.
bool frueherGespeichert(QSqlDatabase db, const QString &serial, const TUebernahmeWerte &w, TFehler &f,
                        bool *ok)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    *ok = run(q,
              QStringLiteral("SELECT ASintLfdNr\nFROM tblAbrufSatz\nWHERE ASstrGTSeriennummer = ?\n"
                             "  AND ASstrInhalt = ?\n  AND ASintOffen = 1"),
              {serial, AbrufInhalt(serial, w)});
    if (!*ok) return f.set(q);
    bool imTestBestand = false;
    while (q.next()) {
        // A running number still set means the staging row is still there.
        if (FieldInt(q.value(0)) > 0) return true;
        imTestBestand = true;
    }
    return imTestBestand && testVorhanden(db, serial, w, f, ok);
}

// Bookkeeping rows of staging rows that are gone lose their running number
// (a later fetch may give it again); confirmed ones without a mark are done.
bool aufraeumen(QSqlDatabase db, QString *fehler, QString *anweisung)
{
    QSqlQuery q(db);
    TFehler f{fehler, anweisung};
    if (!run(q,
             QStringLiteral("UPDATE tblAbrufSatz\nSET ASintLfdNr = 0\nWHERE ASintLfdNr <> 0\n"
                            "  AND ASintLfdNr NOT IN (SELECT UNintLfdNr FROM tblUebernahme)"),
             {}))
        return f.set(q);
    if (!run(q, QStringLiteral("DELETE FROM tblAbrufSatz\nWHERE ASintOffen = 0\n  AND ASintLfdNr = 0"), {}))
        return f.set(q);
    return true;
}

bool vermerken(QSqlDatabase db, const QString &serial, const TUebernahmeWerte &w, int lfd, bool doppelt,
               TFehler &f)
{
    QSqlQuery q(db);
    if (run(q,
            QStringLiteral("INSERT INTO tblAbrufSatz\n  (ASstrGTSeriennummer, ASstrInhalt, ASintLfdNr, "
                           "ASintOffen, ASintDoppelt)\nVALUES\n  (?, ?, ?, 1, ?)"),
            {serial, AbrufInhalt(serial, w), lfd, doppelt ? 1 : 0}))
        return true;
    return f.set(q);
}

// The records' rows and bookkeeping inside an open transaction.
bool speichern(QSqlDatabase db, const TAbrufKopf &k, const QList<TAbrufSatz> &saetze, TAbrufSpeicherung &r)
{
    TFehler f{&r.Fehlertext, &r.Anweisung};
    bool ok = false;
    // The key lock first: it also keeps a second workstation's fetch out of
    // the bookkeeping until this one commits.
    int lfd = NextKey(db, QStringLiteral("tblUebernahme"), QStringLiteral("UNintLfdNr"), &ok);
    if (!ok) {
        r.Fehlertext = QStringLiteral("Die laufende Nummer der Übernahmeliste ließ sich nicht bestimmen.");
        return false;
    }
    if (!aufraeumen(db, &r.Fehlertext, &r.Anweisung)) return false;
    // All records are compared before any is noted: two equal records of one
    // read-out are two tests.
    QList<bool> doppelt;
    for (const TAbrufSatz &s : saetze) {
        doppelt << frueherGespeichert(db, k.SerialNumber, s.Werte, f, &ok);
        if (!ok) return false;
    }
    for (qsizetype i = 0; i < saetze.size(); ++i, ++lfd) {
        if (!StagingZeileEinfuegen(db, lfd, saetze[i], k, &r.Fehlertext, &r.Anweisung)) return false;
        if (!vermerken(db, k.SerialNumber, saetze[i].Werte, lfd, doppelt[i], f)) return false;
        r.LfdNrs << lfd;
        if (doppelt[i]) ++r.Doppelt;
    }
    return true;
}

} // namespace

QString AbrufInhalt(const QString &SerialNumber, const TUebernahmeWerte &W)
{
    QStringList parts{SerialNumber, W.UNstrBarcode};
    for (const auto &[col, v] : stagingValues(0, {W, 0}, {})) {
        const QLatin1String c(col);
        if (c.startsWith(QLatin1String("UNint")) || c.startsWith(QLatin1String("UNbln")))
            if (c != QLatin1String("UNintLfdNr") && c != QLatin1String("UNintPrueflingNr"))
                parts << v.toString();
    }
    return parts.join(QLatin1Char('|'));
}

bool StagingZeileEinfuegen(QSqlDatabase db, int LfdNr, const TAbrufSatz &Satz, const TAbrufKopf &Kopf,
                           QString *Fehlertext, QString *Anweisung)
{
    const QList<std::pair<const char *, QVariant>> all = stagingValues(LfdNr, Satz, Kopf);
    QStringList lines{QStringLiteral("INSERT INTO tblUebernahme")};
    QVariantList values;
    for (qsizetype i = 0; i < all.size(); ++i) {
        const bool first = i == 0, last = i == all.size() - 1;
        lines << QStringLiteral("  ") + (first ? QStringLiteral("(") : QString()) +
                     QLatin1String(all[i].first) + (last ? QStringLiteral(")") : QStringLiteral(","));
        values << all[i].second;
    }
    lines << QStringLiteral("VALUES");
    for (qsizetype i = 0; i < all.size(); ++i)
        lines << QStringLiteral("  ") + (i == 0 ? QStringLiteral("(?") : QStringLiteral("?")) +
                     (i == all.size() - 1 ? QStringLiteral(")") : QStringLiteral(","));
    QSqlQuery q(db);
    if (run(q, lines.join(QLatin1Char('\n')), values)) {
        if (q.numRowsAffected() == 1) return true;
        if (Fehlertext) *Fehlertext = QStringLiteral("Die Zeile wurde nicht gespeichert.");
        if (Anweisung) *Anweisung = StatementWithValues(q);
        return false;
    }
    TFehler f{Fehlertext, Anweisung};
    return f.set(q);
}

bool AbrufSpeicherBereit(QSqlDatabase db, QString *Fehlertext)
{
    QString fehler;
    if (!ensureAbrufSatz(db, &fehler) || !db.transaction()) {
        if (Fehlertext) *Fehlertext = ohneText(db, fehler);
        return false;
    }
    // A running number no fetch ever gives; the row never outlives the rollback.
    TAbrufSatz probe;
    const bool ok = StagingZeileEinfuegen(db, -1, probe, {}, Fehlertext, nullptr);
    db.rollback();
    if (!ok && Fehlertext) *Fehlertext = ohneText(db, *Fehlertext);
    return ok;
}

TAbrufSpeicherung AbrufSpeichern(QSqlDatabase db, const TAbrufKopf &Kopf, const QList<TAbrufSatz> &Saetze)
{
    TAbrufSpeicherung r;
    if (!ensureAbrufSatz(db, &r.Fehlertext) || !db.transaction()) {
        r.Fehlertext = ohneText(db, r.Fehlertext);
        return r;
    }
    if (!speichern(db, Kopf, Saetze, r)) {
        r.Fehlertext = ohneText(db, r.Fehlertext);
        db.rollback();
        r.LfdNrs.clear();
        r.Doppelt = 0;
        return r;
    }
    if (!db.commit()) {
        r.Fehlertext = ohneText(db, QString());
        db.rollback();
        r.LfdNrs.clear();
        r.Doppelt = 0;
        return r;
    }
    r.Ok = true;
    return r;
}

bool AbrufGeloeschtBestaetigen(QSqlDatabase db, const QString &SerialNumber, QString *Fehlertext)
{
    if (!ensureAbrufSatz(db, Fehlertext)) return false;
    if (!db.transaction()) {
        if (Fehlertext) *Fehlertext = DbFehlertext(db.lastError());
        return false;
    }
    QSqlQuery q(db);
    TFehler f{Fehlertext, nullptr};
    const bool ok =
        (run(q,
             QStringLiteral(
                 "DELETE FROM tblAbrufSatz\nWHERE ASstrGTSeriennummer = ?\n  AND ASintDoppelt = 0"),
             {SerialNumber}) &&
         run(q, QStringLiteral("UPDATE tblAbrufSatz\nSET ASintOffen = 0\nWHERE ASstrGTSeriennummer = ?"),
             {SerialNumber})) ||
        f.set(q);
    if (ok && db.commit()) return true;
    if (ok && Fehlertext) *Fehlertext = DbFehlertext(db.lastError());
    db.rollback();
    return false;
}

bool UnbestaetigterAbruf(QSqlDatabase db)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    return q.exec(QStringLiteral("SELECT COUNT(*)\nFROM tblAbrufSatz\nWHERE ASintOffen = 1\n"
                                 "  AND ASintLfdNr IN (SELECT UNintLfdNr FROM tblUebernahme)")) &&
           q.next() && FieldInt(q.value(0)) > 0;
}

QSet<int> DoppeltMarkierteZeilen(QSqlDatabase db)
{
    QSet<int> lfd;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    // A database without the table has no marks.
    if (!q.exec(QStringLiteral(
            "SELECT ASintLfdNr\nFROM tblAbrufSatz\nWHERE ASintDoppelt = 1\n  AND ASintLfdNr > 0")))
        return lfd;
    while (q.next())
        lfd.insert(FieldInt(q.value(0)));
    return lfd;
}

bool IstDoppeltMarkiert(QSqlDatabase db, int LfdNr)
{
    return DoppeltMarkierteZeilen(db).contains(LfdNr);
}

bool DoppeltMarkierungAufheben(QSqlDatabase db, int LfdNr, QString *Fehlertext)
{
    QSqlQuery q(db);
    if (run(q, QStringLiteral("UPDATE tblAbrufSatz\nSET ASintDoppelt = 0\nWHERE ASintLfdNr = ?"), {LfdNr}))
        return true;
    TFehler f{Fehlertext, nullptr};
    return f.set(q);
}
