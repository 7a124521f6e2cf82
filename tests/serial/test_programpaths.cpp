#include "SerialFixture.h"
#include "core/ProgramPaths.h"
#include "serial/Cate32.h"
#include "serial/PortAccess.h"
#include "serial/PortNames.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cerrno>

namespace {

// Sets (or with a null value removes) an environment variable for one scope.
class EnvGuard {
public:
    EnvGuard(const char *name, const QString &value) : m_name(name), m_had(qEnvironmentVariableIsSet(name))
    {
        m_old = qgetenv(name);
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value.toLocal8Bit());
    }
    ~EnvGuard()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    bool m_had;
    QByteArray m_old;
};

// The INI a portable copy of this test program would have beside itself.
QString besideProgram()
{
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    return exe.absolutePath() + QStringLiteral("/") + exe.completeBaseName() + QStringLiteral(".ini");
}

struct Home {
    QTemporaryDir dir;
    EnvGuard home{"HOME", dir.path()};
    EnvGuard config{"XDG_CONFIG_HOME", QString()};
    EnvGuard data{"XDG_DATA_HOME", QString()};
};

} // namespace

TEST(ProgramPaths, InstalledFollowsXdgAndItsDefaults)
{
    Home h;
    ASSERT_FALSE(QFile::exists(besideProgram()));
    EXPECT_EQ(ProgramLayout(), TProgramLayout::Installed);
    EXPECT_EQ(ProgramIniPath(), h.dir.path() + QStringLiteral("/.config/geraetetester/geraetetester.ini"));
    EXPECT_EQ(ProgramDataDir(), h.dir.path() + QStringLiteral("/.local/share/geraetetester"));
    {
        EnvGuard c("XDG_CONFIG_HOME", QStringLiteral("/srv/konf"));
        EnvGuard d("XDG_DATA_HOME", QStringLiteral("/srv/daten/"));
        EXPECT_EQ(ProgramIniPath(), QStringLiteral("/srv/konf/geraetetester/geraetetester.ini"));
        EXPECT_EQ(ProgramDataDir(), QStringLiteral("/srv/daten/geraetetester"));
    }
    // Relative or empty values do not count.
    EnvGuard c("XDG_CONFIG_HOME", QStringLiteral("konf"));
    EnvGuard d("XDG_DATA_HOME", QStringLiteral(""));
    EXPECT_EQ(ProgramIniPath(), h.dir.path() + QStringLiteral("/.config/geraetetester/geraetetester.ini"));
    EXPECT_EQ(ProgramDataDir(), h.dir.path() + QStringLiteral("/.local/share/geraetetester"));
}

TEST(ProgramPaths, AnIniBesideTheProgramMakesItPortable)
{
    Home h;
    const QString ini = besideProgram();
    ASSERT_TRUE(QFile(ini).open(QIODevice::WriteOnly));
    EXPECT_EQ(ProgramLayout(), TProgramLayout::Portable);
    EXPECT_EQ(ProgramIniPath(), ini);
    EXPECT_EQ(ProgramDataDir(), QFileInfo(ini).absolutePath());
    EXPECT_EQ(ProgramDataPath(QStringLiteral("VERIDA.db")), QFileInfo(ini).absolutePath() + "/VERIDA.db");
    QFile::remove(ini);
    EXPECT_EQ(ProgramLayout(), TProgramLayout::Installed);
}

TEST(ProgramPaths, ChosenIniWinsInEveryLayout)
{
    Home h;
    SetProgramIniOverride(QStringLiteral("relativ/andere.ini"));
    EXPECT_EQ(ProgramIniPath(), QDir::current().absoluteFilePath(QStringLiteral("relativ/andere.ini")));
    SetProgramIniOverride(QString());
    EXPECT_TRUE(ProgramIniOverride().isEmpty());
    EXPECT_TRUE(ProgramIniPath().startsWith(h.dir.path()));
}

TEST(ProgramPaths, RelativeNamesLieInTheDataFolderWhichLogsCreate)
{
    Home h;
    const QString data = h.dir.path() + QStringLiteral("/.local/share/geraetetester");
    EXPECT_EQ(ProgramDataPath(QStringLiteral("bus.log")), data + QStringLiteral("/bus.log"));
    EXPECT_EQ(ProgramDataPath(QStringLiteral("/var/log/x.log")), QStringLiteral("/var/log/x.log"));
    EXPECT_TRUE(ProgramDataPath(QString()).isEmpty());

    // An absolute name never makes folders; a relative one makes the data folder.
    ProgramLogPath(h.dir.path() + QStringLiteral("/fremd/x.log"));
    EXPECT_FALSE(QFileInfo::exists(h.dir.path() + QStringLiteral("/fremd")));
    EXPECT_FALSE(QFileInfo::exists(data));
    EXPECT_EQ(ProgramLogPath(QStringLiteral("pgm.log")), data + QStringLiteral("/pgm.log"));
    EXPECT_TRUE(QFileInfo(data).isDir());
}

