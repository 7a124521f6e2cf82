#include "store/Database.h"

#include "core/ProgramPaths.h"

#include <QFile>
#include <QSqlQuery>

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

QString SqlValueLiteral(const QVariant &v, int kind)
{
    if (v.isNull() || !v.isValid()) return QStringLiteral("NULL");
    switch (v.typeId()) {
    case QMetaType::Bool:
        return SqlBool(v.toBool());
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return v.toString();
    case QMetaType::QDateTime:
        return SqlDateLiteral(v.toDateTime(), kind);
    default:
        return SqlQuote(v.toString());
    }
}

QString StatementWithValues(const QSqlQuery &q)
{
    const QString sql = q.lastQuery();
    const QVariantList values = q.boundValues();
    QString out;
    qsizetype next = 0;
    for (const QChar c : sql) {
        if (c == QLatin1Char('?') && next < values.size())
            out += SqlValueLiteral(values.at(next++), DatabaseKind(q.driver()));
        else
            out += c;
    }
    return out;
}
