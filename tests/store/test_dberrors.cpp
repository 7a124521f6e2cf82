// The engines' own failure texts, provoked for real on SQLite and PostgreSQL,
// put into German words by kind.

#include "StoreTestDb.h"
#include "store/Database.h"
#include "store/DbErrors.h"
#include "support/SmallDisk.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include <sys/mount.h>

using gt_test::TSmallDisk;

namespace {

int g_conn = 0;

// A connection of its own to the database of the connection string.
class TSecondConnection {
public:
    explicit TSecondConnection(const QString &connectionString, const QString &options = QString())
        : m_name(QStringLiteral("dberr_%1").arg(++g_conn))
    {
        TConnectionInfo info = ParseConnectionString(connectionString);
        QString error;
        m_ok = OpenConnection(info, m_name, &error);
        if (m_ok && !options.isEmpty()) {
            QSqlDatabase d = db();
            d.close();
            d.setConnectOptions(options);
            m_ok = d.open();
        }
    }
    ~TSecondConnection()
    {
        {
            QSqlDatabase d = QSqlDatabase::database(m_name, false);
            if (d.isValid()) d.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    TSecondConnection(const TSecondConnection &) = delete;
    TSecondConnection &operator=(const TSecondConnection &) = delete;
    bool ok() const { return m_ok; }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

private:
    QString m_name;
    bool m_ok = false;
};

// The error of a statement that must fail.
QSqlError failing(QSqlDatabase db, const QString &sql)
{
    QSqlQuery q(db);
    const bool ok = q.exec(sql);
    EXPECT_FALSE(ok) << sql.toStdString();
    return q.lastError();
}

void expectKind(const QSqlError &e, TDbFehlerArt kind, const char *german)
{
    SCOPED_TRACE(e.text().toStdString());
    EXPECT_EQ(int(DbFehlerArt(e)), int(kind));
    const QString text = DbFehlertext(e);
    EXPECT_TRUE(text.startsWith(QString::fromUtf8(german))) << text.toStdString();
    // The engine's own words follow for whoever looks deeper.
    EXPECT_TRUE(text.contains(e.text().trimmed())) << text.toStdString();
    // Asked again, nothing is explained twice.
    EXPECT_EQ(DbFehlertext(text), text);
}

class DbErrors : public StoreDb {};

TEST_P(DbErrors, MissingColumnAndTable)
{
    expectKind(failing(t->db(), QStringLiteral("SELECT PRintGibtEsNicht FROM tblPruefung")),
               TDbFehlerArt::Schema, "Der Datenbank fehlt eine Tabelle oder Spalte");
    expectKind(failing(t->db(), QStringLiteral("SELECT 1 FROM tblGibtEsNicht")), TDbFehlerArt::Schema,
               "Der Datenbank fehlt eine Tabelle oder Spalte");
}

TEST_P(DbErrors, DoubleKey)
{
    t->addCustomer(1, QStringLiteral("A"));
    expectKind(failing(t->db(), QStringLiteral("INSERT INTO tblKunden (KDintKundenNr) VALUES (1)")),
               TDbFehlerArt::Doppelt, "Ein Datensatz mit diesem Schlüssel");
}

// Another connection holds the write lock longer than this one waits.
TEST_P(DbErrors, Locked)
{
    const bool sqlite = GetParam() == TTestEngine::SQLite;
    TSecondConnection holder(t->connectionString());
    TSecondConnection waiter(t->connectionString(),
                             sqlite ? QStringLiteral("QSQLITE_BUSY_TIMEOUT=50") : QString());
    ASSERT_TRUE(holder.ok() && waiter.ok());
    QSqlQuery h(holder.db());
    ASSERT_TRUE(holder.db().transaction());
    if (sqlite) {
        ASSERT_TRUE(h.exec(QStringLiteral("INSERT INTO tblKunden (KDintKundenNr) VALUES (7)")));
    } else {
        ASSERT_TRUE(h.exec(QStringLiteral("LOCK TABLE tblKunden IN ACCESS EXCLUSIVE MODE")));
        QSqlQuery w(waiter.db());
        ASSERT_TRUE(w.exec(QStringLiteral("SET lock_timeout = '50ms'")));
    }
    expectKind(failing(waiter.db(), QStringLiteral("INSERT INTO tblKunden (KDintKundenNr) VALUES (8)")),
               TDbFehlerArt::Gesperrt, "Die Datenbank ist gerade von einem anderen Programm");
    holder.db().rollback();
}

INSTANTIATE_TEST_SUITE_P(Engines, DbErrors, ::testing::Values(TTestEngine::SQLite, TTestEngine::PostgreSQL),
                         EngineName);

TEST(DbErrorsSqlite, CorruptFile)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("VERIDA.db"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(8192, 'k'));
    f.close();
    QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("dberr_corrupt"));
    d.setDatabaseName(file);
    ASSERT_TRUE(d.open());
    expectKind(failing(d, QStringLiteral("SELECT * FROM tblKunden")), TDbFehlerArt::Beschaedigt,
               "Die Datenbank ist beschädigt");
    d.close();
    d = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("dberr_corrupt"));

