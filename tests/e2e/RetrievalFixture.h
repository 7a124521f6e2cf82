#pragma once

// The retrieval tests' fixture: a simulator with generated records as the
// tester and a fresh database of either engine.

#include "../store/StoreTestDb.h"
#include "RecordDecoding.h"
#include "test_chain_support.h"

#include "store/Database.h"
#include "support/RequireTool.h"
#include "tester/Datenabruf.h"

#include <QDir>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <map>
#include <memory>

namespace chain_test {

class Retrieval : public TesterChain, public ::testing::WithParamInterface<TTestEngine> {
protected:
    void SetUp() override
    {
        if (!TTestDb::Available(GetParam()))
            GT_SKIP_WITHOUT_TOOL("kein PostgreSQL-Server (GT_PG_HOST nicht gesetzt)");
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

    // Complete or nothing, with the tester's memory to match. Stored but
    // unconfirmed, the tester may hold them still: nothing is lost either way.
    void expectAllOrNothing(const TAbrufBericht &b, int n, int testerHolds)
    {
        if (b.Ergebnis == TAbrufErgebnis::Abgerufen || b.Ergebnis == TAbrufErgebnis::Unbestaetigt) {
            expectStagingMatches(n);
            if (b.Ergebnis == TAbrufErgebnis::Abgerufen) {
                EXPECT_EQ(testerHolds, 0);
            }
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

} // namespace chain_test
