// The due-dates window over a real database: filters, colours, sorting, the
// double click that asks for the browser, and the export.

#include "../FakePrompt.h"
#include "StoreTestDb.h"
#include "app/extras/PrueffristenDlg.h"
#include "store/CsvExport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>

namespace {

class DueDialog : public StoreDb {
protected:
    void fill()
    {
        const QDate today = QDate::currentDate();
        t->addCustomer(1, QStringLiteral("Alpha"));
        t->addCustomer(2, QStringLiteral("Beta"));
        t->addDevice(10, 1, QStringLiteral("überfällig"), QStringLiteral("10"));
        t->addDevice(11, 1, QStringLiteral("bald"), QStringLiteral("11"));
        t->addDevice(12, 1, QStringLiteral("später"), QStringLiteral("12"));
        t->addDevice(20, 2, QStringLiteral("nie"));
        t->addTest(1, 10, QDateTime(today.addDays(-400), QTime(9, 0))); // 35 days over
        t->addTest(2, 11, QDateTime(today.addDays(-355), QTime(9, 0))); // due in 10
        t->addTest(3, 12, QDateTime(today.addDays(-100), QTime(9, 0))); // due in 265
    }
    QString cell(TPrueffristenDlg &d, int row, int col)
    {
        return d.Liste->model()->index(row, col).data().toString();
    }
};

TEST_P(DueDialog, FiltersColoursSortAndActivation)
{
    fill();
    gt_app_test::TFakePrompt prompt;
    QStringList &errors = prompt.messages;
    TPrueffristenDlg d;
    d.setDatabase(t->db());
    d.setServiceInterval(365);
    ASSERT_TRUE(d.Reload());
    EXPECT_TRUE(errors.isEmpty());
    auto *m = d.Liste->model();
    EXPECT_EQ(m->rowCount(), 4);
    EXPECT_EQ(d.KundeFilter->count(), 3); // all + two customers

    // Sorted by days left: never tested first, then the overdue one.
    d.Liste->sortByColumn(6, Qt::AscendingOrder);
    EXPECT_EQ(cell(d, 0, 1), QStringLiteral("nie"));
    EXPECT_EQ(cell(d, 0, 4), QStringLiteral("nie geprüft"));
    EXPECT_EQ(cell(d, 1, 1), QStringLiteral("überfällig"));
    EXPECT_EQ(cell(d, 1, 6), QStringLiteral("-35"));
    EXPECT_EQ(cell(d, 2, 6), QStringLiteral("10"));
    EXPECT_EQ(cell(d, 3, 6), QStringLiteral("265"));
    const QColor red = m->index(1, 0).data(Qt::BackgroundRole).value<QBrush>().color();
    const QColor yellow = m->index(2, 0).data(Qt::BackgroundRole).value<QBrush>().color();
    EXPECT_GT(red.red(), red.green() + 40);
    EXPECT_GT(yellow.green(), yellow.blue() + 40);
    EXPECT_FALSE(m->index(3, 0).data(Qt::BackgroundRole).isValid());

    // Due within 30 days, one customer.
    d.FaelligCheck->setChecked(true);
    EXPECT_EQ(m->rowCount(), 3);
    d.TageEdit->setValue(300);
    EXPECT_EQ(m->rowCount(), 4);
    d.TageEdit->setValue(30);
    d.KundeFilter->setCurrentIndex(d.KundeFilter->findText(QStringLiteral("Alpha")));
    EXPECT_EQ(m->rowCount(), 2);

    QList<QPair<int, int>> asked;
    QObject::connect(&d, &TPrueffristenDlg::deviceActivated, [&](int k, int p) { asked.append({k, p}); });
    emit d.Liste->doubleClicked(m->index(1, 2));
    EXPECT_EQ(asked, (QList<QPair<int, int>>{{1, 11}}));

    // The export writes what is shown, in the shown order.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("f.csv"));
    prompt.files << file;
    d.ExportClick();
    const QStringList lines =
        DecodeWindows1252(ReadFileBytes(file)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[1].contains(QStringLiteral("überfällig")));
    EXPECT_TRUE(lines[2].contains(QStringLiteral("bald")));

    if (qEnvironmentVariableIsSet("GT_SCREENSHOT_DIR")) {
        d.FaelligCheck->setChecked(false);
        d.KundeFilter->setCurrentIndex(0);
        d.show();
        d.grab().save(qEnvironmentVariable("GT_SCREENSHOT_DIR") + QStringLiteral("/prueffristen.png"));
    }
}

TEST_P(DueDialog, AFailedDeviceIsMarkedAndSortsRightAfterTheUntested)
{
    fill();
    // The device due in 265 days failed its newest test: it is due now.
    t->exec(QStringLiteral("UPDATE tblPruefung SET PRblnPruefungsergebnis = 0 WHERE PRintPruefungsNr = 3"));
    gt_app_test::TFakePrompt prompt;
    TPrueffristenDlg d;
    d.setDatabase(t->db());
    d.setServiceInterval(365);
    ASSERT_TRUE(d.Reload());
    auto *m = d.Liste->model();
    for (int col : {5, 6}) {
        d.Liste->sortByColumn(col, Qt::AscendingOrder);
        EXPECT_EQ(cell(d, 0, 1), QStringLiteral("nie")) << col;
        EXPECT_EQ(cell(d, 1, 1), QStringLiteral("später")) << col;
        EXPECT_EQ(cell(d, 1, 5), QStringLiteral("nicht bestanden")) << col;
        EXPECT_EQ(cell(d, 2, 1), QStringLiteral("überfällig")) << col;
    }
    const QColor red = m->index(1, 0).data(Qt::BackgroundRole).value<QBrush>().color();
    EXPECT_GT(red.red(), red.green() + 40);
    d.FaelligCheck->setChecked(true);
    d.TageEdit->setValue(0);
    EXPECT_EQ(m->rowCount(), 3); // untested, failed, overdue
}

// Sorting keeps the list's order within equal keys, both ways, and the
// selected device stays selected.
TEST_P(DueDialog, SortingIsStableAndTheSelectionFollowsItsDevice)
{
    fill();
    gt_app_test::TFakePrompt prompt;
    TPrueffristenDlg d;
    d.setDatabase(t->db());
    d.setServiceInterval(365);
    ASSERT_TRUE(d.Reload());
    d.Liste->sortByColumn(0, Qt::DescendingOrder);
    QStringList names;
    for (int r = 0; r < 4; ++r)
        names << cell(d, r, 1);
    EXPECT_EQ(names, (QStringList{"nie", "bald", "später", "überfällig"}));
    d.Liste->selectRow(3);
    d.Liste->sortByColumn(6, Qt::DescendingOrder);
    EXPECT_EQ(cell(d, 0, 1), QStringLiteral("später"));
    const QModelIndexList selected = d.Liste->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(cell(d, selected[0].row(), 1), QStringLiteral("überfällig"));
}

TEST_P(DueDialog, ReloadKeepsTheCustomerChoice)
{
    fill();
    gt_app_test::TFakePrompt prompt;
    TPrueffristenDlg d;
    d.setDatabase(t->db());
    ASSERT_TRUE(d.Reload());
    d.KundeFilter->setCurrentIndex(d.KundeFilter->findText(QStringLiteral("Beta")));
    t->addDevice(21, 2, QStringLiteral("neu"));
    ASSERT_TRUE(d.Reload());
    EXPECT_EQ(d.KundeFilter->currentText(), QStringLiteral("Beta"));
    EXPECT_EQ(d.Liste->model()->rowCount(), 2);
}

INSTANTIATE_TEST_SUITE_P(Engines, DueDialog, ::testing::Values(TTestEngine::SQLite, TTestEngine::PostgreSQL),
                         EngineName);

} // namespace
