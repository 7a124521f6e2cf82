// Fetching the simulator's stored tests into the staging table and
// transferring them, on SQLite and (with GT_PG_HOST) PostgreSQL. Whatever
// goes wrong on the line, a fetch ends with the staging table complete and the
// tester cleared, or with the staging table empty and the tester holding all.
// The records are decoded here from the simulator's own bytes, not with the
// program's decoder.

#include "RetrievalFixture.h"

#include "store/FetchStore.h"

#include <QRegularExpression>

using namespace chain_test;

// ---- the ordinary fetch ------------------------------------------------------

TEST_P(Retrieval, ThirtyRecordsArriveFieldByFieldAndTheTesterIsCleared)
{
    startSim(30);
    // The generated memory holds what the decoding must get right: barcodes
    // of 0, an odd number and 16 digits, and a quick abort after a measured current.
    QSet<int> lengths;
    bool quickAbortWithCurrent = false;
    for (const QByteArray &r : expected) {
        lengths << quint8(r[0]);
        quickAbortWithCurrent = quickAbortWithCurrent || ((quint8(r[4]) & 0x08) && (quint8(r[12]) != 0xFF));
    }
    ASSERT_TRUE(lengths.contains(0) && lengths.contains(7) && lengths.contains(16) && quickAbortWithCurrent);

    QList<int> progress;
    QObject::connect(abruf.get(), &TDatenabruf::recordRead, abruf.get(),
                     [&](int i, int count, const QString &) {
                         EXPECT_EQ(count, 30);
                         progress << i;
                     });
    const TAbrufBericht b = abruf->Fetch();
    EXPECT_EQ(b.Ergebnis, TAbrufErgebnis::Abgerufen);
    EXPECT_EQ(b.Gespeichert, 30);
    EXPECT_EQ(progress.size(), 30);
    expectStagingMatches(30);
    EXPECT_EQ(testerRecords(), 0);
    EXPECT_TRUE(b.Meldung().isEmpty());
}

TEST_P(Retrieval, EmptyMemoryOrClosedPortChangesNothing)
{
    startSim(0);
    EXPECT_EQ(abruf->Fetch().Ergebnis, TAbrufErgebnis::Nichts);
    EXPECT_EQ(sentCount(cmdEepromFunktion), 0);
    cate.setPort(NoPort);
    EXPECT_EQ(abruf->Fetch().Ergebnis, TAbrufErgebnis::Nichts);
    EXPECT_EQ(db->count(QStringLiteral("tblUebernahme")), 0);
}

TEST_P(Retrieval, BarcodesFindTheirDevicesAlsoWhenTheDeviceComesLater)
{
    startSim(3);
    const QString first = expectedRow(expected[1])["UNstrBarcode"].toString();
    const QString later = expectedRow(expected[2])["UNstrBarcode"].toString();
    ASSERT_TRUE(expectedRow(expected[0])["UNstrBarcode"].toString().isEmpty());
    db->addCustomer(1, QStringLiteral("Kunde"));
    db->addDevice(7, 1, QStringLiteral("Bohrmaschine"), first);
    // A device without barcode must not catch the record without one.
    db->addDevice(8, 1, QStringLiteral("Kabeltrommel"));
    ASSERT_EQ(abruf->Fetch().Ergebnis, TAbrufErgebnis::Abgerufen);
    QList<QSqlRecord> rows = staging();
    EXPECT_EQ(FieldInt(rows[0].value(QStringLiteral("UNintPrueflingNr"))), 0);
    EXPECT_EQ(FieldInt(rows[1].value(QStringLiteral("UNintPrueflingNr"))), 7);
    EXPECT_EQ(FieldInt(rows[2].value(QStringLiteral("UNintPrueflingNr"))), 0);

    db->addDevice(9, 1, QStringLiteral("Wasserkocher"), later);
    EXPECT_EQ(abruf->ReassignByBarcode(), 1);
    rows = staging();
    EXPECT_EQ(FieldInt(rows[2].value(QStringLiteral("UNintPrueflingNr"))), 9);
    EXPECT_EQ(abruf->DeviceNrForBarcode(QString()), 0);
    // A hand choice of a device without barcode stays; a barcode device does not.
    EXPECT_EQ(abruf->DeviceNrForRow(QString(), 8), 8);
    EXPECT_EQ(abruf->DeviceNrForRow(QString(), 7), 0);
    EXPECT_EQ(abruf->DeviceNrForRow(later, 8), 9);
}

