#include "tester/Datenabruf.h"

#include "store/Database.h"
#include "store/FetchStore.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>

namespace {

QString valueLine(int v)
{
    return QStringLiteral("  ") + QString::number(v) + QLatin1Char(',');
}

QString textLine(const QString &text)
{
    return QStringLiteral("  ") + SqlQuote(text) + QLatin1Char(',');
}

// The thirteen measured values and limits, in the column order of both tables.
const char *const kWerte[] = {"Schutzleiterwid",      "Isolationswid",        "Ableitstrom",
                              "SchutzlStromL1N",      "SchutzlStromNL1",      "BeruehrungsstromL1N",
                              "BeruehrungsstromNL1",  "GrwSchutzleiterwid",   "GrwIsolationswid",
                              "GrwAbleitstrom",       "GrwSchutzleiterstrom", "GrwBeruehrungsstrom",
                              "GrwSchnellabschaltung"};

// The tests table's columns from the test number to the overall verdict.
QStringList testColumns()
{
    QStringList c{QStringLiteral("PRintPruefungsNr"),       QStringLiteral("PRintPrueflingNr"),
                  QStringLiteral("PRdtmUebernahme"),        QStringLiteral("PRstrGTSeriennummer"),
                  QStringLiteral("PRintGrenzwertflags"),    QStringLiteral("PRintMenueflags"),
                  QStringLiteral("PRintSchutzklasseFlags"), QStringLiteral("PRintMessablaufFlags")};
    for (const char *w : kWerte)
        c << QStringLiteral("PRint") + QLatin1String(w);
    c << QStringLiteral("PRintSchutzklasse") << QStringLiteral("PRblnAutomatisch")
      << QStringLiteral("PRintDINVDE") << QStringLiteral("PRblnExternDiffStr")
      << QStringLiteral("PRblnManuGrenz") << QStringLiteral("PRintIsolDiff")
      << QStringLiteral("PRblnMitBeruehr") << QStringLiteral("PRblnAbgebrochen")
      << QStringLiteral("PRblnSchnellabbruch") << QStringLiteral("PRblnManuellAbbruch")
      << QStringLiteral("PRblnGrenzwFehler") << QStringLiteral("PRintSichtpruef")
      << QStringLiteral("PRblnPruefungsergebnis") << QStringLiteral("PRstrNotiz")
      << QStringLiteral("PRstrPruefer") << QStringLiteral("PRstrBewertender")
      << QStringLiteral("PRintProtokolltyp") << QStringLiteral("PRstrProtokollNr")
      << QStringLiteral("PRintSichWied") << QStringLiteral("PRintFunktPruefBest")
      << QStringLiteral("PRintGesamtbew");
    return c;
}

} // namespace

const QString TDatenabruf::MsgUebertragungsfehler =
    QStringLiteral("Es ist ein Übertragungsfehler aufgetreten, die Daten wurden nicht übernommen. "
                   "Bitte wiederholen Sie den Vorgang.");

QString TDatenabruf::DatenbankfehlerText(const QString &Fehlertext, bool Uebertragen)
{
    return QStringLiteral("Es ist ein Fehler aufgetreten, die Daten wurden nicht ") +
           (Uebertragen ? QStringLiteral("übertragen.") : QStringLiteral("übernommen.")) +
           QStringLiteral("\r\rFehlertext:\r") + Fehlertext;
}

TDatenabruf::TDatenabruf(TTesterCommands *Commands, const QString &ConnectionName, QObject *parent)
    : QObject(parent), m_commands(Commands), m_connection(ConnectionName)
{
}

QSqlDatabase TDatenabruf::Database() const
{
    return QSqlDatabase::database(m_connection, false);
}

// ---- queries ------------------------------------------------------------------

int TDatenabruf::MaxRunningNumber(bool *ok) const
{
    return MaxLfdNr(Database(), ok);
}

int TDatenabruf::MaxTestNumber(bool *ok) const
{
    return ::MaxTestNumber(Database(), ok);
}

int TDatenabruf::DeviceNrForBarcode(const QString &Barcode, bool *ok) const
{
    if (ok) *ok = true;
    // An empty barcode names no device, however many devices have none.
    if (Barcode.isEmpty()) return 0;
    QSqlQuery q(Database());
    q.setForwardOnly(true);
    const QStringList lines{QStringLiteral("SELECT PLintPrueflingNr"), QStringLiteral("FROM tblPruefling"),
                            QStringLiteral("WHERE (PLstrBarcode = ") + SqlQuote(Barcode) + QLatin1Char(')')};
    if (!q.exec(lines.join(QLatin1Char('\n')))) {
        if (ok) *ok = false;
        return 0;
    }
    return q.next() ? FieldInt(q.value(0)) : 0;
}

