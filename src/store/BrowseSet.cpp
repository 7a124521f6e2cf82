#include "store/BrowseSet.h"

#include "store/Database.h"
#include "store/DbErrors.h"

#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>

#include <algorithm>

namespace {

// A write that failed says that nothing was saved and why, in the engine's
// words about the data; the driver's own remark ("Unable to fetch row") only
// confuses a user who was saving.
QString notSaved(const QSqlError &e, bool inserting)
{
    const QSqlError data = e.databaseText().isEmpty()
                               ? e
                               : QSqlError(QString(), e.databaseText(), e.type(), e.nativeErrorCode());
    return (inserting ? QStringLiteral("Der neue Datensatz wurde nicht gespeichert.\n")
                      : QStringLiteral("Die Änderung wurde nicht gespeichert.\n")) +
           DbFehlertext(data);
}

} // namespace

TBrowseSet::TBrowseSet(const QString &table, const QString &keyField, const QString &parentField,
                       QObject *parent)
    : QObject(parent), m_table(table), m_keyField(keyField), m_parentField(parentField)
{
}

QStringList TBrowseSet::KeyQueryLines(int parentKey) const
{
    QStringList l{QStringLiteral("SELECT     ") + m_keyField, QStringLiteral("FROM         ") + m_table};
    if (!m_parentField.isEmpty())
        l << QStringLiteral("WHERE     (%1 = %2)").arg(m_parentField).arg(parentKey);
    // The own key orders the rows of one parent too, so a level always lists
    // in the same order and a key is found by bisection.
    l << QStringLiteral("ORDER BY ") + m_keyField;
    return l;
}

bool TBrowseSet::Open(int parentKey, QString *error, bool atLast)
{
    m_keys.clear();
    m_index = -1;
    m_rec = QSqlRecord();
    m_changed.clear();
    m_parentKey = parentKey;
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.exec(KeyQueryLines(parentKey).join(QLatin1Char('\n')))) {
        if (error) *error = DbFehlertext(q.lastError());
        setState(dsInactive);
        announce();
        return false;
    }
    while (q.next())
        m_keys.append(FieldInt(q.value(0)));
    // Engines may compare differently; bisection needs ascending keys.
    if (!std::is_sorted(m_keys.begin(), m_keys.end())) std::sort(m_keys.begin(), m_keys.end());
    setState(dsBrowse);
    emit rowsChanged();
    if (!m_keys.isEmpty()) {
        m_index = atLast ? int(m_keys.size()) - 1 : 0;
        if (!loadCurrent(error)) {
            announce();
            return false;
        }
    }
    announce();
    return true;
}

void TBrowseSet::Close()
{
    m_keys.clear();
    m_index = -1;
    m_rec = QSqlRecord();
    m_changed.clear();
    setState(dsInactive);
    emit rowsChanged();
    announce();
}

int TBrowseSet::CurrentKey() const
{
    if (m_state == dsInsert) return FieldInt(m_rec.value(m_keyField));
    return (m_index >= 0 && m_index < m_keys.size()) ? m_keys[m_index] : 0;
}

bool TBrowseSet::MoveTo(int recNo)
{
    if (m_state == dsInactive || recNo < 1 || recNo > RecordCount()) return false;
    if (m_state == dsEdit || m_state == dsInsert) {
        // The buttons that move take no focus: the refusal is the only word the user gets.
        QString error;
        if (!Post(&error)) {
            emit postFailed(error);
            return false;
        }
        if (m_state == dsInsert) Cancel(); // an empty new row is left behind
    }
    if (recNo - 1 == m_index && !m_rec.isEmpty()) return true;
    if (BeforeScroll && !BeforeScroll()) return false;
    m_index = recNo - 1;
    loadCurrent(nullptr);
    announce();
    return true;
}

bool TBrowseSet::Locate(int key)
{
    const auto it = std::lower_bound(m_keys.begin(), m_keys.end(), key);
    if (it == m_keys.end() || *it != key) return false;
    return MoveTo(int(it - m_keys.begin()) + 1);
}

bool TBrowseSet::Refresh(QString *error)
{
    if (m_state == dsInactive) return false;
    const int recNo = RecNo();
    DisableControls();
    const bool ok = Open(m_parentKey, error);
    if (ok && recNo > 1) MoveTo(std::min(recNo, RecordCount()));
    m_pendingAnnounce = true;
    EnableControls();
    return ok;
}

