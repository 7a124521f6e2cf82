// The retrieval window tells where things stand: what the tester holds and
// which button fetches it, what a fetch found, what a transfer will do and
// did; rows without a device stand out; the first size shows the values.

#include "RetrievalDialogsFixture.h"

#include "app/retrieval/DatenabrufHinweis.h"
#include "app/retrieval/DatenabrufSpalten.h"
#include "tester/Datenabruf.h"

#include <QHeaderView>

using namespace staging_grid;

namespace {

QString line(TDatenabrufDlg &d)
{
    return d.HinweisZeile->text();
}

bool waitFor(const std::function<bool()> &pred)
{
    QDeadlineTimer deadline(5000);
    while (!pred() && !deadline.hasExpired())
        QTest::qWait(10);
    return pred();
}

class RetrievalGuidance : public RetrievalDialogs {};

} // namespace

TEST_F(RetrievalGuidance, OpeningSaysWhatTheTesterHoldsAndWhichButtonFetchesIt)
{
    abruf->show();
    EXPECT_TRUE(line(*abruf).startsWith(QStringLiteral("Kein Gerätetester verbunden")))
        << line(*abruf).toStdString();
    abruf->hide();

    startSimForDialog(4);
    abruf->show();
    ASSERT_TRUE(waitFor([&] { return line(*abruf).contains(QStringLiteral("4 gespeicherte Prüfungen")); }))
        << line(*abruf).toStdString();
    EXPECT_TRUE(line(*abruf).contains(QStringLiteral("„Daten holen“")));
    EXPECT_TRUE(enabled(abruf->BtnDatenHolen));
    EXPECT_EQ(sim.stateInt(QStringLiteral("records")), 4) << "asking the count clears nothing";
    abruf->hide();

    // Rows left from before: the line says what they need, and why the button waits.
    stage(1, QStringLiteral("12"));
    abruf->show();
    ASSERT_TRUE(waitFor([&] { return line(*abruf).contains(QStringLiteral("4 weitere Prüfungen")); }))
        << line(*abruf).toStdString();
    EXPECT_TRUE(line(*abruf).startsWith(QStringLiteral("1 Satz in der Liste, 0 zugeordnet; 1 braucht noch")));
    EXPECT_FALSE(enabled(abruf->BtnDatenHolen));
}

TEST_F(RetrievalGuidance, AfterAFetchOneLineCountsFoundAndOpenRowsAndOpenRowsStandOut)
{
    startSimForDialog(3);
    QString barcode;
    simRecordHex(1, &barcode);
    ASSERT_FALSE(barcode.isEmpty());
    db->addCustomer(1, QStringLiteral("K"));
    db->addDevice(7, 1, QStringLiteral("Bohrmaschine"), barcode);
    abruf->show();
    const QFontMetrics fm = abruf->StagingGrid->fontMetrics();
    bool checked = false;
    QObject::connect(abruf->Logic(), &TDatenabruf::recordRead, abruf.get(), [&](int, int, const QString &) {
        // The date column is as wide as a date before the first row is there.
        EXPECT_GE(abruf->StagingGrid->columnWidth(cDatum),
                  fm.horizontalAdvance(QStringLiteral("09.12.2026 23:59:59")));
        EXPECT_TRUE(line(*abruf).startsWith(QStringLiteral("3 Prüfungen werden gelesen")))
            << line(*abruf).toStdString();
        if (!checked)
            abruf->grab().save(gt_test::buildDir() + QStringLiteral("/tests/app/datenabruf-beim-abruf.png"));
        checked = true;
    });
    abruf->BtnDatenHolen->click();
    ASSERT_TRUE(checked);
    ASSERT_EQ(abruf->Model()->rowCount(), 3);
    int found = 0;
    for (int row = 0; row < 3; ++row)
        found += abruf->Model()->Offen(row) ? 0 : 1;
    ASSERT_GE(found, 1);
    EXPECT_EQ(line(*abruf), AbrufErgebnis(3, found));
    EXPECT_TRUE(line(*abruf).startsWith(QStringLiteral("3 Prüfungen abgerufen, ")));
    EXPECT_TRUE(asked.isEmpty()) << "a fetch that went well needs no box";
    for (int row = 0; row < 3; ++row) {
        const QVariant colour = abruf->Model()->index(row, cErgebnis).data(Qt::BackgroundRole);
        EXPECT_EQ(colour.isValid(), abruf->Model()->Offen(row)) << row;
    }
}

