#include "app/MainWindow.h"

#include "app/AppWindows.h"
#include "app/ComRadio.h"
#include "app/DataExtras.h"
#include "app/EinstellungenDlg.h"
#include "app/FirstStart.h"
#include "app/FrontPanel.h"
#include "app/HelpWindow.h"
#include "app/MainActions.h"
#include "app/MainStatusBar.h"
#include "bus/SyncBus.h"
#include "controls/LEDPaint.h"
#include "controls/NumberText.h"
#include "core/FormatSettings.h"
#include "core/IniFile.h"
#include "core/ProgramPaths.h"
#include "serial/Cate32.h"
#include "serial/PortNames.h"
#include "store/Database.h"
#include "tester/Commands.h"
#include "tester/ConnectionController.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

TForm1::TForm1(const TForm1Setup &setup, QWidget *parent) : QMainWindow(parent), m_setup(setup)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Gerätetester"));
    resize(800, 572);
    m_iniFile = setup.IniFile.isEmpty() ? TConfiguration::DefaultFileName() : setup.IniFile;

    ShowMessage = [this](QMessageBox::Icon icon, const QString &text) {
        QMessageBox box(icon, QStringLiteral("Gerätetester"), text, QMessageBox::Ok, this);
        box.exec();
    };
    AskYesNo = [this](const QString &question) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Gerätetester"), question,
                        QMessageBox::Yes | QMessageBox::No, this);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes;
    };

    Cate1 = new TCate(this);
    Cate1->setObjectName(QStringLiteral("Cate1"));
    // The port as the main window has always set it up: a small receive
    // queue, bytes gathered until 10 ms of quiet, tick stamps in the COM log.
    Cate1->setReadBufferSize(64);
    Cate1->setWriteBufferSize(0);
    Cate1->setLogTicks(true);
    Cate1->setReadInterval(10);
    Cate1->setReadTotalTimeoutMultiplier(0);
    Cate1->setReadTotalTimeoutConstant(0);
    SynchroBus1 = new TSynchroBus(this);
    SynchroBus1->setObjectName(QStringLiteral("SynchroBus1"));
    SynchroBus1->setTickTime(1000);
    SynchroBus1->setPriority(tpIdle);
    SynchroBus1->setMode(smMaster);
    SynchroBus1->setWriteLog({wpError, wpReceive, wpSend});
    SynchroBus1->setLogTicks(true);
    SynchroBus1->setCate(Cate1);
    m_commands = std::make_unique<TTesterCommands>(SynchroBus1);
    Commands = m_commands.get();
    Connection = new TConnectionController(Cate1, SynchroBus1, Commands, this);

    Actions = new TMainActions(this);
    StatusBar1 = new TMainStatusBar(this);
    setStatusBar(StatusBar1);

    m_frontArea = new QWidget(this);
    m_frontArea->setObjectName(QStringLiteral("FrontPanelArea"));
    m_frontLayout = new QVBoxLayout(m_frontArea);
    m_frontLayout->setContentsMargins(4, 4, 4, 4);
    auto *placeholder = new QLabel(QStringLiteral("Gerätetester-Anzeige"), m_frontArea);
    placeholder->setObjectName(QStringLiteral("FrontPanelPlaceholder"));
    placeholder->setAlignment(Qt::AlignCenter);
    placeholder->setEnabled(false);
    m_frontLayout->addWidget(placeholder);
    m_frontPanel = placeholder;
    setCentralWidget(m_frontArea);

    wireActions();
    wireController();
    m_frontParts = InstallFrontPanel(*this);
    FormCreate();
}

TForm1::~TForm1()
{
    FormDestroy();
    // The controller unhooks itself from the bus engine and the command set
    // when it goes; both must still be there then. Left to the base class it
    // would go after the command set (a member) and the engine (an earlier child).
    delete Connection;
    Connection = nullptr;
}

