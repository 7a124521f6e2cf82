// gt-bench-gendb FILE [CUSTOMERS DEVICES TESTS]
// Fills a database made by gt-initdb with made-up customers, devices and
// tests (deterministic), for the export benchmark.

#include "core/FormatSettings.h"
#include "store/Database.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>
#include <functional>
#include <random>

namespace {

const char *const kNames[] = {"Klinikum",         "Pflegeheim",   "Praxis",    "Elektro",     "Sanitätshaus",
                              "Seniorenresidenz", "Reha-Zentrum", "Ärztehaus", "Krankenhaus", "Tagespflege"};
const char *const kTowns[] = {"München", "Köln",   "Düsseldorf", "Würzburg", "Lübeck",
                              "Görlitz", "Bremen", "Fürth",      "Essen",    "Saarbrücken"};
const char *const kDevices[] = {
    "Pflegebett",  "Infusionspumpe", "Patientenmonitor", "Kaffeemaschine", "Verlängerungskabel",
    "Staubsauger", "Wasserkocher",   "Absauggerät",      "Personenlifter", "Bürostuhl \"elektrisch\""};
const char *const kNotes[] = {"",
                              "",
                              "",
                              "Gehäuse leicht beschädigt",
                              "Stecker getauscht; Zugentlastung neu",
                              "Netzleitung erneuert\r\nNachprüfung i.O.",
                              "O'Neill Service informiert"};

bool exec(QSqlQuery &q)
{
    if (q.exec()) return true;
    std::fprintf(stderr, "%s\n", q.lastError().text().toLocal8Bit().constData());
    return false;
}

using TPick = std::function<int(int)>;

bool fillCustomers(QSqlDatabase db, int customers, const TPick &pick)
{
    QSqlQuery k(db);
    k.prepare(QStringLiteral("INSERT INTO tblKunden VALUES (?,?,?,?,?,?,?,?,?,?)"));
    for (int i = 1; i <= customers; ++i) {
        k.addBindValue(i);
        k.addBindValue(QStringLiteral("%1 %2").arg(QString::fromUtf8(kNames[pick(10)])).arg(i));
        k.addBindValue(QStringLiteral("Abteilung %1").arg(pick(20)));
        k.addBindValue(QString());
        k.addBindValue(QStringLiteral("Hauptstraße %1").arg(1 + pick(200)));
        k.addBindValue(QStringLiteral("D"));
        k.addBindValue(QStringLiteral("%1").arg(10000 + pick(89999)));
        k.addBindValue(QString::fromUtf8(kTowns[pick(10)]));
        k.addBindValue(QStringLiteral("0%1").arg(100000 + pick(899999)));
        k.addBindValue(QString());
        if (!exec(k)) return false;
    }
    return true;
}

bool fillDevices(QSqlDatabase db, int devices, int customers, const TPick &pick)
{
    QSqlQuery p(db);
    p.prepare(QStringLiteral("INSERT INTO tblPruefling VALUES (?,?,?,?,?,?,?,?,?)"));
    for (int i = 1; i <= devices; ++i) {
        p.addBindValue(i);
        p.addBindValue(1 + (i - 1) % customers);
        p.addBindValue(QString::fromUtf8(kDevices[pick(10)]));
        p.addBindValue(QStringLiteral("Typ %1").arg(pick(50)));
        p.addBindValue(QStringLiteral("INV-%1").arg(i));
        p.addBindValue(QStringLiteral("Hersteller %1").arg(pick(30)));
        p.addBindValue(QStringLiteral("F%1").arg(pick(1000000)));
        p.addBindValue(QStringLiteral("S%1").arg(pick(1000000)));
        p.addBindValue(QStringLiteral("%1").arg(100000000 + i));
        if (!exec(p)) return false;
    }
    return true;
}

// One row of tblPruefung in the order of its columns.
bool fillTests(QSqlDatabase db, int tests, int devices, const TPick &pick)
{
    QSqlQuery t(db);
    QStringList marks;
    for (int c = 0; c < 43; ++c)
        marks << QStringLiteral("?");
    t.prepare(QStringLiteral("INSERT INTO tblPruefung VALUES (%1)").arg(marks.join(QLatin1Char(','))));
    const QDateTime start(QDate(2020, 1, 1), QTime(7, 0));
    for (int i = 1; i <= tests; ++i) {
        const int dinvde = pick(3);
        const QVariantList v = {
            i,
            1 + (i - 1) % devices,
            start.addSecs(qint64(i) * 600).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
            QStringLiteral("G%1").arg(1000 + pick(20)),
            pick(2) ? 0 : 1 << pick(7),
            0x11,
            1 + pick(3),
            0x40,
            pick(1200),
            pick(12000),
            pick(10) ? pick(2100) : -1,
            pick(1100),
            pick(1100),
            pick(600),
            pick(600),
            300,
            2000,
            350,
            350,
            50,
            1000,
            1 + pick(3),
            pick(2),
            dinvde,
            0,
            pick(2),
            pick(3),
            pick(2),
            0,
            0,
            0,
            pick(2),
            pick(3) - 1,
            pick(5) ? 1 : 0,
            QString::fromUtf8(kNotes[pick(7)]),
            QStringLiteral("Prüfer %1").arg(pick(5)),
            QStringLiteral("Bewerter %1").arg(pick(3)),
            dinvde == 2 ? pick(2) : 0,
            QStringLiteral("P-%1").arg(i),
            pick(2),
            1,
            1,
            50};
        for (const QVariant &x : v)
            t.addBindValue(x);
        if (!exec(t)) return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2 && args.size() != 5) {
        std::fprintf(stderr, "Aufruf: gt-bench-gendb DATEI [KUNDEN GERAETE PRUEFUNGEN]\n");
        return 2;
    }
    const int customers = args.size() == 5 ? args[2].toInt() : 2000;
    const int devices = args.size() == 5 ? args[3].toInt() : 20000;
    const int tests = args.size() == 5 ? args[4].toInt() : 200000;
    InitFormatSettings();
    QString error;
    const QString conn = QStringLiteral("gen");
    if (!OpenConnection(ParseConnectionString(QStringLiteral("Provider=SQLite;Data Source=") + args[1]), conn,
                        &error)) {
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
        return 1;
    }
    int rc = 0;
    {
        QSqlDatabase db = QSqlDatabase::database(conn);
        std::mt19937 rng(4711);
        auto pick = [&rng](int n) { return int(rng() % unsigned(n)); };
        db.transaction();
        rc = fillCustomers(db, customers, pick) && fillDevices(db, devices, customers, pick) &&
                     fillTests(db, tests, devices, pick)
                 ? 0
                 : 1;
        if (rc == 0)
            db.commit();
        else
            db.rollback();
    }
    QSqlDatabase::removeDatabase(conn);
    if (rc == 0) std::printf("%d Kunden, %d Prüflinge, %d Prüfungen erzeugt.\n", customers, devices, tests);
    return rc;
}
