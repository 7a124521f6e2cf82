// The retrieval as the user meets it: "Daten abrufen..." in the connected main
// window, and the window-less --fetch and --transfer of the program itself,
// also when it is killed in the middle of a fetch.

#include "../e2e/E2eSupport.h"
#include "../store/StoreTestDb.h"

#include "app/AppWindows.h"
#include "app/DatenabrufDlg.h"
#include "serial/PortNames.h"

#include <QApplication>
#include <QProcess>
#include <QPushButton>
#include <QSqlQuery>
#include <QTimer>

#include <csignal>

using namespace gt_e2e;

namespace {

// A database file with the program's schema.
bool initDatabase(const QString &file)
{
    const TInitdbRun r = RunInitdb({file});
    return r.rc == 0;
}

// Count of rows in a table of an SQLite file, opened afresh.
int countRows(const QString &file, const QString &table, const QString &where = QString())
{
    int n = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("gt_count"));
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("SELECT COUNT(*) FROM ") + table +
                       (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where)) &&
                q.next())
                n = q.value(0).toInt();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("gt_count"));
    return n;
}

bool execSql(const QString &file, const QString &sql)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("gt_exec"));
        db.setDatabaseName(file);
        if (db.open()) ok = QSqlQuery(db).exec(sql);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("gt_exec"));
    return ok;
}

// The program copied into a folder with its INI and database.
struct ProgramFolder {
    QTemporaryDir dir;
    QString exe = dir.filePath(QStringLiteral("geraetetester"));
    QString database = dir.filePath(QStringLiteral("VERIDA.db"));

    bool prepare(const QString &device)
    {
        if (!QFile::copy(gt_test::buildDir() + QStringLiteral("/src/app/geraetetester"), exe)) return false;
        QFile::setPermissions(exe, QFile::permissions(exe) | QFileDevice::ExeOwner);
        writeFile(dir.filePath(QStringLiteral("geraetetester.ini")),
                  "[Interface]\nPort=1\n[Configuration]\nOperator=Max O'Brien\nAssessor=Chefin\n[Timing]\n"
                  "MessageAnswerRAM=200\nMessageAnswerReadEEPROM=300\nMessageAnswerWriteEEPROM=400\n"
                  "MessageTimeOut=150\n[Ports]\nCOM1=" +
                      device.toUtf8() + "\n");
        return initDatabase(database);
    }
    void start(QProcess &p, const QString &command)
    {
        p.setWorkingDirectory(dir.path());
        p.start(exe, {command});
    }
    // Runs a command to its end: exit code and standard error.
    int run(const QString &command, QString *err)
    {
        QProcess p;
        start(p, command);
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
            return -1;
        }
        *err = QString::fromLocal8Bit(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    }
};

} // namespace

TEST(RetrievalProgram, DatenAbrufenInTheMainWindowFetchesWithAutosendOff)
{
    gt_test::SimProcess sim;
    ASSERT_TRUE(sim.start({QStringLiteral("--records"), QStringLiteral("3"), QStringLiteral("--serial"),
                           QStringLiteral("0699999999")}));
    ConnectedFixture f;
    f.configure(sim.path(), "[Configuration]\nOperator=Ina\n");
    // The real schema instead of the fixture's bare tables.
    QFile::remove(f.path(QStringLiteral("VERIDA.db")));
    ASSERT_TRUE(initDatabase(f.path(QStringLiteral("VERIDA.db"))));
    TForm1 *w = f.make();
    TAppWindows::CreateAll(w);
    w->ConnectDatabase();
    w->Actions().G_Verbinden->trigger();
    ASSERT_TRUE(sim.waitForAutosend(0x79c));

    bool quiet = false;
    int rows = -1;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        auto *d = qobject_cast<TDatenabrufDlg *>(QApplication::activeModalWidget());
        if (!d) return;
        poll.stop();
        quiet = sim.waitForAutosend(0);
        EXPECT_TRUE(d->BtnDatenHolen->isEnabled());
        d->BtnDatenHolen->click();
        rows = d->Model()->rowCount();
        d->BtnOK->click();
    });
    poll.start();
    w->Actions().G_Abrufen->trigger();
    EXPECT_TRUE(quiet);
    EXPECT_EQ(rows, 3);
    EXPECT_TRUE(sim.waitForAutosend(0x79c)) << "autosend again after the dialog";
    EXPECT_EQ(sim.stateInt(QStringLiteral("records")), 0);
    EXPECT_EQ(countRows(f.path(QStringLiteral("VERIDA.db")), QStringLiteral("tblUebernahme"),
                        QStringLiteral("UNstrGTSeriennummer = '0699999999' AND UNstrPruefer = 'Ina'")),
              3);
}