void TForm1::FormCreate()
{
    Connection->Mailbox().Clear();
    Connection->StatusCounter = 0;
    InitFormatSettings();
    // Every numeric edit of the program reads and shows the decimal comma.
    numtext::SetDefaultDecimalSeparator(FormatSettings().DecimalSeparator);
    ReadConfiguration();
    Connection->Timer2->setInterval(100);

    // A log that cannot be made is off for this run only; the configured name stays.
    if (!m_config.PgmLog.isEmpty()) m_pgmLog.Open(ProgramLogPath(m_config.PgmLog));
    Connection->setProgramLog(&m_pgmLog);
    m_pgmLog.Write(QStringLiteral("Programmstart"));
    ReportUnwritableSettings(*this, m_iniFile);

    SynchroBus1->setMsgTimeOut(m_config.MessageTimeOut);
    SynchroBus1->setCharTimeOut(m_config.CharTimeOut);
    Commands->setTimeout(tcRAM, quint32(qMax(0, m_config.MessageAnswerRAM)));
    Commands->setTimeout(tcReadEEPROM, quint32(qMax(0, m_config.MessageAnswerReadEEPROM)));
    Commands->setTimeout(tcWriteEEPROM, quint32(qMax(0, m_config.MessageAnswerWriteEEPROM)));

    // Panel in its disconnected look; nothing talks to the tester before the user connects.
    Connection->ShowDisconnected();
    Connection->TxLedCtr = 0;
    Connection->RxLedCtr = 0;
    Connection->PausePolling();
    Connection->StartEnableCtr = 0;
    Connection->SettingDelayCtr = 0;
    SplashCtr = 8;

    // The idle step: once each time the event queue has been emptied.
    if (QAbstractEventDispatcher *d = QAbstractEventDispatcher::instance(thread()))
        connect(d, &QAbstractEventDispatcher::aboutToBlock, this, &TForm1::IdleStep);

    SynchroBus1->setLogFile(ProgramLogPath(m_config.BusLog));
    StatusBar1->setPanelText(5, QString());
    QFile::remove(QDir::current().filePath(QStringLiteral("SQL.txt")));
    QCoreApplication::postEvent(this, new QEvent(QEvent::Type(ConnectDatabaseEvent)));

    qApp->installEventFilter(this);
    if (m_config.AutoConnect) {
        // As if the user had checked the connect button once the window runs.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_destroyed && !Actions->G_Verbinden->isChecked()) Actions->G_Verbinden->trigger();
            },
            Qt::QueuedConnection);
    }
}

void TForm1::ReadConfiguration()
{
    m_config.ReadFile(m_iniFile);
    move(m_config.Left, m_config.Top);
    Connection->setPort(m_config.Port);
    Connection->setCOMLog(ProgramLogPath(m_config.COMLog));
    Connection->setInActiveTime(m_config.InActiveTime);
    Connection->setRefreshTime(m_config.RefreshTime);
    Connection->setSettingDelay(m_config.SettingDelay);
    showPortInStatus();
    Actions->setShowHints(m_config.ShowHints);
}

void TForm1::WriteConfiguration()
{
    m_config.Left = x();
    m_config.Top = y();
    m_config.Port = Connection->Port();
    m_config.ShowHints = Actions->ShowHints();
    // Told in the program log (still open here) and on standard error: the
    // window is going, but the loss must not go unnoticed.
    QString why;
    if (!MakeParentDir(m_iniFile, &why) || !m_config.WriteFile(m_iniFile)) {
        const QString text =
            QStringLiteral("Einstellungen nicht gespeichert („%1“): %2")
                .arg(m_iniFile, why.isEmpty() ? QStringLiteral("Die Datei ist nicht beschreibbar.") : why);
        m_pgmLog.Write(text);
        qWarning("%s", qPrintable(text));
    }
}

void TForm1::showPortInStatus()
{
    StatusBar1->setPanelText(1, QStringLiteral("COM") + QString::number(m_config.Port));
}

void TForm1::FormDestroy()
{
    if (m_destroyed) return;
    m_destroyed = true;
    qApp->removeEventFilter(this);
    if (QAbstractEventDispatcher *d = QAbstractEventDispatcher::instance(thread()))
        disconnect(d, &QAbstractEventDispatcher::aboutToBlock, this, &TForm1::IdleStep);
    Connection->Timer1->stop();

    Connection->Shutdown();
    if (ProgramDatabase().isOpen()) {
        DisconnectDatabase();
        StatusBar1->setPanelText(6, QStringLiteral(" Datenbank getrennt."));
    }
    // Before the closing log lines, so a failed write can still be logged.
    WriteConfiguration();
    m_pgmLog.Write(QStringLiteral("Programmende"));
    m_pgmLog.Write(QStringLiteral("------------"));
    if (m_pgmLog.IsOpen()) m_pgmLog.Close();
}

