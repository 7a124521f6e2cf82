#include "StoreTestDb.h"
#include "store/ColumnWidths.h"
#include "store/Database.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// The declared widths of every text column of the database as made by gt-initdb.
QMap<QString, int> declaredWidths(const TTestDb &t)
{
    QMap<QString, int> out;
    QSqlQuery q(t.db());
    if (t.engine() == TTestEngine::PostgreSQL) {
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT column_name, character_maximum_length FROM "
                                          "information_schema.columns WHERE table_schema = current_schema() "
                                          "AND character_maximum_length IS NOT NULL")));
        while (q.next())
            out[q.value(0).toString().toLower()] = q.value(1).toInt();
        return out;
    }
    static const QRegularExpression varchar(QStringLiteral("^VARCHAR\\((\\d+)\\)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    for (const QString &table : kStoreTables) {
        EXPECT_TRUE(q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table)));
        while (q.next()) {
            const auto m = varchar.match(q.value(QStringLiteral("type")).toString());
            if (m.hasMatch())
                out[q.value(QStringLiteral("name")).toString().toLower()] = m.captured(1).toInt();
        }
    }
    return out;
}

// One table for edits and SQL: it must say what the engines declare.
TEST_P(StoreDb, WidthTableMatchesTheSchema)
{
    QMap<QString, int> table;
    for (const TColumnWidth &w : ColumnWidths())
        table[QString::fromLatin1(w.column).toLower()] = w.width;
    EXPECT_EQ(table, declaredWidths(*t));
    EXPECT_EQ(ColumnWidth(u"UNstrPruefer"), 50);
    EXPECT_EQ(ColumnWidth(u"unstrbarcode"), 16); // the 16 digits a stored record holds
    EXPECT_EQ(ColumnWidth(u"PRstrNotiz"), 0);
}

// An over-long operator name used to go into SQLite and fail every fetch on
// the server. Fitted, it goes in the same on both.
TEST_P(StoreDb, OverLongTextIsCutToTheSameOnBothEngines)
{
    const QString name =
        QString(45, QLatin1Char('a')) + QStringLiteral("äöüß€") + QStringLiteral("Überlänge");
    QString err;
    const bool raw = ExecLines(t->db(),
                               {QStringLiteral("INSERT INTO tblUebernahme (UNintLfdNr, UNstrPruefer)"),
                                QStringLiteral("VALUES (1, %1)").arg(SqlQuote(name))},
                               &err);
    // What the server refuses, the embedded file takes: the reason for the table.
    EXPECT_EQ(raw, GetParam() == TTestEngine::SQLite) << err.toStdString();

    ASSERT_TRUE(
        ExecLines(t->db(),
                  {QStringLiteral("INSERT INTO tblUebernahme (UNintLfdNr, UNstrPruefer, UNstrBarcode)"),
                   QStringLiteral("VALUES (2, %1, %2)")
                       .arg(SqlQuoteFitted(u"UNstrPruefer", name),
                            SqlQuoteFitted(u"UNstrBarcode", QStringLiteral("12345678901234567890")))},
                  &err))
        << err.toStdString();
    QSqlQuery q(t->db());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT UNstrPruefer, UNstrBarcode FROM tblUebernahme "
                                      "WHERE UNintLfdNr = 2")) &&
                q.next());
    EXPECT_EQ(q.value(0).toString(), name.left(50));
    EXPECT_EQ(q.value(1).toString(), QStringLiteral("1234567890123456"));
}

TEST(ColumnWidths, FittingNeverSplitsACharacter)
{
    const QString clef = QString::fromUtf8("\xF0\x9D\x84\x9E"); // outside the basic plane: two code units
    const QString text = QString(15, QLatin1Char('1')) + clef;
    EXPECT_EQ(FitToColumn(u"UNstrBarcode", text), QString(15, QLatin1Char('1')));
    EXPECT_EQ(FitToColumn(u"UNstrBarcode", QStringLiteral("kurz")), QStringLiteral("kurz"));
    EXPECT_EQ(FitToColumn(u"PRstrNotiz", QString(5000, QLatin1Char('n'))).size(), 5000);
    EXPECT_EQ(SqlQuoteFitted(u"KDstrLKZ", QStringLiteral("D'EUTSCH")), QStringLiteral("'D''EUT'"));
}

} // namespace
