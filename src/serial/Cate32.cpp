#include "serial/Cate32.h"

#include "serial/Logs.h"

#include <QEventLoop>

// First cut: properties only; opening is not implemented yet.
class TCateReceiver : public QObject {};
class TReadThread {};
class TWriteThread {};
struct TCateShared {};

ECommsError::ECommsError(const QString &message) : std::runtime_error(message.toStdString()) {}

TCate::TCate(QObject *parent) : QObject(parent) {}
TCate::~TCate() = default;

void TCate::setPort(TPort port)
{
    if (port == NoPort) {
        const bool was = m_port != NoPort;
        ClosePort();
        m_port = NoPort;
        if (was && OnDisconnect) OnDisconnect();
        return;
    }
    openPort(port);
}

void TCate::openPort(TPort) { failOpen(QStringLiteral("Fehler beim Öffnen der Schnittstelle")); }
void TCate::failOpen(const QString &message)
{
    m_port = NoPort;
    if (m_createExceptions) throw ECommsError(message);
}
void TCate::setBaudRate(TBaudRate v) { m_baudRate = v; }
void TCate::setParity(TParity v) { m_parity = v; }
void TCate::setDataBits(TDataBits v) { m_dataBits = v; }
void TCate::setStopBits(TStopBits v) { m_stopBits = v; }
void TCate::setRtsMode(TRtsMode v) { m_rtsMode = v; }
void TCate::setDtrMode(TDtrMode v) { m_dtrMode = v; }
bool TCate::CtsState() const { return false; }
bool TCate::DsrState() const { return false; }
void TCate::setErrorChar(char c) { m_errorChar = c; }
void TCate::setFlags(TDCBFlags f) { m_flags = f; }
quint32 TCate::WriteBufferSize() { return m_writeBufferSize; }
void TCate::setWriteBufferSize(quint32 v) { m_writeBufferSize = v; }
quint32 TCate::ReadBufferSize() { return m_readBufferSize; }
void TCate::setReadBufferSize(quint32 v) { m_readBufferSize = v; }
void TCate::setLogfileName(const QString &name)
{
    m_logfileName = name;
    if (!OpenComLog(name, m_logTicks)) m_logfileName.clear();
}
void TCate::setReadInterval(quint32 ms) { m_readInterval = ms == 0 ? 0xFFFFFFFFu : ms; }
void TCate::setReadTotalTimeoutMultiplier(quint32 ms) { m_readTotalMultiplier = ms; }
void TCate::setReadTotalTimeoutConstant(quint32 ms) { m_readTotalConstant = ms; }
bool TCate::SendData(const void *, quint16)
{
    WriteComLog(QStringLiteral("Write Thread wurde nicht eingerichtet!"));
    return false;
}
void TCate::ClosePort() { setLogfileName(QString()); }
void TCate::applyLineState() {}
void TCate::applyModemLines() {}
void TCate::applyTimeouts() {}
void TCate::closeReadThread() {}
void TCate::closeWriteThread() {}
void TCate::notify(int, quint64, quint64, QByteArray *) {}
