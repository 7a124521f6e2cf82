#pragma once

#include <QList>
#include <QObject>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

// Edit state of a browse set, as data-aware controls know it.
enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

// One level of the stored-data browser: the rows of a table, optionally only
// those of one parent key, ordered by their own key. Only the keys of the
// level are held; the current row is read by its key when it becomes current,
// so a level of any size opens and moves in constant time per step.
// Edits are kept until Post writes them (UPDATE or INSERT with bound values).
class TBrowseSet : public QObject {
    Q_OBJECT
public:
    // parentField empty: the whole table (the top level).
    TBrowseSet(const QString &table, const QString &keyField, const QString &parentField,
               QObject *parent = nullptr);

    void setDatabase(const QSqlDatabase &db) { m_db = db; }
    // The table the parent key points into: a new row is stored only while
    // its parent still exists (another workstation may have deleted it), and
    // goneText says so otherwise.
    void setParentTable(const QString &table, const QString &keyField, const QString &goneText)
    {
        m_parentTable = table;
        m_parentKeyField = keyField;
        m_parentGone = goneText;
    }
    QSqlDatabase Database() const { return m_db; }
    const QString &Table() const { return m_table; }
    const QString &KeyField() const { return m_keyField; }
    const QString &ParentField() const { return m_parentField; }

    // The statement that lists the keys of the level.
    QStringList KeyQueryLines(int parentKey) const;

    // Reads the keys and stands on the first row (atLast: the last row). False
    // (and closed) on a query failure.
    bool Open(int parentKey = 0, QString *error = nullptr, bool atLast = false);
    void Close();
    bool Active() const { return m_state != dsInactive; }
    int ParentKey() const { return m_parentKey; }

    int RecordCount() const { return int(m_keys.size()); }
    bool IsEmpty() const { return m_keys.isEmpty() && m_state != dsInsert; }
    // 1-based number of the current row; 0 when there is none.
    int RecNo() const { return m_index + 1; }
    // Key of the current row, 0 when there is none (also while inserting before the key is set).
    int CurrentKey() const;
    const QList<int> &Keys() const { return m_keys; }

    // Moving posts a pending edit first; when that fails the set stays where it is.
    bool MoveTo(int recNo);
    bool First() { return MoveTo(1); }
    bool Last() { return MoveTo(RecordCount()); }
    bool Prior() { return m_index > 0 && MoveTo(m_index); }
    bool Next() { return m_index + 1 < RecordCount() && MoveTo(m_index + 2); }
    // Stands on the row with that key; false (and unmoved) when it is not in the level.
    bool Locate(int key);
    // Reads the keys again and returns to the same row number (or the last row).
    bool Refresh(QString *error = nullptr);
    // Reads the current row again from the database.
    bool RefreshCurrent(QString *error = nullptr);

    // Field values of the current row, pending edits included. Null without a row.
    QVariant Value(const QString &field) const;
    QString Text(const QString &field) const;
    int Int(const QString &field) const;
    const QSqlRecord &Record() const { return m_rec; }

    TDataSetState State() const { return m_state; }
    bool Modified() const { return !m_changed.isEmpty(); }
    // Changes a field of the current row; a row in browse state goes into edit.
    bool SetValue(const QString &field, const QVariant &value);
    // A new row, not yet in the database, with the given fields set.
    bool Insert(const QList<QPair<QString, QVariant>> &init);
    // Writes a pending edit or insert; nothing to do is success. A new row
    // takes its key inside the transaction of its INSERT; a new row with
    // every field empty is not written and stays pending.
    bool Post(QString *error = nullptr);
    // Drops a pending edit or insert.
    void Cancel();
    // The current row has been deleted in the database: drop it from the level.
    void RemoveCurrent();

    // While disabled, moves do not announce themselves; the last enable
    // announces the current row once if it changed meanwhile.
    void DisableControls() { ++m_disabled; }
    void EnableControls();
    bool ControlsDisabled() const { return m_disabled > 0; }

    // Asked before the current row changes (move, insert, re-open); false
    // keeps the set where it is. The browser posts the levels below here.
    std::function<bool()> BeforeScroll;
    // Asked before an edit or insert is written, however the row is left;
    // false (with the reason) refuses the post.
    std::function<bool(QString *error)> ValidatePost;
    // The field has a change not yet written.
    bool FieldChanged(const QString &field) const { return m_changed.contains(field.toLower()); }

signals:
    // The current row is another one (or the set opened, closed or re-read).
    void scrolled();
    // Values of the current row changed (edit, post, cancel).
    void valuesChanged();
    // Before an edit or insert is written; handlers may still set fields.
    void beforePost();
    void stateChanged();
    // A move or insert wanted to write a pending edit first and could not;
    // the set stays where it is.
    void postFailed(const QString &message);
    // The rows of the level are others (opened, closed, re-read, a row added,
    // removed or written).
    void rowsChanged();

private:
    bool loadCurrent(QString *error);
    bool insertIsEmpty() const;
    void changedFields(QStringList &names, QVariantList &values) const;
    bool writeEdit(QString *error);
    bool writeInsert(QString *error);
    bool parentExists(QString *error);
    void announce();
    void setState(TDataSetState s);

    QSqlDatabase m_db;
    QString m_table, m_keyField, m_parentField;
    QString m_parentTable, m_parentKeyField, m_parentGone;
    int m_parentKey = 0;
    QList<int> m_keys;
    int m_index = -1;
    QSqlRecord m_rec;
    QSet<QString> m_changed; // lower-case field names
    TDataSetState m_state = dsInactive;
    int m_disabled = 0;
    bool m_pendingAnnounce = false;
};