TEST(RetrievalProgram, FetchAndTransferFromTheCommandLine)
{
    gt_test::SimProcess sim;
    ASSERT_TRUE(sim.start({QStringLiteral("--no-pacing"), QStringLiteral("--records"), QStringLiteral("5")}));
    QString barcode;
    for (const QString &w : sim.command(QStringLiteral("record 1")).split(QLatin1Char(' ')))
        if (w.startsWith(QLatin1String("barcode="))) barcode = w.mid(8);
    ASSERT_FALSE(barcode.isEmpty());
    ProgramFolder p;
    ASSERT_TRUE(p.prepare(sim.path()));

    QString err;
    EXPECT_EQ(p.run(QStringLiteral("--fetch"), &err), 0) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("Satz 1 von 5 gelesen"))) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("5 Sätze abgerufen"))) << err.toStdString();
    EXPECT_EQ(sim.stateInt(QStringLiteral("records")), 0);
    EXPECT_EQ(countRows(p.database, QStringLiteral("tblUebernahme"),
                        QStringLiteral("UNstrPruefer = 'Max O''Brien'")),
              5);

    // A second fetch would mix two read-outs in one list.
    EXPECT_EQ(p.run(QStringLiteral("--fetch"), &err), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("Übernahmeliste"))) << err.toStdString();

    ASSERT_TRUE(execSql(p.database,
                        QStringLiteral("INSERT INTO tblKunden (KDintKundenNr, KDstrName1) VALUES (1, 'K')")));
    ASSERT_TRUE(
        execSql(p.database, QStringLiteral("INSERT INTO tblPruefling (PLintPrueflingNr, PLintKundenNr, "
                                           "PLstrBarcode) VALUES (1, 1, '%1')")
                                .arg(barcode)));
    EXPECT_EQ(p.run(QStringLiteral("--transfer"), &err), 0) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("1 Sätze übertragen, 4 nicht zugeordnet"))) << err.toStdString();
    EXPECT_EQ(countRows(p.database, QStringLiteral("tblPruefung"), QStringLiteral("PRintPrueflingNr = 1")),
              1);
    EXPECT_EQ(countRows(p.database, QStringLiteral("tblUebernahme")), 4);
}

TEST(RetrievalProgram, FetchWithoutTesterFailsWithAReason)
{
    gt_test::PtyPair pty; // a line nobody answers on
    ASSERT_TRUE(pty.ok());
    ProgramFolder p;
    ASSERT_TRUE(p.prepare(pty.slavePath()));
    QString err;
    EXPECT_EQ(p.run(QStringLiteral("--fetch"), &err), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("Der Gerätetester antwortet nicht."))) << err.toStdString();
}

TEST(RetrievalProgram, KilledDuringAFetchLeavesTheListEmptyAndTheTesterFull)
{
    gt_test::SimProcess sim; // at line speed, so the fetch takes a while
    ASSERT_TRUE(sim.start({QStringLiteral("--records"), QStringLiteral("30")}));
    ProgramFolder p;
    ASSERT_TRUE(p.prepare(sim.path()));
    QProcess fetch;
    p.start(fetch, QStringLiteral("--fetch"));
    QByteArray err;
    ASSERT_TRUE(waitUntil(
        [&] {
            err += fetch.readAllStandardError();
            return err.contains("Satz 5 von 30");
        },
        20000))
        << err.toStdString();
    ::kill(pid_t(fetch.processId()), SIGKILL);
    fetch.waitForFinished(5000);
    EXPECT_EQ(fetch.exitStatus(), QProcess::CrashExit);

    EXPECT_EQ(countRows(p.database, QStringLiteral("tblUebernahme")), 0);
    EXPECT_EQ(sim.stateInt(QStringLiteral("records")), 30);
    // After a restart everything arrives.
    QString again;
    EXPECT_EQ(p.run(QStringLiteral("--fetch"), &again), 0) << again.toStdString();
    EXPECT_EQ(countRows(p.database, QStringLiteral("tblUebernahme")), 30);
    EXPECT_EQ(sim.stateInt(QStringLiteral("records")), 0);
}