    // Opened the program's way, it is called damaged, not an older schema
    // that gt-initdb would complete.
    QString why;
    EXPECT_FALSE(ConnectDatabase(QStringLiteral("Provider=SQLite;Data Source=") + file, &why));
    EXPECT_TRUE(why.startsWith(QStringLiteral("Die Datenbank ist beschädigt"))) << why.toStdString();
    EXPECT_FALSE(why.contains(QStringLiteral("fehlt die Tabelle"))) << why.toStdString();
    EXPECT_FALSE(ProgramDatabase().isOpen());
}

// A database on a drive that became read-only, and one on a full drive.
TEST(DbErrorsSqlite, ReadOnlyAndFullDrive)
{
    TSmallDisk disk(256);
    GT_REQUIRE_SMALL_DISK(disk);
    TTestDb source(TTestEngine::SQLite);
    ASSERT_TRUE(source.ok()) << source.error().toStdString();
    const QString file = disk.path(QStringLiteral("VERIDA.db"));
    {
        QSqlQuery q(source.db());
        ASSERT_TRUE(q.exec(QStringLiteral("VACUUM INTO '%1'").arg(file)))
            << q.lastError().text().toStdString();
    }
    const QString cs = QStringLiteral("Provider=SQLite;Data Source=%1").arg(file);
    {
        TSecondConnection c(cs);
        ASSERT_TRUE(c.ok());
        expectKind(
            failing(c.db(), QStringLiteral("INSERT INTO tblKunden (KDintKundenNr, KDstrName1) "
                                           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
                                           "FROM n WHERE i < 100000) SELECT i, printf('%.60c', 'x') FROM n")),
            TDbFehlerArt::Voll, "Der Datenträger der Datenbank ist voll");
    }
    ASSERT_EQ(::mount(nullptr, QFile::encodeName(disk.path(QString())).constData(), nullptr,
                      MS_REMOUNT | MS_RDONLY, nullptr),
              0);
    QString error;
    const bool opened = OpenConnection(ParseConnectionString(cs), QStringLiteral("dberr_ro"), &error);
    if (opened) {
        expectKind(failing(QSqlDatabase::database(QStringLiteral("dberr_ro"), false),
                           QStringLiteral("INSERT INTO tblKunden (KDintKundenNr) VALUES (5)")),
                   TDbFehlerArt::Schreibgeschuetzt, "Die Datenbank oder ihr Ordner ist schreibgeschützt");
    } else {
        EXPECT_TRUE(DbFehlertext(error).startsWith(
            QStringLiteral("Die Datenbank oder ihr Ordner ist schreibgeschützt")))
            << error.toStdString();
    }
    QSqlDatabase::database(QStringLiteral("dberr_ro"), false).close();
    QSqlDatabase::removeDatabase(QStringLiteral("dberr_ro"));
}

class DbErrorsServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!TTestDb::Available(TTestEngine::PostgreSQL))
            GT_SKIP_WITHOUT_TOOL("kein PostgreSQL-Server (GT_PG_HOST nicht gesetzt)");
        t = std::make_unique<TTestDb>(TTestEngine::PostgreSQL);
        ASSERT_TRUE(t->ok()) << t->error().toStdString();
    }
    std::unique_ptr<TTestDb> t;
};

// The server ends this session (an administrator, a restart, a crash).
TEST_F(DbErrorsServer, KilledBackend)
{
    TSecondConnection victim(t->connectionString());
    ASSERT_TRUE(victim.ok());
    QSqlQuery pid(victim.db());
    ASSERT_TRUE(pid.exec(QStringLiteral("SELECT pg_backend_pid()")) && pid.next());
    QSqlQuery kill(t->db());
    ASSERT_TRUE(kill.exec(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(pid.value(0).toInt())));
    const QSqlError e = failing(victim.db(), QStringLiteral("SELECT 1"));
    expectKind(e, TDbFehlerArt::Verbindung, "Die Verbindung zum Datenbankserver ist unterbrochen");
    EXPECT_TRUE(DbVerbindungVerloren(e));
}

// No server listens where the settings point (stopped, or the wrong port).
TEST_F(DbErrorsServer, StoppedServer)
{
    TConnectionInfo info = ParseConnectionString(t->connectionString());
    info.port = 1; // nothing listens there
    QString error;
    EXPECT_FALSE(OpenConnection(info, QStringLiteral("dberr_stopped"), &error));
    QSqlDatabase::removeDatabase(QStringLiteral("dberr_stopped"));
    EXPECT_EQ(int(DbFehlerArt(error)), int(TDbFehlerArt::Verbindung)) << error.toStdString();
    EXPECT_TRUE(DbFehlertext(error).startsWith(QStringLiteral("Die Verbindung zum Datenbankserver")))
        << error.toStdString();
}

TEST(DbErrorsText, NothingFailedSaysNothingAndUnknownStaysAsItIs)
{
    EXPECT_TRUE(DbFehlertext(QSqlError()).isEmpty());
    // SQLite's I/O error is the file's drive, not a server connection.
    EXPECT_TRUE(
        DbFehlertext(QStringLiteral("disk I/O error Unable to fetch row"))
            .startsWith(QStringLiteral("Die Datenbankdatei kann nicht gelesen oder geschrieben werden")));
    EXPECT_EQ(DbFehlertext(QStringLiteral("Spalte zu breit für den Bericht")),
              QStringLiteral("Spalte zu breit für den Bericht"));
}

} // namespace
