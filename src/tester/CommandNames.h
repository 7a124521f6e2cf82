#pragma once

// Names of the tester's commands and the program-log texts of sent and
// received messages.

#include <QString>
#include <QtGlobal>

// Log name of a command; empty for codes without a name.
QString CommandLogName(quint8 Cmd);

// "Sendung $10: Programmversionsnummer holen", "Empfang $15: unbekannt", and
// for $67 sent the autosend mask it carries. Data must hold at least 2 bytes.
// The name depends on the command byte alone, in both directions.
QString MessageLogText(bool Sent, quint8 Cmd, const quint8 *Data);
