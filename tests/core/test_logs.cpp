#include "core/Logs.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

QString readAll(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
}

} // namespace

TEST(LogFormat, TimestampAndTickStampLayout)
{
    const QDateTime t(QDate(2026, 3, 7), QTime(9, 5, 4, 7));
    EXPECT_EQ(FormatLogTimestamp(t), "07.03.2026 09:05:04.007");
    EXPECT_EQ(FormatTickStamp(4711), "#0000000000004711");
    EXPECT_EQ(FormatTickStamp(0), "#0000000000000000");
    // More than 16 digits are written in full.
    EXPECT_EQ(FormatTickStamp(123456789012345678LL), "#123456789012345678");
    const qint64 a = PerformanceCounter(), b = PerformanceCounter();
    EXPECT_LE(a, b);
}

TEST(LogFormat, HexDumpPrefixesEachByteWithABlank)
{
    const unsigned char bytes[] = {0x00, 0x5A, 0xFF, 0x0B};
    EXPECT_EQ(HexDump("Daten:", bytes, 4), "Daten: 00 5A FF 0B");
    EXPECT_EQ(HexDump("Leer:", bytes, 0), "Leer:");
}

TEST(LogFormat, LineWithAndWithoutTicks)
{
    const QDateTime t(QDate(2026, 12, 7), QTime(23, 53, 7, 125));
    EXPECT_EQ(FormatLogLine(t, false, ": ", "Gesendet: x"), "07.12.2026 23:53:07.125: Gesendet: x\r\n");
    const QRegularExpression withTicks(R"(^07\.12\.2026 23:53:07\.125#\d{16,} - Text\r\n$)");
    EXPECT_TRUE(withTicks.match(FormatLogLine(t, true, " - ", "Text")).hasMatch());
}

TEST(BusLogWriter, AppendsLinesAndFailsOnUnwritablePath)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("bus.log");
    const QDateTime t(QDate(2026, 1, 2), QTime(3, 4, 5, 6));
    ASSERT_TRUE(AppendLogLine(path, t, false, ": ", "eins"));
    ASSERT_TRUE(AppendLogLine(path, t, false, ": ", "zwei"));
    EXPECT_EQ(readAll(path), "02.01.2026 03:04:05.006: eins\r\n02.01.2026 03:04:05.006: zwei\r\n");

    QFile plain(dir.filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    EXPECT_FALSE(AppendLogLine(dir.filePath("plain/bus.log"), t, false, ": ", "x"));
    EXPECT_FALSE(AppendLogLine(QString(), t, false, ": ", "x"));
}

TEST(ProgramLog, TruncatesAtOpenAndAlwaysWritesTicks)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("pgm.log");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old run\r\n");
    }
    TProgramLog log;
    ASSERT_TRUE(log.Open(path));
    EXPECT_TRUE(log.IsOpen());
    EXPECT_EQ(log.FileName(), path);
    log.Write("Programmstart");
    log.Close();
    log.Write("after close is ignored");
    const QString text = readAll(path);
    const QRegularExpression line(R"(^\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d\.\d{3}#\d{16,} = Programmstart\r\n$)");
    EXPECT_TRUE(line.match(text).hasMatch()) << text.toStdString();
}

TEST(ProgramLog, NameThatCannotBeCreatedLeavesNoLog)
{
    QTemporaryDir dir;
    TProgramLog log;
    EXPECT_FALSE(log.Open(dir.filePath("missing/dir/pgm.log")));
    EXPECT_FALSE(log.IsOpen());
    EXPECT_TRUE(log.FileName().isEmpty());
    log.Write("nothing happens");
}

TEST(ComLog, LinesFromSeveralThreadsNeverInterleave)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("com.log");
    ASSERT_TRUE(OpenComLog(path, true));
    WriteComLog("main");
    constexpr int Threads = 4, Lines = 400;
    std::vector<std::thread> pool;
    pool.reserve(Threads);
    for (int t = 0; t < Threads; ++t)
        pool.emplace_back([t] {
            for (int i = 0; i < Lines; ++i)
                WriteComLog(QStringLiteral("thread %1 line %2 ").arg(t).arg(i) + QString(40, QChar('x')));
        });
    for (auto &th : pool)
        th.join();
    CloseComLog();
    EXPECT_FALSE(ComLogIsOpen());
    WriteComLog("closed: not written");

    const QStringList lines = readAll(path).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2 + 1 + Threads * Lines + 1);
    const QRegularExpression ok(
        R"(^\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d\.\d{3}#\d{16,} - (thread \d line \d+ x{40}|main|--- Logfile-(Start|Ende) ---|)$)");
    for (const QString &l : lines)
        ASSERT_TRUE(ok.match(l).hasMatch()) << l.toStdString();
}

TEST(ComLog, ReopeningAppendsAndTicksFollowTheOpening)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("com.log");
    ASSERT_TRUE(OpenComLog(path, false));
    WriteComLog("ohne");
    ASSERT_TRUE(OpenComLog(path, true)); // closes the first block
    EXPECT_EQ(ComLogFileName(), path);
    WriteComLog("mit");
    CloseComLog();
    const QStringList lines = readAll(path).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 8);
    EXPECT_FALSE(lines[2].contains('#'));
    EXPECT_TRUE(lines[2].endsWith(" - ohne"));
    EXPECT_TRUE(lines[3].endsWith(" - --- Logfile-Ende ---"));
    EXPECT_TRUE(lines[6].contains('#'));
    EXPECT_TRUE(lines[6].endsWith(" - mit"));
}
