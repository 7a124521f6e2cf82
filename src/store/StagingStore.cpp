#include "store/StagingStore.h"

#include "core/FormatSettings.h"
#include "store/Database.h"

#include <QSqlQuery>

namespace {

const QString kTests = QStringLiteral("tblPruefung");
const QString kTestKey = QStringLiteral("PRintPruefungsNr");

// Prepares, binds and runs one statement. On failure *error receives the
// statement's own error and *rendered the statement with its values.
bool run(QSqlQuery &q, const QString &sql, const TBoundValues &values, QSqlError *error = nullptr,
         QString *rendered = nullptr)
{
    q.setForwardOnly(true);
    bool ok = q.prepare(sql);
    if (ok) {
        for (const auto &[name, value] : values)
            q.bindValue(name, value);
        ok = q.exec();
    }
    if (!ok) {
        if (error) *error = q.lastError();
        if (rendered) *rendered = RenderBoundStatement(sql, values, DatabaseKind(q.driver()));
    }
    return ok;
}

bool runText(QSqlQuery &q, const QString &sql, const TBoundValues &values, QString *error)
{
    QSqlError e;
    const bool ok = run(q, sql, values, &e);
    if (!ok && error) *error = e.text();
    return ok;
}

bool readAll(QSqlQuery &q, QList<QSqlRecord> *rows)
{
    rows->clear();
    while (q.next())
        rows->append(q.record());
    return true;
}

bool nameChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// The tests table's columns from the test number to the overall verdict,
// the order in which a transferred row is written.
QStringList testColumns()
{
    QStringList c{kTestKey,
                  QStringLiteral("PRintPrueflingNr"),
                  QStringLiteral("PRdtmUebernahme"),
                  QStringLiteral("PRstrGTSeriennummer"),
                  QStringLiteral("PRintGrenzwertflags"),
                  QStringLiteral("PRintMenueflags"),
                  QStringLiteral("PRintSchutzklasseFlags"),
                  QStringLiteral("PRintMessablaufFlags")};
    for (const char *w :
         {"Schutzleiterwid", "Isolationswid", "Ableitstrom", "SchutzlStromL1N", "SchutzlStromNL1",
          "BeruehrungsstromL1N", "BeruehrungsstromNL1", "GrwSchutzleiterwid", "GrwIsolationswid",
          "GrwAbleitstrom", "GrwSchutzleiterstrom", "GrwBeruehrungsstrom", "GrwSchnellabschaltung"})
        c << QStringLiteral("PRint") + QLatin1String(w);
    for (const char *w :
         {"PRintSchutzklasse",      "PRblnAutomatisch",    "PRintDINVDE",       "PRblnExternDiffStr",
          "PRblnManuGrenz",         "PRintIsolDiff",       "PRblnMitBeruehr",   "PRblnAbgebrochen",
          "PRblnSchnellabbruch",    "PRblnManuellAbbruch", "PRblnGrenzwFehler", "PRintSichtpruef",
          "PRblnPruefungsergebnis", "PRstrNotiz",          "PRstrPruefer",      "PRstrBewertender",
          "PRintProtokolltyp",      "PRstrProtokollNr",    "PRintSichWied",     "PRintFunktPruefBest",
          "PRintGesamtbew"})
        c << QLatin1String(w);
    return c;
}

// The new test takes the staging row's values as they are stored (no round
// trip through program types, so dates and texts arrive unchanged); what the
// tester does not know starts as "not yet established".
QString testInsertSql()
{
    QStringList cols = testColumns();
    QStringList values;
    for (const QString &c : cols) {
        if (c == kTestKey)
            values << QStringLiteral(":nr");
        else if (c == QLatin1String("PRintProtokolltyp") || c == QLatin1String("PRintFunktPruefBest") ||
                 c == QLatin1String("PRintGesamtbew"))
            values << QStringLiteral("0");
        else if (c == QLatin1String("PRstrProtokollNr"))
            values << QStringLiteral("''");
        else if (c == QLatin1String("PRintSichWied"))
            values << QStringLiteral("-1");
        else
            values << QStringLiteral("UN") + c.mid(2);
    }
    return QStringLiteral("INSERT INTO tblPruefung\n  (") + cols.join(QStringLiteral(",\n  ")) +
           QStringLiteral(")\nSELECT ") + values.join(QStringLiteral(",\n  ")) +
           QStringLiteral("\nFROM tblUebernahme\nWHERE UNintLfdNr = :lfd");
}

TTransferZeile failed(QSqlDatabase &db, const QSqlError &e, const QString &statement)
{
    db.rollback();
    TTransferZeile z;
    z.Schritt = TTransferSchritt::Fehler;
    z.Fehler = e;
    z.Anweisung = statement;
    return z;
}

TTransferZeile ended(QSqlDatabase &db, TTransferSchritt s)
{
    db.rollback();
    TTransferZeile z;
    z.Schritt = s;
    return z;
}

} // namespace

