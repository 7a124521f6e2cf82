// The whole road of the hand-written records: a fetch over the line from a
// far end that answers with the hand-written frames, the staging rows it
// stores, the transfer, and the texts the loaded tests then show.

#include "HandTester.h"

#include "fixtures/CsvTexts.h"
#include "fixtures/StoredRecords.h"
#include "fixtures/WriteRequests.h"

#include "StoreTestDb.h"

#include "bus/SyncBus.h"
#include "store/CsvExport.h"
#include "store/Database.h"
#include "store/TestRecord.h"
#include "tester/Commands.h"
#include "tester/Datenabruf.h"

#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace fixtures;

namespace {

class FetchFixtures : public tester_test::HandLineTest {
protected:
    void SetUp() override
    {
        HandLineTest::SetUp();
        if (HasFatalFailure()) return;
        db = std::make_unique<TTestDb>(TTestEngine::SQLite);
        ASSERT_TRUE(db->ok()) << db->error().toStdString();

        // The tester's memory: the count, then the record under the read
        // pointer, which "T" puts on the first record and "S" moves on.
        tester->answers[Hex("53 61 33 33 00 00 00 00 00 00 00 00")] = Hex(AnsCountThree);
        for (const char *req : {ReqFetchBegin, Req70S, Req70C})
            tester->answers[Hex(req)] = Hex(Ans70);
        tester->onRequest = [this](const QByteArray &req) {
            if (req == Hex(ReqFetchBegin)) m_pointer = 0;
            if (req == Hex(Req70S)) ++m_pointer;
            for (int p = 0; p < 5; ++p) {
                if (m_pointer < int(Records.size()))
                    tester->answers[Hex(PieceRequests[size_t(p)])] =
                        Hex(Records[size_t(m_pointer)]->answers[size_t(p)]);
                else
                    tester->answers.remove(Hex(PieceRequests[size_t(p)]));
            }
        };
    }

    std::unique_ptr<TTestDb> db;
    int m_pointer = 0;
};

void ExpectStaged(const QSqlRecord &r, const TUebernahmeWerte &w)
{
    auto i = [&r](const char *col) { return FieldInt(r.value(QLatin1String(col))); };
    EXPECT_EQ(r.value(QStringLiteral("UNstrBarcode")).toString(), w.UNstrBarcode);
    EXPECT_EQ(i("UNintGrenzwertflags"), w.UNintGrenzwertflags);
    EXPECT_EQ(i("UNintMenueflags"), w.UNintMenueflags);
    EXPECT_EQ(i("UNintSchutzklasseFlags"), w.UNintSchutzklasseFlags);
    EXPECT_EQ(i("UNintMessablaufFlags"), w.UNintMessablaufFlags);
    EXPECT_EQ(i("UNintSchutzleiterwid"), w.UNintSchutzleiterwid);
    EXPECT_EQ(i("UNintIsolationswid"), w.UNintIsolationswid);
    EXPECT_EQ(i("UNintAbleitstrom"), w.UNintAbleitstrom);
    EXPECT_EQ(i("UNintSchutzlStromL1N"), w.UNintSchutzlStromL1N);
    EXPECT_EQ(i("UNintSchutzlStromNL1"), w.UNintSchutzlStromNL1);
    EXPECT_EQ(i("UNintBeruehrungsstromL1N"), w.UNintBeruehrungsstromL1N);
    EXPECT_EQ(i("UNintBeruehrungsstromNL1"), w.UNintBeruehrungsstromNL1);
    EXPECT_EQ(i("UNintGrwSchutzleiterwid"), w.UNintGrwSchutzleiterwid);
    EXPECT_EQ(i("UNintGrwIsolationswid"), w.UNintGrwIsolationswid);
    EXPECT_EQ(i("UNintGrwAbleitstrom"), w.UNintGrwAbleitstrom);
    EXPECT_EQ(i("UNintGrwSchutzleiterstrom"), w.UNintGrwSchutzleiterstrom);
    EXPECT_EQ(i("UNintGrwBeruehrungsstrom"), w.UNintGrwBeruehrungsstrom);
    EXPECT_EQ(i("UNintGrwSchnellabschaltung"), w.UNintGrwSchnellabschaltung);
    EXPECT_EQ(i("UNblnPruefungsergebnis"), w.UNblnPruefungsergebnis);
    EXPECT_EQ(i("UNintSichtpruef"), w.UNintSichtpruef);
    EXPECT_EQ(i("UNintSchutzklasse"), w.UNintSchutzklasse);
    EXPECT_EQ(i("UNblnAutomatisch"), w.UNblnAutomatisch);
    EXPECT_EQ(i("UNintDINVDE"), w.UNintDINVDE);
    EXPECT_EQ(i("UNblnExternDiffStr"), w.UNblnExternDiffStr);
    EXPECT_EQ(i("UNblnManuGrenz"), w.UNblnManuGrenz);
    EXPECT_EQ(i("UNintIsolDiff"), w.UNintIsolDiff);
    EXPECT_EQ(i("UNblnMitBeruehr"), w.UNblnMitBeruehr);
    EXPECT_EQ(i("UNblnAbgebrochen"), w.UNblnAbgebrochen);
    EXPECT_EQ(i("UNblnSchnellabbruch"), w.UNblnSchnellabbruch);
    EXPECT_EQ(i("UNblnManuellAbbruch"), w.UNblnManuellAbbruch);
    EXPECT_EQ(i("UNblnGrenzwFehler"), w.UNblnGrenzwFehler);
}

} // namespace