// ---- the fault matrix ---------------------------------------------------------

// $33, "T", five pieces and "S" per record, "C": 21 frames for three records.
TEST_P(Retrieval, LineCutAtEveryFrameOfAThreeRecordFetch)
{
    for (int n = 1; n <= 21; ++n) {
        SCOPED_TRACE(n);
        db->exec(QStringLiteral("DELETE FROM tblUebernahme"));
        startSim(3, {QStringLiteral("--hangup-after"), QString::number(n)});
        const TAbrufBericht b = abruf->Fetch();
        ASSERT_TRUE(sim.waitForExit(5000));
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("records=(\\d+)")).match(sim.errorOutput());
        ASSERT_TRUE(m.hasMatch()) << qPrintable(sim.errorOutput());
        expectAllOrNothing(b, 3, m.captured(1).toInt());
        // Only the last frame's answer lets the fetch through.
        EXPECT_EQ(b.Ergebnis == TAbrufErgebnis::Abgerufen, n == 21);
        if (n == 1) {
            EXPECT_EQ(b.Ergebnis, TAbrufErgebnis::Nichts);
        }
        if (n == 20) {
            // Stored before "C": the rows stay although nobody answers any more.
            EXPECT_EQ(b.Ergebnis, TAbrufErgebnis::Unbestaetigt);
            EXPECT_EQ(b.Meldung(), TDatenabruf::MsgUnbestaetigt);
        }
    }
}

TEST_P(Retrieval, LostAcknowledgementIsSettledByReadingTheRecordAgain)
{
    // The answer lost, the tester moved on: the record read again is the next one.
    startSim(3, {QStringLiteral("--drop-answer"), QStringLiteral("70:3")});
    TAbrufBericht b = abruf->Fetch();
    EXPECT_EQ(b.Ergebnis, TAbrufErgebnis::Abgerufen);
    expectAllOrNothing(b, 3, testerRecords());
    EXPECT_EQ(sentCount(cmdDatensatzA), 4) << "read twice to find out, then not again";

    // The request lost, the tester stayed: the same record again could also be
    // an equal next record, so the fetch gives up and the tester keeps all.
    db->exec(QStringLiteral("DELETE FROM tblUebernahme"));
    startSim(3, {QStringLiteral("--drop"), QStringLiteral("70:3")});
    b = abruf->Fetch();
    EXPECT_EQ(b.Ergebnis, TAbrufErgebnis::Uebertragungsfehler);
    EXPECT_EQ(b.Meldung(), TDatenabruf::MsgUebertragungsfehler);
    expectAllOrNothing(b, 3, testerRecords());
    EXPECT_EQ(sentCount(cmdEepromFunktion), 3) << "no \"C\" after a failed record";

    // Two equal records in a row and the answer lost: the same record read
    // again may be the next one or this one; rather nothing than a guess.
    db->exec(QStringLiteral("DELETE FROM tblUebernahme"));
    startSim(3, {QStringLiteral("--twin"), QStringLiteral("1"), QStringLiteral("--drop-answer"),
                 QStringLiteral("70:3")});
    ASSERT_EQ(expected[1], expected[2]);
    b = abruf->Fetch();
    EXPECT_EQ(b.Ergebnis, TAbrufErgebnis::Uebertragungsfehler);
    EXPECT_EQ(db->count(QStringLiteral("tblUebernahme")), 0);
    EXPECT_EQ(testerRecords(), 3);

    // After the last record nothing can be skipped: "S" simply goes again.
    startSim(3, {QStringLiteral("--drop"), QStringLiteral("70:4")});
    b = abruf->Fetch();
    EXPECT_EQ(b.Ergebnis, TAbrufErgebnis::Abgerufen);
    expectAllOrNothing(b, 3, testerRecords());
}