bool TBrowseSet::RefreshCurrent(QString *error)
{
    if (m_state != dsBrowse || m_index < 0) return false;
    const bool ok = loadCurrent(error);
    emit valuesChanged();
    return ok;
}

bool TBrowseSet::loadCurrent(QString *error)
{
    m_changed.clear();
    m_rec = QSqlRecord();
    if (m_index < 0 || m_index >= m_keys.size()) return true;
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    const QString sql =
        QStringLiteral("SELECT *\nFROM %1\nWHERE (%2 = %3)").arg(m_table, m_keyField).arg(m_keys[m_index]);
    if (!q.exec(sql)) {
        if (error) *error = DbFehlertext(q.lastError());
        return false;
    }
    if (q.next()) {
        m_rec = q.record();
    } else {
        // Deleted by another workstation meanwhile: an empty row with its key.
        QSqlQuery t(m_db);
        t.exec(QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(m_table));
        m_rec = t.record();
        m_rec.setValue(m_keyField, m_keys[m_index]);
    }
    return true;
}

QVariant TBrowseSet::Value(const QString &field) const
{
    return m_rec.value(field);
}

QString TBrowseSet::Text(const QString &field) const
{
    return FieldString(m_rec.value(field));
}

int TBrowseSet::Int(const QString &field) const
{
    return FieldInt(m_rec.value(field));
}

bool TBrowseSet::SetValue(const QString &field, const QVariant &value)
{
    if (m_state == dsInactive || m_rec.isEmpty()) return false;
    const int i = m_rec.indexOf(field);
    if (i < 0) return false;
    if (m_state == dsBrowse) {
        // Unchanged text is no edit (leaving a field must not write).
        if (FieldString(m_rec.value(i)) == value.toString() && !m_rec.isNull(i) == !value.isNull())
            return true;
        setState(dsEdit);
    }
    m_rec.setValue(i, value);
    m_changed.insert(field.toLower());
    emit valuesChanged();
    return true;
}

bool TBrowseSet::Insert(const QList<QPair<QString, QVariant>> &init)
{
    if (m_state == dsInactive) return false;
    if (m_state == dsEdit || m_state == dsInsert) {
        QString error;
        if (!Post(&error)) {
            emit postFailed(error);
            return false;
        }
    }
    if (BeforeScroll && !BeforeScroll()) return false;
    QSqlQuery t(m_db);
    if (!t.exec(QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(m_table))) return false;
    m_rec = t.record();
    m_changed.clear();
    for (const auto &p : init) {
        m_rec.setValue(p.first, p.second);
        m_changed.insert(p.first.toLower());
    }
    setState(dsInsert);
    announce();
    return true;
}

bool TBrowseSet::insertIsEmpty() const
{
    for (int i = 0; i < m_rec.count(); ++i) {
        const QString n = m_rec.fieldName(i);
        if (n.compare(m_keyField, Qt::CaseInsensitive) == 0 ||
            n.compare(m_parentField, Qt::CaseInsensitive) == 0)
            continue;
        const QVariant v = m_rec.value(i);
        if (v.isNull()) continue;
        if (v.typeId() != QMetaType::QString || !v.toString().trimmed().isEmpty()) return false;
    }
    return true;
}

void TBrowseSet::changedFields(QStringList &names, QVariantList &values) const
{
    for (int i = 0; i < m_rec.count(); ++i) {
        const QString n = m_rec.fieldName(i);
        if (!m_changed.contains(n.toLower())) continue;
        if (m_state == dsEdit && n.compare(m_keyField, Qt::CaseInsensitive) == 0) continue;
        names << n;
        values << m_rec.value(i);
    }
}

bool TBrowseSet::writeEdit(QString *error)
{
    QStringList names;
    QVariantList values;
    changedFields(names, values);
    if (names.isEmpty()) return true;
    QStringList sets;
    for (const QString &n : names)
        sets << n + QStringLiteral(" = ?");
    QSqlQuery q(m_db);
    bool ok = q.prepare(QStringLiteral("UPDATE %1\nSET %2\nWHERE (%3 = %4)")
                            .arg(m_table, sets.join(QStringLiteral(", ")), m_keyField)
                            .arg(m_keys.value(m_index)));
    for (const QVariant &v : values)
        q.addBindValue(v);
    ok = ok && q.exec();
    if (!ok && error) *error = notSaved(q.lastError(), false);
    // No row changed: another workstation deleted it meanwhile, and the
    // user's change would be dropped without a word.
    if (ok && q.numRowsAffected() == 0) {
        if (error)
            *error = QStringLiteral("Der Datensatz wurde inzwischen an einem anderen Arbeitsplatz gelöscht; "
                                    "die Änderung ist nicht gespeichert.");
        return false;
    }
    return ok;
}

