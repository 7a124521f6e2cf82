#include "protocols/PrinterMemory.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace {

TPrinterMemory &memory()
{
    static TPrinterMemory m;
    return m;
}

} // namespace

void SetPrinterMemory(TPrinterMemory m)
{
    memory() = std::move(m);
}

void RecallPrinter(QPrinter &printer)
{
    if (!memory().recall) return;
    const QString name = memory().recall();
    // A queue removed since would leave the dialog on a printer that is not there.
    if (name.isEmpty() || !QPrinterInfo::availablePrinterNames().contains(name)) return;
    printer.setPrinterName(name);
}

void KeepPrinter(const QPrinter &printer)
{
    if (!memory().keep || printer.outputFormat() != QPrinter::NativeFormat) return;
    if (!printer.printerName().isEmpty()) memory().keep(printer.printerName());
}