TEST_P(Retrieval, LostAnswerOfTheFinalClearIsCheckedWithTheRecordCount)
{
    // Every try of "C" carried out, every answer lost: the tester is empty, keep the rows.
    startSim(3, {QStringLiteral("--drop-answer"), QStringLiteral("70:5"), QStringLiteral("--drop-answer"),
                 QStringLiteral("70:6"), QStringLiteral("--drop-answer"), QStringLiteral("70:7")});
    TAbrufBericht b = abruf->Fetch();
    EXPECT_EQ(b.Ergebnis, TAbrufErgebnis::Abgerufen);
    expectAllOrNothing(b, 3, testerRecords());

    // Every "C" lost on the way: the rows stay, the tester still holds the
    // records, and the user is told so.
    db->exec(QStringLiteral("DELETE FROM tblUebernahme"));
    startSim(3, {QStringLiteral("--drop"), QStringLiteral("70:5"), QStringLiteral("--drop"),
                 QStringLiteral("70:6"), QStringLiteral("--drop"), QStringLiteral("70:7")});
    b = abruf->Fetch();
    EXPECT_EQ(b.Ergebnis, TAbrufErgebnis::Unbestaetigt);
    EXPECT_EQ(b.Meldung(), TDatenabruf::MsgUnbestaetigt);
    expectAllOrNothing(b, 3, testerRecords());
    EXPECT_EQ(testerRecords(), 3);
    EXPECT_TRUE(UnbestaetigterAbruf(db->db()));
    EXPECT_TRUE(DoppeltMarkierteZeilen(db->db()).isEmpty());

    // The next fetch gets them again and marks every one of them; the tester
    // is cleared now.
    const TAbrufBericht again = abruf->Fetch();
    EXPECT_EQ(again.Ergebnis, TAbrufErgebnis::Abgerufen);
    EXPECT_EQ(again.Doppelt, 3);
    EXPECT_EQ(again.Meldung(), TDatenabruf::DoppeltText(3));
    EXPECT_EQ(testerRecords(), 0);
    EXPECT_EQ(db->count(QStringLiteral("tblUebernahme")), 6);
    EXPECT_EQ(DoppeltMarkierteZeilen(db->db()), (QSet<int>{4, 5, 6}));
    EXPECT_FALSE(UnbestaetigterAbruf(db->db()));
}

// Two equal tests in one read-out are two tests: stored twice, neither marked.
TEST_P(Retrieval, EqualRecordsOfOneReadOutAreTwoTests)
{
    startSim(3, {QStringLiteral("--twin"), QStringLiteral("0")});
    const TAbrufBericht b = abruf->Fetch();
    EXPECT_EQ(b.Ergebnis, TAbrufErgebnis::Abgerufen);
    EXPECT_EQ(b.Doppelt, 0);
    expectStagingMatches(3);
    EXPECT_TRUE(DoppeltMarkierteZeilen(db->db()).isEmpty());
}

TEST_P(Retrieval, SilentTesterIsReportedAndNothingChanges)
{
    startSim(5, {QStringLiteral("--silent-after"), QStringLiteral("0")});
    const TAbrufBericht b = abruf->Fetch();
    EXPECT_EQ(b.Ergebnis, TAbrufErgebnis::KeineAntwort);
    EXPECT_EQ(b.Meldung(), QStringLiteral("Der Gerätetester antwortet nicht."));
    EXPECT_EQ(sentCount(cmdEepromFunktion), 0);
    EXPECT_EQ(db->count(QStringLiteral("tblUebernahme")), 0);
}

// A database that takes nothing is found before the tester starts its read-out.
TEST_P(Retrieval, ReadOnlyDatabaseIsRefusedBeforeTheReadOutWithTheReason)
{
    db->exec(GetParam() == TTestEngine::SQLite ? QStringLiteral("PRAGMA query_only = ON")
                                               : QStringLiteral("SET default_transaction_read_only = on"));
    startSim(3);
    const TAbrufBericht b = abruf->Fetch();
    EXPECT_EQ(b.Ergebnis, TAbrufErgebnis::Datenbankfehler);
    EXPECT_TRUE(b.Meldung().startsWith(QStringLiteral(
        "Es ist ein Fehler aufgetreten, die Daten wurden nicht übernommen.\r\rFehlertext:\r")));
    EXPECT_TRUE(b.Fehlertext.contains(QStringLiteral("schreibgeschützt"))) << qPrintable(b.Fehlertext);
    EXPECT_EQ(sentCount(cmdEepromFunktion), 0) << "no \"T\"";
    EXPECT_EQ(testerRecords(), 3);
}

