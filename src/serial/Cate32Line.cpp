// The line's settings of the serial component: rate, framing, flow control,
// modem lines, queue sizes and read time-outs, applied to the open terminal.

#include "serial/Cate32.h"

#include "core/Logs.h"
#include "serial/CateThreads.h"

#include <linux/serial.h>
#include <sys/ioctl.h>
#include <termios.h>

namespace {

constexpr unsigned BaudRates[] = {110,   300,   600,   1200,  2400,   4800,  9600,
                                  14400, 19200, 38400, 56000, 128000, 256000};

speed_t standardSpeed(unsigned rate)
{
    switch (rate) {
    case 110:
        return B110;
    case 300:
        return B300;
    case 600:
        return B600;
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    default:
        return B0;
    }
}

void setModemBit(int fd, int bit, bool on)
{
    // Pseudo-terminals have no modem lines: the call fails and is ignored.
    ::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bit);
}

// Start from a fully raw line: flow control, parity checks and the like
// left behind by another program must not survive; only the rate is kept
// and then everything the properties say is applied.
void makeRaw(termios &t)
{
    const speed_t oldIn = ::cfgetispeed(&t), oldOut = ::cfgetospeed(&t);
    const tcflag_t rateBits = t.c_cflag & (CBAUD | CBAUDEX | CIBAUD);
    t.c_iflag = 0;
    t.c_oflag = 0;
    t.c_lflag = 0;
    t.c_cflag = rateBits | CLOCAL | CREAD;
    ::cfsetispeed(&t, oldIn);
    ::cfsetospeed(&t, oldOut);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
}

void putParity(termios &t, TParity parity)
{
    t.c_cflag &= ~tcflag_t(PARENB | PARODD | CMSPAR);
    switch (parity) {
    case TParity::None:
        break;
    case TParity::Odd:
        t.c_cflag |= PARENB | PARODD;
        break;
    case TParity::Even:
        t.c_cflag |= PARENB;
        break;
    case TParity::Mark:
        t.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case TParity::Space:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    }
}

void putDataBits(termios &t, TDataBits bits)
{
    t.c_cflag &= ~tcflag_t(CSIZE);
    switch (bits) {
    case TDataBits::_4: // POSIX knows no 4-bit characters: 5 is the nearest
    case TDataBits::_5:
        t.c_cflag |= CS5;
        break;
    case TDataBits::_6:
        t.c_cflag |= CS6;
        break;
    case TDataBits::_7:
        t.c_cflag |= CS7;
        break;
    case TDataBits::_8:
        t.c_cflag |= CS8;
        break;
    }
}

} // namespace

void TCate::applyLineState()
{
    if (!IsOpen()) return;
    termios t{};
    if (::tcgetattr(m_fd, &t) != 0) return; // results are not checked, as ever
    makeRaw(t);
    const unsigned rate = BaudRates[int(m_baudRate)];
    const speed_t speed = standardSpeed(rate);
    if (speed != B0) {
        ::cfsetispeed(&t, speed);
        ::cfsetospeed(&t, speed);
    }
    putParity(t, m_parity);
    putDataBits(t, m_dataBits);
    // POSIX has no 1.5 stop bits; UARTs send 1.5 when asked for 2 with 5 data bits.
    if (m_stopBits == TStopBits::_1)
        t.c_cflag &= ~tcflag_t(CSTOPB);
    else
        t.c_cflag |= CSTOPB;

    // POSIX has one switch for RTS/CTS flow control in both directions.
    if (m_rtsMode == TMode::Handshake || m_flags.contains(dcbOutxCtsFlowCtrl))
        t.c_cflag |= CRTSCTS;
    else
        t.c_cflag &= ~tcflag_t(CRTSCTS);

    if (m_flags.contains(dcbParityCheck)) t.c_iflag |= INPCK;
    if (m_flags.contains(dcbOutX)) t.c_iflag |= IXON;
    if (m_flags.contains(dcbInX)) t.c_iflag |= IXOFF;
    // No counterpart here: DSR flow control and sensitivity, the error
    // replacement character, abort on error, and holding back transmission
    // after XOFF (POSIX always goes on). Null stripping is done by the read thread.

    ::tcsetattr(m_fd, TCSANOW, &t);
    // Rates without a termios constant need the kernel's arbitrary-rate
    // interface; a driver that refuses it keeps its previous rate.
    if (speed == B0) SetCustomBaudRate(m_fd, rate);
    if (m_shared) m_shared->discardNull = m_flags.contains(dcbNull);
}