int TDatenabruf::DeviceNrForRow(const QString &Barcode, int CurrentNr) const
{
    if (!Barcode.isEmpty() || CurrentNr == 0) return DeviceNrForBarcode(Barcode);
    QSqlQuery q(Database());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT PLstrBarcode FROM tblPruefling WHERE PLintPrueflingNr = ") +
                QString::number(CurrentNr)) ||
        !q.next())
        return 0;
    return FieldString(q.value(0)).isEmpty() ? CurrentNr : 0;
}

int TDatenabruf::StagingCount() const
{
    QSqlQuery q(Database());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM tblUebernahme")) || !q.next()) return 0;
    return FieldInt(q.value(0));
}

int TDatenabruf::ReassignByBarcode()
{
    QSqlDatabase db = Database();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT UNintLfdNr, UNstrBarcode, UNintPrueflingNr FROM tblUebernahme "
                               "ORDER BY UNintLfdNr")))
        return 0;
    struct TZeile {
        int lfd;
        QString barcode;
        int nr;
    };
    // Read to the end first: a forward-only query on the server keeps the
    // connection busy until then.
    QList<TZeile> rows;
    while (q.next())
        rows.append({FieldInt(q.value(0)), FieldString(q.value(1)), FieldInt(q.value(2))});
    q.finish();
    QList<std::pair<int, int>> changes;
    for (const TZeile &z : rows) {
        if (z.barcode.isEmpty()) continue;
        const int nr = DeviceNrForBarcode(z.barcode);
        if (nr != z.nr) changes.append({z.lfd, nr});
    }
    int changed = 0;
    for (const auto &[lfd, nr] : changes) {
        int updated = 0;
        if (ExecLines(db,
                      {QStringLiteral("UPDATE tblUebernahme"),
                       QStringLiteral("SET UNintPrueflingNr = ") + QString::number(nr),
                       QStringLiteral("WHERE UNintLfdNr = ") + QString::number(lfd)},
                      nullptr, &updated) &&
            updated == 1)
            ++changed;
    }
    return changed;
}

bool TDatenabruf::PostRow(TStagingEdit &Row, QString *Error)
{
    Row.PrueflingNr = DeviceNrForRow(Row.Barcode, Row.PrueflingNr);
    const QString date = Row.Datum.isValid() ? SqlDateLiteral(Row.Datum) : QStringLiteral("NULL");
    int rows = 0;
    const bool ok = ExecLines(
        Database(),
        {QStringLiteral("UPDATE tblUebernahme"),
         QStringLiteral("SET UNstrBarcode = ") + SqlQuote(Row.Barcode) + QLatin1Char(','),
         QStringLiteral("  UNintPrueflingNr = ") + QString::number(Row.PrueflingNr) + QLatin1Char(','),
         QStringLiteral("  UNdtmUebernahme = ") + date + QLatin1Char(','),
         QStringLiteral("  UNstrPruefer = ") + SqlQuote(Row.Pruefer) + QLatin1Char(','),
         QStringLiteral("  UNstrBewertender = ") + SqlQuote(Row.Bewertender) + QLatin1Char(','),
         QStringLiteral("  UNstrNotiz = ") + SqlQuote(Row.Notiz),
         QStringLiteral("WHERE UNintLfdNr = ") + QString::number(Row.LfdNr)},
        Error, &rows);
    return ok && rows == 1;
}

bool TDatenabruf::DeleteRow(int LfdNr, QString *Error)
{
    return ExecLines(
        Database(),
        {QStringLiteral("DELETE FROM tblUebernahme WHERE UNintLfdNr = ") + QString::number(LfdNr)}, Error);
}

bool TDatenabruf::DeleteAll(QString *Error)
{
    return ExecLines(Database(), {QStringLiteral("DELETE FROM tblUebernahme")}, Error);
}

// ---- SQL text -------------------------------------------------------------------

