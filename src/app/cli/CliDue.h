#pragma once

#include <QStringList>

// "geraetetester --due FILE.csv [--days N]": the devices due within N days
// (default 30; overdue and never-tested ones included) as CSV.
int RunDueCommand(const QStringList &args);