// Inside the insert's transaction: on the server the parent row is held until
// the commit, so a deletion from another workstation either waits for the new
// row (and deletes it too) or, done first, is seen here.
bool TBrowseSet::parentExists(QString *error)
{
    if (m_parentTable.isEmpty()) return true;
    QSqlQuery q(m_db);
    const QString hold =
        m_db.driverName() == QLatin1String("QPSQL") ? QStringLiteral(" FOR SHARE") : QString();
    q.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %1 = ?").arg(m_parentKeyField, m_parentTable) + hold);
    q.addBindValue(m_parentKey);
    if (!q.exec()) {
        if (error) *error = DbFehlertext(q.lastError());
        return false;
    }
    if (q.next()) return true;
    if (error) *error = m_parentGone;
    return false;
}

// The key is taken in the transaction of the INSERT: a second workstation
// waits for the commit instead of reading the same maximum.
bool TBrowseSet::writeInsert(QString *error)
{
    if (!m_db.transaction()) {
        if (error) *error = notSaved(m_db.lastError(), true);
        return false;
    }
    const int key = TakeNextKey(m_db, m_table, m_keyField, error);
    bool ok = key > 0 && parentExists(error);
    if (ok) {
        m_rec.setValue(m_keyField, key);
        m_changed.insert(m_keyField.toLower());
        QStringList names, marks;
        QVariantList values;
        changedFields(names, values);
        for (int i = 0; i < names.size(); ++i)
            marks << QStringLiteral("?");
        QSqlQuery q(m_db);
        ok = q.prepare(QStringLiteral("INSERT INTO %1\n  (%2)\nVALUES\n  (%3)")
                           .arg(m_table, names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))));
        for (const QVariant &v : values)
            q.addBindValue(v);
        ok = ok && q.exec();
        if (!ok && error) *error = notSaved(q.lastError(), true);
    }
    if (ok && !m_db.commit()) {
        if (error) *error = notSaved(m_db.lastError(), true);
        ok = false;
    }
    if (!ok) m_db.rollback();
    return ok;
}

bool TBrowseSet::Post(QString *error)
{
    if (m_state != dsEdit && m_state != dsInsert) return true;
    // A new row nobody has filled in is not stored; it stays pending until
    // something is typed, and leaving it drops it.
    if (m_state == dsInsert && insertIsEmpty()) return true;
    emit beforePost();
    if (ValidatePost && !ValidatePost(error)) return false;
    if (!(m_state == dsEdit ? writeEdit(error) : writeInsert(error))) return false;
    m_changed.clear();
    if (m_state == dsInsert) {
        const int key = FieldInt(m_rec.value(m_keyField));
        const auto it = std::lower_bound(m_keys.begin(), m_keys.end(), key);
        m_index = int(it - m_keys.begin());
        m_keys.insert(m_index, key);
        setState(dsBrowse);
        loadCurrent(nullptr);
        announce();
    } else {
        setState(dsBrowse);
        loadCurrent(nullptr);
    }
    emit rowsChanged();
    emit valuesChanged();
    return true;
}

void TBrowseSet::Cancel()
{
    if (m_state != dsEdit && m_state != dsInsert) return;
    const bool inserting = m_state == dsInsert;
    setState(dsBrowse);
    loadCurrent(nullptr);
    if (inserting)
        announce();
    else
        emit valuesChanged();
}

void TBrowseSet::RemoveCurrent()
{
    if (m_state == dsInsert) {
        Cancel();
        return;
    }
    if (m_index < 0 || m_index >= m_keys.size()) return;
    m_keys.removeAt(m_index);
    if (m_index >= m_keys.size()) m_index = int(m_keys.size()) - 1;
    setState(dsBrowse);
    emit rowsChanged();
    loadCurrent(nullptr);
    announce();
}

void TBrowseSet::EnableControls()
{
    if (m_disabled > 0) --m_disabled;
    if (m_disabled == 0 && m_pendingAnnounce) {
        m_pendingAnnounce = false;
        emit scrolled();
    }
}

void TBrowseSet::announce()
{
    if (m_disabled > 0) {
        m_pendingAnnounce = true;
        return;
    }
    emit scrolled();
}

void TBrowseSet::setState(TDataSetState s)
{
    if (s == m_state) return;
    m_state = s;
    emit stateChanged();
}
