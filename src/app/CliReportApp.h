#pragma once

#include <QApplication>

#include <memory>

// Reports from the command line need an application object with widgets
// (fonts, PDF writer, the barcode component) but no window. Without a display the offscreen platform stands
// in, so the commands run from cron and over ssh. Returns nullptr when an
// application object exists already.
std::unique_ptr<QApplication> MakeReportApplication();

// A German message on standard error; returns the failure exit code 1.
int CliFail(const QString &text);
// A German message on standard output.
void CliSay(const QString &text);
