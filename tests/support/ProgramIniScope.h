#pragma once

#include "core/IniFile.h"
#include "core/ProgramPaths.h"

#include <QString>
#include <QTemporaryDir>

namespace gt_test {

// A settings file of the test's own, never the user's: the program reads and
// writes it instead of its own while the scope lives, also when an assertion
// leaves the test early.
class TProgramIniScope {
public:
    TProgramIniScope() : m_path(m_dir.filePath(QStringLiteral("geraetetester.ini")))
    {
        SetProgramIniOverride(m_path);
    }
    ~TProgramIniScope() { SetProgramIniOverride(QString()); }
    TProgramIniScope(const TProgramIniScope &) = delete;
    TProgramIniScope &operator=(const TProgramIniScope &) = delete;

    const QString &path() const { return m_path; }
    // The program's commands then open this database.
    void useDatabase(const QString &connectionString) const
    {
        TIniFile(m_path).WriteString(QStringLiteral("DataBase"), QStringLiteral("ConnectionString"),
                                     connectionString);
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

} // namespace gt_test
