// Time of a whole fetch of 100 stored records from the simulator paced at
// 9600 baud, into the staging table of an SQLite database, against the wire
// limit: per record five pieces and one acknowledgement, each a 12-byte
// request and a 12-byte answer at 10 bits per byte, 0.15 s in all. Also the
// same fetch split up: the bus exchanges alone, and the database work alone.

#include "bus/SyncBus.h"
#include "core/FormatSettings.h"
#include "core/ProgramPaths.h"
#include "serial/Cate32.h"
#include "serial/PortNames.h"
#include "store/Database.h"
#include "tester/Commands.h"
#include "tester/Datenabruf.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kRecords = 100;
constexpr double kWireLimitS = kRecords * 6 * 24 * 10 / 9600.0;

struct TRun {
    double total = 0;   // whole fetch
    double busOnly = 0; // the same exchanges without database work
};

bool startSim(QProcess &sim, QString &path)
{
    sim.start(QStringLiteral(GT_SIM_PATH),
              {QStringLiteral("--records"), QString::number(kRecords), QStringLiteral("--quit-on-eof")});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) return false;
    path = QString::fromLocal8Bit(sim.readLine()).trimmed();
    return !path.isEmpty();
}

void stopSim(QProcess &sim)
{
    sim.write("quit\n");
    if (!sim.waitForFinished(2000)) {
        sim.kill();
        sim.waitForFinished();
    }
}

// A line to a fresh simulator, set up as the main window sets up its port.
struct TLink {
    QProcess sim;
    QTemporaryDir dir;
    TCate cate;
    TSynchroBus bus;
    TTesterCommands cmds;
    bool ok = false;

    TLink()
    {
        QString path;
        if (!startSim(sim, path)) return;
        const QString ini = dir.filePath(QStringLiteral("ports.ini"));
        QFile f(ini);
        if (!f.open(QIODevice::WriteOnly)) return;
        f.write("[Ports]\nCOM1=" + path.toLocal8Bit() + "\n");
        f.close();
        SetProgramIniOverride(ini);
        cate.setReadBufferSize(64);
        cate.setWriteBufferSize(0);
        cate.setReadInterval(10);
        cate.setReadTotalTimeoutMultiplier(0);
        cate.setReadTotalTimeoutConstant(0);
        bus.setTickTime(1000);
        bus.setMode(smMaster);
        bus.setWriteLog({});
        bus.setCate(&cate);
        cmds.setBus(&bus);
        cate.setPort(Com1);
        ok = cate.IsOpen();
    }
    ~TLink()
    {
        cate.setPort(NoPort);
        SetProgramIniOverride(QString());
        stopSim(sim);
    }
};

double fetchOnce(const QString &dbFile)
{
    TLink link;
    if (!link.ok) return -1;
    const QString conn = QStringLiteral("bench_fetch");
    double seconds = -1;
    {
        if (!OpenConnection(ParseConnectionString(QStringLiteral("Provider=SQLite;Data Source=") + dbFile),
                            conn, nullptr))
            return -1;
        {
            TDatenabruf abruf(&link.cmds, conn);
            abruf.setSerialNumber(QStringLiteral("0612345678"));
            QElapsedTimer t;
            t.start();
            const TAbrufBericht b = abruf.Fetch();
            seconds = t.nsecsElapsed() / 1e9;
            if (b.Ergebnis != TAbrufErgebnis::Abgerufen || b.Gespeichert != kRecords) seconds = -1;
            ExecLines(abruf.Database(), {QStringLiteral("DELETE FROM tblUebernahme")});
        }
        QSqlDatabase::database(conn, false).close();
    }
    QSqlDatabase::removeDatabase(conn);
    return seconds;
}

// The fetch's exchanges without the database and without the fetch's own
// bookkeeping: what the bus engine, the port and the line cost alone.
double busOnce()
{
    TLink link;
    if (!link.ok) return -1;
    // As the fetch itself runs: answers taken as their bytes come.
    link.cate.setReadInterval(0);
    QElapsedTimer t;
    t.start();
    TSpeicherStand stand;
    if (!link.cmds.ReadSpeicherStand(stand) || !link.cmds.EepromFunktion(EepromLesenBeginnen)) return -1;
    for (int i = 0; i < stand.Anzahl; ++i) {
        TSpeicherSatz satz;
        if (!link.cmds.ReadSpeicherSatz(satz) || !link.cmds.EepromFunktion(EepromSatzGelesen)) return -1;
    }
    if (!link.cmds.EepromFunktion(EepromLesenBeenden)) return -1;
    return t.nsecsElapsed() / 1e9;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? -1 : v[v.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    InitFormatSettings();
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("VERIDA.db"));
    QProcess init;
    init.start(QStringLiteral(GT_INITDB_PATH), {db});
    if (!init.waitForFinished(60000) || init.exitCode() != 0) {
        std::fprintf(stderr, "gt-initdb failed\n");
        return 1;
    }
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    QList<double> total, bus;
    for (int i = 0; i < runs; ++i) {
        total << fetchOnce(db);
        bus << busOnce();
        std::printf("run %d: fetch %.2f s, exchanges alone %.2f s\n", i + 1, total.last(), bus.last());
        std::fflush(stdout);
    }
    const double t = median(total), b = median(bus);
    std::printf("fetch of %d records at 9600 baud: %.2f s (median of %d) = %.3f x the wire limit of %.1f s\n",
                kRecords, t, runs, t / kWireLimitS, kWireLimitS);
    std::printf("  bus exchanges alone: %.2f s = %.3f x; decoding and database: %.2f s\n", b, b / kWireLimitS,
                t - b);
    std::printf("  per exchange: %.1f ms against %.1f ms on the wire\n", b * 1000 / (kRecords * 6 + 3),
                24 * 10 / 9.6);
    return (t > 0 && b > 0) ? 0 : 1;
}
