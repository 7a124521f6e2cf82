#pragma once

// The printer a print dialog starts on. The program keeps the user's last
// choice in its settings file and hands this layer the two functions that
// read and write it; without them the dialog starts on the system's default
// printer and nothing is kept.

#include <QString>

#include <functional>

class QPrinter;

struct TPrinterMemory {
    std::function<QString()> recall;           // the queue chosen last, empty if none
    std::function<void(const QString &)> keep; // a queue the user printed on
};
void SetPrinterMemory(TPrinterMemory memory);

// Sets the printer to the queue chosen last when that queue still exists.
void RecallPrinter(QPrinter &printer);
// Keeps the printer's queue for next time; a PDF file is no queue.
void KeepPrinter(const QPrinter &printer);
