// The retrieval as the user meets it: "Daten abrufen..." in the connected main
// window, and the window-less --fetch and --transfer of the program itself,
// also when it is killed in the middle of a fetch.

#include "../../e2e/E2eSupport.h"
#include "../../e2e/RecordDecoding.h"
#include "../../store/StoreTestDb.h"

#include "app/panel/TestControl.h"
#include "app/retrieval/DatenabrufDlg.h"
#include "app/shell/FrontPanelInstall.h"
#include "serial/PortNames.h"
#include "store/Database.h"
#include "store/FetchStore.h"
#include "support/RequireTool.h"

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
    w->Windows();
    w->ConnectDatabase();
    w->Actions().G_Verbinden->trigger();
    ASSERT_TRUE(sim.waitForAutosend(0x79c));

    bool quiet = false;
    int rows = -1;
    int waited = 0;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        auto *d = qobject_cast<TDatenabrufDlg *>(QApplication::activeModalWidget());
        // The window asks the tester for its count first; the button waits for the answer.
        if (!d || (!d->BtnDatenHolen->isEnabled() && ++waited < 250)) return;
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

// ---- a fetch that loses nothing -------------------------------------------------

namespace {

// The simulator's stored records as the test decodes them.
QList<chain_test::Row> simRecords(gt_test::SimProcess &sim, int n)
{
    QList<chain_test::Row> rows;
    for (int i = 0; i < n; ++i)
        for (const QString &w : sim.command(QStringLiteral("record %1").arg(i)).split(QLatin1Char(' ')))
            if (w.startsWith(QLatin1String("hex=")))
                rows << chain_test::expectedRow(QByteArray::fromHex(w.mid(4).toLatin1()));
    return rows;
}

bool sameRecord(const QSqlRecord &r, const chain_test::Row &e)
{
    for (const auto &[col, v] : e) {
        const bool same = v.typeId() == QMetaType::QString ? FieldString(r.value(col)) == v.toString()
                                                           : FieldInt(r.value(col)) == v.toInt();
        if (!same) return false;
    }
    return true;
}

// Every record is in the staging table exactly once without a mark; any
// further copy of it carries the mark; nothing else is there.
void expectEachRecordOnceOrMarked(const QString &file, const QList<chain_test::Row> &records)
{
    QList<QSqlRecord> rows;
    QSet<int> marked;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("gt_rows"));
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("SELECT * FROM tblUebernahme ORDER BY UNintLfdNr")));
        while (q.next())
            rows << q.record();
        marked = DoppeltMarkierteZeilen(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("gt_rows"));
    QList<int> plain(records.size(), 0);
    for (const QSqlRecord &r : rows) {
        const auto it = std::find_if(records.begin(), records.end(),
                                     [&](const chain_test::Row &e) { return sameRecord(r, e); });
        ASSERT_NE(it, records.end()) << "a row that is no record of the tester";
        if (!marked.contains(FieldInt(r.value(QStringLiteral("UNintLfdNr"))))) ++plain[it - records.begin()];
    }
    EXPECT_EQ(plain, QList<int>(records.size(), 1));
}

} // namespace

// The simulator answers k frames and then nothing more: once the program has
// sent frame k + 1 it has done all it does with the k-th answer, and is killed
// right there. Frame k + 1 is lost on its way, or carried out with its answer
// lost (the tester cleared, the program killed before it knew). Restarted,
// the program fetches what the tester still holds.
TEST(RetrievalProgram, KilledAfterAnyFrameOfAFetchNoRecordIsLostOrSilentlyDoubled)
{
    int total = 0;
    {
        gt_test::SimProcess sim;
        ASSERT_TRUE(
            sim.start({QStringLiteral("--no-pacing"), QStringLiteral("--records"), QStringLiteral("3")}));
        ProgramFolder p;
        ASSERT_TRUE(p.prepare(sim.path()));
        QString err;
        ASSERT_EQ(p.run(QStringLiteral("--fetch"), &err), 0) << err.toStdString();
        total = sim.stateInt(QStringLiteral("frames_in"));
    }
    // Connect, $33, "T", five pieces and "S" for each record, "C".
    ASSERT_GE(total, 21);
    int doubled = 0;
    for (const bool acting : {false, true}) {
        for (int k = 1; k <= total; ++k) {
            SCOPED_TRACE(QStringLiteral("frame %1%2").arg(k).arg(acting ? " acting" : "").toStdString());
            QStringList options{QStringLiteral("--no-pacing"), QStringLiteral("--records"),
                                QStringLiteral("3"), QStringLiteral("--freeze-after"), QString::number(k)};
            if (acting) options << QStringLiteral("--freeze-acting");
            gt_test::SimProcess sim;
            ASSERT_TRUE(sim.start(options));
            const QList<chain_test::Row> records = simRecords(sim, 3);
            ProgramFolder p;
            ASSERT_TRUE(p.prepare(sim.path()));
            QProcess fetch;
            p.start(fetch, QStringLiteral("--fetch"));
            ASSERT_TRUE(waitUntil(
                [&] {
                    return fetch.state() == QProcess::NotRunning ||
                           sim.stateInt(QStringLiteral("frames_in")) > k;
                },
                20000));
            if (fetch.state() != QProcess::NotRunning) ::kill(pid_t(fetch.processId()), SIGKILL);
            fetch.waitForFinished(5000);

            ASSERT_EQ(sim.command(QStringLiteral("thaw")), QStringLiteral("ok"));
            if (sim.stateInt(QStringLiteral("records")) > 0) {
                QString err;
                EXPECT_EQ(p.run(QStringLiteral("--fetch"), &err), 0) << err.toStdString();
                EXPECT_EQ(sim.stateInt(QStringLiteral("records")), 0);
            }
            expectEachRecordOnceOrMarked(p.database, records);
            if (countRows(p.database, QStringLiteral("tblUebernahme")) > 3) ++doubled;
        }
    }
    // Killed between the commit and a "C" that never arrived: the records
    // came twice, once marked.
    EXPECT_GT(doubled, 0);
}