void TCate::applyModemLines()
{
    if (!IsOpen()) return;
    // Toggle (RTS up only while sending) is the driver's RS-485 mode on Linux.
    const bool toggle = m_rtsMode == TMode::Toggle;
    if (toggle != m_rs485) {
        serial_rs485 rs{};
        if (toggle) rs.flags = SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
        // A driver without RS-485 support leaves RTS as it is.
        if (::ioctl(m_fd, TIOCSRS485, &rs) == 0 || !toggle) m_rs485 = toggle;
    }
    if (m_rtsMode == TMode::Disable || m_rtsMode == TMode::Enable)
        setModemBit(m_fd, TIOCM_RTS, m_rtsMode == TMode::Enable);
    // DTR handshake does not exist on POSIX: DTR simply stays up.
    setModemBit(m_fd, TIOCM_DTR, m_dtrMode != TMode::Disable);
}

void TCate::applyTimeouts()
{
    // Writes never time out. The read time-outs shape how the read thread
    // cuts the byte stream into blocks (see the read thread).
    if (!m_shared) return;
    m_shared->readInterval = m_readInterval;
    m_shared->readTotalMultiplier = m_readTotalMultiplier;
    m_shared->readTotalConstant = m_readTotalConstant;
}

void TCate::setBaudRate(TBaudRate v)
{
    if (int(v) > int(TBaudRate::_256000)) return;
    m_baudRate = v;
    applyLineState();
}

void TCate::setParity(TParity v)
{
    if (int(v) > int(TParity::Space)) return;
    m_parity = v;
    applyLineState();
}

void TCate::setDataBits(TDataBits v)
{
    if (int(v) > int(TDataBits::_8)) return;
    m_dataBits = v;
    applyLineState();
}

void TCate::setStopBits(TStopBits v)
{
    if (int(v) > int(TStopBits::_2)) return;
    m_stopBits = v;
    applyLineState();
}

void TCate::setRtsMode(TRtsMode v)
{
    if (int(v) > int(TMode::Toggle)) return;
    m_rtsMode = v;
    applyLineState();
    applyModemLines();
}

void TCate::setDtrMode(TDtrMode v)
{
    m_dtrMode = int(v) > int(TMode::Handshake) ? TMode::Handshake : v;
    applyModemLines();
}

void TCate::setErrorChar(char c)
{
    // Stored only: POSIX terminals cannot replace characters received with errors.
    m_errorChar = c;
}

void TCate::setFlags(TDCBFlags f)
{
    m_flags = f;
    applyLineState();
}

bool TCate::CtsState() const
{
    int st = 0;
    return IsOpen() && ::ioctl(m_fd, TIOCMGET, &st) == 0 && (st & TIOCM_CTS);
}

bool TCate::DsrState() const
{
    int st = 0;
    return IsOpen() && ::ioctl(m_fd, TIOCMGET, &st) == 0 && (st & TIOCM_DSR);
}

// --- queue sizes and time-outs -------------------------------------------------------

// POSIX cannot size a terminal's queues: the configured sizes are kept and
// reported as set, never replaced by the bytes waiting.
quint32 TCate::WriteBufferSize()
{
    return m_writeBufferSize;
}

void TCate::setWriteBufferSize(quint32 v)
{
    m_writeBufferSize = v;
}

quint32 TCate::ReadBufferSize()
{
    return m_readBufferSize;
}

void TCate::setReadBufferSize(quint32 v)
{
    m_readBufferSize = v;
}

void TCate::setReadInterval(quint32 ms)
{
    m_readInterval = ms == 0 ? 0xFFFFFFFFu : ms;
    applyTimeouts();
}

void TCate::setReadTotalTimeoutMultiplier(quint32 ms)
{
    m_readTotalMultiplier = ms;
    applyTimeouts();
}

void TCate::setReadTotalTimeoutConstant(quint32 ms)
{
    m_readTotalConstant = ms;
    applyTimeouts();
}

// --- COM log ----------------------------------------------------------------------

void TCate::setLogfileName(const QString &name)
{
    m_logfileName = name;
    if (!OpenComLog(name, m_logTicks)) m_logfileName.clear();
}
