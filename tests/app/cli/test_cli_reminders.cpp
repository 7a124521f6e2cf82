// "--reminders": which customers get a letter by days and customer number,
// what it prints, and its German refusals.

#include "../../protocols/PdfTools.h"
#include "StoreTestDb.h"
#include "app/cli/CliReminders.h"
#include "app/cli/CommandLine.h"
#include "support/OutputCapture.h"
#include "support/ProgramIniScope.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

struct TRun {
    int rc = -1;
    QString out, err;
};

class CliReminders : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<TTestDb>(TTestEngine::SQLite);
        ASSERT_TRUE(db->ok()) << db->error().toStdString();
        iniScope.useDatabase(db->connectionString());
        TIniFile ini(iniScope.path());
        ini.WriteInteger(QStringLiteral("Configuration"), QStringLiteral("ServiceInterv"), 365);
        ini.WriteString(QStringLiteral("Configuration"), QStringLiteral("TopLine1"),
                        QStringLiteral("Prüfdienst Muster"));
        const QDate today = QDate::currentDate();
        db->addCustomer(1, QStringLiteral("Kunde: A/B"));
        db->addCustomer(2, QStringLiteral("Beta"));
        db->addCustomer(3, QStringLiteral("Gamma"));
        db->addDevice(10, 1, QStringLiteral("Bohrer"), QStringLiteral("0612"));
        db->addDevice(11, 1, QStringLiteral("Lampe")); // never tested
        db->addDevice(20, 2, QStringLiteral("Säge"));
        db->addDevice(30, 3, QStringLiteral("Fön"));
        db->addTest(100, 10, QDateTime(today.addDays(-400), QTime(9, 0))); // 35 days over
        db->addTest(200, 20, QDateTime(today.addDays(-345), QTime(9, 0))); // due in 20 days
        db->addTest(300, 30, QDateTime(today.addDays(-10), QTime(9, 0)));  // due in 355 days
    }
    TRun run(const QStringList &args) const
    {
        gt_test::TOutputCapture out(stdout), err(stderr);
        TRun r;
        r.rc = RunRemindersCommand(
            QStringList{QStringLiteral("geraetetester"), QStringLiteral("--reminders")} + args);
        r.out = out.text();
        r.err = err.text();
        return r;
    }
    QStringList letters(const char *folder) const
    {
        return QDir(dir.filePath(QLatin1String(folder))).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }

    QTemporaryDir dir;
    gt_test::TProgramIniScope iniScope;
    std::unique_ptr<TTestDb> db;
};

const QString kFirst = QStringLiteral("Erinnerung 00001 Kunde_ A_B.pdf");
const QString kSecond = QStringLiteral("Erinnerung 00002 Beta.pdf");
const QString kThird = QStringLiteral("Erinnerung 00003 Gamma.pdf");

TEST_F(CliReminders, DaysAndCustomerChooseWhoGetsALetter)
{
    TRun r = run({path("a")});
    ASSERT_EQ(r.rc, 0) << r.err.toStdString();
    EXPECT_EQ(letters("a"), (QStringList{kFirst, kSecond}));
    EXPECT_EQ(r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts),
              (QStringList{QDir(path("a")).filePath(kFirst), QDir(path("a")).filePath(kSecond),
                           QStringLiteral("2 Erinnerungsschreiben geschrieben, 0 fehlgeschlagen.")}));

    EXPECT_EQ(run({path("b"), QStringLiteral("--days"), QStringLiteral("0")}).rc, 0);
    EXPECT_EQ(letters("b"), QStringList{kFirst}) << "overdue and never tested, nothing due later";
    EXPECT_EQ(run({path("c"), QStringLiteral("--days"), QStringLiteral("400")}).rc, 0);
    EXPECT_EQ(letters("c"), (QStringList{kFirst, kSecond, kThird}));
    EXPECT_EQ(run({path("d"), QStringLiteral("--customer"), QStringLiteral("2")}).rc, 0);
    EXPECT_EQ(letters("d"), QStringList{kSecond});

    // Nothing due: said, and no folder made.
    r = run({path("e"), QStringLiteral("--customer"), QStringLiteral("3")});
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.out.trimmed(),
              QStringLiteral("Beim Kunden 3 ist kein Prüfling innerhalb von 30 Tagen fällig; es "
                             "wurde kein Schreiben erstellt."));
    EXPECT_FALSE(QFileInfo::exists(path("e")));

    if (!pdf_tools::havePoppler()) GT_SKIP_WITHOUT_TOOL("poppler-utils fehlen");
    const QString text = pdf_tools::text(QDir(path("a")).filePath(kFirst));
    for (const char *word : {"Prüfdienst Muster", "Kunde: A/B", "Bohrer", "Lampe", "0612"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(word))) << word;
    EXPECT_FALSE(text.contains(QStringLiteral("Säge")));
}

TEST_F(CliReminders, RefusesWhatItCannotDoInGerman)
{
    TRun r = run({path("x"), QStringLiteral("--customer"), QStringLiteral("9")});
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.err.trimmed(), QStringLiteral("Einen Kunden Nr. 9 gibt es in der Datenbank nicht."));
    r = run({path("x"), QStringLiteral("--days"), QStringLiteral("viele")});
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("keine gültige Anzahl Tage"))) << r.err.toStdString();
    EXPECT_EQ(run({path("x"), QStringLiteral("--customer"), QStringLiteral("0")}).rc, 1);
    EXPECT_FALSE(QFileInfo::exists(path("x")));

    QFile file(path("datei"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    r = run({path("datei")});
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("ist kein Ordner"))) << r.err.toStdString();
    r = run({path("datei") + QStringLiteral("/unter")});
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("kann nicht angelegt werden"))) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << "no summary that reads like success";
}

TEST(CliRemindersLine, TheCommandTableTakesItsOptions)
{
    TCommandLine cl =
        ParseCommandLine({"geraetetester", "--reminders", "briefe", "--customer=2", "--days", "10"});
    ASSERT_EQ(cl.action, TCommandLine::RunCommand) << cl.error.toStdString();
    EXPECT_EQ(cl.commandArgs,
              (QStringList{"geraetetester", "--reminders", "briefe", "--days", "10", "--customer", "2"}));
    cl = ParseCommandLine({"geraetetester", "--reminders", "briefe", "--position", "2"});
    EXPECT_EQ(cl.action, TCommandLine::Error);
}

} // namespace
