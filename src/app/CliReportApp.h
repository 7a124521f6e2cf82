#pragma once

#include <QGuiApplication>

#include <memory>

// Reports from the command line need a GUI application object (fonts, PDF
// writer) but no window. Without a display the offscreen platform stands
// in, so the commands run from cron and over ssh. Returns nullptr when an
// application object exists already.
std::unique_ptr<QGuiApplication> MakeReportApplication();

// A German message on standard error; returns the failure exit code 1.
int CliFail(const QString &text);
// A German message on standard output.
void CliSay(const QString &text);
