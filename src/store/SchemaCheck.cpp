#include "store/SchemaCheck.h"

#include "store/Database.h"

#include <QFile>
#include <QRegularExpression>
#include <QSqlField>
#include <QSqlRecord>

static void initSchemaScripts()
{
    // The scripts live in this static library; naming them keeps the linker from dropping them.
    Q_INIT_RESOURCE(schema);
}

namespace {

// Column names of a table as the database has them, in lower case (the server keeps unquoted names so).
QStringList columnsOf(const QSqlDatabase &db, const QString &table)
{
    const QSqlRecord rec = db.record(db.driverName() == QLatin1String("QPSQL") ? table.toLower() : table);
    QStringList fields;
    for (int i = 0; i < rec.count(); ++i)
        fields << rec.fieldName(i).toLower();
    return fields;
}

bool hasTable(const QSqlDatabase &db, const QString &table)
{
    for (const QString &t : db.tables(QSql::Tables))
        if (t.compare(table, Qt::CaseInsensitive) == 0) return true;
    return false;
}

} // namespace

// Table and column names out of the script's CREATE TABLE statements.
QList<TSchemaTable> ParseSchemaScript(const QString &script)
{
    QList<TSchemaTable> tables;
    static const QRegularExpression create(QStringLiteral(R"(CREATE TABLE IF NOT EXISTS (\w+) \((.*?)\n\);)"),
                                           QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression column(QStringLiteral(R"(^\s*(\w+)\s+\w)"));
    for (auto it = create.globalMatch(script); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        TSchemaTable t{m.captured(1), {}, {}};
        for (const QString &line : m.captured(2).split(QLatin1Char('\n'))) {
            const QRegularExpressionMatch c = column.match(line);
            if (!c.hasMatch() || c.captured(1) == QLatin1String("PRIMARY")) continue;
            t.columns << c.captured(1);
            QString def = line.trimmed();
            if (def.endsWith(QLatin1Char(','))) def.chop(1);
            t.definitions << def;
        }
        tables << t;
    }
    return tables;
}

const QList<TSchemaTable> &SchemaTables()
{
    static const QList<TSchemaTable> tables = [] {
        initSchemaScripts();
        QFile f(QStringLiteral(":/db/schema-sqlite.sql"));
        if (!f.open(QIODevice::ReadOnly)) return QList<TSchemaTable>();
        return ParseSchemaScript(QString::fromUtf8(f.readAll()));
    }();
    return tables;
}

QStringList MissingSchemaParts(const QSqlDatabase &db)
{
    QStringList missing;
    for (const TSchemaTable &t : SchemaTables()) {
        // Only the six tables of the records: the program's own bookkeeping
        // tables are made when first needed, so an older file lacks them rightly.
        if (!kStoreTables.contains(t.name, Qt::CaseInsensitive)) continue;
        if (!hasTable(db, t.name)) {
            missing << QStringLiteral("Der Datenbank fehlt die Tabelle %1.").arg(t.name);
            continue;
        }
        const QStringList fields = columnsOf(db, t.name);
        for (const QString &c : t.columns)
            if (!fields.contains(c.toLower()))
                missing << QStringLiteral("Der Tabelle %1 fehlt die Spalte %2.").arg(t.name, c);
    }
    return missing;
}

QString SchemaProblemText(const QSqlDatabase &db)
{
    const QStringList missing = MissingSchemaParts(db);
    if (missing.isEmpty()) return QString();
    const int shown = 10;
    QString text = missing.mid(0, shown).join(QLatin1Char('\n'));
    if (missing.size() > shown) text += QStringLiteral("\n… und %1 weitere.").arg(missing.size() - shown);
    return text + QStringLiteral(
                      "\nDie Datenbank hat einen älteren oder beschädigten Aufbau und wird nicht "
                      "verwendet, damit keine Werte fehlen oder falsch erscheinen. „geraetetester "
                      "--upgrade-db“ ergänzt die fehlenden Teile nach einer Sicherung (das Programmfenster "
                      "bietet es beim Start an); vorhandene Daten bleiben erhalten.");
}

QStringList MissingColumnStatements(const QSqlDatabase &db, const QString &script, QStringList *unfixable)
{
    QStringList statements;
    for (const TSchemaTable &t : ParseSchemaScript(script)) {
        if (!hasTable(db, t.name)) continue;
        const QStringList fields = columnsOf(db, t.name);
        for (qsizetype i = 0; i < t.columns.size(); ++i) {
            if (fields.contains(t.columns[i].toLower())) continue;
            if (t.definitions[i].contains(QLatin1String("NOT NULL"))) {
                if (unfixable) *unfixable << QStringLiteral("%1.%2").arg(t.name, t.columns[i]);
                continue;
            }
            statements << QStringLiteral("ALTER TABLE %1 ADD COLUMN %2").arg(t.name, t.definitions[i]);
        }
    }
    return statements;
}
