#pragma once

// The table of visual-inspection rows on the 0751 protocol with rows.

#include "protocols/Report.h"
#include "store/Globals.h"

// One row, framed: number, inspected part and inspection text wrapped in
// their columns, the "X" in the passed or failed cell; at least 32 px high,
// higher when a text needs more lines.
void AddInspectionRow(TReport &report, const TSichtPr &row);

// The line that closes the table: 40 px high where the page has room for
// it, else only as high as the room left, so it never opens a page of its own.
void AddTableClosing(TReport &report);
