// Finding things in the browser at full size: the selection list's filter and
// order, the search's count and its far hits, a duplicate barcode however the
// row is left, what a failed save says, and the inspection form's texts.

#include "BrowserFixture.h"
#include "app/browser/AuswListeDlg.h"
#include "app/browser/ProtDaten.h"
#include "app/browser/SearchHitModel.h"
#include "core/IniFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QListView>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>

namespace {

QStringList column(const QAbstractItemModel *m, int c)
{
    QStringList out;
    for (int r = 0; r < m->rowCount(); ++r)
        out << m->index(r, c).data().toString();
    return out;
}

} // namespace

TEST_F(BrowserDlg, CustomerListFiltersAsTypedSortsByNameOrNumberAndFitsItsNames)
{
    const QString longName = QStringLiteral("Evangelisches Krankenhaus Bethesda Mönchengladbach");
    db->addCustomer(3, longName, QStringLiteral("Mönchengladbach"));
    db->addCustomer(4, QStringLiteral("ärztehaus am Markt"), QStringLiteral("Ulm"));
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("gt.ini"));
    TAuswListeDlg list(nullptr, ini);
    dlg->setListDialog(&list);
    onModal([&](QWidget *) {
        const QAbstractItemModel *m = list.ListGrid->model();
        // By name in German order, letter case ignored; the browser stays where it was.
        EXPECT_EQ(list.SortBox->currentText(), QStringLiteral("Name"));
        EXPECT_EQ(column(m, 0), (QStringList{QStringLiteral("ärztehaus am Markt"), longName,
                                             QStringLiteral("Klinik Nord"), QStringLiteral("Praxis Süd")}));
        EXPECT_EQ(list.ListGrid->currentIndex().row(), 2);
        // The long name is not cut.
        EXPECT_GE(list.ListGrid->columnWidth(0), list.ListGrid->fontMetrics().horizontalAdvance(longName));
        EXPECT_EQ(list.ListGrid->columnWidth(7), 80); // short phone numbers keep the given width

        list.SortBox->setCurrentIndex(1);
        emit list.SortBox->activated(1);
        EXPECT_EQ(column(m, 0).first(), QStringLiteral("Klinik Nord"));
        EXPECT_EQ(column(m, 0).last(), QStringLiteral("ärztehaus am Markt"));

        // Each letter narrows the list; the first hit becomes current and OK takes it.
        list.FilterEdit->setText(QStringLiteral("mönchen"));
        EXPECT_EQ(column(m, 0), QStringList{longName});
        list.FilterEdit->setText(QStringLiteral("ULM"));
        EXPECT_EQ(column(m, 0),
                  (QStringList{QStringLiteral("Praxis Süd"), QStringLiteral("ärztehaus am Markt")}));
        list.FilterEdit->setText(QStringLiteral("ulm ärzte"));
        EXPECT_EQ(m->rowCount(), 0);
        list.FilterEdit->setText(QStringLiteral("ärzte"));
        list.OkButton->click();
    });
    dlg->BtnKunden->click();
    EXPECT_EQ(dlg->KDstrName1->text(), QStringLiteral("ärztehaus am Markt"));
    EXPECT_EQ(TIniFile(ini).ReadString(QStringLiteral("SelectList"), QStringLiteral("Kunden"), QString()),
              QStringLiteral("Nummer"));

    // The order chosen last is the order of the next showing.
    onModal([&](QWidget *) {
        EXPECT_EQ(list.SortBox->currentText(), QStringLiteral("Nummer"));
        EXPECT_TRUE(list.FilterEdit->text().isEmpty());
        EXPECT_EQ(list.ListGrid->model()->rowCount(), 4);
        list.OkButton->click();
    });
    dlg->BtnKunden->click();
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('|')).toStdString();
}