QString RenderBoundStatement(const QString &sql, const TBoundValues &values, int kind)
{
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql[i];
        if (c == QLatin1Char('\'')) quoted = !quoted;
        const bool placeholder = !quoted && c == QLatin1Char(':') && i + 1 < sql.size() &&
                                 (sql[i + 1].isLetter() || sql[i + 1] == QLatin1Char('_')) &&
                                 (i == 0 || sql[i - 1] != QLatin1Char(':'));
        if (!placeholder) {
            out += c;
            continue;
        }
        qsizetype end = i + 1;
        while (end < sql.size() && nameChar(sql[end]))
            ++end;
        const QString name = sql.mid(i, end - i);
        const auto it =
            std::find_if(values.begin(), values.end(), [&](const auto &p) { return p.first == name; });
        out += it == values.end() ? name : SqlValueLiteral(it->second, kind);
        i = end - 1;
    }
    return out;
}

// ---- reading ------------------------------------------------------------------

bool StagingRows(QSqlDatabase db, QList<QSqlRecord> *rows, QString *error)
{
    QSqlQuery q(db);
    if (!runText(q, QStringLiteral("SELECT     *\nFROM         tblUebernahme\nORDER BY UNintLfdNr"), {},
                 error))
        return false;
    return readAll(q, rows);
}

bool StagingRow(QSqlDatabase db, int lfdNr, QSqlRecord *row, QString *error)
{
    QSqlQuery q(db);
    if (!runText(q, QStringLiteral("SELECT * FROM tblUebernahme WHERE UNintLfdNr = :lfd"),
                 {{QStringLiteral(":lfd"), lfdNr}}, error) ||
        !q.next())
        return false;
    *row = q.record();
    return true;
}

int StagingRowCount(QSqlDatabase db, bool *ok)
{
    QSqlQuery q(db);
    const bool done = run(q, QStringLiteral("SELECT COUNT(*) FROM tblUebernahme"), {}) && q.next();
    if (ok) *ok = done;
    return done ? FieldInt(q.value(0)) : 0;
}

// ---- devices ------------------------------------------------------------------

int FindDeviceByBarcode(QSqlDatabase db, const QString &barcode, bool *ok)
{
    if (ok) *ok = true;
    // An empty barcode names no device, however many devices have none.
    if (barcode.isEmpty()) return 0;
    QSqlQuery q(db);
    if (!run(q, QStringLiteral("SELECT PLintPrueflingNr\nFROM tblPruefling\nWHERE (PLstrBarcode = :barcode)"),
             {{QStringLiteral(":barcode"), barcode}})) {
        if (ok) *ok = false;
        return 0;
    }
    return q.next() ? FieldInt(q.value(0)) : 0;
}

bool BarcodeInUse(QSqlDatabase db, const QString &barcode, bool *inUse, QString *error)
{
    QSqlQuery q(db);
    if (!runText(q, QStringLiteral("SELECT PLstrBarcode\nFROM tblPruefling\nWHERE (PLstrBarcode = :barcode)"),
                 {{QStringLiteral(":barcode"), barcode}}, error))
        return false;
    *inUse = q.next();
    return true;
}

int StagingDeviceFor(QSqlDatabase db, const QString &barcode, int currentNr, bool *ok)
{
    bool done = true;
    const int byBarcode = FindDeviceByBarcode(db, barcode, &done);
    if (ok) *ok = done;
    if (!done || byBarcode != 0 || currentNr == 0) return byBarcode;
    QSqlQuery q(db);
    if (!run(q, QStringLiteral("SELECT PLstrBarcode FROM tblPruefling WHERE PLintPrueflingNr = :nr"),
             {{QStringLiteral(":nr"), currentNr}})) {
        if (ok) *ok = false;
        return 0;
    }
    if (!q.next()) return 0; // the device is gone
    return FieldString(q.value(0)).isEmpty() ? currentNr : 0;
}

