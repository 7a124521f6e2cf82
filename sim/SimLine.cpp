#include "SimLine.h"

#include <algorithm>

SimLine::SimLine(SimTester &tester, const SimFaults &faults, quint32 seed)
    : m_tester(tester), m_faults(faults), m_rng(seed), m_assembler(kDefaultDataBytes, 100)
{
    m_silent = m_faults.silentAfter == 0;
    m_hangup = m_faults.hangupAfter == 0;
}

void SimLine::receive(const QByteArray &bytes, qint64 nowMs)
{
    for (char c : bytes)
        receiveByte(quint8(c), nowMs);
}

void SimLine::receiveByte(quint8 byte, qint64 nowMs)
{
    switch (m_assembler.feed(byte, nowMs)) {
    case TFrameAssembler::FrameValid:
        handleFrame(m_assembler.frame(), nowMs);
        break;
    case TFrameAssembler::FrameBad:
        ++m_badFrames;
        if (OnTrace) OnTrace(QStringLiteral("bad frame ") + MsgToText(m_assembler.frame()));
        break;
    default:
        break;
    }
}

void SimLine::handleFrame(const TProtok &msg, qint64 nowMs)
{
    if (m_silent || m_hangup) return;
    ++m_framesIn;
    if (OnTrace) OnTrace(QStringLiteral("in  ") + MsgToText(msg));
    if (m_frozen) {
        // Nothing answers while frozen; carried out or not, as the test asked.
        if (m_faults.freezeActs) m_tester.handle(msg, nowMs);
        return;
    }
    const int k = ++m_requestCount[msg.Cmd];
    auto listed = [&](const QList<QPair<int, int>> &list) {
        return std::any_of(list.begin(), list.end(),
                           [&](const QPair<int, int> &d) { return d.first == msg.Cmd && d.second == k; });
    };
    if (listed(m_faults.drops)) {
        // As if the request never arrived: no effect, no answer.
        ++m_droppedRequests;
        if (OnTrace) OnTrace(QStringLiteral("dropped request"));
    } else if (auto a = m_tester.handle(msg, nowMs)) {
        if (listed(m_faults.answerDrops)) {
            // The tester acted on it, but the answer never arrives.
            ++m_droppedRequests;
            if (OnTrace) OnTrace(QStringLiteral("dropped answer"));
        } else {
            m_answers.push_back(*a);
        }
    }
    if (m_faults.silentAfter >= 0 && m_framesIn >= m_faults.silentAfter) {
        // The answer to the last frame still goes out; after it, silence.
        m_silent = true;
        m_reports.clear();
    }
    if (m_faults.hangupAfter >= 0 && m_framesIn >= m_faults.hangupAfter) m_hangup = true;
    if (m_faults.freezeAfter >= 0 && m_framesIn == m_faults.freezeAfter) {
        m_frozen = true;
        m_reports.clear();
    }
}

void SimLine::advance(qint64 nowMs)
{
    std::vector<TProtok> due = m_tester.dueReports(nowMs);
    if (m_silent || m_hangup || m_frozen || due.empty()) return;
    // A round still waiting for the line is stale: the newest state wins.
    m_reports.clear();
    m_reports.insert(m_reports.end(), due.begin(), due.end());
}

QByteArray SimLine::takeFrame()
{
    std::deque<TProtok> &q = !m_answers.empty() ? m_answers : m_reports;
    if (q.empty()) return {};
    TProtok msg = q.front();
    q.pop_front();
    if (OnTrace) OnTrace(QStringLiteral("out ") + MsgToText(msg));
    std::uniform_real_distribution<double> share(0.0, 1.0);
    if (m_faults.corrupt > 0 && share(m_rng) < m_faults.corrupt) {
        msg.Chk = quint8(msg.Chk + std::uniform_int_distribution<int>(1, 255)(m_rng));
        if (OnTrace) OnTrace(QStringLiteral("corrupted checksum"));
    }
    QByteArray wire = MsgToWire(msg);
    if (m_faults.dropByte > 0 && share(m_rng) < m_faults.dropByte) {
        wire.remove(std::uniform_int_distribution<int>(0, int(wire.size()) - 1)(m_rng), 1);
        if (OnTrace) OnTrace(QStringLiteral("dropped a byte"));
    }
    ++m_framesOut;
    return wire;
}

QString SimLine::statsLine() const
{
    return QStringLiteral("frames_in=%1 frames_out=%2 bad_frames=%3 dropped=%4 silent=%5 hangup=%6 frozen=%7")
        .arg(m_framesIn)
        .arg(m_framesOut)
        .arg(m_badFrames)
        .arg(m_droppedRequests)
        .arg(m_silent ? 1 : 0)
        .arg(m_hangup ? 1 : 0)
        .arg(m_frozen ? 1 : 0);
}

// ---- Pacing -------------------------------------------------------------------

void SimPacedQueue::push(const QByteArray &bytes, qint64 nowUs)
{
    for (char c : bytes) {
        m_lastDue = std::max(m_lastDue, nowUs) + m_byteUs;
        m_q.emplace_back(quint8(c), m_lastDue);
    }
}

QList<QPair<quint8, qint64>> SimPacedQueue::takeDue(qint64 nowUs)
{
    QList<QPair<quint8, qint64>> out;
    while (!m_q.empty() && m_q.front().second <= nowUs) {
        out.append(m_q.front());
        m_q.pop_front();
    }
    return out;
}

qint64 SimPacedQueue::usUntilNext(qint64 nowUs) const
{
    if (m_q.empty()) return -1;
    return std::max<qint64>(0, m_q.front().second - nowUs);
}