TEST_F(FetchFixtures, HandWrittenRecordsTravelFromTheLineToTheExportTexts)
{
    db->addCustomer(1, QStringLiteral("Praxis Dr. Berg"));
    db->addDevice(3, 1, QStringLiteral("Bohrmaschine"), QStringLiteral("1234567"));
    db->addDevice(4, 1, QStringLiteral("Infusionspumpe"), QStringLiteral("1032547698012345"));
    db->addDevice(5, 1, QStringLiteral("Kaffeemaschine"));

    TDatenabruf abruf(&cmds, db->db().connectionName());
    abruf.setSerialNumber(QStringLiteral("1234567890"));
    abruf.setOperator(QStringLiteral("Müller"));
    abruf.setAssessor(QStringLiteral("Schulz"));
    const QDate before = QDate::currentDate();
    const TAbrufBericht b = abruf.Fetch();
    const QDate after = QDate::currentDate();
    EXPECT_EQ(b.Ergebnis, TAbrufErgebnis::Abgerufen);
    EXPECT_EQ(b.Anzahl, 3);
    EXPECT_EQ(b.Gespeichert, 3);

    QList<QByteArray> expected{Hex("53 61 33 33 00 00 00 00 00 00 00 00"), Hex(ReqFetchBegin)};
    for (int k = 0; k < 3; ++k) {
        for (const char *req : PieceRequests)
            expected << Hex(req);
        expected << Hex(Req70S);
    }
    expected << Hex(Req70C);
    EXPECT_EQ(tester->requests, expected);

    // The staging rows: the worked-out values, the device found by barcode,
    // the serial number and names of the fetch.
    QSqlQuery q(db->db());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT * FROM tblUebernahme ORDER BY UNintLfdNr")));
    const int devices[3] = {3, 4, 0};
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(Records[size_t(k)]->name);
        ASSERT_TRUE(q.next());
        const QSqlRecord r = q.record();
        EXPECT_EQ(FieldInt(r.value(QStringLiteral("UNintLfdNr"))), k + 1);
        EXPECT_EQ(FieldInt(r.value(QStringLiteral("UNintPrueflingNr"))), devices[k]);
        EXPECT_EQ(r.value(QStringLiteral("UNstrGTSeriennummer")).toString(), QStringLiteral("1234567890"));
        EXPECT_EQ(r.value(QStringLiteral("UNstrPruefer")).toString(), QStringLiteral("Müller"));
        EXPECT_EQ(r.value(QStringLiteral("UNstrBewertender")).toString(), QStringLiteral("Schulz"));
        ExpectStaged(r, Records[size_t(k)]->staged);
    }
    EXPECT_FALSE(q.next());
    q.finish();

    // The record without a barcode is assigned by hand, then all go over.
    db->exec(QStringLiteral("UPDATE tblUebernahme SET UNintPrueflingNr = 5 WHERE UNintLfdNr = 3"));
    const TUebertragBericht u = abruf.Transfer();
    EXPECT_EQ(u.Uebertragen, 3);
    EXPECT_EQ(db->count(QStringLiteral("tblUebernahme")), 0);

    ASSERT_TRUE(q.exec(QStringLiteral("SELECT PRintPruefungsNr FROM tblPruefung ORDER BY PRintPruefungsNr")));
    QList<int> tests;
    QDate fetchDate;
    for (int k = 0; k < 3; ++k) {
        const TRecordFixture &rec = *Records[size_t(k)];
        SCOPED_TRACE(rec.name);
        ASSERT_TRUE(q.next());
        TWerteSatz w;
        tests << FieldInt(q.value(0));
        ASSERT_TRUE(LoadTestRecord(db->db(), tests.last(), false, w));
        EXPECT_EQ(w.PrueflingNr, k == 2 ? 5 : devices[k]);
        for (int i = 0; i < 13; ++i)
            EXPECT_EQ(ExportColumnText(w, TExportColumn(ecSchutzleiterwid + i)),
                      QString::fromUtf8(rec.texts[size_t(i)]))
                << "column " << i;
        EXPECT_EQ(ExportColumnText(w, ecGTSeriennummer), QStringLiteral("1234567890"));
        EXPECT_EQ(ExportColumnText(w, ecBarcode), rec.staged.UNstrBarcode);
        EXPECT_EQ(ExportColumnText(w, ecPruefungsergebnis),
                  rec.staged.UNblnPruefungsergebnis ? QStringLiteral("ja") : QStringLiteral("nein"));
        EXPECT_EQ(w.Sichtpruef, rec.staged.UNintSichtpruef);
        EXPECT_EQ(w.DINVDE, rec.staged.UNintDINVDE);
        EXPECT_EQ(w.Grenzwertflags, rec.staged.UNintGrenzwertflags);
        EXPECT_TRUE(w.Datum.date() >= before && w.Datum.date() <= after);
        if (k == 0) fetchDate = w.Datum.date();
    }

    // The single export of the 0702 test, as the file's bytes: code page
    // 1252 ("ü" is FC), CR LF after each line.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("einzel.csv"));
    ASSERT_TRUE(ExportSingleTest(db->db(), tests.first(), file, TExportSwitches()));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray expected0702 =
        QByteArray(CsvLine0702)
            .replace("%1", fetchDate.toString(QStringLiteral("dd.MM.yyyy")).toLatin1())
            .replace("%2", "M\xFCller")
            .replace("%3", "Schulz");
    EXPECT_EQ(f.readAll(), QByteArray(CsvDefaultHeader) + "\r\n" + expected0702 + "\r\n");
}