TEST_F(BrowserDlg, SearchSaysHowManyHitsAndReachesTheLastOfThem)
{
    db->exec(QStringLiteral("BEGIN"));
    for (int i = 0; i < 250; ++i)
        db->addDevice(1000 + i, 2, QStringLiteral("Pumpe %1").arg(i));
    db->exec(QStringLiteral("COMMIT"));
    const int heightBefore = dlg->height();
    dlg->SearchEdit->setText(QStringLiteral("PUMPE"));
    pressKey(dlg->SearchEdit, Qt::Key_Return);
    EXPECT_EQ(dlg->SearchCount->text(), QStringLiteral("250 Treffer"));
    EXPECT_TRUE(dlg->SearchCount->isVisible());
    // The hits take a column of their own: the window grows no taller than
    // the screen's 800 lines allow.
    dlg->layout()->activate();
    EXPECT_EQ(dlg->height(), heightBefore);
    EXPECT_TRUE(dlg->SearchHits->isVisible());
    QAbstractItemModel *hits = dlg->SearchHits->model();
    ASSERT_EQ(hits->rowCount(), 250);
    const QModelIndex last = hits->index(249, 0);
    EXPECT_TRUE(last.data().toString().startsWith(QStringLiteral("Pumpe 249 – Kunde: Praxis Süd")))
        << last.data().toString().toStdString();
    emit dlg->SearchHits->activated(last);
    EXPECT_EQ(dlg->PLstrBezeichnung->text(), QStringLiteral("Pumpe 249"));
    EXPECT_EQ(dlg->KDstrName1->text(), QStringLiteral("Praxis Süd"));
    EXPECT_EQ(dlg->DevicePos->text(), QStringLiteral("[251/251]"));

    // A page that cannot be read says so in its rows.
    dlg->Search(QStringLiteral("pumpe"));
    db->exec(QStringLiteral("ALTER TABLE tblPruefling RENAME TO tblPrueflingWeg"));
    const QString unread = hits->index(120, 0).data().toString();
    db->exec(QStringLiteral("ALTER TABLE tblPrueflingWeg RENAME TO tblPruefling"));
    EXPECT_TRUE(unread.startsWith(QStringLiteral("Treffer nicht lesbar: "))) << unread.toStdString();
    emit dlg->SearchHits->activated(hits->index(120, 0));
    EXPECT_EQ(dlg->PLstrBezeichnung->text(), QStringLiteral("Pumpe 249"));

    // Clearing the field takes the hits away.
    dlg->SearchEdit->clear();
    EXPECT_FALSE(dlg->SearchHits->isVisible());
    EXPECT_FALSE(dlg->SearchCount->isVisible());
    EXPECT_TRUE(messages.isEmpty());
}

// The navigator buttons take no focus: the barcode field is never left, and
// the move alone must refuse the duplicate, once, in the user's words.
TEST_F(BrowserDlg, ADuplicateBarcodeIsRefusedOnceHoweverTheRowIsLeft)
{
    const QString duplicate = DuplicateBarcodeMessage();
    dlg->DeviceNavigator->Next->click();
    ASSERT_EQ(dlg->PLstrBezeichnung->text(), QStringLiteral("Ohne Prüfung"));

    type(dlg->PLstrBarcode, QStringLiteral("9000"));
    dlg->DeviceNavigator->Prior->click();
    EXPECT_EQ(prompt.told(QMessageBox::Warning), QStringList{duplicate});
    EXPECT_EQ(dlg->PLstrBezeichnung->text(), QStringLiteral("Ohne Prüfung"));
    EXPECT_EQ(dlg->PLstrBarcode->text(), QStringLiteral("4712"));
    // Leaving the field afterwards finds nothing left to refuse.
    emit dlg->PLstrBarcode->editingFinished();
    EXPECT_EQ(messages.size(), 1);

    type(dlg->PLstrBarcode, QStringLiteral("9000"));
    dlg->CustomerNavigator->Next->click();
    EXPECT_EQ(dlg->KDstrName1->text(), QStringLiteral("Klinik Nord"));
    type(dlg->PLstrBarcode, QStringLiteral("9000"));
    dlg->SearchEdit->setText(QStringLiteral("Monitor"));
    pressKey(dlg->SearchEdit, Qt::Key_Return);
    EXPECT_EQ(dlg->PLstrBezeichnung->text(), QStringLiteral("Ohne Prüfung"));
    type(dlg->PLstrBarcode, QStringLiteral("9000"));
    dlg->BtnOK->click();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(prompt.told(QMessageBox::Warning), (QStringList{duplicate, duplicate, duplicate, duplicate}));
    EXPECT_TRUE(prompt.told(QMessageBox::Critical).isEmpty());
    EXPECT_EQ(db->count(QStringLiteral("tblPruefling"), QStringLiteral("PLstrBarcode = '9000'")), 1);
    EXPECT_EQ(db->count(QStringLiteral("tblPruefling"), QStringLiteral("PLstrBarcode = '4712'")), 1);

    // A free barcode goes through by the same button.
    dlg->show();
    dlg->DeviceNavigator->Next->click();
    type(dlg->PLstrBarcode, QStringLiteral("4713"));
    dlg->DeviceNavigator->Prior->click();
    EXPECT_EQ(dlg->PLstrBezeichnung->text(), QStringLiteral("Patientenbett"));
    EXPECT_EQ(db->count(QStringLiteral("tblPruefling"),
                        QStringLiteral("PLintPrueflingNr = 11 AND PLstrBarcode = '4713'")),
              1);
}

