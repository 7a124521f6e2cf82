// Fetching the simulator's stored tests into the staging table and
// transferring them, on SQLite and (with GT_PG_HOST) PostgreSQL. Whatever
// goes wrong on the line, a fetch ends with the staging table complete and the
// tester cleared, or with the staging table empty and the tester holding all.
// The records are decoded here from the simulator's own bytes, not with the
// program's decoder.

#include "../store/StoreTestDb.h"
#include "test_chain_support.h"

#include "store/Database.h"
#include "tester/Datenabruf.h"

#include <QDir>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <map>
#include <memory>

using namespace chain_test;

namespace {

using Row = std::map<QString, QVariant>;

// Staging columns of one record, straight from the record description.
Row expectedRow(const QByteArray &rec)
{
    auto byte = [&rec](int piece, int i) { return quint8(rec[8 * piece + i]); };
    auto word = [&](int piece, int i) { return int(qint16(byte(piece, i) | (byte(piece, i + 1) << 8))); };
    const int a1 = byte(0, 1), a3 = byte(0, 3), a4 = byte(0, 4);
    int m = byte(0, 2);
    if ((a3 & 3) == 3) m &= ~0x10;
    if (m & 0x04) m &= ~0x10;
    QString barcode;
    for (int k = 1; k <= std::min<int>(byte(0, 0), 16); ++k) {
        const int b = byte(4, (k - 1) / 2);
        barcode += QChar('0' + ((k % 2) ? (b & 15) : (b >> 4)));
    }
    const bool quick = a4 & 0x08;
    const int sicht = (a3 & 0x08) ? -1 : ((a4 & 0x40) ? 1 : 0);
    Row r;
    r["UNstrBarcode"] = barcode;
    r["UNintGrenzwertflags"] = a1;
    r["UNintMenueflags"] = m;
    r["UNintSchutzklasseFlags"] = a3 & 3;
    r["UNintMessablaufFlags"] = a4;
    r["UNintSchutzleiterwid"] = word(0, 6);
    r["UNintIsolationswid"] = word(1, 0);
    r["UNintAbleitstrom"] = word(1, 2);
    r["UNintSchutzlStromL1N"] = quick ? -1 : word(1, 4);
    r["UNintSchutzlStromNL1"] = quick ? -1 : word(1, 6);
    r["UNintBeruehrungsstromL1N"] = quick ? -1 : word(2, 0);
    r["UNintBeruehrungsstromNL1"] = quick ? -1 : word(2, 2);
    r["UNintGrwSchutzleiterwid"] = word(2, 4);
    r["UNintGrwIsolationswid"] = word(2, 6);
    r["UNintGrwAbleitstrom"] = word(3, 0);
    r["UNintGrwSchutzleiterstrom"] = word(3, 2);
    r["UNintGrwBeruehrungsstrom"] = word(3, 4);
    r["UNintGrwSchnellabschaltung"] = word(3, 6);
    r["UNintSichtpruef"] = sicht;
    r["UNblnPruefungsergebnis"] = (sicht != 0 && (a4 & 0x2B) == 0) ? 1 : 0;
    r["UNintSchutzklasse"] = a3 & 3;
    r["UNblnAutomatisch"] = m & 1 ? 1 : 0;
    r["UNintDINVDE"] = (a3 & 4) ? 2 : ((m & 2) ? 1 : 0);
    r["UNblnExternDiffStr"] = (a3 & 0x10) ? 1 : 0;
    r["UNblnManuGrenz"] = (m & 8) ? 1 : 0;
    r["UNintIsolDiff"] = (m & 0x40) ? 2 : ((m & 4) ? 1 : 0);
    r["UNblnMitBeruehr"] = (m & 0x10) ? 1 : 0;
    r["UNblnAbgebrochen"] = a4 & 1;
    r["UNblnSchnellabbruch"] = quick ? 1 : 0;
    r["UNblnManuellAbbruch"] = (a4 & 0x20) ? 1 : 0;
    r["UNblnGrenzwFehler"] = (a4 & 2) ? 1 : 0;
    return r;
}

class Retrieval : public TesterChain, public ::testing::WithParamInterface<TTestEngine> {
protected:
    void SetUp() override
    {
        if (!TTestDb::Available(GetParam()))
            GTEST_SKIP() << "kein PostgreSQL-Server (GT_PG_HOST nicht gesetzt)";
        db = std::make_unique<TTestDb>(GetParam());
        ASSERT_TRUE(db->ok()) << db->error().toStdString();
        abruf = std::make_unique<TDatenabruf>(&cmds, db->db().connectionName());
        abruf->setSerialNumber(QStringLiteral("0612345678"));
        abruf->setOperator(QStringLiteral("O'Neill"));
        abruf->setAssessor(QStringLiteral("Anne 'Bea' Meier"));
        // SQL.txt goes to the program's data folder, here the test's own.
        oldCwd = QDir::currentPath();
        QDir::setCurrent(dir.path());
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path()));
    }
    void TearDown() override
    {
        qunsetenv("XDG_DATA_HOME");
        if (!oldCwd.isEmpty()) QDir::setCurrent(oldCwd);
        abruf.reset();
        TesterChain::TearDown();
        db.reset();
    }

    // A fresh unpaced simulator with n records and the fault options.
    void startSim(int n, const QStringList &faults = {})
    {
        sim.stop();
        cate.setPort(NoPort);
        sent.clear();
        connect(QStringList{QStringLiteral("--no-pacing"), QStringLiteral("--records"), QString::number(n)} +
                faults);
        shortTimeouts();
        expected.clear();
        for (int i = 0; i < n; ++i)
            expected << QByteArray::fromHex(simRecordHex(i).toLatin1());
    }

    QList<QSqlRecord> staging() const
    {
        QList<QSqlRecord> rows;
        QSqlQuery q(db->db());
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT * FROM tblUebernahme ORDER BY UNintLfdNr")));
        while (q.next())
            rows << q.record();
        return rows;
    }

    void expectStagingMatches(int n)
    {
        const QList<QSqlRecord> rows = staging();
        ASSERT_EQ(rows.size(), n);
        const QDateTime first = FieldDateTime(rows[0].value(QStringLiteral("UNdtmUebernahme")));
        EXPECT_LT(qAbs(first.secsTo(QDateTime::currentDateTime())), 120);
        for (int i = 0; i < n; ++i) {
            const QSqlRecord &r = rows[i];
            EXPECT_EQ(FieldInt(r.value(QStringLiteral("UNintLfdNr"))), i + 1);
            EXPECT_EQ(FieldDateTime(r.value(QStringLiteral("UNdtmUebernahme"))), first)
                << "one moment per fetch";
            EXPECT_EQ(FieldString(r.value(QStringLiteral("UNstrGTSeriennummer"))),
                      QStringLiteral("0612345678"));
            EXPECT_EQ(FieldString(r.value(QStringLiteral("UNstrPruefer"))), QStringLiteral("O'Neill"));
            EXPECT_EQ(FieldString(r.value(QStringLiteral("UNstrBewertender"))),
                      QStringLiteral("Anne 'Bea' Meier"));
            EXPECT_EQ(FieldString(r.value(QStringLiteral("UNstrNotiz"))), QString());
            for (const auto &[col, v] : expectedRow(expected[i])) {
                if (v.typeId() == QMetaType::QString)
                    EXPECT_EQ(FieldString(r.value(col)), v.toString())
                        << "record " << i << " " << qPrintable(col);
                else
                    EXPECT_EQ(FieldInt(r.value(col)), v.toInt()) << "record " << i << " " << qPrintable(col);
            }
        }
    }

    int testerRecords() { return sim.stateInt(QStringLiteral("records")); }

    // Complete or nothing, with the tester's memory to match.
    void expectAllOrNothing(const TAbrufBericht &b, int n, int testerHolds)
    {
        if (b.Ergebnis == TAbrufErgebnis::Abgerufen) {
            expectStagingMatches(n);
            EXPECT_EQ(testerHolds, 0);
        } else {
            EXPECT_EQ(db->count(QStringLiteral("tblUebernahme")), 0);
            EXPECT_EQ(testerHolds, n);
        }
    }

    std::unique_ptr<TTestDb> db;
    std::unique_ptr<TDatenabruf> abruf;
    QList<QByteArray> expected;
    QString oldCwd;
};

} // namespace

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
    QObject::connect(abruf.get(), &TDatenabruf::recordStored, abruf.get(),
                     [&](int i, int count, int lfd, const QString &) {
                         EXPECT_EQ(count, 30);
                         EXPECT_EQ(lfd, i);
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
            EXPECT_EQ(b.Ergebnis, TAbrufErgebnis::Verbindungsfehler);
        }
    }
}

