#include "app/common/PrinterChoice.h"

#include "core/IniFile.h"
#include "protocols/PrinterMemory.h"

namespace {

const QString sPrint = QStringLiteral("Print");
const QString kLastPrinter = QStringLiteral("LastPrinter");

} // namespace

QString ReadLastPrinter(const TIniFile &ini)
{
    return ini.ReadString(sPrint, kLastPrinter, QString()).trimmed();
}

void WriteLastPrinter(TIniFile &ini, const QString &queue)
{
    ini.WriteString(sPrint, kLastPrinter, queue.trimmed());
}

void UseRememberedPrinter()
{
    SetPrinterMemory({[] { return ReadLastPrinter(TIniFile(TIniFile::ProgramIniPath())); },
                      [](const QString &queue) {
                          TIniFile ini(TIniFile::ProgramIniPath());
                          if (ReadLastPrinter(ini) != queue.trimmed()) WriteLastPrinter(ini, queue);
                      }});
}
