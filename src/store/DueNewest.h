#pragma once

// The newest test of every device, for the due list: what it was and whether
// it failed. Internal to the due list (DueList.cpp); apart so that the reading
// of up to a million tests can be made fast without crowding the list's rules.

#include <QDate>
#include <QHash>
#include <QSqlDatabase>
#include <QString>

// A stored moment: calendar date and second of the day.
struct TMoment {
    QDate date;
    int second = 0;
    bool operator<(const TMoment &o) const { return date != o.date ? date < o.date : second < o.second; }
};

// The newest test of a device and what decides whether it failed (kept
// small: one per device of a large database).
struct TNewest {
    TMoment when;
    int test = 0;
    bool passed = true, aborted = false, fastCut = false, manualAbort = false, limitError = false;
    bool failedRow = false;
    int visual = -1, standard = 0, protocolType = 0;
};

// Reads every test and keeps the newest per device (by moment, then by the
// higher test number); tests without a readable moment are left out. False
// with the database's reason.
bool ReadNewestTests(QSqlDatabase db, QHash<int, TNewest> &last, QString *error);

// Whether the newest test failed, in the verdict's own terms (Verdict.h).
bool NewestFailed(const TNewest &n);