QStringList TDatenabruf::TestInsertLines(int TestNr, const QSqlRecord &Row)
{
    const QStringList cols = testColumns();
    QStringList l{QStringLiteral("INSERT INTO tblPruefung")};
    for (qsizetype i = 0; i < cols.size(); ++i) {
        if (i == 0)
            l << QStringLiteral("  (") + cols[i] + QLatin1Char(',');
        else if (i == cols.size() - 1)
            l << QStringLiteral("  ") + cols[i] + QLatin1Char(')');
        else
            l << QStringLiteral("  ") + cols[i] + QLatin1Char(',');
    }
    auto un = [&Row](const QString &pr) { return Row.value(QStringLiteral("UN") + pr.mid(2)); };
    l << QStringLiteral("VALUES") << QStringLiteral("  (") + QString::number(TestNr) + QLatin1Char(',');
    const QDateTime when = FieldDateTime(Row.value(QStringLiteral("UNdtmUebernahme")));
    for (qsizetype i = 1; i < cols.size(); ++i) {
        const QString &c = cols[i];
        QString v;
        if (c == QLatin1String("PRdtmUebernahme"))
            v = QStringLiteral("  ") + (when.isValid() ? SqlDateLiteral(when) : QStringLiteral("NULL")) +
                QLatin1Char(',');
        else if (c == QLatin1String("PRintProtokolltyp") || c == QLatin1String("PRintFunktPruefBest"))
            v = QStringLiteral("  0,");
        else if (c == QLatin1String("PRstrProtokollNr"))
            v = QStringLiteral("  '',");
        else if (c == QLatin1String("PRintSichWied"))
            v = QStringLiteral("  -1,");
        else if (c == QLatin1String("PRintGesamtbew"))
            v = QStringLiteral("  0)");
        else if (c.startsWith(QLatin1String("PRstr")))
            v = textLine(FieldString(un(c)));
        else if (c.startsWith(QLatin1String("PRbln")))
            v = QStringLiteral("  ") + SqlBool(FieldBool(un(c))) + QLatin1Char(',');
        else
            v = valueLine(FieldInt(un(c)));
        l << v;
    }
    return l;
}

// ---- the transfer -----------------------------------------------------------------

TUebertragBericht TDatenabruf::Transfer()
{
    TUebertragBericht r;
    QSqlDatabase db = Database();
    bool ok = false;
    int counter = MaxTestNumber(&ok);
    if (!ok) counter = 0;

    QList<QSqlRecord> rows;
    {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT     *\nFROM         tblUebernahme\nORDER BY UNintLfdNr"))) {
            r.Meldungen << DatenbankfehlerText(q.lastError().text(), true);
            return r;
        }
        while (q.next())
            rows << q.record();
    }
    const QSet<int> doppelt = DoppeltMarkierteZeilen(db);
    for (const QSqlRecord &row : rows) {
        const int lfd = FieldInt(row.value(QStringLiteral("UNintLfdNr")));
        if (doppelt.contains(lfd)) {
            ++r.Doppelt;
            continue;
        }
        if (FieldInt(row.value(QStringLiteral("UNintPrueflingNr"))) == 0) {
            ++r.NichtZugeordnet;
            continue;
        }
        // Every row tried takes a number, so a failed row leaves a gap. Another
        // workstation may have written tests meanwhile: never fall below its numbers.
        ++counter;
        const int current = MaxTestNumber(&ok);
        if (ok && current >= counter) counter = current + 1;

        const QStringList lines = TestInsertLines(counter, row);
        QString error;
        int affected = 0;
        if (!db.transaction()) {
            error = db.lastError().text();
        } else if (ExecLines(db, lines, &error, &affected)) {
            if (affected == 1 &&
                ExecLines(
                    db,
                    {QStringLiteral("DELETE FROM tblUebernahme WHERE UNintLfdNr = ") + QString::number(lfd)},
                    &error) &&
                db.commit()) {
                ++r.Uebertragen;
                emit rowTransferred(lfd, counter);
                continue;
            }
            db.rollback();
            if (error.isEmpty() && affected == 1) error = db.lastError().text();
            if (error.isEmpty()) {
                // Nothing inserted, nothing refused: the row simply stays.
                ++r.Fehlgeschlagen;
                continue;
            }
        } else {
            db.rollback();
        }
        SaveFailedSql(lines.join(QLatin1Char('\n')));
        const QString msg = DatenbankfehlerText(error, true);
        r.Meldungen << msg;
        ++r.Fehlgeschlagen;
        emit transferFailed(lfd, msg);
    }
    return r;
}
