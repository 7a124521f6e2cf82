#include "app/shell/MainWindow.h"

#include "app/browser/DatenanzeigeDlg.h"
#include "app/common/Prompt.h"
#include "app/common/WindowPlacement.h"
#include "app/extras/BarcdWahlDlg.h"
#include "app/extras/DataExtras.h"
#include "app/retrieval/DatenabrufDlg.h"
#include "app/settings/ComRadio.h"
#include "app/settings/EinstellungenDlg.h"
#include "app/shell/AboutBox.h"
#include "app/shell/AppWindows.h"
#include "app/shell/AutoBackup.h"
#include "app/shell/FirstStart.h"
#include "app/shell/FrontPanelInstall.h"
#include "app/shell/HelpWindow.h"
#include "app/shell/MainActions.h"
#include "app/shell/MainStatusBar.h"
#include "app/shell/StartupDbCheck.h"
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

    m_cate = new TCate(this);
    m_cate->setObjectName(QStringLiteral("Cate1"));
    // The port as the main window has always set it up: a small receive
    // queue, bytes gathered until 10 ms of quiet, tick stamps in the COM log.
    m_cate->setReadBufferSize(64);
    m_cate->setWriteBufferSize(0);
    m_cate->setLogTicks(true);
    m_cate->setReadInterval(10);
    m_cate->setReadTotalTimeoutMultiplier(0);
    m_cate->setReadTotalTimeoutConstant(0);
    m_bus = new TSynchroBus(this);
    m_bus->setObjectName(QStringLiteral("SynchroBus1"));
    m_bus->setTickTime(1000);
    m_bus->setPriority(tpIdle);
    m_bus->setMode(smMaster);
    m_bus->setWriteLog({wpError, wpReceive, wpSend});
    m_bus->setLogTicks(true);
    m_bus->setCate(m_cate);
    m_commands = std::make_unique<TTesterCommands>(m_bus);
    m_connection = new TConnectionController(m_cate, m_bus, m_commands.get(), this);

    m_actions = new TMainActions(this);
    m_statusBar = new TMainStatusBar(this);
    setStatusBar(m_statusBar);

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
    delete m_connection;
    m_connection = nullptr;
}

void TForm1::FormCreate()
{
    m_connection->Mailbox().Clear();
    m_connection->StatusCounter = 0;
    InitFormatSettings();
    // Every numeric edit of the program reads and shows the decimal comma.
    numtext::SetDefaultDecimalSeparator(FormatSettings().DecimalSeparator);
    ReadConfiguration();

    // A log that cannot be made is off for this run only; the configured name stays.
    if (!m_config.PgmLog.isEmpty()) m_pgmLog.Open(ProgramLogPath(m_config.PgmLog));
    m_connection->setProgramLog(&m_pgmLog);
    m_pgmLog.Write(QStringLiteral("Programmstart"));
    ReportUnwritableSettings(*this, m_iniFile);
    ReportConfigurationProblems(*this, m_config.Problems);
    ReportLastBackupFailure(*this);

    m_bus->setMsgTimeOut(m_config.MessageTimeOut);
    m_bus->setCharTimeOut(m_config.CharTimeOut);
    m_commands->setTimeout(tcRAM, quint32(qMax(0, m_config.MessageAnswerRAM)));
    m_commands->setTimeout(tcReadEEPROM, quint32(qMax(0, m_config.MessageAnswerReadEEPROM)));
    m_commands->setTimeout(tcWriteEEPROM, quint32(qMax(0, m_config.MessageAnswerWriteEEPROM)));

    // Panel in its disconnected look; nothing talks to the tester before the user connects.
    m_connection->ShowDisconnected();
    m_connection->setTxLedCtr(0);
    m_connection->setRxLedCtr(0);
    m_connection->StopPolling();
    m_connection->setStartEnableCtr(0);
    m_connection->SettingDelay().clear();
    SplashCtr = 8;

    // The idle step: once each time the event queue has been emptied.
    if (QAbstractEventDispatcher *d = QAbstractEventDispatcher::instance(thread()))
        connect(d, &QAbstractEventDispatcher::aboutToBlock, this, &TForm1::IdleStep);

    m_bus->setLogFile(ProgramLogPath(m_config.BusLog));
    m_statusBar->setPanelText(5, QString());
    RemoveFailedSqlFile();
    QCoreApplication::postEvent(this, new QEvent(QEvent::Type(ConnectDatabaseEvent)));

    qApp->installEventFilter(this);
    if (m_config.AutoConnect) {
        // As if the user had checked the connect button once the window runs.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_destroyed && !m_actions->G_Verbinden->isChecked()) m_actions->G_Verbinden->trigger();
            },
            Qt::QueuedConnection);
    }
}

