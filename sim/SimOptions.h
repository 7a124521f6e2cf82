#pragma once

// Command line of tester-sim and the control channel on its stdin.

#include "SimLine.h"
#include "SimTester.h"

#include <QString>
#include <QStringList>

struct SimOptions {
    QString device; // empty: open a new pseudo-terminal
    int records = 0;
    int twin = -1; // record twin + 1 is a copy of record twin (-1: none)
    quint32 seed = 1;
    int capacity = 500;
    SimIdentity identity;
    int baud = 9600;
    bool pacing = true;
    int autosendMs = 200;
    double speed = 1.0;
    int minPhaseMs = 0;     // no timed phase shorter than this, after the speed-up
    int autoOperatorMs = 0; // answers the tester's questions itself after this time
    SimFaults faults;
    bool quitOnEof = false;
    bool verbose = false;
    bool help = false;
};

// Parses the arguments (without the program name). On failure returns false
// and sets error to a one-line message.
bool ParseSimOptions(const QStringList &args, SimOptions &opt, QString &error);

QString SimHelpText();

// A firmware text as given on the command line ("1.03.00", "1.03.00 R1",
// "10300R1") as the seven characters of the $10 answer; empty if unusable.
QByteArray SimFirmwareBytes(const QString &text);

// Builds the tester the options describe, with its generated records.
void ApplySimOptions(const SimOptions &opt, SimTester &tester);

// Executes one control line; returns the one reply line, or an empty string
// for an empty line. Sets quit when the simulator is to end.
QString SimControlCommand(SimLine &line, const QString &command, qint64 nowMs, bool &quit);