TEST_P(Retrieval, LostPieceRequestIsRetriedByTheBus)
{
    startSim(3, {QStringLiteral("--drop"), QStringLiteral("22:2")});
    const TAbrufBericht b = abruf->Fetch();
    EXPECT_EQ(b.Ergebnis, TAbrufErgebnis::Abgerufen);
    expectAllOrNothing(b, 3, testerRecords());
}

TEST_P(Retrieval, OnePercentCorruptFramesOverFiftyRecords)
{
    startSim(50, {QStringLiteral("--corrupt"), QStringLiteral("0.01"), QStringLiteral("--seed"),
                  QStringLiteral("7")});
    const TAbrufBericht b = abruf->Fetch();
    expectAllOrNothing(b, 50, testerRecords());
    EXPECT_GT(badMsgs, 0) << "the seed should give the line some bad frames";
}

// The server connection dies just before the rows are stored: the tester has
// not been told to clear, so it still holds everything.
TEST_P(Retrieval, LostServerBeforeTheCommitKeepsEverythingInTheTester)
{
    // Not a missing tool: the case exists only for the server engine.
    if (GetParam() != TTestEngine::PostgreSQL) GTEST_SKIP() << "a server connection to lose";
    QSqlQuery pid(db->db());
    ASSERT_TRUE(pid.exec(QStringLiteral("SELECT pg_backend_pid()")) && pid.next());
    const int backend = pid.value(0).toInt();
    pid.finish();
    ASSERT_TRUE(
        OpenConnection(ParseConnectionString(db->connectionString()), QStringLiteral("gt_killer"), nullptr));
    startSim(4);
    QObject::connect(
        abruf.get(), &TDatenabruf::recordRead, abruf.get(), [&](int i, int count, const QString &) {
            if (i != count) return;
            QSqlQuery kill(QSqlDatabase::database(QStringLiteral("gt_killer")));
            EXPECT_TRUE(kill.exec(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(backend)));
        });
    const TAbrufBericht b = abruf->Fetch();
    QSqlDatabase::database(QStringLiteral("gt_killer")).close();
    QSqlDatabase::removeDatabase(QStringLiteral("gt_killer"));
    EXPECT_EQ(b.Ergebnis, TAbrufErgebnis::Datenbankfehler);
    EXPECT_TRUE(
        b.Fehlertext.startsWith(QStringLiteral("Die Verbindung zum Datenbankserver ist unterbrochen.")))
        << qPrintable(b.Fehlertext);
    EXPECT_EQ(sentCount(cmdEepromFunktion), 1 + 4) << "\"T\" and the acknowledgements, no \"C\"";
    EXPECT_EQ(testerRecords(), 4);
}

TEST_P(Retrieval, CancelStopsAfterTheCurrentRecordWithoutClearing)
{
    startSim(5);
    const QMetaObject::Connection stop = QObject::connect(abruf.get(), &TDatenabruf::recordRead, abruf.get(),
                                                          [this](int i, int, const QString &) {
                                                              if (i == 2) abruf->Cancel();
                                                          });
    const TAbrufBericht b = abruf->Fetch();
    EXPECT_EQ(b.Ergebnis, TAbrufErgebnis::Abgebrochen);
    EXPECT_TRUE(b.Meldung().isEmpty());
    expectAllOrNothing(b, 5, testerRecords());
    EXPECT_EQ(sentCount(cmdDatensatzA), 2);
    QObject::disconnect(stop);
    // The next fetch starts over and gets everything.
    const TAbrufBericht again = abruf->Fetch();
    EXPECT_EQ(again.Ergebnis, TAbrufErgebnis::Abgerufen);
    expectStagingMatches(5);
}

