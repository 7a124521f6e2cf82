#include "app/cli/CliSupport.h"

#include "bus/SyncBus.h"
#include "core/FormatSettings.h"
#include "core/IniFile.h"
#include "serial/Cate32.h"
#include "serial/PortAccess.h"
#include "store/Database.h"
#include "store/SchemaCheck.h"
#include "tester/Commands.h"

#include <QSqlDatabase>

#include <cerrno>
#include <cstdio>

namespace cli {

void PrintError(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

int Fail(const QString &text)
{
    PrintError(text);
    return 1;
}

void Say(const QString &text)
{
    std::printf("%s\n", text.toLocal8Bit().constData());
}

TConfiguration ReadProgramConfiguration()
{
    InitFormatSettings();
    TConfiguration config;
    config.ReadFile(TIniFile::ProgramIniPath());
    return config;
}

TCliDatabase::TCliDatabase(const TConfiguration &config, const QString &connectionName)
    : m_name(connectionName)
{
    const TConnectionInfo info = ParseConnectionString(config.ConnectionString);
    m_ok = OpenConnection(info, m_name, &m_error);
    if (m_ok) {
        // A command on a database without the columns it reads would report nothing as success.
        m_error = SchemaProblemText(QSqlDatabase::database(m_name, false));
        m_ok = m_error.isEmpty();
    }
}

TCliDatabase::~TCliDatabase()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        if (db.isValid()) db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

QString PortOpenFailureText(int port, const TCate &cate)
{
    return PortOpenFailureText(port, cate.LastOpenError(), cate.LastOpenDevice(), cate.LastOpenErrorText());
}

QString PortOpenFailureText(int port, int err, const QString &device, const QString &why)
{
    // Refused rights: the device's owner and group tell the remedy; the
    // generic text would send a user of a root-only device to "dialout".
    if ((err == EACCES || err == EPERM) && !device.isEmpty())
        return QStringLiteral("COM%1 kann nicht geöffnet werden. ").arg(port) +
               PortPermissionHint(PortAccessFor(device), err);
    if (err == EBUSY || err == EWOULDBLOCK)
        return QStringLiteral(
                   "COM%1 ist belegt: ein anderes Programm (oder ein zweites Gerätetester-Programm) "
                   "benutzt die Schnittstelle gerade.")
            .arg(port);
    return why.isEmpty() ? QStringLiteral("COM%1 kann nicht geöffnet werden.").arg(port)
                         : QStringLiteral("COM%1 kann nicht geöffnet werden: %2.").arg(port).arg(why);
}

TCliTesterLink::TCliTesterLink(const TConfiguration &config) : m_config(config)
{
    m_cate = std::make_unique<TCate>();
    m_cate->setReadBufferSize(64);
    m_cate->setWriteBufferSize(0);
    m_cate->setReadInterval(10);
    m_cate->setReadTotalTimeoutMultiplier(0);
    m_cate->setReadTotalTimeoutConstant(0);
    m_bus = std::make_unique<TSynchroBus>();
    m_bus->setTickTime(1000);
    m_bus->setMode(smMaster);
    m_bus->setWriteLog({});
    m_bus->setCate(m_cate.get());
    m_bus->setMsgTimeOut(config.MessageTimeOut);
    m_bus->setCharTimeOut(config.CharTimeOut);
    m_commands = std::make_unique<TTesterCommands>(m_bus.get());
    m_commands->setTimeout(tcRAM, quint32(qMax(0, config.MessageAnswerRAM)));
    m_commands->setTimeout(tcReadEEPROM, quint32(qMax(0, config.MessageAnswerReadEEPROM)));
    m_commands->setTimeout(tcWriteEEPROM, quint32(qMax(0, config.MessageAnswerWriteEEPROM)));
}

TCliTesterLink::~TCliTesterLink()
{
    // The port goes before the engine bound to it, the engine before the commands.
    if (m_cate) m_cate->setPort(NoPort);
    m_commands.reset();
    m_bus.reset();
    m_cate.reset();
}

bool TCliTesterLink::open(QString *error)
{
    // A setting that cannot work is said now, not as a tester that does not answer.
    QStringList lineProblems = m_config.Problems;
    for (const QString &p : m_config.LabelProblems)
        lineProblems.removeOne(p);
    if (!lineProblems.isEmpty()) {
        if (error) *error = lineProblems.join(QLatin1Char('\n'));
        return false;
    }
    const int port = m_config.Port;
    if (port < 1 || port > 9) {
        if (error) *error = QStringLiteral("Es ist keine Schnittstelle eingestellt.");
        return false;
    }
    m_cate->setLogfileName(m_config.COMLog);
    try {
        m_cate->setPort(TPort(port));
    } catch (const std::exception &) {
        // The state below tells; the component has logged the reason.
    }
    if (!m_cate->IsOpen()) {
        if (error) *error = PortOpenFailureText(port, *m_cate);
        return false;
    }
    return true;
}

} // namespace cli
