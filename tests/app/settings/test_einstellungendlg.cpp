#include "../FakePrompt.h"
#include "app/settings/EinstellungenDlg.h"
#include "controls/Edits.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

TSettingsValues someValues()
{
    TSettingsValues v;
    v.TopLine = {QStringLiteral("Elektro Muster"), QStringLiteral("Hauptstr. 1"), QString(),
                 QStringLiteral("12345 Ort"), QStringLiteral("Tel. 0123")};
    v.BottomLine = {QStringLiteral("Fuß 1"), {}, {}, {}, QStringLiteral("Fuß 5")};
    v.Operator = QStringLiteral("Hans Prüfer");
    v.Assessor = QStringLiteral("Erika Bewerter");
    v.ServiceInterv = 180;
    v.Preview = true;
    v.ExportFile = 1;
    v.ExportFileName = QStringLiteral("/daten/export.csv");
    v.Export.set(ecBewertender, false);
    v.Export.set(ecKundenNr, true);
    v.Export.SichtprZeilen = true;
    return v;
}

template <typename T> T *child(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QLatin1String(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

TEST(SettingsDialog, FillThenStoreGivesTheSameValues)
{
    TEinstellungenDlg dlg;
    const TSettingsValues v = someValues();
    dlg.Fill(v);
    EXPECT_EQ(child<QPlainTextEdit>(dlg, "Memo1")->toPlainText().split(QLatin1Char('\n')).size(), 5);
    EXPECT_EQ(child<QPlainTextEdit>(dlg, "Memo2")->toPlainText().split(QLatin1Char('\n')).size(), 5);
    EXPECT_EQ(child<QLineEdit>(dlg, "Edit3")->text(), "/daten/export.csv");
    EXPECT_TRUE(child<QRadioButton>(dlg, "RadioButton2")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(dlg, "Export_KundenNr")->isChecked());
    EXPECT_FALSE(child<QCheckBox>(dlg, "Export_PrueflingNr")->isChecked());
    TSettingsValues back;
    back.Export.set(ecBewertender, false);
    dlg.Store(back);
    EXPECT_EQ(back, v);
}

TEST(SettingsDialog, MemoKeepsFiveLinesAndClearsTheRest)
{
    TEinstellungenDlg dlg;
    TSettingsValues v = someValues();
    dlg.Fill(v);
    child<QPlainTextEdit>(dlg, "Memo1")->setPlainText(QStringLiteral("1\n2\n3\n4\n5\n6\n7"));
    child<QPlainTextEdit>(dlg, "Memo2")->setPlainText(QStringLiteral("unten A\nunten B"));
    dlg.Store(v);
    EXPECT_EQ(v.TopLine, (std::array<QString, 5>{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(v.BottomLine, (std::array<QString, 5>{"unten A", "unten B", "", "", ""}));
}

TEST(SettingsDialog, EmptyExportFileNameMeansAskEveryTime)
{
    TEinstellungenDlg dlg;
    TSettingsValues v = someValues();
    dlg.Fill(v);
    child<QRadioButton>(dlg, "RadioButton2")->setChecked(true);
    child<QLineEdit>(dlg, "Edit3")->clear();
    dlg.Store(v);
    EXPECT_EQ(v.ExportFile, 0);
    EXPECT_EQ(v.ExportFileName, "");
}

TEST(SettingsDialog, AssessorColumnSwitchIsNotTouched)
{
    TEinstellungenDlg dlg;
    EXPECT_EQ(dlg.findChild<QCheckBox *>(QStringLiteral("Export_Bewertender")), nullptr);
    const QList<QCheckBox *> boxes =
        dlg.findChildren<QCheckBox *>(QRegularExpression(QStringLiteral("^Export_")));
    EXPECT_EQ(boxes.size(), 57);
    for (bool before : {false, true}) {
        TSettingsValues v = someValues();
        v.Export.set(ecBewertender, before);
        dlg.Fill(v);
        for (QCheckBox *b : boxes)
            b->setChecked(!before);
        dlg.Store(v);
        EXPECT_EQ(v.Export.on(ecBewertender), before);
        EXPECT_EQ(v.Export.on(ecNotiz), !before);
        EXPECT_EQ(v.Export.SichtprZeilen, !before);
    }
}

// Runs EditSettings and, once the dialog shows, edits it and presses a button.
bool runModal(TSettingsValues &v, const char *button)
{
    TEinstellungenDlg dlg;
    QTimer::singleShot(0, &dlg, [&dlg, button] {
        dlg.findChild<QPlainTextEdit *>(QStringLiteral("Memo1"))->setPlainText(QStringLiteral("neu"));
        dlg.findChild<QLineEdit *>(QStringLiteral("Edit1"))->setText(QStringLiteral("Jemand"));
        dlg.findChild<TIntEdit *>(QStringLiteral("IntEdit1"))->setValue(30);
        dlg.findChild<QCheckBox *>(QStringLiteral("Export_Name1"))->setChecked(false);
        dlg.findChild<QPushButton *>(QLatin1String(button))->click();
    });
    return dlg.EditSettings(v);
}

TEST(SettingsDialog, CancelChangesNothingOkStores)
{
    const TSettingsValues orig = someValues();
    TSettingsValues v = orig;
    EXPECT_FALSE(runModal(v, "CancelBtn"));
    EXPECT_EQ(v, orig);

    EXPECT_TRUE(runModal(v, "OKBtn"));
    EXPECT_EQ(v.TopLine[0], "neu");
    EXPECT_EQ(v.TopLine[1], "");
    EXPECT_EQ(v.Operator, "Jemand");
    EXPECT_EQ(v.ServiceInterv, 30);
    EXPECT_FALSE(v.Export.on(ecName1));
    EXPECT_EQ(v.Assessor, orig.Assessor);
}

TEST(SettingsDialog, RendersAllControls)
{
    TEinstellungenDlg dlg;
    dlg.Fill(someValues());
    dlg.show();
    // Showing lays the dialog out through posted events.
    ASSERT_TRUE(gt_test::waitFor([&] { return dlg.isVisible(); }));
    ASSERT_TRUE(gt_test::runPostedEvents());
    const QImage img = dlg.grab().toImage();
    EXPECT_GT(img.width(), 600);
    EXPECT_GT(img.height(), 400);
    // Five lines fit without scrolling.
    EXPECT_EQ(dlg.findChild<QPlainTextEdit *>(QStringLiteral("Memo1"))->verticalScrollBar()->maximum(), 0);
    // Every export box is laid out inside the dialog.
    for (QCheckBox *b : dlg.findChildren<QCheckBox *>()) {
        const QRect r(b->mapTo(&dlg, QPoint(0, 0)), b->size());
        EXPECT_TRUE(dlg.rect().contains(r)) << b->objectName().toStdString();
    }
    const QByteArray shots = qgetenv("GT_SCREENSHOT_DIR");
    if (!shots.isEmpty())
        img.save(QDir(QString::fromLocal8Bit(shots)).filePath(QStringLiteral("einstellungen.png")));
}

} // namespace

namespace {

// The dialog with its warnings recorded instead of shown.
struct TWarnedDlg : TEinstellungenDlg {
    gt_app_test::TFakePrompt prompt;
    QStringList &warnings = prompt.messages;
};

// Presses OK once the dialog shows, after typing text into the interval.
bool okWithInterval(TWarnedDlg &dlg, TSettingsValues &v, const QString &typed, bool thenCancel)
{
    QTimer::singleShot(0, &dlg, [&dlg, typed, thenCancel] {
        auto *edit = dlg.findChild<TIntEdit *>(QStringLiteral("IntEdit1"));
        if (!typed.isNull()) edit->setText(typed);
        dlg.findChild<QPushButton *>(QStringLiteral("OKBtn"))->click();
        if (thenCancel && dlg.isVisible()) dlg.findChild<QPushButton *>(QStringLiteral("CancelBtn"))->click();
    });
    return dlg.EditSettings(v);
}

} // namespace

// A hand-edited 5000 days or a typed 9999 used to become 3650 without a word.
TEST(SettingsDialog, IntervalOutOfRangeIsPointedOutNeverClamped)
{
    TWarnedDlg dlg;
    TSettingsValues v = someValues();
    v.ServiceInterv = 5000;
    dlg.Fill(v);
    EXPECT_EQ(dlg.findChild<TIntEdit *>(QStringLiteral("IntEdit1"))->text(), "5000");

    for (const QString &typed : {QStringLiteral("9999"), QStringLiteral("-1"), QStringLiteral("abc")}) {
        dlg.warnings.clear();
        TSettingsValues w = v;
        EXPECT_FALSE(okWithInterval(dlg, w, typed, true)) << typed.toStdString();
        EXPECT_EQ(dlg.warnings, QStringList{QStringLiteral(
                                    "Das Wartungsintervall muss eine ganze Zahl von 0 bis 3650 Tagen sein.")})
            << typed.toStdString();
        EXPECT_EQ(w.ServiceInterv, 5000) << "the stored value stays as it was";
    }
    dlg.warnings.clear();
    EXPECT_TRUE(okWithInterval(dlg, v, QStringLiteral("3650"), false));
    EXPECT_TRUE(dlg.warnings.isEmpty());
    EXPECT_EQ(v.ServiceInterv, 3650);
}

// The dialog is made once and shown again: what was typed before a Cancel is gone.
TEST(SettingsDialog, ReusedDialogShowsTheStoredValuesAgain)
{
    TWarnedDlg dlg;
    TSettingsValues v = someValues();
    QTimer::singleShot(0, &dlg, [&dlg] {
        dlg.findChild<TIntEdit *>(QStringLiteral("IntEdit1"))->setText(QStringLiteral("12x"));
        dlg.findChild<QLineEdit *>(QStringLiteral("Edit1"))->setText(QStringLiteral("Tippfehler"));
        dlg.findChild<QPushButton *>(QStringLiteral("CancelBtn"))->click();
    });
    EXPECT_FALSE(dlg.EditSettings(v));
    dlg.Fill(v);
    EXPECT_EQ(dlg.findChild<TIntEdit *>(QStringLiteral("IntEdit1"))->text(), "180");
    EXPECT_EQ(dlg.findChild<QLineEdit *>(QStringLiteral("Edit1"))->text(), v.Operator);
    TSettingsValues back = v;
    dlg.Store(back);
    EXPECT_EQ(back, v);
}

TEST(SettingsDialog, NameEditsHoldNoMoreThanTheirColumns)
{
    TEinstellungenDlg dlg;
    auto *op = dlg.findChild<QLineEdit *>(QStringLiteral("Edit1"));
    auto *as = dlg.findChild<QLineEdit *>(QStringLiteral("Edit2"));
    EXPECT_EQ(op->maxLength(), 50);
    EXPECT_EQ(as->maxLength(), 50);
    // A longer name from a hand-edited file is cut when shown, as a typed one would be.
    TSettingsValues v = someValues();
    v.Operator = QString(70, QLatin1Char('x'));
    dlg.Fill(v);
    dlg.Store(v);
    EXPECT_EQ(v.Operator.size(), 50);
}

TEST(SettingsDialog, TabGoesDownTheLeftThenTheRightThenTheExportColumnsThenTheButtons)
{
    TEinstellungenDlg dlg;
    QStringList chain;
    for (QWidget *w = dlg.nextInFocusChain(); w != &dlg; w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus) chain << w->objectName();
    const QStringList head{"Memo1",     "Memo2",        "Edit1",        "Edit2", "IntEdit1",
                           "CheckBox1", "RadioButton1", "RadioButton2", "Edit3", "Button1"};
    ASSERT_GT(chain.size(), head.size() + 2);
    EXPECT_EQ(chain.mid(0, head.size()), head);
    // The export switches column by column, each from the top: the first
    // column ends with the fax, the second starts with the designation.
    const QStringList exports = chain.mid(head.size(), chain.size() - head.size() - 2);
    EXPECT_EQ(exports.size(), int(ecColumnCount)); // every column but the assessor's, and SichtprZeilen
    EXPECT_EQ(exports.value(11), QStringLiteral("Export_Fax"));
    EXPECT_EQ(exports.value(12), QStringLiteral("Export_Bezeichnung"));
    EXPECT_EQ(exports.constLast(), QStringLiteral("Export_SichtprZeilen"));
    EXPECT_EQ(chain.mid(chain.size() - 2), (QStringList{"OKBtn", "CancelBtn"}));
}