bool DeviceChoiceRows(QSqlDatabase db, QList<QSqlRecord> *rows, QString *error)
{
    QSqlQuery q(db);
    if (!runText(q,
                 QStringLiteral("SELECT     *\n"
                                "FROM         tblPruefling INNER JOIN\n"
                                "                      tblKunden ON tblPruefling.PLintKundenNr = "
                                "tblKunden.KDintKundenNr\n"
                                "ORDER BY tblPruefling.PLintPrueflingNr"),
                 {}, error))
        return false;
    return readAll(q, rows);
}

// ---- changing ---------------------------------------------------------------------

bool UpdateStagingRow(QSqlDatabase db, const TStagingEdit &row, QString *error)
{
    // The date goes in as the program writes dates everywhere; each engine
    // stores it in its own form from there.
    const QVariant date =
        row.Datum.isValid() ? QVariant(FormatDateTime(row.Datum)) : QVariant(QMetaType(QMetaType::QString));
    QSqlQuery q(db);
    return runText(q,
                   QStringLiteral("UPDATE tblUebernahme\n"
                                  "SET UNstrBarcode = :barcode,\n"
                                  "  UNintPrueflingNr = :device,\n"
                                  "  UNdtmUebernahme = :date,\n"
                                  "  UNstrPruefer = :pruefer,\n"
                                  "  UNstrBewertender = :bewertender,\n"
                                  "  UNstrNotiz = :notiz\n"
                                  "WHERE UNintLfdNr = :lfd"),
                   {{QStringLiteral(":barcode"), row.Barcode},
                    {QStringLiteral(":device"), row.PrueflingNr},
                    {QStringLiteral(":date"), date},
                    {QStringLiteral(":pruefer"), row.Pruefer},
                    {QStringLiteral(":bewertender"), row.Bewertender},
                    {QStringLiteral(":notiz"), row.Notiz},
                    {QStringLiteral(":lfd"), row.LfdNr}},
                   error) &&
           q.numRowsAffected() == 1;
}

bool DeleteStagingRow(QSqlDatabase db, int lfdNr, QString *error)
{
    QSqlQuery q(db);
    return runText(q, QStringLiteral("DELETE FROM tblUebernahme WHERE UNintLfdNr = :lfd"),
                   {{QStringLiteral(":lfd"), lfdNr}}, error);
}

bool DeleteStagingRows(QSqlDatabase db, const QList<int> &lfdNrs, QString *error)
{
    if (!db.transaction()) {
        if (error) *error = db.lastError().text();
        return false;
    }
    for (const int lfd : lfdNrs) {
        QSqlQuery q(db);
        if (!runText(q, QStringLiteral("DELETE FROM tblUebernahme WHERE UNintLfdNr = :lfd"),
                     {{QStringLiteral(":lfd"), lfd}}, error)) {
            db.rollback();
            return false;
        }
    }
    if (db.commit()) return true;
    if (error) *error = db.lastError().text();
    db.rollback();
    return false;
}

int ReassignStagingDevices(QSqlDatabase db, QString *error)
{
    QList<std::pair<int, int>> changes;
    {
        // Read to the end first: a forward-only query on the server keeps the
        // connection busy until then.
        QList<QSqlRecord> rows;
        QSqlQuery q(db);
        if (!runText(q,
                     QStringLiteral("SELECT UNintLfdNr, UNstrBarcode, UNintPrueflingNr FROM tblUebernahme "
                                    "ORDER BY UNintLfdNr"),
                     {}, error))
            return -1;
        readAll(q, &rows);
        for (const QSqlRecord &r : rows) {
            const int now = FieldInt(r.value(2));
            bool ok = false;
            const int nr = StagingDeviceFor(db, FieldString(r.value(1)), now, &ok);
            if (!ok) {
                if (error)
                    *error = QStringLiteral("Der Prüfling zum Barcode „%1“ kann nicht gesucht werden.")
                                 .arg(FieldString(r.value(1)));
                return -1;
            }
            if (nr != now) changes.append({FieldInt(r.value(0)), nr});
        }
    }
    int changed = 0;
    for (const auto &[lfd, nr] : changes) {
        QSqlQuery q(db);
        if (!runText(q,
                     QStringLiteral(
                         "UPDATE tblUebernahme\nSET UNintPrueflingNr = :device\nWHERE UNintLfdNr = :lfd"),
                     {{QStringLiteral(":device"), nr}, {QStringLiteral(":lfd"), lfd}}, error))
            return -1;
        // A row gone meanwhile (transferred or deleted elsewhere) is no failure.
        if (q.numRowsAffected() == 1) ++changed;
    }
    return changed;
}