TEST_F(BrowserDlg, AFailedSaveSaysItWasNotSaved)
{
    db->exec(QStringLiteral("CREATE TRIGGER kein_ort BEFORE UPDATE ON tblKunden "
                            "BEGIN SELECT RAISE(ABORT, 'Ort gesperrt'); END"));
    type(dlg->KDstrOrt, QStringLiteral("Bremerhaven"));
    emit dlg->KDstrOrt->editingFinished();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.first().startsWith(QStringLiteral("Die Änderung wurde nicht gespeichert.")))
        << messages.first().toStdString();
    EXPECT_TRUE(messages.first().contains(QStringLiteral("Ort gesperrt")));
    EXPECT_FALSE(messages.first().contains(QStringLiteral("fetch"), Qt::CaseInsensitive));
    EXPECT_EQ(db->count(QStringLiteral("tblKunden"), QStringLiteral("KDstrOrt = 'Bremerhaven'")), 0);
}

TEST_F(BrowserDlg, InspectionFormShowsItsTextsWholeAndInGerman)
{
    TProtDaten form;
    const QString part = QStringLiteral("Netzanschlussleitung einschließlich Stecker und Knickschutztülle");
    const QString text = QStringLiteral("Isolierung unbeschädigt, keine Quetschungen, Knicke oder "
                                        "Scheuerstellen; Zugentlastung wirksam und fest verschraubt");
    form.AddRow(1, part, text, -1);
    form.AddRow(2, QStringLiteral("Gehäuse"), QStringLiteral("unbeschädigt"), 0);
    form.show();
    QCoreApplication::processEvents();
    int seen = 0;
    for (QLabel *l : form.RowsArea->widget()->findChildren<QLabel *>()) {
        if (l->text() != part && l->text() != text) continue;
        ++seen;
        const QRect needed = l->fontMetrics().boundingRect(l->contentsRect(), Qt::TextWordWrap, l->text());
        EXPECT_LE(needed.height(), l->contentsRect().height()) << l->text().toStdString();
        EXPECT_LE(needed.width(), l->contentsRect().width()) << l->text().toStdString();
        EXPECT_TRUE(l->isVisible());
    }
    EXPECT_EQ(seen, 2);
    QStringList boxes;
    for (QCheckBox *b : form.RowsArea->widget()->findChildren<QCheckBox *>())
        boxes << b->text();
    boxes.removeDuplicates();
    boxes.sort();
    EXPECT_EQ(boxes, (QStringList{QStringLiteral("OK"), QStringLiteral("nicht OK")}));
    EXPECT_TRUE(form.NotOkBox(2)->isChecked());
    form.grab().save(qEnvironmentVariable("GT_BUILD_DIR", QStringLiteral(".")) +
                     QStringLiteral("/sichtpruefung-lang.png"));
}

// A step shows new values, dates and limits without laying out the window
// again: that was most of a step's time on a large database.
TEST_F(BrowserDlg, AStepToAnotherTestDoesNotLayOutTheWindowAgain)
{
    struct LayoutCounter : QObject {
        QStringList requests;
        bool eventFilter(QObject *o, QEvent *e) override
        {
            if (e->type() == QEvent::LayoutRequest) requests << o->objectName();
            return false;
        }
    } counter;
    // Both tests of the device to the same standard, with other values and dates.
    dlg->hide();
    db->exec(QStringLiteral("UPDATE tblPruefung SET PRintDINVDE = 0, PRintSchutzleiterwid = 17 "
                            "WHERE PRintPruefungsNr = 101"));
    dlg->show();
    // Whatever showing left to do is done before the step.
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    for (QWidget *w : dlg->findChildren<QWidget *>())
        w->installEventFilter(&counter);
    dlg->installEventFilter(&counter);
    dlg->TestNavigator->Prior->click();
    QCoreApplication::processEvents();
    dlg->removeEventFilter(&counter);
    EXPECT_EQ(dlg->TestPos->text(), QStringLiteral("[1/2]"));
    EXPECT_EQ(dlg->DatumText->text(), QStringLiteral("01.04.2026 09:30:00"));
    const QStringList windowWide = counter.requests.filter(QRegularExpression(QStringLiteral(".+")));
    EXPECT_TRUE(windowWide.isEmpty()) << windowWide.join(QLatin1Char(' ')).toStdString();
    // The fields still hold their texts whole.
    for (QLabel *l : {dlg->DatumText, dlg->IsolText, dlg->ProtText, dlg->MeasRows[0].value})
        EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->contentsRect().width())
            << l->objectName().toStdString();
}
