#include "StoreTestDb.h"

#include "core/FormatSettings.h"
#include "store/Database.h"
#include "support/RequireTool.h"
#include "support/TestSupport.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace {
int g_counter = 0;
}

TInitdbRun RunInitdb(const QStringList &args)
{
    TInitdbRun r;
    QProcess p;
    p.start(gt_test::buildDir() + QStringLiteral("/tools/gt-initdb"), args);
    if (!p.waitForFinished(60000)) {
        r.err = QStringLiteral("gt-initdb did not finish: ") + p.errorString();
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.rc = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

bool TTestDb::Available(TTestEngine engine)
{
    return engine == TTestEngine::SQLite || !qEnvironmentVariableIsEmpty("GT_PG_HOST");
}

TTestDb::TTestDb(TTestEngine engine) : m_engine(engine)
{
    InitFormatSettings();
    const int n = ++g_counter;
    m_conn = QStringLiteral("gt_test_%1").arg(n);
    if (engine == TTestEngine::SQLite) {
        m_dir = QDir::tempPath() +
                QStringLiteral("/gt-store-test-%1-%2").arg(QCoreApplication::applicationPid()).arg(n);
        QDir().mkpath(m_dir);
        m_cs = QStringLiteral("Provider=SQLite;Data Source=%1/VERIDA.db").arg(m_dir);
    } else {
        m_pgName = QStringLiteral("gt_test_%1_%2").arg(QCoreApplication::applicationPid()).arg(n);
        m_cs = QStringLiteral("Provider=PostgreSQL;Host=%1;Port=%2;Database=%3;User ID=%4")
                   .arg(qEnvironmentVariable("GT_PG_HOST"),
                        qEnvironmentVariable("GT_PG_PORT", QStringLiteral("5432")), m_pgName,
                        qEnvironmentVariable("GT_PG_USER", QStringLiteral("postgres")));
    }
    const TInitdbRun r = RunInitdb({QStringLiteral("--connection"), m_cs});
    if (r.rc != 0) {
        m_error = r.out + r.err;
        return;
    }
    m_ok = OpenConnection(ParseConnectionString(m_cs), m_conn, &m_error);
}

TTestDb::~TTestDb()
{
    if (QSqlDatabase::contains(m_conn)) {
        {
            QSqlDatabase d = QSqlDatabase::database(m_conn, false);
            d.close();
        }
        QSqlDatabase::removeDatabase(m_conn);
    }
    if (!m_dir.isEmpty()) QDir(m_dir).removeRecursively();
    if (!m_pgName.isEmpty()) {
        TConnectionInfo admin = ParseConnectionString(m_cs);
        admin.databaseName = QStringLiteral("postgres");
        const QString c = m_conn + QStringLiteral("_drop");
        if (OpenConnection(admin, c, nullptr)) {
            {
                QSqlDatabase d = QSqlDatabase::database(c, false);
                {
                    QSqlQuery q(d);
                    q.exec(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(m_pgName));
                }
                d.close();
            }
            QSqlDatabase::removeDatabase(c);
        }
    }
}

QSqlDatabase TTestDb::db() const
{
    return QSqlDatabase::database(m_conn, false);
}

int TTestDb::count(const QString &table, const QString &where) const
{
    QSqlQuery q(db());
    QString sql = QStringLiteral("SELECT COUNT(*) FROM ") + table;
    if (!where.isEmpty()) sql += QStringLiteral(" WHERE ") + where;
    if (!q.exec(sql) || !q.next()) {
        ADD_FAILURE() << sql.toStdString() << ": " << q.lastError().text().toStdString();
        return -1;
    }
    return q.value(0).toInt();
}

void TTestDb::exec(const QString &sql) const
{
    QSqlQuery q(db());
    if (!q.exec(sql)) ADD_FAILURE() << sql.toStdString() << ": " << q.lastError().text().toStdString();
}

void TTestDb::addCustomer(int nr, const QString &name1, const QString &ort) const
{
    exec(QStringList{QStringLiteral("INSERT INTO tblKunden (KDintKundenNr, KDstrName1, KDstrOrt)"),
                     QStringLiteral("VALUES (%1, %2, %3)").arg(nr).arg(SqlQuote(name1), SqlQuote(ort))}
             .join(QLatin1Char('\n')));
}

void TTestDb::addDevice(int nr, int customer, const QString &bezeichnung, const QString &barcode) const
{
    exec(QStringList{QStringLiteral("INSERT INTO tblPruefling"),
                     QStringLiteral("  (PLintPrueflingNr, PLintKundenNr, PLstrBezeichnung, PLstrBarcode)"),
                     QStringLiteral("VALUES (%1, %2, %3, %4)")
                         .arg(nr)
                         .arg(customer)
                         .arg(SqlQuote(bezeichnung), SqlQuote(barcode))}
             .join(QLatin1Char('\n')));
}

void TTestDb::addTest(int nr, int device, const QDateTime &when, const QString &notiz, int protokolltyp) const
{
    exec(QStringList{
        QStringLiteral("INSERT INTO tblPruefung"),
        QStringLiteral("  (PRintPruefungsNr, PRintPrueflingNr, PRdtmUebernahme, PRstrGTSeriennummer,"),
        QStringLiteral("  PRintSchutzleiterwid, PRintIsolationswid, PRintAbleitstrom, PRintSchutzklasse,"),
        QStringLiteral("  PRblnAutomatisch, PRintDINVDE, PRintIsolDiff, PRblnMitBeruehr, PRintSichtpruef,"),
        QStringLiteral("  PRblnPruefungsergebnis, PRstrNotiz, PRintProtokolltyp, PRintFunktPruefBest)"),
        QStringLiteral("VALUES"),
        QStringLiteral("  (%1, %2, %3, '0815',").arg(nr).arg(device).arg(SqlDateLiteral(when, 0)),
        QStringLiteral("  120, 250, -1, 1,"), QStringLiteral("  1, %1, 1, 0, 1,").arg(protokolltyp ? 2 : 0),
        QStringLiteral("  1, %1, %2, 1)").arg(SqlQuote(notiz)).arg(protokolltyp)}
             .join(QLatin1Char('\n')));
}

void TTestDb::addRow(int test, int zeile, int teil, int bestanden) const
{
    exec(QStringLiteral("INSERT INTO tblSichtpruefung (SIintPruefungsNr, SIintZeileNr, SIintPruefteil, "
                        "SIintBestanden) VALUES (%1, %2, %3, %4)")
             .arg(test)
             .arg(zeile)
             .arg(teil)
             .arg(bestanden));
}

std::string EngineName(const ::testing::TestParamInfo<TTestEngine> &info)
{
    return info.param == TTestEngine::SQLite ? "SQLite" : "PostgreSQL";
}

void StoreDb::SetUp()
{
    if (!TTestDb::Available(GetParam()))
        GT_SKIP_WITHOUT_TOOL("kein PostgreSQL-Server (GT_PG_HOST nicht gesetzt)");
    t = std::make_unique<TTestDb>(GetParam());
    ASSERT_TRUE(t->ok()) << t->error().toStdString();
}

void StoreDb::TearDown()
{
    t.reset();
}

QByteArray ReadFileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void FillTwoTests(const TTestDb &t)
{
    t.addCustomer(1, QStringLiteral("Müller & \"Söhne\""), QStringLiteral("Düsseldorf"));
    t.addCustomer(2, QStringLiteral("Ωmega 测试"), QStringLiteral("Zürich"));
    t.addDevice(10, 1, QStringLiteral("Bett; elektrisch"), QStringLiteral("1001"));
    t.addDevice(20, 2, QStringLiteral("Monitor"));
    t.addTest(100, 10, QDateTime(QDate(2026, 12, 7), QTime(23, 53, 6)), QStringLiteral("zwei\r\nZeilen"), 1);
    t.addTest(200, 20, QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5)), QStringLiteral("O'Neill"));
    t.addRow(100, 1, 10, 1);
    t.addRow(100, 2, 20, 0);
    t.addRow(100, 3, 30, -1);
}

TExportSwitches FewExportColumns()
{
    TExportSwitches sw;
    sw.Column.fill(false);
    for (TExportColumn c : {ecPruefungsNr, ecName1, ecKdOrt, ecBezeichnung, ecDatum, ecNotiz,
                            ecSchutzleiterwid, ecAbleitstrom, ecDINVDE})
        sw.set(c, true);
    return sw;
}
