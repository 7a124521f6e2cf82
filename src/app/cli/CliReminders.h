#pragma once

#include "app/cli/CommandLine.h"

#include <QStringList>

// "geraetetester --reminders DIR [--days N] [--customer NR]": one reminder
// letter (PDF) per customer with devices due within N days (default 30;
// overdue, failed and never-tested ones included) into DIR, made when
// missing; only customer NR's with "--customer". Nothing due is no failure:
// it is said and nothing is written.
int RunRemindersCommand(const QStringList &args);

// Its row of the command table.
TCommand RemindersCommandRow();