bool TForm1::event(QEvent *e)
{
    if (e->type() == QEvent::Type(ConnectDatabaseEvent)) {
        ConnectDatabase();
        return true;
    }
    return QMainWindow::event(e);
}

void TForm1::ConnectDatabase()
{
    QString connection = m_config.ConnectionString;
    if (connection.trimmed().isEmpty() && !m_setup.ProgramDir.isEmpty())
        connection = QStringLiteral("Provider=SQLite;Data Source=\"%1/VERIDA.db\"").arg(m_setup.ProgramDir);
    QString error;
    if (::ConnectDatabase(connection, &error)) {
        StatusBar1->setPanelText(6, QStringLiteral(" Datenbankverbindung ok."));
        return;
    }
    StatusBar1->setPanelText(6, QStringLiteral(" Keine Datenbank!"));
    m_pgmLog.Write(QStringLiteral("Datenbank nicht geöffnet: ") + error);
    // A first start: the database can be made here, with the user's yes.
    if (OfferNewDatabase(*this, connection)) return;
    ShowMessage(
        QMessageBox::Critical,
        QStringLiteral("Die für den Betrieb dieses Programms erforderliche Datenbank wurde nicht gefunden."));
}

void TForm1::IdleStep()
{
    if (!m_destroyed) Connection->IdleStep();
}

void TForm1::wireActions()
{
    connect(Actions->G_Schnittstelle, &QAction::triggered, this, [this] { ChoosePort(); });
    connect(Actions->G_Verbinden, &QAction::triggered, this, [this](bool checked) {
        Connection->setConnected(checked);
        if (checked && !Connection->PortOpen()) ReportPortOpenFailure(*this);
    });
    connect(Actions->G_Abrufen, &QAction::triggered, this,
            [this] { Connection->FetchData([this] { ExecWindow(QStringLiteral("TDatenabrufDlg")); }); });
    connect(Actions->G_Beenden, &QAction::triggered, this, [this] { close(); });
    connect(Actions->D_Oeffnen, &QAction::triggered, this,
            [this] { ExecWindow(QStringLiteral("TDatenanzeigeDlg")); });
    connect(Actions->D_Barcode, &QAction::triggered, this,
            [this] { ExecWindow(QStringLiteral("TBarcdWahlDlg")); });
    auto *extras = new TDataExtras(this, &m_config);
    connect(Actions->D_Prueffristen, &QAction::triggered, extras, &TDataExtras::OpenDueDates);
    connect(Actions->D_Archivieren, &QAction::triggered, extras, &TDataExtras::ArchiveProtocols);
    connect(Actions->D_Import, &QAction::triggered, extras, &TDataExtras::ImportCsv);
    connect(Actions->K_Einstellungen, &QAction::triggered, this, [this] { EditSettings(); });
    // "Sprache..." and "Messmodus einstellen..." belong to the front panel, which connects them.
    connect(Actions->K_Hinweise, &QAction::triggered, this, [this](bool checked) {
        Actions->setShowHints(checked);
        m_config.ShowHints = checked;
    });
    connect(Actions->H_Index, &QAction::triggered, this, [this] { HelpWindow()->ShowIndex(); });
    connect(Actions->H_Benutzen, &QAction::triggered, this, [this] { HelpWindow()->ShowUsingHelp(); });
    connect(Actions->H_Info, &QAction::triggered, this, [this] { ExecWindow(QStringLiteral("TAboutBox")); });
    connect(Actions->SafetyButton, &QToolButton::clicked, this, [this] { ShowSafetyNotes(); });
}