TEST(RetrievalProgram, UnansweredCountFailsWithTheReason)
{
    // The tester answers who it is, then loses every $33, however often asked.
    QStringList options{QStringLiteral("--no-pacing"), QStringLiteral("--records"), QStringLiteral("5")};
    for (int k = 1; k <= 20; ++k)
        options << QStringLiteral("--drop") << QStringLiteral("33:%1").arg(k);
    gt_test::SimProcess sim;
    ASSERT_TRUE(sim.start(options));
    ProgramFolder p;
    ASSERT_TRUE(p.prepare(sim.path()));
    QString err;
    EXPECT_EQ(p.run(QStringLiteral("--fetch"), &err), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("Der Gerätetester antwortet nicht."))) << err.toStdString();
    EXPECT_FALSE(err.contains(QStringLiteral("0 Sätze abgerufen"))) << err.toStdString();
    EXPECT_EQ(sim.stateInt(QStringLiteral("records")), 5);
}

TEST(RetrievalProgram, UnansweredClearKeepsTheRowsAndSaysTheTesterMayHoldThem)
{
    gt_test::SimProcess sim;
    QStringList options{QStringLiteral("--no-pacing"), QStringLiteral("--records"), QStringLiteral("3")};
    // Every "C" and every $33 that checks it afterwards is lost.
    for (int k = 5; k <= 7; ++k)
        options << QStringLiteral("--drop") << QStringLiteral("70:%1").arg(k);
    for (int k = 2; k <= 10; ++k)
        options << QStringLiteral("--drop") << QStringLiteral("33:%1").arg(k);
    ASSERT_TRUE(sim.start(options));
    ProgramFolder p;
    ASSERT_TRUE(p.prepare(sim.path()));
    QString err;
    EXPECT_EQ(p.run(QStringLiteral("--fetch"), &err), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("3 Sätze abgerufen"))) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("Er enthält die Sätze möglicherweise noch")))
        << err.toStdString();
    EXPECT_EQ(countRows(p.database, QStringLiteral("tblUebernahme")), 3);
    EXPECT_EQ(sim.stateInt(QStringLiteral("records")), 3);

    // Fetched again, the three are marked, and the transfer leaves them.
    EXPECT_EQ(p.run(QStringLiteral("--fetch"), &err), 0) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("3 der abgerufenen Sätze sind möglicherweise schon gespeichert")))
        << err.toStdString();
    EXPECT_EQ(sim.stateInt(QStringLiteral("records")), 0);
    EXPECT_EQ(p.run(QStringLiteral("--transfer"), &err), 0) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("3 möglicherweise doppelt (nicht übertragen)")))
        << err.toStdString();
    EXPECT_EQ(countRows(p.database, QStringLiteral("tblUebernahme")), 6);
}

TEST(RetrievalProgram, RefusingDatabaseIsFoundBeforeTheReadOut)
{
    gt_test::SimProcess sim;
    ASSERT_TRUE(sim.start({QStringLiteral("--no-pacing"), QStringLiteral("--records"), QStringLiteral("3")}));
    ProgramFolder p;
    ASSERT_TRUE(p.prepare(sim.path()));
    // The root user writes whatever the file's mode says: a trigger refuses instead.
    ASSERT_TRUE(
        execSql(p.database, QStringLiteral("CREATE TRIGGER tNein BEFORE INSERT ON tblUebernahme BEGIN "
                                           "SELECT RAISE(ABORT, 'Testsperre'); END")));
    QString err;
    EXPECT_EQ(p.run(QStringLiteral("--fetch"), &err), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("Fehlertext:\n"))) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("Testsperre"))) << err.toStdString();
    EXPECT_EQ(sim.stateInt(QStringLiteral("records")), 3);
    EXPECT_EQ(sim.stateInt(QStringLiteral("read_active")), 0) << "no \"T\" was sent";

    // A server database switched to read-only, as an administrator would.
    if (!TTestDb::Available(TTestEngine::PostgreSQL))
        GT_SKIP_WITHOUT_TOOL("kein PostgreSQL-Server (GT_PG_HOST nicht gesetzt)");
    TTestDb server(TTestEngine::PostgreSQL);
    ASSERT_TRUE(server.ok()) << server.error().toStdString();
    QSqlQuery q(server.db());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT current_database()")) && q.next());
    server.exec(QStringLiteral("ALTER DATABASE \"%1\" SET default_transaction_read_only = on")
                    .arg(q.value(0).toString()));
    QFile ini(p.dir.filePath(QStringLiteral("geraetetester.ini")));
    ASSERT_TRUE(ini.open(QIODevice::Append));
    ini.write("[DataBase]\nConnectionString=" + server.connectionString().toUtf8() + "\n");
    ini.close();
    EXPECT_EQ(p.run(QStringLiteral("--fetch"), &err), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("schreibgeschützt"))) << err.toStdString();
    EXPECT_EQ(sim.stateInt(QStringLiteral("records")), 3);
    EXPECT_EQ(sim.stateInt(QStringLiteral("read_active")), 0);
}

