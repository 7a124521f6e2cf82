#pragma once

// The simulator's end of the line without the line itself: received bytes
// are assembled into frames and handed to the tester, answers and reports are
// queued for sending (answers first), and the fault options are applied on
// the way. The pacing queue holds bytes until a real 8N1 line would have
// carried them. No I/O and no clock: the caller passes the time.

#include "SimTester.h"

#include "bus/Protok.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <deque>
#include <functional>
#include <map>
#include <random>

struct SimFaults {
    int silentAfter = -1;               // stop answering after this many frames (-1: never)
    int hangupAfter = -1;               // close the line after this many frames (-1: never)
    int freezeAfter = -1;               // after this many frames, take requests without answering them
    bool freezeActs = false;            // ... but carry them out (their answers are lost)
    QList<QPair<int, int>> drops;       // (command, k): the k-th request of command is lost
    QList<QPair<int, int>> answerDrops; // (command, k): the k-th request takes effect, its answer is lost
    double corrupt = 0.0;               // share of sent frames with a wrong checksum
    double dropByte = 0.0;              // share of sent frames with one byte missing
};

class SimLine {
public:
    SimLine(SimTester &tester, const SimFaults &faults, quint32 seed);

    // One byte that has come through the line at nowMs.
    void receiveByte(quint8 byte, qint64 nowMs);
    void receive(const QByteArray &bytes, qint64 nowMs);
    // Runs the tester up to nowMs and queues the reports that are due.
    void advance(qint64 nowMs);

    bool hasOutput() const { return !m_answers.empty() || !m_reports.empty(); }
    // Wire bytes of the next frame to send, faults applied; answers go before
    // reports. Empty when nothing waits.
    QByteArray takeFrame();

    // The line is to be closed once the queued output is sent.
    bool hangupDue() const { return m_hangup; }
    bool silent() const { return m_silent; }
    // Frozen: requests still arrive and are counted, but nothing answers them,
    // so a test can stop the program on the far end at a known frame.
    bool frozen() const { return m_frozen; }
    void thaw() { m_frozen = false; }

    int framesIn() const { return m_framesIn; }
    int framesOut() const { return m_framesOut; }
    int badFrames() const { return m_badFrames; }
    int droppedRequests() const { return m_droppedRequests; }
    QString statsLine() const;

    SimTester &tester() { return m_tester; }

    // Receives a line of text for every frame in and out (verbose mode).
    std::function<void(const QString &)> OnTrace;

private:
    void handleFrame(const TProtok &msg, qint64 nowMs);

    SimTester &m_tester;
    SimFaults m_faults;
    std::mt19937 m_rng;
    TFrameAssembler m_assembler;
    std::deque<TProtok> m_answers;
    std::deque<TProtok> m_reports;
    std::map<int, int> m_requestCount;
    int m_framesIn = 0;
    int m_framesOut = 0;
    int m_badFrames = 0;
    int m_droppedRequests = 0;
    bool m_silent = false;
    bool m_hangup = false;
    bool m_frozen = false;
};

// Bytes on their way through a serial line: each byte is due one character
// time after the one before it (or after the moment it was queued, whichever
// is later). A character time of 0 lets every byte through at once.
class SimPacedQueue {
public:
    explicit SimPacedQueue(qint64 byteUs = 0) : m_byteUs(byteUs) {}

    void push(const QByteArray &bytes, qint64 nowUs);
    // The bytes that are due at nowUs, with their due times.
    QList<QPair<quint8, qint64>> takeDue(qint64 nowUs);
    // Microseconds until the next byte is due; -1 when empty.
    qint64 usUntilNext(qint64 nowUs) const;
    bool empty() const { return m_q.empty(); }
    int size() const { return int(m_q.size()); }

    // Character time of a line with 10 bits per byte (8N1).
    static qint64 byteTimeUs(int baud) { return baud > 0 ? (10'000'000 + baud / 2) / baud : 0; }

private:
    qint64 m_byteUs;
    qint64 m_lastDue = 0;
    std::deque<QPair<quint8, qint64>> m_q;
};
