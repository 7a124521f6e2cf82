#pragma once

// Reminder letters into a folder: one PDF per customer with due devices.
// The command line and the due-dates window share this.

#include "store/DueList.h"

#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

struct TReminderResult {
    QStringList files;  // the letters written, full paths, in order
    QStringList errors; // German, one per letter that could not be written
    bool cancelled = false;
    // "N Erinnerungsschreiben geschrieben, M fehlgeschlagen." (" Abgebrochen.")
    QString Summary() const;
};

// Writes one letter per customer of due (in the order they first appear)
// into dir, which is made when missing. Each letter is written beside its
// final name and renamed, so a failed one leaves no file under that name;
// the other customers still get theirs. False with a German reason when the
// folder cannot be used, or when any letter failed (result.errors says
// which); a customer that cannot be read is such a failure and ends the run.
// progress hears of each letter done; when it answers false the run stops
// there (result.cancelled), which is no failure.
using TReminderProgress = std::function<bool(int done, int total)>;
bool WriteReminderLetters(QSqlDatabase db, const QList<TDueEntry> &due, const std::array<QString, 5> &sender,
                          const QDate &date, const QString &dir, TReminderResult &result,
                          QString *error = nullptr, const TReminderProgress &progress = {});
