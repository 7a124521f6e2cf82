#pragma once

// The browser's text fields that change with every step (values, limits,
// date, positions) keep one size: a label whose size can change makes Qt lay
// out the whole window again after each new text, which was most of a step.

class TDatenanzeigeDlg;

// Fixes each changing field to the size of the widest text it can show.
void KeepTextFieldsSteady(TDatenanzeigeDlg &dlg);