// ---- the transfer ------------------------------------------------------------------

bool StagingTransferCandidates(QSqlDatabase db, QList<int> *assigned, int *unassigned, QString *error)
{
    assigned->clear();
    *unassigned = 0;
    QSqlQuery q(db);
    if (!runText(q,
                 QStringLiteral("SELECT UNintLfdNr, UNintPrueflingNr FROM tblUebernahme ORDER BY UNintLfdNr"),
                 {}, error))
        return false;
    while (q.next()) {
        if (FieldInt(q.value(1)) == 0)
            ++*unassigned;
        else
            assigned->append(FieldInt(q.value(0)));
    }
    return true;
}

TTransferZeile TransferStagingRow(QSqlDatabase db, int lfdNr)
{
    if (!db.transaction()) return failed(db, db.lastError(), QStringLiteral("BEGIN"));
    // The key lock lasts until commit or rollback: no other writer can take
    // this number, and another transfer waits here until this row is settled.
    QString keyError;
    const int nr = TakeNextKey(db, kTests, kTestKey, &keyError);
    if (nr <= 0)
        return failed(db, QSqlError(QString(), keyError, QSqlError::StatementError),
                      QStringLiteral("SELECT MAX(PRintPruefungsNr)\nFROM tblPruefung"));

    // Read again under the lock: another workstation may have moved, deleted
    // or changed the row since the list was read.
    const TBoundValues lfd{{QStringLiteral(":lfd"), lfdNr}};
    QSqlError e;
    QString statement;
    QSqlQuery q(db);
    if (!run(q, QStringLiteral("SELECT UNintPrueflingNr FROM tblUebernahme WHERE UNintLfdNr = :lfd"), lfd, &e,
             &statement))
        return failed(db, e, statement);
    if (!q.next()) return ended(db, TTransferSchritt::Vergeben);
    const int device = FieldInt(q.value(0));
    q.finish();
    if (device == 0) return ended(db, TTransferSchritt::NichtZugeordnet);

    // On the server the device row is held until commit, so a deletion from
    // another workstation waits for this test or, done first, is seen here.
    // SQLite has one writer at a time anyway.
    const QString hold = db.driverName() == QLatin1String("QPSQL") ? QStringLiteral(" FOR SHARE") : QString();
    if (!run(q,
             QStringLiteral("SELECT PLintPrueflingNr FROM tblPruefling WHERE PLintPrueflingNr = :device") +
                 hold,
             {{QStringLiteral(":device"), device}}, &e, &statement))
        return failed(db, e, statement);
    if (!q.next()) {
        q.finish();
        // A test of a device no view shows would be lost to the user; the
        // row goes back to "not assigned" and waits for a device.
        if (!run(q, QStringLiteral("UPDATE tblUebernahme SET UNintPrueflingNr = 0 WHERE UNintLfdNr = :lfd"),
                 lfd, &e, &statement))
            return failed(db, e, statement);
        if (!db.commit()) return failed(db, db.lastError(), QStringLiteral("COMMIT"));
        TTransferZeile z;
        z.Schritt = TTransferSchritt::GeraetFehlt;
        return z;
    }
    q.finish();

    const TBoundValues insertValues{{QStringLiteral(":nr"), nr}, {QStringLiteral(":lfd"), lfdNr}};
    if (!run(q, testInsertSql(), insertValues, &e, &statement)) return failed(db, e, statement);
    if (q.numRowsAffected() != 1) return ended(db, TTransferSchritt::Vergeben);
    if (!run(q, QStringLiteral("DELETE FROM tblUebernahme WHERE UNintLfdNr = :lfd"), lfd, &e, &statement))
        return failed(db, e, statement);
    // Exactly this one row, or it went elsewhere meanwhile: then this test must not exist.
    if (q.numRowsAffected() != 1) return ended(db, TTransferSchritt::Vergeben);
    if (!db.commit()) return failed(db, db.lastError(), QStringLiteral("COMMIT"));
    TTransferZeile z;
    z.Schritt = TTransferSchritt::Uebertragen;
    z.PruefungsNr = nr;
    return z;
}