TEST_P(Retrieval, RefusedInsertRollsBackSavesTheStatementAndKeepsTheTester)
{
    if (GetParam() == TTestEngine::SQLite) {
        db->exec(QStringLiteral("CREATE TRIGGER tFull BEFORE INSERT ON tblUebernahme WHEN NEW.UNintLfdNr = 2 "
                                "BEGIN SELECT RAISE(ABORT, 'Datenträger voll'); END"));
    } else {
        db->exec(QStringLiteral(
            "CREATE FUNCTION fFull() RETURNS trigger AS $$ BEGIN IF NEW.UNintLfdNr = 2 THEN "
            "RAISE EXCEPTION 'Datenträger voll'; END IF; RETURN NEW; END $$ LANGUAGE plpgsql"));
        db->exec(QStringLiteral("CREATE TRIGGER tFull BEFORE INSERT ON tblUebernahme FOR EACH ROW "
                                "EXECUTE FUNCTION fFull()"));
    }
    startSim(3);
    const TAbrufBericht b = abruf->Fetch();
    EXPECT_EQ(b.Ergebnis, TAbrufErgebnis::Datenbankfehler);
    EXPECT_TRUE(b.Meldung().startsWith(QStringLiteral(
        "Es ist ein Fehler aufgetreten, die Daten wurden nicht übernommen.\r\rFehlertext:\r")));
    EXPECT_TRUE(b.Fehlertext.contains(QStringLiteral("Datenträger voll"))) << qPrintable(b.Fehlertext);
    expectAllOrNothing(b, 3, testerRecords());
    QFile sql(FailedSqlPath());
    ASSERT_TRUE(sql.open(QIODevice::ReadOnly));
    EXPECT_TRUE(sql.readAll().startsWith("INSERT INTO tblUebernahme\n  (UNintLfdNr,"));
}

// ---- the transfer ---------------------------------------------------------------

namespace {

class Transfer : public StoreDb {
protected:
    void SetUp() override
    {
        StoreDb::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        abruf = std::make_unique<TDatenabruf>(nullptr, t->db().connectionName());
        oldCwd = QDir::currentPath();
        QDir::setCurrent(tmp.path());
        qputenv("XDG_DATA_HOME", QFile::encodeName(tmp.path()));
    }
    void TearDown() override
    {
        qunsetenv("XDG_DATA_HOME");
        if (!oldCwd.isEmpty()) QDir::setCurrent(oldCwd);
        abruf.reset();
        StoreDb::TearDown();
    }
    // A staging row as the fetch writes it, with texts of the test's choice.
    void stage(int lfd, const QString &barcode, int device, const QString &pruefer = QStringLiteral("P"))
    {
        TAbrufSatz s;
        s.Werte.UNstrBarcode = barcode;
        s.Werte.UNintSchutzleiterwid = 100 + lfd;
        s.Werte.UNintSchutzlStromL1N = -1;
        s.Werte.UNblnAutomatisch = 1;
        s.Werte.UNintSichtpruef = 1;
        s.Werte.UNblnPruefungsergebnis = 1;
        s.PrueflingNr = device;
        const TAbrufKopf k{QStringLiteral("06'1234567"), pruefer, QStringLiteral("B'ewerter"),
                           QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7))};
        QString error;
        ASSERT_TRUE(StagingZeileEinfuegen(t->db(), lfd, s, k, &error)) << error.toStdString();
    }
    QSqlRecord test(int nr)
    {
        QSqlQuery q(t->db());
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT * FROM tblPruefung WHERE PRintPruefungsNr = %1").arg(nr)));
        return q.next() ? q.record() : QSqlRecord();
    }

    std::unique_ptr<TDatenabruf> abruf;
    QTemporaryDir tmp;
    QString oldCwd;
};

} // namespace

