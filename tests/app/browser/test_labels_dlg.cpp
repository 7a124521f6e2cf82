// "Etiketten" from the browser: which devices, the printer's offset and safe
// margin kept in the configuration, and what the user is told.

#include "../../store/StoreTestDb.h"
#include "../AppTestSupport.h"
#include "app/browser/DatenanzeigeDlg.h"
#include "app/browser/EtikettenDlg.h"
#include "app/common/Configuration.h"
#include "protocols/Report.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QRadioButton>
#include <QSpinBox>

namespace {

class LabelsDlg : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<TTestDb>(TTestEngine::SQLite);
        ASSERT_TRUE(db->ok()) << db->error().toStdString();
        const QDateTime now(QDate::currentDate(), QTime(8, 0));
        db->addCustomer(1, QStringLiteral("Klinik Nord"));
        db->addCustomer(2, QStringLiteral("Praxis Süd"));
        db->addDevice(10, 1, QStringLiteral("Patientenbett"), QStringLiteral("471100"));
        db->addDevice(11, 1, QStringLiteral("Frisch geprüft"), QStringLiteral("Gerät-Ä"));
        db->addDevice(20, 2, QStringLiteral("Monitor"), QStringLiteral("900000"));
        db->addTest(100, 10, now.addDays(-400));
        db->addTest(110, 11, now.addDays(-5));
        db->addTest(200, 20, now.addDays(-350));
        dlg = std::make_unique<TDatenanzeigeDlg>();
        dlg->setDatabase(db->db());
        dlg->setConfiguration(&config);
        QObject::connect(dlg.get(), &TDatenanzeigeDlg::labelsReady,
                         [this](const TReport &r) { pages << r.Layout(); });
        dlg->show();
    }
    void TearDown() override
    {
        dlg.reset();
        db.reset();
    }
    // Labels (bands with at least one device) of the last report.
    int labelRows() const { return pages.isEmpty() ? 0 : static_cast<int>(pages.last().front().size()); }

    std::unique_ptr<TTestDb> db;
    TConfiguration config;
    std::unique_ptr<TDatenanzeigeDlg> dlg;
    gt_app_test::TFakePrompt prompt;
    QList<std::vector<std::vector<TReport::Placed>>> pages;
};

TEST_F(LabelsDlg, PrinterAreaComesFromTheConfigurationAndGoesBack)
{
    config.Labels = TLabelPrintArea{1.5, -2, 7};
    dlg->ChooseLabels = [&](TEtikettenDlg &choice) {
        EXPECT_EQ(choice.PrintArea(), (TLabelPrintArea{1.5, -2, 7}));
        choice.RbKunde->setChecked(true);
        choice.VersatzX->setValue(-3.5);
        choice.Rand->setValue(20); // beyond what the box takes
        return true;
    };
    dlg->EtikettenClick();
    EXPECT_EQ(config.Labels, (TLabelPrintArea{-3.5, -2, MaxLabelSafeMarginMm}));
    ASSERT_EQ(pages.size(), 1);
    // A cancelled dialog keeps what was stored.
    dlg->ChooseLabels = [&](TEtikettenDlg &choice) {
        choice.Rand->setValue(1);
        return false;
    };
    dlg->EtikettenClick();
    EXPECT_EQ(config.Labels.SafeMarginMm, MaxLabelSafeMarginMm);
    EXPECT_EQ(pages.size(), 1);
}

TEST_F(LabelsDlg, DueOnlyAllCustomersAndTheWarningForWhatHasNoBars)
{
    bool dueOnly = false;
    dlg->ChooseLabels = [&](TEtikettenDlg &choice) {
        EXPECT_FALSE(choice.FaelligTage->isEnabled());
        choice.RbAlle->setChecked(true);
        choice.CbFaellig->setChecked(dueOnly);
        EXPECT_EQ(choice.FaelligTage->isEnabled(), dueOnly);
        choice.FaelligTage->setValue(30);
        return true;
    };
    dlg->EtikettenClick(); // every device of every customer: one row of three
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(labelRows(), 1);
    // The barcode with an umlaut is named, with its device.
    ASSERT_EQ(prompt.messages.size(), 1);
    EXPECT_TRUE(prompt.messages[0].contains(QStringLiteral("Prüfling 11")))
        << prompt.messages[0].toStdString();
    EXPECT_TRUE(prompt.messages[0].contains(QStringLiteral("Gerät-Ä")));

    dueOnly = true; // device 11 was tested five days ago: no warning for it now
    dlg->EtikettenClick();
    ASSERT_EQ(pages.size(), 2);
    EXPECT_EQ(prompt.messages.size(), 1);

    TEtikettenDlg choice;
    choice.CbFaellig->setChecked(true);
    choice.FaelligTage->setValue(7);
    choice.RbPruefling->setChecked(true);
    const TLabelChoice one = choice.Selection(1, 11);
    EXPECT_EQ(one.KundenNr, 1);
    EXPECT_EQ(one.PrueflingNr, 11);
    EXPECT_EQ(one.DueWithinDays, 7);
    TReport report;
    EXPECT_FALSE(BuildLabels(nullptr, db->db(), one, choice, 365, report));
    ASSERT_EQ(prompt.messages.size(), 2);
    EXPECT_TRUE(prompt.messages[1].contains(QStringLiteral("innerhalb von 7 Tagen")));
}

} // namespace
