#pragma once

// Key "LastPrinter" of section [Print] in the INI file: the print queue the
// user printed on last, where the next print dialog starts.

#include <QString>

class TIniFile;

QString ReadLastPrinter(const TIniFile &ini);
void WriteLastPrinter(TIniFile &ini, const QString &queue);

// Every print dialog of the program starts on the queue chosen last and keeps
// a new choice in the program's INI file (read and written at each print, so
// a second window's choice is not overwritten by a stale one).
void UseRememberedPrinter();
