#pragma once

// The three protocol forms. Each keeps its own copy of the record and the
// settings and describes its pages as a TReport, filled the way the form's
// before-print step fills it.

#include "protocols/PrintProtocol.h"
#include "protocols/Report.h"

#include <QStringList>

// The six customer lines: Name1, Name2, Name3 and street as far as they are
// not empty, then one blank line, then the town line ("D-12345 Berlin").
QStringList CustomerLines(const TWerteSatz &w);
// Test date plus the service interval as "dd.mm.yyyy"; empty for interval 0.
QString NextTestDate(const TWerteSatz &w, int serviceInterv);

// A mark under "ja" or "nein" of a yes/no row: 1 yes, 0 no, -1 none.
// The 0751b visual inspection from its rows: a failed row wins, then a passed one.
int RowsVisualMark(const QList<TSichtPr> &rows);

// The value and limit texts of the 0701/0702 form by the enable mask.
struct TProtocolValues {
    QString Schutzleiter, Isolation, Ableitstrom, SchutzlL1N, SchutzlNL1, BeruehrL1N, BeruehrNL1;
    QString GrwSchutzleiter, GrwIsolation, GrwAbleitstrom, GrwSchutzlStrom, GrwBeruehr;
};
TProtocolValues ProtocolValues0701(const TWerteSatz &w);
// The bare numbers of the 0751 forms ("---" where the mask leaves a value out).
TProtocolValues ProtocolValues0751(const TWerteSatz &w);

// DIN VDE 0701/0702, one page with a page footer.
class TPruefprot {
public:
    TWerteSatz Record;
    TProtocolSettings Settings;
    TReport Report() const;
};

// DIN VDE 0751, one page.
class TPruefprot0751a {
public:
    TWerteSatz Record;
    TProtocolSettings Settings;
    TReport Report() const;
};

// DIN VDE 0751 followed by the visual-inspection rows, over as many pages as
// they need.
class TPruefprot0751b {
public:
    TWerteSatz Record;
    TProtocolSettings Settings;
    TReport Report() const;
};

// The report of the form that ProtocolFormFor chooses (the verdict is
// computed on the way).
TReport ProtocolReport(const TWerteSatz &record, const TProtocolSettings &settings);