TEST_P(Transfer, AssignedRowsMoveWithTheirTextsUnassignedRowsStay)
{
    t->addCustomer(1, QStringLiteral("K"));
    t->addDevice(4, 1, QStringLiteral("Geraet"), QStringLiteral("123"));
    t->addTest(10, 4, QDateTime(QDate(2025, 1, 1), QTime(8, 0)));
    stage(1, QStringLiteral("123"), 4, QStringLiteral("O'Neill"));
    stage(2, QString(), 0);
    stage(3, QStringLiteral("999"), 0);
    t->exec(
        QStringLiteral("UPDATE tblUebernahme SET UNstrNotiz = 'Kabel ''geknickt''' WHERE UNintLfdNr = 1"));

    QList<int> numbers;
    QObject::connect(abruf.get(), &TDatenabruf::rowTransferred, abruf.get(),
                     [&](int, int nr) { numbers << nr; });
    const TUebertragBericht r = abruf->Transfer();
    EXPECT_EQ(r.Uebertragen, 1);
    EXPECT_EQ(r.NichtZugeordnet, 2);
    EXPECT_EQ(r.Fehlgeschlagen, 0);
    EXPECT_EQ(numbers, QList<int>{11});
    EXPECT_EQ(t->count(QStringLiteral("tblUebernahme")), 2);
    EXPECT_EQ(t->count(QStringLiteral("tblUebernahme"), QStringLiteral("UNintLfdNr = 1")), 0);

    const QSqlRecord p = test(11);
    ASSERT_FALSE(p.isEmpty());
    EXPECT_EQ(FieldInt(p.value(QStringLiteral("PRintPrueflingNr"))), 4);
    EXPECT_EQ(FieldDateTime(p.value(QStringLiteral("PRdtmUebernahme"))),
              QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)));
    EXPECT_EQ(FieldString(p.value(QStringLiteral("PRstrGTSeriennummer"))), QStringLiteral("06'1234567"));
    EXPECT_EQ(FieldString(p.value(QStringLiteral("PRstrPruefer"))), QStringLiteral("O'Neill"));
    EXPECT_EQ(FieldString(p.value(QStringLiteral("PRstrBewertender"))), QStringLiteral("B'ewerter"));
    EXPECT_EQ(FieldString(p.value(QStringLiteral("PRstrNotiz"))), QStringLiteral("Kabel 'geknickt'"));
    EXPECT_EQ(FieldInt(p.value(QStringLiteral("PRintSchutzleiterwid"))), 101);
    EXPECT_EQ(FieldInt(p.value(QStringLiteral("PRintSchutzlStromL1N"))), -1);
    EXPECT_TRUE(FieldBool(p.value(QStringLiteral("PRblnAutomatisch"))));
    EXPECT_EQ(FieldInt(p.value(QStringLiteral("PRintSichWied"))), -1);
    EXPECT_EQ(FieldInt(p.value(QStringLiteral("PRintProtokolltyp"))), 0);

    // Nothing assigned: nothing changes.
    const TUebertragBericht again = abruf->Transfer();
    EXPECT_EQ(again.Uebertragen, 0);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 2);
}

TEST_P(Transfer, FailingRowStaysAndTheOthersGoOn)
{
    t->addCustomer(1, QStringLiteral("K"));
    t->addDevice(4, 1, QStringLiteral("A"), QStringLiteral("1"));
    t->addDevice(5, 1, QStringLiteral("B"), QStringLiteral("2"));
    if (GetParam() == TTestEngine::SQLite) {
        t->exec(
            QStringLiteral("CREATE TRIGGER tNo BEFORE INSERT ON tblPruefung WHEN NEW.PRintPrueflingNr = 5 "
                           "BEGIN SELECT RAISE(ABORT, 'abgelehnt'); END"));
    } else {
        t->exec(
            QStringLiteral("CREATE FUNCTION fNo() RETURNS trigger AS $$ BEGIN IF NEW.PRintPrueflingNr = 5 "
                           "THEN RAISE EXCEPTION 'abgelehnt'; END IF; RETURN NEW; END $$ LANGUAGE plpgsql"));
        t->exec(QStringLiteral(
            "CREATE TRIGGER tNo BEFORE INSERT ON tblPruefung FOR EACH ROW EXECUTE FUNCTION fNo()"));
    }
    stage(1, QStringLiteral("1"), 4);
    stage(2, QStringLiteral("2"), 5);
    stage(3, QStringLiteral("1"), 4);
    stage(4, QStringLiteral("2"), 5);

    QStringList failures;
    QObject::connect(abruf.get(), &TDatenabruf::transferFailed, abruf.get(), [&](int lfd, const QString &m) {
        failures << QString::number(lfd) + QLatin1Char(':') + m;
    });
    const TUebertragBericht r = abruf->Transfer();
    EXPECT_EQ(r.Uebertragen, 2);
    EXPECT_EQ(r.Fehlgeschlagen, 2);
    EXPECT_FALSE(r.Beendet) << "a refused row is no reason to stop";
    ASSERT_EQ(failures.size(), 2);
    EXPECT_TRUE(failures[0].startsWith(QStringLiteral(
        "2:Es ist ein Fehler aufgetreten, die Daten wurden nicht übertragen.\r\rFehlertext:\r")));
    // The user reads both in one message, the engine's reason once.
    const QString m = r.Meldung();
    EXPECT_TRUE(m.contains(QStringLiteral("Nicht übertragen: lfd. Nr. 2, 4"))) << m.toStdString();
    EXPECT_EQ(m.count(QStringLiteral("abgelehnt")), 1) << m.toStdString();
    // The failed row's number went back with its rollback.
    EXPECT_FALSE(test(1).isEmpty());
    EXPECT_FALSE(test(2).isEmpty());
    EXPECT_TRUE(test(3).isEmpty());
    EXPECT_EQ(t->count(QStringLiteral("tblUebernahme")), 2);
    EXPECT_EQ(t->count(QStringLiteral("tblUebernahme"), QStringLiteral("UNintLfdNr = 2")), 1);
    QFile sql(FailedSqlPath());
    ASSERT_TRUE(sql.open(QIODevice::ReadOnly));
    // The last failing statement, its values written in.
    const QByteArray text = sql.readAll();
    EXPECT_TRUE(text.startsWith("INSERT INTO tblPruefung\n  (PRintPruefungsNr,")) << text.toStdString();
    EXPECT_TRUE(text.endsWith("WHERE UNintLfdNr = 4")) << text.toStdString();
}

