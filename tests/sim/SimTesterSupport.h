#pragma once

// What the tests of the simulated tester share: requests as the PC sends
// them, the words of an answer, and an operator who runs virtual time.

#include "SimTester.h"

#include <gtest/gtest.h>

#include <array>
#include <utility>
#include <vector>

namespace simtest {

using Stage = SimTester::Stage;

inline TProtok req(quint8 cmd, const QByteArray &data = {}, quint8 addr = 0x61)
{
    return BuildMsg(addr, cmd, data);
}

inline int word(const TProtok &m, int offset)
{
    return qint16(quint16(m.Data[offset] | (m.Data[offset + 1] << 8)));
}

inline int uword(const TProtok &m, int offset)
{
    return quint16(m.Data[offset] | (m.Data[offset + 1] << 8));
}

inline TProtok ask(SimTester &t, quint8 cmd, const QByteArray &data = {}, qint64 now = 0)
{
    auto a = t.handle(req(cmd, data), now);
    EXPECT_TRUE(a.has_value()) << "no answer to $" << std::hex << int(cmd);
    return a.value_or(TProtok{});
}

// A $66 block as the PC writes it: the reported block with changes.
inline QByteArray block(const SimTester &t, std::uint8_t action = 0)
{
    QByteArray b = t.blockBytes();
    b[7] = char(action);
    return b;
}

inline SimRecord makeRecord(int barcodeDigits, int pe)
{
    std::array<int, 8> v;
    v.fill(-1);
    v[1] = pe;
    SimBlock b;
    b.klasse = 1;
    return SimBuildRecord(b, v, 0, 0x40, SimLimits{}, QString(barcodeDigits, QLatin1Char('7')));
}

// Runs virtual time in 5 ms steps and records every change of stage and step.
struct Operator {
    SimTester &t;
    qint64 now = 0;
    std::vector<std::pair<Stage, int>> seen;

    explicit Operator(SimTester &tester) : t(tester) { note(); }
    void note()
    {
        const std::pair<Stage, int> s{t.stage(), t.step()};
        if (seen.empty() || seen.back() != s) seen.push_back(s);
    }
    void press(std::uint8_t action)
    {
        t.handle(req(0x66, block(t, action)), now);
        note();
    }
    // Until the tester waits in the given stage (or the time is up).
    bool until(Stage s, qint64 maxMs = 120000)
    {
        const qint64 end = now + maxMs;
        while (now < end) {
            if (t.stage() == s) return true;
            now += 5;
            t.advance(now);
            note();
        }
        return t.stage() == s;
    }
};

} // namespace simtest
