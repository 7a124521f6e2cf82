// "Erinnerungen..." in the due-dates window: letters for the customers
// shown, only for what is due, the folder asked through the prompt.

#include "../../protocols/PdfTools.h"
#include "../FakePrompt.h"
#include "StoreTestDb.h"
#include "app/extras/PrueffristenDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>

namespace {

using gt_app_test::TFakePrompt;

class ReminderButton : public StoreDb {
protected:
    void SetUp() override
    {
        StoreDb::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        const QDate today = QDate::currentDate();
        t->addCustomer(1, QStringLiteral("Alpha"));
        t->addCustomer(2, QStringLiteral("Beta"));
        t->addCustomer(3, QStringLiteral("Gamma"));
        t->addDevice(10, 1, QStringLiteral("überfällig"));
        t->addDevice(12, 1, QStringLiteral("später"));
        t->addDevice(20, 2, QStringLiteral("nie"));
        t->addDevice(30, 3, QStringLiteral("neu geprüft"));
        t->addTest(1, 10, QDateTime(today.addDays(-400), QTime(9, 0))); // 35 days over
        t->addTest(2, 12, QDateTime(today.addDays(-100), QTime(9, 0))); // due in 265
        t->addTest(3, 30, QDateTime(today.addDays(-300), QTime(9, 0))); // due in 65
        d.setDatabase(t->db());
        d.setServiceInterval(365);
        d.setSenderLines({QStringLiteral("Prüfdienst Muster")});
        ASSERT_TRUE(d.Reload());
    }
    void TearDown() override
    {
        d.setDatabase(QSqlDatabase()); // the connection goes with the database
        StoreDb::TearDown();
    }
    void choose(const char *customer)
    {
        d.KundeFilter->setCurrentIndex(d.KundeFilter->findText(QString::fromUtf8(customer)));
    }
    QStringList letters(const QString &folder) const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    TFakePrompt prompt;
    TPrueffristenDlg d;
    QTemporaryDir dir;
};

TEST_P(ReminderButton, WritesLettersForTheCustomersShownWithDueDevices)
{
    EXPECT_EQ(d.BtnErinnerungen->text(), QStringLiteral("Erinnerungen..."));
    // One customer chosen: only that one's letter.
    choose("Alpha");
    const QString one = dir.filePath(QStringLiteral("alpha"));
    prompt.files << one;
    d.BtnErinnerungen->click();
    EXPECT_EQ(prompt.count(TFakePrompt::TKind::Folder), 1);
    EXPECT_EQ(letters(one), QStringList{"Erinnerung 00001 Alpha.pdf"});
    EXPECT_EQ(prompt.told(QMessageBox::Information),
              QStringList{"1 Erinnerungsschreiben geschrieben, 0 fehlgeschlagen."});

    // Every customer: Gamma's device is due only after the warning days.
    d.KundeFilter->setCurrentIndex(0);
    const QString all = dir.filePath(QStringLiteral("alle"));
    prompt.files << all;
    d.BtnErinnerungen->click();
    EXPECT_EQ(letters(all), (QStringList{"Erinnerung 00001 Alpha.pdf", "Erinnerung 00002 Beta.pdf"}));
    // The days of the filter, when it is on, decide what is due.
    d.FaelligCheck->setChecked(true);
    d.TageEdit->setValue(70);
    const QString wide = dir.filePath(QStringLiteral("weit"));
    prompt.files << wide;
    d.BtnErinnerungen->click();
    EXPECT_EQ(letters(wide).size(), 3);

    if (!pdf_tools::havePoppler()) GT_SKIP_WITHOUT_TOOL("poppler-utils fehlen");
    const QString text = pdf_tools::text(QDir(one).filePath(QStringLiteral("Erinnerung 00001 Alpha.pdf")));
    EXPECT_TRUE(text.contains(QStringLiteral("Prüfdienst Muster")));
    EXPECT_TRUE(text.contains(QStringLiteral("überfällig")));
    EXPECT_FALSE(text.contains(QStringLiteral("später"))) << "not due: not in the letter";
}

TEST_P(ReminderButton, NothingDueCancelAndABadFolderWriteNothing)
{
    choose("Gamma");
    d.BtnErinnerungen->click();
    EXPECT_EQ(prompt.count(TFakePrompt::TKind::Folder), 0) << "no folder asked for nothing";
    EXPECT_EQ(
        prompt.told(QMessageBox::Information),
        QStringList{"Bei den angezeigten Kunden ist kein Prüfling innerhalb von 30 Tagen fällig; es wird "
                    "kein Schreiben erstellt."});

    choose("Alpha");
    d.BtnErinnerungen->click(); // the folder question cancelled
    EXPECT_EQ(prompt.count(TFakePrompt::TKind::Folder), 1);
    EXPECT_EQ(prompt.messages.size(), 1);

    QFile file(dir.filePath(QStringLiteral("datei")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    prompt.files << file.fileName();
    d.BtnErinnerungen->click();
    const QStringList warnings = prompt.told(QMessageBox::Warning);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains(QStringLiteral("ist kein Ordner"))) << warnings[0].toStdString();
    EXPECT_EQ(prompt.told(QMessageBox::Information).size(), 1) << "no summary that reads like success";
}

INSTANTIATE_TEST_SUITE_P(Engines, ReminderButton,
                         ::testing::Values(TTestEngine::SQLite, TTestEngine::PostgreSQL), EngineName);

} // namespace
