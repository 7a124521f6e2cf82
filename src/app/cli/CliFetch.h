#pragma once

#include <QStringList>

// "geraetetester --fetch": every stored test of the configured tester into
// the staging table, through the same code as the retrieval dialog.
int RunFetchCommand(const QStringList &args);

// "geraetetester --transfer": every staging row whose barcode names a device
// (or that was assigned by hand) into the tests table.
int RunTransferCommand(const QStringList &args);