TEST(ProgramPaths, CanWriteFileMakesTheFolderOrSaysWhyNot)
{
    QTemporaryDir dir;
    QString why;
    EXPECT_TRUE(CanWriteFile(dir.filePath(QStringLiteral("a/b/c.ini")), &why)) << why.toStdString();
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("a/b"))).isDir());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("a/b/c.ini"))));

    // A folder below a plain file cannot be made, not even by root.
    QFile plain(dir.filePath(QStringLiteral("datei")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    EXPECT_FALSE(CanWriteFile(dir.filePath(QStringLiteral("datei/x.ini")), &why));
    EXPECT_TRUE(why.contains(dir.filePath(QStringLiteral("datei")))) << why.toStdString();
    // A folder where the file should be (QSaveFile could never replace it).
    EXPECT_FALSE(CanWriteFile(dir.filePath(QStringLiteral("a")), &why));
    EXPECT_TRUE(why.contains(QStringLiteral("Ordner"))) << why.toStdString();

    if (::geteuid() != 0) {
        QDir().mkpath(dir.filePath(QStringLiteral("fest")));
        QFile::setPermissions(dir.filePath(QStringLiteral("fest")), QFile::ReadOwner | QFile::ExeOwner);
        EXPECT_FALSE(CanWriteFile(dir.filePath(QStringLiteral("fest/x.ini")), &why));
        QFile::setPermissions(dir.filePath(QStringLiteral("fest")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

TEST(PortAccess, TheHintNamesTheRemedyForEachCase)
{
    TPortAccess a;
    a.device = QStringLiteral("/dev/ttyUSB0");
    a.group = QStringLiteral("dialout");
    a.user = QStringLiteral("meister");
    EXPECT_TRUE(PortPermissionHint(a, ENOENT).isEmpty());
    EXPECT_TRUE(PortPermissionHint(a, EBUSY).isEmpty());

    const QString notMember = PortPermissionHint(a, EACCES);
    EXPECT_TRUE(
        notMember.startsWith(QStringLiteral("Keine Berechtigung für die Schnittstelle „/dev/ttyUSB0“.")));
    EXPECT_TRUE(notMember.contains(QStringLiteral("sudo usermod -aG dialout meister")));
    EXPECT_TRUE(notMember.contains(QStringLiteral("ab- und wieder anmelden")));

    a.inGroupLater = true;
    const QString later = PortPermissionHint(a, EPERM);
    EXPECT_FALSE(later.contains(QStringLiteral("usermod")));
    EXPECT_TRUE(later.contains(QStringLiteral("ab- und wieder anmelden")));

    a.inGroupNow = true;
    EXPECT_TRUE(PortPermissionHint(a, EACCES).contains(QStringLiteral("ls -l /dev/ttyUSB0")));

    a.group = QStringLiteral("root");
    const QString rootOnly = PortPermissionHint(a, EACCES);
    EXPECT_FALSE(rootOnly.contains(QStringLiteral("usermod")));
    EXPECT_TRUE(rootOnly.contains(QStringLiteral("Gruppe „dialout“")));
}

// The port list's few words: a root-only device is not blamed on a group.
TEST(PortAccess, TheShortTextNamesTheSameCause)
{
    TPortAccess a;
    a.device = QStringLiteral("/dev/ttyS0");
    a.group = QStringLiteral("uucp");
    EXPECT_EQ(PortPermissionShort(a),
              QStringLiteral("keine Berechtigung (Benutzer nicht in der Gruppe uucp)"));
    a.inGroupLater = true;
    EXPECT_EQ(PortPermissionShort(a), QStringLiteral("keine Berechtigung (bitte neu anmelden)"));
    a.inGroupNow = true;
    EXPECT_EQ(PortPermissionShort(a), QStringLiteral("keine Berechtigung (Rechte der Gerätedatei prüfen)"));
    a.group = QStringLiteral("root");
    EXPECT_EQ(PortPermissionShort(a), QStringLiteral("keine Berechtigung (nur für root freigegeben)"));
    EXPECT_EQ(PortErrorText(EBUSY, QStringLiteral("/dev/null")), QStringLiteral("belegt"));
    EXPECT_EQ(PortErrorText(EACCES, QStringLiteral("/dev/null")),
              QStringLiteral("keine Berechtigung (nur für root freigegeben)"));
}

TEST(PortAccess, FactsComeFromTheDeviceAndTheRunningUser)
{
    // /dev/null belongs to root's group; a device that is not there falls back to dialout.
    const TPortAccess null = PortAccessFor(QStringLiteral("/dev/null"));
    EXPECT_EQ(null.group, QStringLiteral("root"));
    EXPECT_FALSE(null.user.isEmpty());
    EXPECT_EQ(null.inGroupNow, ::getegid() == 0);
    EXPECT_EQ(PortAccessFor(QStringLiteral("/dev/gibt-es-nicht")).group, QStringLiteral("dialout"));
}

class CateOpenError : public SerialFixture {};

TEST_F(CateOpenError, TheReasonOfTheLastOpenIsKept)
{
    TCate cate;
    cate.setPort(Com3); // no such device
    EXPECT_FALSE(cate.IsOpen());
    EXPECT_EQ(cate.LastOpenError(), ENOENT);
    EXPECT_EQ(cate.LastOpenDevice(), dir.filePath("no-such-device"));

    QFile plain(dir.filePath("kein-terminal"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    mapPort(4, plain.fileName());
    cate.setPort(Com4);
    EXPECT_EQ(cate.LastOpenError(), ENOTTY);

    cate.setPort(Com1);
    ASSERT_TRUE(cate.IsOpen());
    EXPECT_EQ(cate.LastOpenError(), 0);
}