// Two workstations, each with its tester, fetch at the same moment into one server.
TEST(RetrievalProgram, TwoFetchesAtOnceIntoOneServer)
{
    if (!TTestDb::Available(TTestEngine::PostgreSQL))
        GT_SKIP_WITHOUT_TOOL("kein PostgreSQL-Server (GT_PG_HOST nicht gesetzt)");
    TTestDb server(TTestEngine::PostgreSQL);
    ASSERT_TRUE(server.ok()) << server.error().toStdString();
    gt_test::SimProcess sims[2];
    ProgramFolder folders[2];
    QProcess runs[2];
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(sims[i].start({QStringLiteral("--no-pacing"), QStringLiteral("--records"),
                                   QStringLiteral("60"), QStringLiteral("--seed"), QString::number(i + 5),
                                   QStringLiteral("--serial"), QStringLiteral("061234567%1").arg(i)}));
        ASSERT_TRUE(folders[i].prepare(sims[i].path()));
        QFile ini(folders[i].dir.filePath(QStringLiteral("geraetetester.ini")));
        ASSERT_TRUE(ini.open(QIODevice::Append));
        ini.write("[DataBase]\nConnectionString=" + server.connectionString().toUtf8() + "\n");
    }
    for (int i = 0; i < 2; ++i)
        folders[i].start(runs[i], QStringLiteral("--fetch"));
    for (int i = 0; i < 2; ++i) {
        // The other one may have ended while this one was awaited.
        ASSERT_TRUE(runs[i].state() == QProcess::NotRunning || runs[i].waitForFinished(60000));
        ASSERT_EQ(runs[i].exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(runs[i].exitCode(), 0) << runs[i].readAllStandardError().toStdString();
        EXPECT_EQ(sims[i].stateInt(QStringLiteral("records")), 0);
    }
    EXPECT_EQ(server.count(QStringLiteral("tblUebernahme")), 120);
    EXPECT_EQ(
        server.count(QStringLiteral("tblUebernahme"), QStringLiteral("UNstrGTSeriennummer = '0612345671'")),
        60);
    EXPECT_TRUE(DoppeltMarkierteZeilen(server.db()).isEmpty());
}

// "Speicher CLR" empties the tester's memory: it asks first, with "Nein" as
// what Return answers, and only a yes reaches the tester.
TEST(RetrievalProgram, ClearingTheTestersMemoryAsksFirstAndOnlyAYesClears)
{
    gt_test::SimProcess sim;
    ASSERT_TRUE(sim.start({QStringLiteral("--records"), QStringLiteral("3")}));
    ConnectedFixture f;
    f.configure(sim.path());
    TForm1 *w = f.make();
    w->Actions().G_Verbinden->trigger();
    ASSERT_TRUE(sim.waitForAutosend(0x79c));
    TTestControl *control = FrontPanelParts(*w).Control;
    ASSERT_NE(control, nullptr);
    ASSERT_TRUE(waitUntil([&] { return control->Prf_SpeicherClr->isEnabled(); }));

    control->Prf_SpeicherClr->trigger();
    ASSERT_EQ(f.questions,
              QStringList{QStringLiteral(
                  "Sollen die im Gerätetester gespeicherten Prüfungsdaten wirklich gelöscht werden?")});
    EXPECT_FALSE(f.prompt.calls.last().defaultYes);
    EXPECT_EQ(f.prompt.calls.last().icon, QMessageBox::Warning);
    EXPECT_EQ(sim.stateInt(QStringLiteral("records")), 3);

    f.answerYes = true;
    control->Prf_SpeicherClr->trigger();
    EXPECT_EQ(f.questions.size(), 2);
    EXPECT_TRUE(sim.waitForState([](const QMap<QString, QString> &s) {
        return s.value(QStringLiteral("records")) == QLatin1String("0");
    }));
    EXPECT_TRUE(f.messages.isEmpty()) << f.messages.join(QLatin1Char('|')).toStdString();
}