void TForm1::ReadConfiguration()
{
    m_config.ReadFile(m_iniFile);
    // A place on a monitor unplugged since would hide the window.
    if (PlacementOnScreen(QRect(QPoint(m_config.Left, m_config.Top), size())))
        move(m_config.Left, m_config.Top);
    m_connection->setPort(m_config.Port);
    m_connection->setCOMLog(ProgramLogPath(m_config.COMLog));
    m_connection->setInActiveTime(m_config.InActiveTime);
    m_connection->setRefreshTime(m_config.RefreshTime);
    m_connection->setSettingDelay(m_config.SettingDelay);
    showPortInStatus();
    m_actions->setShowHints(m_config.ShowHints);
}

void TForm1::WriteConfiguration()
{
    m_config.Left = x();
    m_config.Top = y();
    m_config.Port = m_connection->Port();
    m_config.ShowHints = m_actions->ShowHints();
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
    m_statusBar->setPanelText(1, QStringLiteral("COM") + QString::number(m_config.Port));
}

void TForm1::FormDestroy()
{
    if (m_destroyed) return;
    m_destroyed = true;
    qApp->removeEventFilter(this);
    if (QAbstractEventDispatcher *d = QAbstractEventDispatcher::instance(thread()))
        disconnect(d, &QAbstractEventDispatcher::aboutToBlock, this, &TForm1::IdleStep);
    m_connection->StopTicks();

    m_connection->Shutdown();
    if (ProgramDatabase().isOpen()) {
        RunAutomaticBackup(*this);
        DisconnectDatabase();
        m_statusBar->setPanelText(6, QStringLiteral(" Datenbank getrennt."));
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

QString TForm1::DatabaseConnectionString() const
{
    if (m_config.ConnectionString.trimmed().isEmpty() && !m_setup.ProgramDir.isEmpty())
        return QStringLiteral("Provider=SQLite;Data Source=\"%1/VERIDA.db\"").arg(m_setup.ProgramDir);
    return m_config.ConnectionString;
}

void TForm1::ConnectDatabase()
{
    const QString connection = DatabaseConnectionString();
    const TStartCheck check = CheckDatabaseAtStart(*this, connection);
    QString error = check.error;
    if (!check.unreachable && ::ConnectDatabase(connection, &error)) {
        m_statusBar->setPanelText(6, QStringLiteral(" Datenbankverbindung ok."));
        return;
    }
    m_statusBar->setPanelText(6, QStringLiteral(" Keine Datenbank!"));
    m_pgmLog.Write(QStringLiteral("Datenbank nicht geöffnet: ") + error);
    // Damage, or an upgrade the user declined or that failed: already said.
    if (check.reported) return;
    // A first start: the database can be made here, with the user's yes.
    if (OfferNewDatabase(*this, connection)) return;
    // The reason follows: a database that is there but refused (an older schema, a lock, a stopped
    // server) must not look like a missing one.
    Prompt().Error(
        this,
        QStringLiteral("Die für den Betrieb dieses Programms erforderliche Datenbank wurde nicht gefunden.") +
            (error.isEmpty() ? QString() : QStringLiteral("\n\n") + error));
}

void TForm1::IdleStep()
{
    if (!m_destroyed) m_connection->IdleStep();
}

void TForm1::wireActions()
{
    connect(m_actions->G_Schnittstelle, &QAction::triggered, this, [this] { ChoosePort(); });
    connect(m_actions->G_Verbinden, &QAction::triggered, this, [this](bool checked) {
        m_connection->setConnected(checked);
        if (checked && !m_connection->PortOpen()) ReportPortOpenFailure(*this);
    });
    // The windows of the tests need the database: without one they say so first.
    auto withDatabase = [this](auto job) {
        return [this, job] {
            if (RequireDatabase(*this, DatabaseConnectionString())) job();
        };
    };
    connect(m_actions->G_Abrufen, &QAction::triggered, this,
            withDatabase([this] { m_connection->FetchData([this] { execDialog(Windows().Datenabruf); }); }));
    connect(m_actions->G_Beenden, &QAction::triggered, this, [this] { close(); });
    connect(m_actions->D_Oeffnen, &QAction::triggered, this,
            withDatabase([this] { execDialog(Windows().Datenanzeige); }));
    connect(m_actions->D_Barcode, &QAction::triggered, this, [this] { execDialog(Windows().BarcdWahl); });
    auto *extras = new TDataExtras(this, &m_config, [this] { return Windows().Datenanzeige; });
    connect(m_actions->D_Prueffristen, &QAction::triggered, extras,
            withDatabase([extras] { extras->OpenDueDates(); }));
    connect(m_actions->D_Archivieren, &QAction::triggered, extras,
            withDatabase([extras] { extras->ArchiveProtocols(); }));
    connect(m_actions->D_Import, &QAction::triggered, extras,
            withDatabase([extras] { extras->ImportCsv(); }));
    connect(m_actions->K_Einstellungen, &QAction::triggered, this, [this] { EditSettings(); });
    // "Sprache..." and "Messmodus einstellen..." belong to the front panel, which connects them.
    connect(m_actions->K_Hinweise, &QAction::triggered, this, [this](bool checked) {
        m_actions->setShowHints(checked);
        m_config.ShowHints = checked;
    });
    connect(m_actions->H_Index, &QAction::triggered, this, [this] { HelpWindow()->ShowIndex(); });
    connect(m_actions->H_Benutzen, &QAction::triggered, this, [this] { HelpWindow()->ShowUsingHelp(); });
    connect(m_actions->H_Info, &QAction::triggered, this, [this] { execDialog(Windows().About); });
    connect(m_actions->SafetyButton, &QToolButton::clicked, this, [this] { ShowSafetyNotes(); });
}

void TForm1::wireController()
{
    connect(m_connection, &TConnectionController::statusText, m_statusBar, &TMainStatusBar::setPanelText);
    connect(m_connection, &TConnectionController::leds, m_statusBar, [this](bool tx, bool rx) {
        m_statusBar->SendLed->setLEDOn(tx);
        m_statusBar->ReceiveLed->setLEDOn(rx);
    });
    connect(m_connection, &TConnectionController::connectionState, this, [this](bool connected) {
        m_actions->G_Verbinden->setChecked(connected);
        m_actions->G_Schnittstelle->setEnabled(!connected);
    });
    connect(m_connection, &TConnectionController::languageActionEnabled, m_actions->K_Sprache,
            &QAction::setEnabled);
    connect(m_connection, &TConnectionController::firmwareMismatch, this,
            [this](const QString &text) { Prompt().Warn(this, text); });
}

void TForm1::setSplash(QWidget *splash)
{
    m_splash = splash;
    // Heard only while a splash screen stands: a listener keeps Timer1 ticking.
    disconnect(m_splashTicks);
    if (!splash) return;
    m_splashTicks = connect(m_connection, &TConnectionController::timer1, this, [this] {
        if (m_splash && SplashCtr > 0 && --SplashCtr > 0) return;
        if (m_splash) {
            m_splash->close();
            m_splash->deleteLater();
            m_splash = nullptr;
        }
        disconnect(m_splashTicks);
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
    TEinstellungenDlg *dlg = Windows().Einstellungen;
    TSettingsValues values = m_config.Settings();
    if (dlg->EditSettings(values)) m_config.setSettings(values);
}

void TForm1::ChoosePort()
{
    if (m_connection->PortOpen()) return;
    const TPort port =
        SchnittstelleDlg()->Execute(TPort(m_config.Port >= 0 && m_config.Port <= 9 ? m_config.Port : 0));
    if (port == NoPort) return;
    // Keep the number on this device, whatever is plugged in later.
    RememberPortDevice(int(port));
    m_config.Port = int(port);
    m_connection->setPort(int(port));
    showPortInStatus();
}

void TForm1::ShowSafetyNotes()
{
    Prompt().Warn(this, QStringLiteral(
                            "Bitte beachten Sie die Bedienungsanleitung zum Gerätetester.\n\n"
                            "Die Prüfungen mit dem Gerätetester an elektrischen Geräten dürfen nur von einer "
                            "Elektrofachkraft oder von einer Elektrofachkraft unterwiesenen Person "
                            "durchgeführt werden."));
}

const TAppWindows &TForm1::Windows()
{
    if (!m_windowsMade) {
        m_windowsMade = true;
        m_windows = MakeAppWindows(*this);
    }
    return m_windows;
}

void TForm1::execDialog(QDialog *dialog)
{
    if (!m_destroyed) dialog->exec();
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
    if (e->type() == QEvent::ToolTip && !m_actions->ShowHints()) {
        if (auto *w = qobject_cast<QWidget *>(watched); w && w->window() == this) return true;
    }
    return QMainWindow::eventFilter(watched, e);
}
