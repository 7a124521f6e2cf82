#pragma once

// The browser window offscreen on a real database file: two customers, three
// devices (one without tests) and three tests; every message and question
// goes to the fake prompt.

#include "../../store/StoreTestDb.h"
#include "../AppTestSupport.h"
#include "app/browser/DatenanzeigeDlg.h"
#include "app/common/Configuration.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

#include <functional>
#include <memory>

inline QDateTime day(int d)
{
    return QDateTime(QDate(2026, 4, d), QTime(9, 30, 0));
}

// What typing into an edit does: the text and its textEdited signal.
inline void type(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    emit edit->textEdited(text);
}

inline void pressKey(QWidget *w, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

// Runs f on the next modal window once it is shown.
inline void onModal(const std::function<void(QWidget *)> &f)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, f] {
        if (QWidget *w = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            f(w);
        }
    });
    timer->start();
}

class BrowserDlg : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = std::make_unique<TTestDb>(TTestEngine::SQLite);
        ASSERT_TRUE(db->ok()) << db->error().toStdString();
        db->addCustomer(1, QStringLiteral("Klinik Nord"), QStringLiteral("Bremen"));
        db->addCustomer(2, QStringLiteral("Praxis Süd"), QStringLiteral("Ulm"));
        db->addDevice(10, 1, QStringLiteral("Patientenbett"), QStringLiteral("4711"));
        db->addDevice(11, 1, QStringLiteral("Ohne Prüfung"), QStringLiteral("4712"));
        db->addDevice(20, 2, QStringLiteral("Monitor"), QStringLiteral("9000"));
        db->addTest(100, 10, day(1));
        db->addTest(101, 10, day(2), QStringLiteral("Rad klemmt"), 0);
        db->exec(
            QStringLiteral("UPDATE tblPruefung SET PRintDINVDE = 2, PRstrPruefer = 'Meier', "
                           "PRintGrwSchutzleiterwid = 300, PRintGrwIsolationswid = 2000, "
                           "PRintGrwAbleitstrom = 100, PRintGesamtbew = 1 WHERE PRintPruefungsNr = 101"));
        db->addTest(200, 20, day(3));
        config.aktCheckNumber = 101;
        dlg = std::make_unique<TDatenanzeigeDlg>();
        dlg->setDatabase(db->db());
        dlg->setConfiguration(&config);
        answer = true;
        QObject::connect(dlg.get(), &TDatenanzeigeDlg::protocolRequested,
                         [this](int form, const TWerteSatz &w) { reports << qMakePair(form, w); });
        dlg->resize(980, 700);
        dlg->show();
    }
    void TearDown() override
    {
        dlg.reset();
        db.reset();
    }

    std::unique_ptr<TTestDb> db;
    TConfiguration config;
    std::unique_ptr<TDatenanzeigeDlg> dlg;
    gt_app_test::TFakePrompt prompt;
    QStringList &messages = prompt.messages, &questions = prompt.questions;
    bool &answer = prompt.answerYes;
    QList<QPair<int, TWerteSatz>> reports;
};
