#include "store/Database.h"

#include "core/ProgramPaths.h"

#include <QFile>

QString FailedSqlPath()
{
    // The program's own folder: a file of that name in whatever folder it was started from is the user's.
    return ProgramDataPath(QStringLiteral("SQL.txt"));
}

bool SaveFailedSql(const QString &statement)
{
    const QString path = FailedSqlPath();
    MakeParentDir(path);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) return false;
    return f.write(statement.toUtf8()) >= 0;
}

bool RemoveFailedSqlFile()
{
    return QFile::remove(FailedSqlPath());
}
