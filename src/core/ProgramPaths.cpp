#include "core/ProgramPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <mutex>

#include <unistd.h>

namespace {

std::mutex g_mutex;
QString g_iniOverride;

const QString kAppFolder = QStringLiteral("geraetetester");

// An XDG variable counts only when it names an absolute path; a relative one is ignored.
QString xdgDir(const char *var, const char *fallback)
{
    const QString v = qEnvironmentVariable(var);
    if (!v.isEmpty() && QDir::isAbsolutePath(v)) return QDir::cleanPath(v);
    return QDir::cleanPath(QDir::homePath() + QLatin1Char('/') + QLatin1String(fallback));
}

// The running program's folder and the INI name a portable copy uses (a copy
// renamed "pruefplatz2" keeps "pruefplatz2.ini", so two can share a folder).
bool programFiles(QString *dir, QString *ini)
{
    if (!QCoreApplication::instance()) return false;
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    if (exe.fileName().isEmpty()) return false;
    *dir = exe.absolutePath();
    *ini = *dir + QLatin1Char('/') + exe.completeBaseName() + QStringLiteral(".ini");
    return true;
}

} // namespace

TProgramLayout ProgramLayout()
{
    QString dir, ini;
    if (!programFiles(&dir, &ini)) return TProgramLayout::Installed;
    const QByteArray native = QFile::encodeName(dir);
    if (::access(native.constData(), W_OK) != 0) return TProgramLayout::Installed;
    return QFileInfo::exists(ini) ? TProgramLayout::Portable : TProgramLayout::Installed;
}

void SetProgramIniOverride(const QString &fileName)
{
    std::lock_guard lock(g_mutex);
    g_iniOverride = fileName.isEmpty() ? QString() : QFileInfo(fileName).absoluteFilePath();
}

QString ProgramIniOverride()
{
    std::lock_guard lock(g_mutex);
    return g_iniOverride;
}

QString ProgramIniPath()
{
    const QString chosen = ProgramIniOverride();
    if (!chosen.isEmpty()) return chosen;
    QString dir, ini;
    if (ProgramLayout() == TProgramLayout::Portable && programFiles(&dir, &ini)) return ini;
    return xdgDir("XDG_CONFIG_HOME", ".config") + QLatin1Char('/') + kAppFolder + QLatin1Char('/') +
           kAppFolder + QStringLiteral(".ini");
}

QString ProgramDataDir()
{
    QString dir, ini;
    if (ProgramLayout() == TProgramLayout::Portable && programFiles(&dir, &ini)) return dir;
    return xdgDir("XDG_DATA_HOME", ".local/share") + QLatin1Char('/') + kAppFolder;
}

QString ProgramDataPath(const QString &name)
{
    if (name.isEmpty() || QDir::isAbsolutePath(name)) return name;
    return QDir(ProgramDataDir()).filePath(name);
}

QString ProgramLogPath(const QString &name)
{
    const QString path = ProgramDataPath(name);
    if (!name.isEmpty() && QDir::isRelativePath(name)) MakeParentDir(path);
    return path;
}

bool MakeParentDir(const QString &fileName, QString *error)
{
    const QString dir = QFileInfo(fileName).absolutePath();
    if (QDir().mkpath(dir)) return true;
    if (error) *error = QStringLiteral("Der Ordner „%1“ kann nicht angelegt werden.").arg(dir);
    return false;
}

bool CanWriteFile(const QString &fileName, QString *error)
{
    if (!MakeParentDir(fileName, error)) return false;
    const QFileInfo fi(fileName);
    if (fi.isDir()) {
        if (error) *error = QStringLiteral("„%1“ ist ein Ordner.").arg(fi.absoluteFilePath());
        return false;
    }
    // A replaced file needs the folder writable as well (it is written beside and renamed).
    const QByteArray dir = QFile::encodeName(fi.absolutePath());
    const bool ok =
        ::access(dir.constData(), W_OK) == 0 &&
        (!fi.exists() || ::access(QFile::encodeName(fi.absoluteFilePath()).constData(), W_OK) == 0);
    if (!ok && error) *error = QStringLiteral("„%1“ ist nicht beschreibbar.").arg(fi.absoluteFilePath());
    return ok;
}
