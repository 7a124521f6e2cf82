#include "store/CsvImportInsert.h"

#include "store/DbErrors.h"
#include "store/SqliteRows.h"

#include <QSqlError>

#include <sqlite3.h>

TImportInsert::~TImportInsert()
{
    if (m_stmt) sqlite3_finalize(m_stmt);
}

bool TImportInsert::Prepare(QSqlDatabase db, const QString &sql, QString *error)
{
    m_handle = TSqliteQuery::Handle(db);
    if (m_handle) {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(m_handle, text.constData(), int(text.size()), &m_stmt, nullptr) != SQLITE_OK) {
            if (error) *error = DbFehlertext(QString::fromUtf8(sqlite3_errmsg(m_handle)));
            m_stmt = nullptr;
            return false;
        }
    } else {
        m_query = QSqlQuery(db);
        if (!m_query.prepare(sql)) {
            if (error) *error = DbFehlertext(m_query.lastError());
            return false;
        }
    }
    m_prepared = true;
    return true;
}

bool TImportInsert::Exec(const QVariantList &values, QString *error)
{
    if (!m_handle) {
        for (qsizetype i = 0; i < values.size(); ++i)
            m_query.bindValue(int(i), values[i]);
        if (m_query.exec()) return true;
        if (error) *error = DbFehlertext(m_query.lastError());
        return false;
    }
    for (int i = 0; i < int(values.size()); ++i) {
        const QVariant &v = values[i];
        int rc = SQLITE_OK;
        if (v.isNull()) {
            rc = sqlite3_bind_null(m_stmt, i + 1);
        } else if (v.typeId() == QMetaType::QString) {
            const QString &s = *static_cast<const QString *>(v.constData());
            rc = sqlite3_bind_text16(m_stmt, i + 1, s.utf16(), int(s.size() * 2), SQLITE_TRANSIENT);
        } else if (v.typeId() == QMetaType::Int) {
            // Read in place: toLongLong() goes through Qt's type conversion.
            rc = sqlite3_bind_int(m_stmt, i + 1, *static_cast<const int *>(v.constData()));
        } else {
            rc = sqlite3_bind_int64(m_stmt, i + 1, v.toLongLong());
        }
        if (rc != SQLITE_OK) {
            if (error) *error = DbFehlertext(QString::fromUtf8(sqlite3_errmsg(m_handle)));
            sqlite3_reset(m_stmt);
            return false;
        }
    }
    const int rc = sqlite3_step(m_stmt);
    sqlite3_reset(m_stmt);
    if (rc == SQLITE_DONE) return true;
    if (error) *error = DbFehlertext(QString::fromUtf8(sqlite3_errmsg(m_handle)));
    return false;
}