TEST_P(Retrieval, LostAcknowledgementRollsBackAndTheTesterKeepsEverything)
{
    // Answer lost (the tester moved on) and request lost (it did not): the same.
    for (const QString &fault : {QStringLiteral("--drop-answer"), QStringLiteral("--drop")}) {
        SCOPED_TRACE(fault.toStdString());
        startSim(3, {fault, QStringLiteral("70:3")});
        const TAbrufBericht b = abruf->Fetch();
        EXPECT_EQ(b.Ergebnis, TAbrufErgebnis::Uebertragungsfehler);
        EXPECT_EQ(b.Meldung(), TDatenabruf::MsgUebertragungsfehler);
        expectAllOrNothing(b, 3, testerRecords());
        EXPECT_EQ(sentCount(cmdEepromFunktion), 3) << "no \"C\" after a failed record";
    }
}

TEST_P(Retrieval, LostAnswerOfTheFinalClearIsCheckedWithTheRecordCount)
{
    // Every try of "C" carried out, every answer lost: the tester is empty, keep the rows.
    startSim(3, {QStringLiteral("--drop-answer"), QStringLiteral("70:5"), QStringLiteral("--drop-answer"),
                 QStringLiteral("70:6"), QStringLiteral("--drop-answer"), QStringLiteral("70:7")});
    TAbrufBericht b = abruf->Fetch();
    EXPECT_EQ(b.Ergebnis, TAbrufErgebnis::Abgerufen);
    expectAllOrNothing(b, 3, testerRecords());

    // Every "C" lost on the way: the tester still holds the records.
    db->exec(QStringLiteral("DELETE FROM tblUebernahme"));
    startSim(3, {QStringLiteral("--drop"), QStringLiteral("70:5"), QStringLiteral("--drop"),
                 QStringLiteral("70:6"), QStringLiteral("--drop"), QStringLiteral("70:7")});
    b = abruf->Fetch();
    EXPECT_EQ(b.Ergebnis, TAbrufErgebnis::Verbindungsfehler);
    EXPECT_EQ(b.Meldung(), TDatenabruf::MsgVerbindungUnterbrochen);
    expectAllOrNothing(b, 3, testerRecords());
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

TEST_P(Retrieval, CancelStopsAfterTheCurrentRecordWithoutClearing)
{
    startSim(5);
    const QMetaObject::Connection stop = QObject::connect(
        abruf.get(), &TDatenabruf::recordStored, abruf.get(), [this](int i, int, int, const QString &) {
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
        TUebernahmeWerte w;
        w.UNstrBarcode = barcode;
        w.UNintSchutzleiterwid = 100 + lfd;
        w.UNintSchutzlStromL1N = -1;
        w.UNblnAutomatisch = 1;
        w.UNintSichtpruef = 1;
        w.UNblnPruefungsergebnis = 1;
        const QStringList lines = TDatenabruf::StagingInsertLines(
            lfd, w, device, SqlDateLiteral(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7))),
            QStringLiteral("06'1234567"), pruefer, QStringLiteral("B'ewerter"));
        QString error;
        ASSERT_TRUE(ExecLines(t->db(), lines, &error)) << error.toStdString();
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

TEST_P(Transfer, FailingRowLeavesAGapStaysAndTheOthersGoOn)
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

    QStringList failures;
    QObject::connect(abruf.get(), &TDatenabruf::transferFailed, abruf.get(), [&](int lfd, const QString &m) {
        failures << QString::number(lfd) + QLatin1Char(':') + m;
    });
    const TUebertragBericht r = abruf->Transfer();
    EXPECT_EQ(r.Uebertragen, 2);
    EXPECT_EQ(r.Fehlgeschlagen, 1);
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].startsWith(QStringLiteral(
        "2:Es ist ein Fehler aufgetreten, die Daten wurden nicht übertragen.\r\rFehlertext:\r")));
    EXPECT_FALSE(test(1).isEmpty());
    EXPECT_TRUE(test(2).isEmpty()) << "the failed row's number stays a gap";
    EXPECT_FALSE(test(3).isEmpty());
    EXPECT_EQ(t->count(QStringLiteral("tblUebernahme")), 1);
    EXPECT_EQ(t->count(QStringLiteral("tblUebernahme"), QStringLiteral("UNintLfdNr = 2")), 1);
    QFile sql(FailedSqlPath());
    ASSERT_TRUE(sql.open(QIODevice::ReadOnly));
    EXPECT_TRUE(sql.readAll().startsWith("INSERT INTO tblPruefung\n  (PRintPruefungsNr,"));
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

INSTANTIATE_TEST_SUITE_P(Engines, Transfer, ::testing::Values(TTestEngine::SQLite, TTestEngine::PostgreSQL),
                         EngineName);

INSTANTIATE_TEST_SUITE_P(Engines, Retrieval, ::testing::Values(TTestEngine::SQLite, TTestEngine::PostgreSQL),
                         EngineName);