void TForm1::wireController()
{
    connect(Connection, &TConnectionController::statusText, StatusBar1, &TMainStatusBar::setPanelText);
    connect(Connection, &TConnectionController::leds, StatusBar1, [this](bool tx, bool rx) {
        StatusBar1->LEDPaint1->setLEDOn(tx);
        StatusBar1->LEDPaint2->setLEDOn(rx);
    });
    connect(Connection, &TConnectionController::connectionState, this, [this](bool connected) {
        Actions->G_Verbinden->setChecked(connected);
        Actions->G_Schnittstelle->setEnabled(!connected);
    });
    connect(Connection, &TConnectionController::languageActionEnabled, Actions->K_Sprache,
            &QAction::setEnabled);
    connect(Connection, &TConnectionController::firmwareMismatch, this,
            [this](const QString &text) { ShowMessage(QMessageBox::Warning, text); });
    connect(Connection, &TConnectionController::timer1, this, [this] {
        if (!m_splash) return;
        if (SplashCtr > 0) --SplashCtr;
        if (SplashCtr == 0) {
            m_splash->close();
            m_splash->deleteLater();
            m_splash = nullptr;
        }
    });
}

void TForm1::setFrontPanel(QWidget *panel)
{
    if (m_frontPanel) {
        m_frontLayout->removeWidget(m_frontPanel);
        m_frontPanel->deleteLater();
    }
    m_frontPanel = panel;
    if (panel) m_frontLayout->addWidget(panel);
}

TSchnittstelleDlg *TForm1::SchnittstelleDlg()
{
    if (!m_portDlg) m_portDlg = new TSchnittstelleDlg(this);
    return m_portDlg;
}

THelpWindow *TForm1::HelpWindow()
{
    if (!m_help) m_help = new THelpWindow(this);
    return m_help;
}

void TForm1::EditSettings()
{
    auto *dlg = qobject_cast<TEinstellungenDlg *>(TAppWindows::Find(QStringLiteral("TEinstellungenDlg")));
    std::unique_ptr<TEinstellungenDlg> own;
    if (!dlg) {
        own = std::make_unique<TEinstellungenDlg>(this);
        dlg = own.get();
    }
    TSettingsValues values = m_config.Settings();
    if (dlg->EditSettings(values)) m_config.setSettings(values);
}

void TForm1::ChoosePort()
{
    if (Connection->PortOpen()) return;
    const TPort port =
        SchnittstelleDlg()->Execute(TPort(m_config.Port >= 0 && m_config.Port <= 9 ? m_config.Port : 0));
    if (port == NoPort) return;
    // Keep the number on this device, whatever is plugged in later.
    RememberPortDevice(int(port));
    m_config.Port = int(port);
    Connection->setPort(int(port));
    showPortInStatus();
}

void TForm1::ShowSafetyNotes()
{
    ShowMessage(
        QMessageBox::Warning,
        QStringLiteral("Bitte beachten Sie die Bedienungsanleitung zum Gerätetester.\n\n"
                       "Die Prüfungen mit dem Gerätetester an elektrischen Geräten dürfen nur von einer "
                       "Elektrofachkraft oder von einer Elektrofachkraft unterwiesenen Person "
                       "durchgeführt werden."));
}

int TForm1::ExecWindow(const QString &className)
{
    QWidget *w = TAppWindows::Find(className);
    if (!w && className == QLatin1String("TSchnittstelleDlg")) w = SchnittstelleDlg();
    if (auto *d = qobject_cast<QDialog *>(w)) return d->exec();
    if (w) w->show();
    return 0;
}

void TForm1::RequestClose()
{
    // A modal dialog runs its own loop; it has to end before the window can close.
    for (int guard = 0; guard < 16; ++guard) {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal) break;
        if (auto *d = qobject_cast<QDialog *>(modal))
            d->reject();
        else
            modal->close();
    }
    QMetaObject::invokeMethod(
        this, [this] { close(); }, Qt::QueuedConnection);
}

void TForm1::closeEvent(QCloseEvent *e)
{
    // Windows of our own that stand open would keep the program running.
    if (m_help) m_help->close();
    if (m_splash) m_splash->close();
    e->accept();
}

bool TForm1::eventFilter(QObject *watched, QEvent *e)
{
    // "Hinweise" off: no tool tips anywhere in the main window.
    if (e->type() == QEvent::ToolTip && !Actions->ShowHints()) {
        if (auto *w = qobject_cast<QWidget *>(watched); w && w->window() == this) return true;
    }
    return QMainWindow::eventFilter(watched, e);
}
