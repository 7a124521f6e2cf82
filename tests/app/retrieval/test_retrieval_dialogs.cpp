// The retrieval dialog with offscreen widgets: button rules, the questions'
// answers, the grid's texts and a fetch from the simulator through the dialog.

#include "RetrievalDialogsFixture.h"

// ---- buttons and questions -----------------------------------------------------

TEST_F(RetrievalDialogs, ButtonsFollowTheLinkAndTheRows)
{
    abruf->show();
    EXPECT_FALSE(enabled(abruf->BtnDatenHolen));
    for (QPushButton *b :
         {abruf->BtnZeileLoeschen, abruf->BtnAllesLoeschen, abruf->BtnUebernehmen, abruf->BtnPruefling})
        EXPECT_FALSE(enabled(b)) << b->text().toStdString();
    EXPECT_FALSE(abruf->BtnAbbrechen->isVisible());
    abruf->hide();

    startSimForDialog(0);
    abruf->show();
    EXPECT_TRUE(enabled(abruf->BtnDatenHolen));
    abruf->hide();

    stage(1, QStringLiteral("12"));
    abruf->show();
    EXPECT_FALSE(enabled(abruf->BtnDatenHolen)) << "a second fetch needs an empty list";
    for (QPushButton *b :
         {abruf->BtnZeileLoeschen, abruf->BtnAllesLoeschen, abruf->BtnUebernehmen, abruf->BtnPruefling})
        EXPECT_TRUE(enabled(b)) << b->text().toStdString();
}

