#include "store/SqliteRows.h"

#include "core/FormatSettings.h"
#include "store/Database.h"
#include "store/DbErrors.h"

#include <QSqlDriver>

#include <sqlite3.h>

sqlite3 *TSqliteQuery::Handle(const QSqlDatabase &db)
{
    if (!db.isOpen() || db.driverName() != QLatin1String("QSQLITE") || !db.driver()) return nullptr;
    const QVariant h = db.driver()->handle();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0) return nullptr;
    return *static_cast<sqlite3 *const *>(h.constData());
}

TSqliteQuery::~TSqliteQuery()
{
    if (m_stmt) sqlite3_finalize(m_stmt);
}

bool TSqliteQuery::Exec(const QString &sql, QString *error)
{
    if (m_stmt) sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &m_stmt, nullptr) != SQLITE_OK) {
        if (error) *error = DbFehlertext(QString::fromUtf8(sqlite3_errmsg(m_db)));
        m_stmt = nullptr;
        return false;
    }
    return true;
}

bool TSqliteQuery::Next(QString *error)
{
    if (!m_stmt) return false;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE && error) *error = DbFehlertext(QString::fromUtf8(sqlite3_errmsg(m_db)));
    return false;
}

QStringList TSqliteQuery::ColumnNames() const
{
    QStringList names;
    const int n = m_stmt ? sqlite3_column_count(m_stmt) : 0;
    for (int i = 0; i < n; ++i)
        names << QString::fromUtf8(sqlite3_column_name(m_stmt, i));
    return names;
}

QVariant TSqliteQuery::value(int i) const
{
    switch (sqlite3_column_type(m_stmt, i)) {
    case SQLITE_NULL:
        return QVariant();
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(m_stmt, i)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_stmt, i));
    default:
        return QVariant(String(i));
    }
}

int TSqliteQuery::Int(int i) const
{
    if (sqlite3_column_type(m_stmt, i) == SQLITE_INTEGER) return int(sqlite3_column_int64(m_stmt, i));
    return FieldInt(value(i));
}

QString TSqliteQuery::String(int i) const
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, i));
    if (!text) return QString();
    return QString::fromUtf8(text, sqlite3_column_bytes(m_stmt, i));
}

bool TSqliteQuery::Bool(int i) const
{
    if (sqlite3_column_type(m_stmt, i) == SQLITE_INTEGER) return sqlite3_column_int64(m_stmt, i) != 0;
    return FieldBool(value(i));
}

QDateTime TSqliteQuery::DateTime(int i, Qt::TimeSpec zone) const
{
    if (sqlite3_column_type(m_stmt, i) == SQLITE_NULL) return {};
    return ParseDateTime(String(i), zone);
}
