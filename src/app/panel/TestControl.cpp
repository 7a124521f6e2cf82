#include "app/panel/TestControl.h"

#include "app/common/Configuration.h"
#include "app/common/Prompt.h"
#include "tester/Commands.h"
#include "tester/ConnectionController.h"
#include "tester/ModeApply.h"
#include "tester/PanelState.h"
#include "tester/TestControlRules.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

TTestControl::TTestControl(TConnectionController *Connection, TTesterCommands *Commands, TPanelState *State,
                           TConfiguration *Config, QObject *parent)
    : QObject(parent), m_conn(Connection), m_commands(Commands), m_state(State), m_config(Config)
{
    setObjectName(QStringLiteral("TestControl"));
    Prf_Start = make("Prf_Start", QStringLiteral("Prüfung Start"));
    Prf_Weiter = make("Prf_Weiter", QStringLiteral("Prüfung weiter"));
    Prf_Abbrechen = make("Prf_Abbrechen", QStringLiteral("Abbrechen"));
    Prf_Drucken = make("Prf_Drucken", QStringLiteral("&Drucken"));
    Prf_SpeicherClr = make("Prf_SpeicherClr", QStringLiteral("Speicher CLR"));
    connect(Prf_Start, &QAction::triggered, this, [this] { Start(); });
    connect(Prf_Weiter, &QAction::triggered, this, [this] { Weiter(); });
    connect(Prf_Abbrechen, &QAction::triggered, this, [this] { Abbrechen(); });
    connect(Prf_Drucken, &QAction::triggered, this, [this] { Drucken(); });
    connect(Prf_SpeicherClr, &QAction::triggered, this, [this] { SpeicherClr(); });

    DisableAll();
}

QAction *TTestControl::make(const char *name, const QString &caption)
{
    auto *a = new QAction(caption, this);
    a->setObjectName(QLatin1String(name));
    a->setProperty("category", QStringLiteral("Pruefung"));
    // Connected first, so a measuring time still being typed reaches the
    // tester before the action does (the buttons never take the focus).
    connect(a, &QAction::triggered, this, [this] { m_state->CommitPendingEdits(); });
    return a;
}

void TTestControl::CreateButtons(QWidget *area)
{
    auto *l = qobject_cast<QVBoxLayout *>(area->layout());
    if (!l) l = new QVBoxLayout(area);
    const struct {
        QPushButton **button;
        const char *name;
        QAction *action;
    } buttons[] = {{&StartButton, "BitBtn1", Prf_Start},
                   {&ContinueButton, "BitBtn2", Prf_Weiter},
                   {&AbortButton, "BitBtn3", Prf_Abbrechen},
                   {&PrintButton, "BitBtn4", Prf_Drucken},
                   {&ClearMemoryButton, "BitBtn5", Prf_SpeicherClr}};
    for (const auto &b : buttons) {
        auto *btn = new QPushButton(b.action->text(), area);
        btn->setObjectName(QLatin1String(b.name));
        btn->setEnabled(b.action->isEnabled());
        btn->setFocusPolicy(Qt::TabFocus);
        btn->setMinimumHeight(28);
        QAction *a = b.action;
        connect(btn, &QPushButton::clicked, a, &QAction::trigger);
        connect(a, &QAction::changed, btn, [btn, a] { btn->setEnabled(a->isEnabled()); });
        l->addWidget(btn);
        *b.button = btn;
    }
    AbortButton->setStyleSheet(QStringLiteral("QPushButton:enabled { color: #a00000; font-weight: bold; }"));
    StartButton->setStyleSheet(QStringLiteral("QPushButton:enabled { color: #006000; font-weight: bold; }"));
    l->addStretch(1);
}

void TTestControl::DisableAll()
{
    for (QAction *a : {Prf_Start, Prf_Weiter, Prf_Abbrechen, Prf_Drucken, Prf_SpeicherClr})
        a->setEnabled(false);
}

void TTestControl::ApplyPhase(int Ablaufphase)
{
    TTestActionState cur;
    cur.Start = m_conn->StartEnabled();
    cur.Weiter = Prf_Weiter->isEnabled();
    cur.Abbrechen = Prf_Abbrechen->isEnabled();
    cur.Drucken = Prf_Drucken->isEnabled();
    cur.SpeicherClr = Prf_SpeicherClr->isEnabled();
    cur.StartEnableCtr = m_conn->StartEnableCtr();
    const bool automatic = m_state->Live.Menueflags & 0x01;
    const TTestActionState s =
        TestActionsForPhase(Ablaufphase, cur, automatic, m_state->View.NetzWarnVisible);
    m_conn->setStartEnableCtr(s.StartEnableCtr);
    m_conn->setStartEnabled(s.Start);
    Prf_Start->setEnabled(s.Start);
    Prf_Weiter->setEnabled(s.Weiter);
    Prf_Abbrechen->setEnabled(s.Abbrechen);
    Prf_Drucken->setEnabled(s.Drucken);
    Prf_SpeicherClr->setEnabled(s.SpeicherClr);
}

void TTestControl::sendActions(const QList<quint8> &codes)
{
    if (!m_conn->PortOpen()) return;
    for (quint8 code : codes) {
        if (!m_conn->PortOpen()) return;
        const TPollingPause pause = m_commands->PausePolling();
        // A write without answer is dropped; the next phase report shows the truth.
        m_commands->SendAktion(code);
    }
}

void TTestControl::Start()
{
    sendActions(StartActionCodes(m_state->Ablaufphase));
}

void TTestControl::Weiter()
{
    sendActions({akStart});
}

void TTestControl::Abbrechen()
{
    sendActions({akAbbrechen});
}

void TTestControl::SpeicherClr()
{
    if (!m_conn->PortOpen()) return;
    // Return must not clear the tester's memory.
    if (!Prompt().AskYesNo(
            QApplication::activeWindow(),
            QStringLiteral(
                "Sollen die im Gerätetester gespeicherten Prüfungsdaten wirklich gelöscht werden?"),
            /*defaultYes=*/false, QMessageBox::Warning))
        return;
    sendActions({akSpeicherClr, akAbbrechen});
}

TWerteSatz TTestControl::PrintRecord() const
{
    return CurrentValuesRecord(m_state->Live, m_conn->SerialNumber(),
                               m_config ? m_config->Operator : QString(),
                               m_config ? m_config->Assessor : QString(), QDateTime::currentDateTime());
}

void TTestControl::Drucken()
{
    emit print(PrintRecord());
}
