#pragma once

// The newest test of every device, for the due list: what it was and whether
// it failed. Internal to the due list (DueList.cpp); apart so that the reading
// of up to a million tests can be made fast without crowding the list's rules.

#include <QDate>
#include <QHash>
#include <QSqlDatabase>
#include <QString>

#include <vector>

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
    bool kept = false; // a test was found
};

// The newest test per device number. Device numbers are handed out as the
// highest plus one, so they mostly fill a range: then a plain array, which a
// million look-ups reach without a cache miss each; otherwise a hash.
class TNewestTests {
public:
    // The numbers of the devices there are; tests of other devices need not
    // be kept.
    void setDeviceRange(qint64 lowest, qint64 highest, qint64 count);
    // The device's slot (kept false until a test is stored), or null when the
    // device does not exist.
    TNewest *slot(int device);
    const TNewest *find(int device) const;
    template <typename F> void forEach(F f)
    {
        for (TNewest &n : m_dense)
            if (n.kept) f(n);
        for (TNewest &n : m_sparse)
            f(n);
    }

private:
    bool m_isDense = false;
    int m_lowest = 0;
    std::vector<TNewest> m_dense;
    QHash<int, TNewest> m_sparse;
};

// Reads every test and keeps the newest per device (by moment, then by the
// higher test number); tests without a readable moment are left out. False
// with the database's reason.
bool ReadNewestTests(QSqlDatabase db, TNewestTests &last, QString *error);

// Whether the newest test failed, in the verdict's own terms (Verdict.h).
bool NewestFailed(const TNewest &n);
