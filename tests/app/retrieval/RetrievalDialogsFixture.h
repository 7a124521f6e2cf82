#pragma once

// The retrieval and entry dialogs offscreen, the simulator as the tester: the
// fixture and helpers shared by their test files.

#include "../../e2e/test_chain_support.h"
#include "../../store/StoreTestDb.h"
#include "../FakePrompt.h"

#include "app/retrieval/DatenabrufDlg.h"
#include "app/retrieval/NeuKundeDlg.h"
#include "app/retrieval/NeuPrueflingDlg.h"
#include "app/retrieval/PrueflingDlg.h"
#include "core/FormatSettings.h"
#include "core/IniFile.h"
#include "store/Database.h"
#include "store/FetchStore.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace chain_test;

namespace {

// Steps run on modal dialogs as they come up, each armed before the one
// before it acts (an action may block in a dialog of its own).
void runOnModals(const QList<std::pair<QString, std::function<void(QWidget *)>>> &steps, int i = 0)
{
    if (i >= steps.size()) return;
    auto *t = new QTimer;
    t->setInterval(10);
    QObject::connect(t, &QTimer::timeout, t, [t, steps, i] {
        QWidget *w = QApplication::activeModalWidget();
        if (!w || w->objectName() != steps[i].first || !w->isVisible()) return;
        t->stop();
        t->deleteLater();
        runOnModals(steps, i + 1);
        steps[i].second(w);
    });
    t->start();
}

template <class T> T *as(QWidget *w)
{
    return qobject_cast<T *>(w);
}

class RetrievalDialogs : public TesterChain {
protected:
    void SetUp() override
    {
        InitFormatSettings();
        db = std::make_unique<TTestDb>(TTestEngine::SQLite);
        ASSERT_TRUE(db->ok()) << db->error().toStdString();
        const QString conn = db->db().connectionName();
        ini = dir.filePath(QStringLiteral("gt.ini"));
        abruf = std::make_unique<TDatenabrufDlg>(nullptr, ini, conn);
        pruefling = std::make_unique<TPrueflingDlg>(nullptr, ini, conn);
        kunde = std::make_unique<TNeuKundeDlg>(nullptr, conn);
        neu = std::make_unique<TNeuPrueflingDlg>(nullptr, conn);
        WireEntryDialogs(abruf.get(), pruefling.get(), kunde.get(), neu.get());
        TDatenabrufQuelle q;
        q.Commands = &cmds;
        q.PortOpen = [this] { return cate.IsOpen(); };
        q.SerialNumber = [] { return QStringLiteral("0612345678"); };
        q.Operator = [] { return QStringLiteral("Pr'üfer"); };
        q.Assessor = [] { return QStringLiteral("Chef"); };
        abruf->setQuelle(q);
    }
    void TearDown() override
    {
        if (abruf) abruf->hide();
        abruf.reset();
        pruefling.reset();
        kunde.reset();
        neu.reset();
        TesterChain::TearDown();
        db.reset();
    }

    void stage(int lfd, const QString &barcode, const TUebernahmeWerte &base = {}, int device = 0)
    {
        TAbrufSatz s{base, device};
        s.Werte.UNstrBarcode = barcode;
        const TAbrufKopf k{QStringLiteral("0612345678"), QStringLiteral("P"), QStringLiteral("B"),
                           QDateTime(QDate(2026, 5, 6), QTime(7, 8, 9))};
        QString error;
        ASSERT_TRUE(StagingZeileEinfuegen(db->db(), lfd, s, k, &error)) << error.toStdString();
    }
    // The simulator with n stored records, unpaced, as the dialog's tester.
    void startSimForDialog(int n, const QStringList &faults = {})
    {
        connect(QStringList{QStringLiteral("--no-pacing"), QStringLiteral("--records"), QString::number(n)} +
                faults);
        shortTimeouts();
    }
    QString cell(int row, int column) const
    {
        return abruf->Model()->index(row, column).data(Qt::DisplayRole).toString();
    }
    int stagingCount() const { return db->count(QStringLiteral("tblUebernahme")); }
    bool enabled(QPushButton *b) const { return b->isEnabled(); }

    // Answers every question of the dialogs: "Nein" unless a test queues a yes.
    gt_app_test::TFakePrompt prompt;
    QStringList &asked = prompt.texts;
    QList<bool> &answers = prompt.answers;
    std::unique_ptr<TTestDb> db;
    QString ini;
    std::unique_ptr<TDatenabrufDlg> abruf;
    std::unique_ptr<TPrueflingDlg> pruefling;
    std::unique_ptr<TNeuKundeDlg> kunde;
    std::unique_ptr<TNeuPrueflingDlg> neu;
};

} // namespace
