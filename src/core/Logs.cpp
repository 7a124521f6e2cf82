#include "core/Logs.h"

#include <ctime>

namespace {

// Whole lines go out under this lock, so the three threads of the serial
// component never interleave within a line.
std::mutex g_comMutex;
QFile *g_comFile = nullptr;
QString g_comName;
bool g_comTicks = false;

// Appends first; a file that cannot be appended to is created afresh.
bool openForAppend(QFile &f, const QString &name)
{
    f.setFileName(name);
    if (f.open(QIODevice::WriteOnly | QIODevice::Append)) return true;
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

void writeLine(QFile &f, const QString &line)
{
    // A failed write must not disturb the caller; the line is simply lost.
    f.write(line.toUtf8());
    f.flush();
}

} // namespace

QString FormatLogTimestamp(const QDateTime &t)
{
    return t.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss.zzz"));
}

qint64 PerformanceCounter()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

QString FormatTickStamp(qint64 c)
{
    return QStringLiteral("#") + QStringLiteral("%1").arg(c, 16, 10, QLatin1Char('0'));
}

QString FormatLogLine(const QDateTime &when, bool ticks, const QString &separator, const QString &text)
{
    QString line = FormatLogTimestamp(when);
    if (ticks) line += FormatTickStamp(PerformanceCounter());
    line += separator;
    line += text;
    line += QStringLiteral("\r\n");
    return line;
}

QString HexDump(const QString &caption, const void *data, qsizetype len)
{
    static const char digits[] = "0123456789ABCDEF";
    const auto *p = static_cast<const quint8 *>(data);
    QString out;
    out.reserve(caption.size() + 3 * len);
    out += caption;
    for (qsizetype i = 0; i < len; ++i) {
        out += QLatin1Char(' ');
        out += QLatin1Char(digits[p[i] >> 4]);
        out += QLatin1Char(digits[p[i] & 0x0F]);
    }
    return out;
}

bool OpenComLog(const QString &fileName, bool ticks)
{
    std::lock_guard lock(g_comMutex);
    if (g_comFile) {
        writeLine(*g_comFile, FormatLogLine(QDateTime::currentDateTime(), g_comTicks, QStringLiteral(" - "),
                                            QStringLiteral("--- Logfile-Ende ---")));
        delete g_comFile;
        g_comFile = nullptr;
    }
    g_comName = fileName;
    if (fileName.isEmpty()) return true;
    auto *f = new QFile;
    if (!openForAppend(*f, fileName)) {
        delete f;
        g_comName.clear();
        return false;
    }
    g_comFile = f;
    g_comTicks = ticks;
    const QDateTime now = QDateTime::currentDateTime();
    writeLine(*f, FormatLogLine(now, ticks, QStringLiteral(" - "), QString()));
    writeLine(*f, FormatLogLine(now, ticks, QStringLiteral(" - "), QStringLiteral("--- Logfile-Start ---")));
    return true;
}

void CloseComLog()
{
    OpenComLog(QString(), false);
}

bool ComLogIsOpen()
{
    std::lock_guard lock(g_comMutex);
    return g_comFile != nullptr;
}

QString ComLogFileName()
{
    std::lock_guard lock(g_comMutex);
    return g_comName;
}

void WriteComLog(const QString &text)
{
    std::lock_guard lock(g_comMutex);
    if (!g_comFile) return;
    writeLine(*g_comFile,
              FormatLogLine(QDateTime::currentDateTime(), g_comTicks, QStringLiteral(" - "), text));
}

bool AppendLogLine(const QString &fileName, const QDateTime &when, bool ticks, const QString &separator,
                   const QString &text)
{
    if (fileName.isEmpty()) return false;
    QFile f;
    if (!openForAppend(f, fileName)) return false;
    writeLine(f, FormatLogLine(when, ticks, separator, text));
    return true;
}

TProgramLog::~TProgramLog()
{
    Close();
}

bool TProgramLog::Open(const QString &name)
{
    std::lock_guard lock(m_mutex);
    if (m_file.isOpen()) m_file.close();
    m_name = name;
    if (name.isEmpty()) return false;
    m_file.setFileName(name);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_name.clear();
        return false;
    }
    return true;
}

void TProgramLog::Write(const QString &text)
{
    std::lock_guard lock(m_mutex);
    if (!m_file.isOpen()) return;
    writeLine(m_file, FormatLogLine(QDateTime::currentDateTime(), true, QStringLiteral(" = "), text));
}

void TProgramLog::Close()
{
    std::lock_guard lock(m_mutex);
    if (m_file.isOpen()) m_file.close();
}

bool TProgramLog::IsOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_file.isOpen();
}

QString TProgramLog::FileName() const
{
    std::lock_guard lock(m_mutex);
    return m_name;
}