TEST_F(RetrievalGuidance, TransferAsksWithTheCountsAndSumsUpInOneMessage)
{
    db->addCustomer(1, QStringLiteral("K"));
    db->addDevice(3, 1, QStringLiteral("A"), QStringLiteral("77"));
    stage(1, QStringLiteral("77"));
    stage(2, QStringLiteral("78"));
    stage(3, QStringLiteral("77"));
    abruf->show();
    answers << true;
    abruf->BtnUebernehmen->click();
    ASSERT_EQ(asked.size(), 2);
    EXPECT_TRUE(asked[0].startsWith(
        QStringLiteral("Sollen die zugeordneten Sätze zu den gespeicherten Daten übernommen werden?\n\n")));
    EXPECT_TRUE(asked[0].endsWith(QStringLiteral(
        "2 Sätze sind einem Prüfling zugeordnet und werden übernommen; 1 bleibt in der Liste.")))
        << asked[0].toStdString();
    EXPECT_EQ(asked[1], QStringLiteral("2 Sätze übernommen. 1 Satz bleibt in der Liste (1 ohne Prüfling)."));
    EXPECT_EQ(line(*abruf), asked[1]);
    EXPECT_EQ(prompt.told(QMessageBox::Information).size(), 1);

    // Failed rows: the failures and the summary in one box.
    db->exec(
        QStringLiteral("CREATE TRIGGER tNein BEFORE INSERT ON tblPruefung BEGIN SELECT RAISE(ABORT, 'nein'); "
                       "END"));
    stage(4, QStringLiteral("77"));
    stage(5, QStringLiteral("77"));
    abruf->hide();
    abruf->show();
    asked.clear();
    answers << true;
    abruf->BtnUebernehmen->click();
    ASSERT_EQ(asked.size(), 2);
    EXPECT_TRUE(asked[1].contains(QStringLiteral("lfd. Nr. 4, 5")));
    EXPECT_TRUE(asked[1].endsWith(QStringLiteral(
        "0 Sätze übernommen, 2 wegen eines Fehlers nicht. 3 Sätze bleiben in der Liste (1 ohne Prüfling, 2 "
        "nach einem Fehler).")))
        << asked[1].toStdString();
}

TEST_F(RetrievalGuidance, FirstSizeShowsResultAndValuesOnA1280x800Screen)
{
    TUebernahmeWerte w;
    w.UNintSchutzleiterwid = 1234;
    w.UNintIsolationswid = 5000;
    w.UNintAbleitstrom = 35;
    w.UNintGrenzwertflags = 1;
    for (int i = 1; i <= 12; ++i)
        stage(i, QStringLiteral("4006381333931%1").arg(i), w);
    // A screen of 1280 × 800 less a panel of the desktop.
    const QRect screen(0, 0, 1280, 770);
    const QSize size = abruf->PreferredSize(screen);
    EXPECT_LE(size.width(), screen.width());
    EXPECT_LE(size.height(), screen.height());
    abruf->resize(size);
    abruf->show();
    QApplication::processEvents();
    QTableView *grid = abruf->StagingGrid;
    const int visible = grid->viewport()->width();
    for (const int c : {cLfdNr, cBarcode, cPruefling, cDatum, cErgebnis, cSchutzleiter, cIsolation, cAbleit,
                        cSlL1N, cSlNL1, cBeL1N, cBeNL1}) {
        const QString title = abruf->Model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        EXPECT_LE(grid->columnViewportPosition(c) + grid->columnWidth(c), visible) << title.toStdString();
        for (int row = 0; row < abruf->Model()->rowCount(); ++row) {
            const QString text = abruf->Model()->index(row, c).data().toString();
            EXPECT_LE(grid->fontMetrics().horizontalAdvance(text), grid->columnWidth(c))
                << title.toStdString() << ": " << text.toStdString();
        }
    }
    // A picture to look at.
    EXPECT_TRUE(abruf->grab().save(gt_test::buildDir() + QStringLiteral("/tests/app/datenabruf-1280.png")));
}