// Another workstation writes tests while this one transfers: no number is taken twice.
TEST_P(Transfer, NumbersStayAboveTestsWrittenMeanwhile)
{
    t->addCustomer(1, QStringLiteral("K"));
    t->addDevice(4, 1, QStringLiteral("A"), QStringLiteral("1"));
    stage(1, QStringLiteral("1"), 4);
    stage(2, QStringLiteral("1"), 4);
    QObject::connect(abruf.get(), &TDatenabruf::rowTransferred, abruf.get(), [&](int lfd, int) {
        if (lfd == 1) t->addTest(2, 4, QDateTime::currentDateTime());
    });
    const TUebertragBericht r = abruf->Transfer();
    EXPECT_EQ(r.Uebertragen, 2);
    EXPECT_EQ(r.Fehlgeschlagen, 0);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 3);
    EXPECT_FALSE(test(3).isEmpty());
}

// A row that may be a test stored already waits for the user's decision.
TEST_P(Transfer, RowsMarkedAsDoubledStayUntilTheMarkIsLifted)
{
    t->addCustomer(1, QStringLiteral("K"));
    t->addDevice(4, 1, QStringLiteral("A"), QStringLiteral("1"));
    TAbrufSatz s;
    s.Werte.UNstrBarcode = QStringLiteral("1");
    s.Werte.UNintSchutzleiterwid = 123;
    s.PrueflingNr = 4;
    const TAbrufKopf k{QStringLiteral("0612345678"), {}, {}, QDateTime::currentDateTime()};
    ASSERT_TRUE(AbrufSpeichern(t->db(), k, {s}).Ok); // the tester never confirmed clearing it
    ASSERT_EQ(AbrufSpeichern(t->db(), k, {s}).Doppelt, 1);

    TUebertragBericht r = abruf->Transfer();
    EXPECT_EQ(r.Uebertragen, 1);
    EXPECT_EQ(r.Doppelt, 1);
    EXPECT_EQ(t->count(QStringLiteral("tblUebernahme"), QStringLiteral("UNintLfdNr = 2")), 1);

    ASSERT_TRUE(DoppeltMarkierungAufheben(t->db(), 2));
    r = abruf->Transfer();
    EXPECT_EQ(r.Uebertragen, 1);
    EXPECT_EQ(r.Doppelt, 0);
    EXPECT_EQ(t->count(QStringLiteral("tblPruefung")), 2);
}

INSTANTIATE_TEST_SUITE_P(Engines, Transfer, ::testing::Values(TTestEngine::SQLite, TTestEngine::PostgreSQL),
                         EngineName);

INSTANTIATE_TEST_SUITE_P(Engines, Retrieval, ::testing::Values(TTestEngine::SQLite, TTestEngine::PostgreSQL),
                         EngineName);
