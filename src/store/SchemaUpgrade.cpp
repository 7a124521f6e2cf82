#include "store/SchemaUpgrade.h"

#include "store/SchemaCheck.h"

#include <QFile>
#include <QRegularExpression>
#include <QSqlQuery>

#include <map>

static void initUpgradeScripts()
{
    // The scripts live in this static library; naming them keeps the linker from dropping them.
    Q_INIT_RESOURCE(schema);
}

namespace {

QStringList namesIn(const QString &script, const QString &pattern)
{
    QStringList names;
    const QRegularExpression re(pattern, QRegularExpression::CaseInsensitiveOption);
    for (auto it = re.globalMatch(script); it.hasNext();)
        names << it.next().captured(1);
    return names;
}

// Names as the database has them, in lower case (the server keeps unquoted names so).
QStringList lowerNames(QSqlQuery &q)
{
    QStringList names;
    while (q.next())
        names << q.value(0).toString().toLower();
    return names;
}

QStringList triggersOf(const QSqlDatabase &db, TDbEngine engine)
{
    QSqlQuery q(db);
    const bool ok =
        engine == TDbEngine::SQLite
            ? q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'trigger'"))
            : q.exec(QStringLiteral("SELECT DISTINCT trigger_name FROM information_schema.triggers "
                                    "WHERE trigger_schema = current_schema()"));
    return ok ? lowerNames(q) : QStringList();
}

// Old date triggers still there, new ones missing: dates of another form
// would be stored as they come and no longer sort as dates.
void planTriggers(const QSqlDatabase &db, TDbEngine engine, const QString &script, TSchemaUpgradePlan &plan)
{
    const QStringList wanted = namesIn(script, QStringLiteral(R"(CREATE TRIGGER IF NOT EXISTS (\w+))"));
    const QStringList dropped = namesIn(script, QStringLiteral(R"(DROP TRIGGER IF EXISTS (\w+))"));
    if (wanted.isEmpty() && dropped.isEmpty()) return;
    const QStringList have = triggersOf(db, engine);
    QStringList missing, stale;
    for (const QString &t : wanted)
        if (!have.contains(t.toLower())) missing << t;
    for (const QString &t : dropped)
        if (have.contains(t.toLower())) stale << t;
    if (!missing.isEmpty())
        plan.reasons << QStringLiteral("Es fehlen die Trigger %1.").arg(missing.join(QStringLiteral(", ")));
    if (!stale.isEmpty())
        plan.reasons << QStringLiteral("Die veralteten Trigger %1 sind noch vorhanden.")
                            .arg(stale.join(QStringLiteral(", ")));
}

// The server enforces text widths: a column narrower than the script's
// refuses values the program writes (a 16-digit barcode into 15 places).
void planWidths(const QSqlDatabase &db, const QString &script, TSchemaUpgradePlan &plan)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT table_name, column_name, character_maximum_length "
                               "FROM information_schema.columns WHERE table_schema = current_schema() "
                               "AND character_maximum_length IS NOT NULL")))
        return;
    std::map<QString, int> widths; // "table.column" in lower case
    while (q.next())
        widths[q.value(0).toString().toLower() + QLatin1Char('.') + q.value(1).toString().toLower()] =
            q.value(2).toInt();
    static const QRegularExpression varchar(QStringLiteral(R"(VARCHAR\((\d+)\))"),
                                            QRegularExpression::CaseInsensitiveOption);
    for (const TSchemaTable &t : ParseSchemaScript(script)) {
        for (qsizetype i = 0; i < t.columns.size(); ++i) {
            const QRegularExpressionMatch m = varchar.match(t.definitions[i]);
            const auto have = widths.find((t.name + QLatin1Char('.') + t.columns[i]).toLower());
            if (!m.hasMatch() || have == widths.end()) continue;
            const int need = m.captured(1).toInt();
            if (have->second >= need) continue;
            plan.reasons << QStringLiteral("Die Spalte %1.%2 ist nur %3 Zeichen breit, nötig sind %4.")
                                .arg(t.name, t.columns[i])
                                .arg(have->second)
                                .arg(need);
            plan.statements << QStringLiteral("ALTER TABLE %1 ALTER COLUMN %2 TYPE VARCHAR(%3)")
                                   .arg(t.name, t.columns[i])
                                   .arg(need);
            plan.changes << QStringLiteral("Spalte %1.%2 auf %3 Zeichen erweitert.")
                                .arg(t.name, t.columns[i])
                                .arg(need);
        }
    }
}

} // namespace

QString SchemaScriptFor(TDbEngine engine)
{
    const char *name = engine == TDbEngine::SQLite       ? ":/db/schema-sqlite.sql"
                       : engine == TDbEngine::PostgreSQL ? ":/db/schema-postgresql.sql"
                                                         : nullptr;
    if (!name) return QString();
    initUpgradeScripts();
    QFile f{QString::fromLatin1(name)};
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

TSchemaUpgradePlan PlanSchemaUpgrade(const QSqlDatabase &db, TDbEngine engine, const QString &script)
{
    TSchemaUpgradePlan plan;
    QStringList have;
    for (const QString &t : db.tables(QSql::Tables))
        have << t.toLower();
    for (const TSchemaTable &t : ParseSchemaScript(script)) {
        if (have.contains(t.name.toLower())) continue;
        plan.missingTables << t.name;
        plan.reasons << QStringLiteral("Der Datenbank fehlt die Tabelle %1.").arg(t.name);
    }
    for (const QString &st : MissingColumnStatements(db, script, &plan.unfixable)) {
        const QString table = st.section(QLatin1Char(' '), 2, 2);
        const QString column = st.section(QLatin1Char(' '), 5, 5);
        plan.reasons << QStringLiteral("Der Tabelle %1 fehlt die Spalte %2.").arg(table, column);
        plan.statements << st;
        plan.changes << QStringLiteral("Spalte ergänzt: %1.%2.").arg(table, column);
    }
    planTriggers(db, engine, script, plan);
    if (engine == TDbEngine::PostgreSQL) planWidths(db, script, plan);
    return plan;
}

TSchemaUpgradePlan PlanSchemaUpgrade(const QSqlDatabase &db)
{
    const TDbEngine engine = DatabaseEngine(db);
    return PlanSchemaUpgrade(db, engine, SchemaScriptFor(engine));
}