TEST_F(RetrievalDialogs, QuestionsDoNothingOnNoAndTheirJobOnYes)
{
    stage(1, QStringLiteral("1"));
    stage(2, QStringLiteral("2"));
    stage(3, QStringLiteral("3"));
    abruf->show();
    abruf->setCurrentRow(1);

    abruf->BtnZeileLoeschen->click();
    EXPECT_EQ(asked.takeLast(), QStringLiteral("Die markierte Zeile löschen?"));
    EXPECT_EQ(stagingCount(), 3);
    answers << true;
    abruf->BtnZeileLoeschen->click();
    EXPECT_EQ(stagingCount(), 2);
    EXPECT_EQ(db->count(QStringLiteral("tblUebernahme"), QStringLiteral("UNintLfdNr = 2")), 0);

    // Ctrl+Del in the grid asks its own question.
    abruf->StagingGrid->setFocus();
    QTest::keyClick(abruf->StagingGrid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(asked.takeLast(), QStringLiteral("Datensatz löschen?"));
    EXPECT_EQ(stagingCount(), 2);

    abruf->BtnUebernehmen->click();
    EXPECT_TRUE(asked.takeLast().startsWith(
        QStringLiteral("Sollen die zugeordneten Sätze zu den gespeicherten Daten übernommen werden?")));

    abruf->BtnAllesLoeschen->click();
    EXPECT_EQ(
        asked.takeLast(),
        QStringLiteral("Sollen wirklich alle angezeigten Datensätze gelöscht und die Liste geleert werden?"));
    EXPECT_EQ(stagingCount(), 2);
    answers << true;
    abruf->BtnAllesLoeschen->click();
    EXPECT_EQ(stagingCount(), 0);
    EXPECT_FALSE(enabled(abruf->BtnZeileLoeschen));
    EXPECT_FALSE(enabled(abruf->BtnPruefling));
}

// Another workstation fetches while this list is shown: "alles löschen"
// removes the rows shown here, not the other ones, which exist nowhere else
// once that tester is cleared. Return (the question's default) deletes nothing.
TEST_F(RetrievalDialogs, DeletingAllRemovesOnlyTheShownRowsAndReturnDeletesNothing)
{
    stage(1, QStringLiteral("1"));
    stage(2, QStringLiteral("2"));
    abruf->show();
    stage(3, QStringLiteral("3"));
    stage(4, QStringLiteral("4"));

    prompt.onCall = [this](const gt_app_test::TFakePrompt::TCall &call) { answers << call.defaultYes; };
    abruf->BtnAllesLoeschen->click();
    ASSERT_EQ(prompt.calls.size(), 1);
    EXPECT_FALSE(prompt.calls[0].defaultYes);
    EXPECT_EQ(db->count(QStringLiteral("tblUebernahme")), 4);

    prompt.onCall = nullptr;
    answers << true;
    abruf->BtnAllesLoeschen->click();
    EXPECT_EQ(db->count(QStringLiteral("tblUebernahme")), 2);
    EXPECT_EQ(db->count(QStringLiteral("tblUebernahme"), QStringLiteral("UNintLfdNr IN (3, 4)")), 2);
}

TEST_F(RetrievalDialogs, TransferOnYesMovesAssignedRowsAndReportsFailures)
{
    db->addCustomer(1, QStringLiteral("K"));
    db->addDevice(3, 1, QStringLiteral("A"), QStringLiteral("77"));
    stage(1, QStringLiteral("77"));
    stage(2, QStringLiteral("78"));
    abruf->show();
    // Assigned on showing: the device exists now.
    EXPECT_EQ(cell(0, 2), QStringLiteral("ja"));
    EXPECT_EQ(cell(1, 2), QStringLiteral("nein"));
    answers << true;
    abruf->BtnUebernehmen->click();
    EXPECT_EQ(db->count(QStringLiteral("tblPruefung"), QStringLiteral("PRintPrueflingNr = 3")), 1);
    ASSERT_EQ(abruf->Model()->rowCount(), 1);
    EXPECT_EQ(cell(0, 1), QStringLiteral("78"));

    // Refused rows: one message for all of them, after the list is back.
    db->exec(
        QStringLiteral("CREATE TRIGGER tNein BEFORE INSERT ON tblPruefung BEGIN SELECT RAISE(ABORT, 'nein'); "
                       "END"));
    stage(3, QStringLiteral("77"));
    stage(4, QStringLiteral("77"));
    abruf->hide();
    abruf->show();
    asked.clear();
    answers << true;
    abruf->BtnUebernehmen->click();
    ASSERT_EQ(asked.size(), 2);
    EXPECT_TRUE(asked[1].contains(QStringLiteral("lfd. Nr. 3, 4"))) << asked[1].toStdString();
    EXPECT_EQ(abruf->Model()->rowCount(), 3);
}

// ---- the grid ------------------------------------------------------------------

TEST_F(RetrievalDialogs, GridShowsTheRowsAsTheWorkshopReadsThem)
{
    TUebernahmeWerte w;
    w.UNintSchutzklasse = 2;
    w.UNblnAutomatisch = 1;
    w.UNintDINVDE = 2;
    w.UNintIsolDiff = 2;
    w.UNintSichtpruef = -1;
    w.UNblnPruefungsergebnis = 1;
    w.UNintGrenzwertflags = 1 | 8;
    w.UNintSchutzleiterwid = 1234;
    w.UNintIsolationswid = 5000;
    w.UNintAbleitstrom = 35;
    w.UNintSchutzlStromL1N = 120;
    w.UNintSchutzlStromNL1 = -1;
    stage(1, QStringLiteral("4711"), w);
    w.UNintDINVDE = 0;
    w.UNintSchutzklasse = 0;
    w.UNintSichtpruef = 0;
    w.UNblnPruefungsergebnis = 0;
    w.UNintGrenzwertflags = 0;
    stage(2, QString(), w);
    abruf->show();
    const QStringList first{QStringLiteral("1"),          QStringLiteral("4711"),
                            QStringLiteral("nein"),       QStringLiteral("06.05.2026 07:08:09"),
                            QStringLiteral("0612345678"), QStringLiteral("II"),
                            QStringLiteral("ja"),         QStringLiteral("0751"),
                            QStringLiteral("nein"),       QStringLiteral("Diffstr.-Mess"),
                            QStringLiteral("nein"),       QStringLiteral("---"),
                            QStringLiteral("nein"),       QStringLiteral("i.O.")};
    for (int c = 0; c < first.size(); ++c)
        EXPECT_EQ(cell(0, c), first[c]) << "column " << c;
    EXPECT_TRUE(cell(0, 14).startsWith(QStringLiteral("* "))) << cell(0, 14).toStdString();
    EXPECT_TRUE(cell(0, 14).endsWith(QStringLiteral(" mOhm")));
    EXPECT_TRUE(cell(0, 15).endsWith(QStringLiteral(" MOhm")));
    EXPECT_FALSE(cell(0, 15).startsWith(QStringLiteral("*")));
    EXPECT_TRUE(cell(0, 17).startsWith(QStringLiteral("* ")) && cell(0, 17).endsWith(QStringLiteral(" mA")));
    EXPECT_EQ(cell(0, 18), QStringLiteral("---"));
    EXPECT_EQ(cell(1, 5), QStringLiteral("---"));
    EXPECT_EQ(cell(1, 7), QStringLiteral("0701"));
    EXPECT_EQ(cell(1, 9), QStringLiteral("Isol. und Diff."));
    EXPECT_EQ(cell(1, 11), QStringLiteral("nein"));
    EXPECT_EQ(cell(1, 13), QStringLiteral("nicht i.O."));
    EXPECT_EQ(
        abruf->Model()->index(0, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHCenter, 0);
    EXPECT_NE(
        abruf->Model()->index(0, 0).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHCenter, 0);
    // Only barcode, date, operator and assessor can be edited.
    int editable = 0;
    for (int c = 0; c < abruf->Model()->columnCount(); ++c)
        editable += (abruf->Model()->flags(abruf->Model()->index(0, c)) & Qt::ItemIsEditable) ? 1 : 0;
    EXPECT_EQ(editable, 4);
    abruf->resize(1100, 300);
    abruf->StagingGrid->scrollTo(abruf->Model()->index(0, 22));
    abruf->grab().save(gt_test::buildDir() + QStringLiteral("/tests/app/datenabruf-werte.png"));
}

TEST_F(RetrievalDialogs, EditedBarcodeAndRemarkAreStoredAndTheDeviceFollows)
{
    db->addCustomer(1, QStringLiteral("K"));
    db->addDevice(5, 1, QStringLiteral("Föhn"), QStringLiteral("55"));
    stage(1, QStringLiteral("54"));
    stage(2, QStringLiteral("1"));
    abruf->show();
    abruf->setCurrentRow(0);
    EXPECT_TRUE(abruf->Model()->setData(abruf->Model()->index(0, 1), QStringLiteral("55"), Qt::EditRole));
    EXPECT_EQ(cell(0, 2), QStringLiteral("ja"));
    abruf->RemarkMemo->setPlainText(QStringLiteral("Stecker 'lose'"));
    abruf->setCurrentRow(1);
    QSqlQuery q(db->db());
    ASSERT_TRUE(q.exec(
        QStringLiteral("SELECT UNintPrueflingNr, UNstrNotiz FROM tblUebernahme WHERE UNintLfdNr = 1")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 5);
    EXPECT_EQ(q.value(1).toString(), QStringLiteral("Stecker 'lose'"));
}

// ---- fetching through the dialog -------------------------------------------------

TEST_F(RetrievalDialogs, FetchFillsTheGridAndLocksEverythingMeanwhile)
{
    startSimForDialog(6);
    abruf->show();
    int checked = 0;
    QObject::connect(
        abruf->Logic(), &TDatenabruf::recordRead, abruf.get(), [&](int i, int count, const QString &) {
            EXPECT_EQ(abruf->FetchProgress->maximum(), count);
            EXPECT_EQ(abruf->FetchProgress->value(), i);
            for (QPushButton *b : {abruf->BtnZeileLoeschen, abruf->BtnAllesLoeschen, abruf->BtnDatenHolen,
                                   abruf->BtnUebernehmen, abruf->BtnPruefling, abruf->BtnOK})
                EXPECT_FALSE(b->isEnabled());
            EXPECT_TRUE(abruf->BtnAbbrechen->isVisible());
            abruf->reject(); // Escape does not close it now
            EXPECT_TRUE(abruf->isVisible());
            // The rows are stored together once the last record is read.
            EXPECT_EQ(abruf->Model()->rowCount(), 0);
            ++checked;
        });
    abruf->BtnDatenHolen->click();
    EXPECT_EQ(checked, 6);
    EXPECT_EQ(abruf->Model()->rowCount(), 6);
    EXPECT_EQ(abruf->FetchProgress->value(), 0);
    EXPECT_FALSE(abruf->BtnAbbrechen->isVisible());
    EXPECT_FALSE(enabled(abruf->BtnDatenHolen));
    EXPECT_TRUE(enabled(abruf->BtnUebernehmen));
    EXPECT_EQ(sim.stateInt(QStringLiteral("records")), 0);
    EXPECT_TRUE(asked.isEmpty());
    QSqlQuery q(db->db());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT UNstrPruefer FROM tblUebernahme WHERE UNintLfdNr = 6")) &&
                q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("Pr'üfer"));

    // A picture to look at.
    const QString png = gt_test::buildDir() + QStringLiteral("/tests/app/datenabruf.png");
    abruf->resize(1100, 420);
    EXPECT_TRUE(abruf->grab().save(png));
}

TEST_F(RetrievalDialogs, CancelDuringTheFetchRollsBackAndTheTesterKeepsAll)
{
    startSimForDialog(5);
    abruf->show();
    QObject::connect(abruf->Logic(), &TDatenabruf::recordRead, abruf.get(), [&](int i, int, const QString &) {
        if (i == 2) abruf->BtnAbbrechen->click();
    });
    abruf->BtnDatenHolen->click();
    EXPECT_EQ(abruf->Model()->rowCount(), 0);
    EXPECT_EQ(stagingCount(), 0);
    EXPECT_EQ(sim.stateInt(QStringLiteral("records")), 5);
    EXPECT_TRUE(enabled(abruf->BtnDatenHolen));
    EXPECT_TRUE(asked.isEmpty()) << "a cancel the user asked for needs no message";
}

TEST_F(RetrievalDialogs, LostClearKeepsTheRowsAndTheNextFetchMarksTheDoubles)
{
    startSimForDialog(2, {QStringLiteral("--drop"), QStringLiteral("70:4"), QStringLiteral("--drop"),
                          QStringLiteral("70:5"), QStringLiteral("--drop"), QStringLiteral("70:6")});
    abruf->show();
    abruf->BtnDatenHolen->click();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0], TDatenabruf::MsgUnbestaetigt);
    EXPECT_EQ(abruf->Model()->rowCount(), 2);
    EXPECT_EQ(sim.stateInt(QStringLiteral("records")), 2);
    EXPECT_FALSE(abruf->DoppeltHinweis->isVisible());
    // The tester may hold them still: fetching again is allowed, and shows it.
    EXPECT_TRUE(enabled(abruf->BtnDatenHolen));
    abruf->BtnDatenHolen->click();
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked[1], TDatenabruf::DoppeltText(2));
    ASSERT_EQ(abruf->Model()->rowCount(), 4);
    EXPECT_EQ(sim.stateInt(QStringLiteral("records")), 0);
    EXPECT_FALSE(abruf->Model()->Doppelt(0));
    EXPECT_TRUE(abruf->Model()->Doppelt(3));
    // Its own colour, not that of a row still without a device.
    auto colour = [&](int row) {
        return abruf->Model()->index(row, 0).data(Qt::BackgroundRole).value<QBrush>().color();
    };
    EXPECT_TRUE(abruf->Model()->index(3, 0).data(Qt::BackgroundRole).isValid());
    EXPECT_NE(colour(3), colour(0));
    EXPECT_TRUE(abruf->DoppeltHinweis->isVisible());
    EXPECT_TRUE(abruf->DoppeltHinweis->text().startsWith(QStringLiteral("2 Sätze sind möglicherweise")));

    // The user decides that one of them is a test of its own.
    abruf->setCurrentRow(3);
    EXPECT_TRUE(enabled(abruf->BtnDoppeltAufheben));
    answers << true;
    abruf->BtnDoppeltAufheben->click();
    EXPECT_FALSE(abruf->Model()->Doppelt(3));
    EXPECT_TRUE(abruf->Model()->Doppelt(2));
    EXPECT_TRUE(abruf->DoppeltHinweis->text().startsWith(QStringLiteral("1 Satz ist möglicherweise")));
}
TEST_F(RetrievalDialogs, WindowPositionsOfShownDialogsGoToTheIni)
{
    abruf->show();
    abruf->move(33, 44);
    abruf->resize(700, 300);
    pruefling->show();
    pruefling->move(55, 66);
    pruefling->hide();
    abruf.reset();
    pruefling.reset();
    const TIniFile f(ini);
    EXPECT_EQ(f.ReadInteger(QStringLiteral("LoadDataPosition"), QStringLiteral("Width"), 0), 700);
    EXPECT_EQ(f.ReadInteger(QStringLiteral("LoadDataPosition"), QStringLiteral("Left"), 0), 33);
    EXPECT_TRUE(f.ValueExists(QStringLiteral("SelDevicePosition"), QStringLiteral("Height")));
    EXPECT_FALSE(f.ValueExists(QStringLiteral("SelDevicePosition"), QStringLiteral("Width")));
}
