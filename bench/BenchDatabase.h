#pragma once

// Opens the database a benchmark program was given: a file name of an
// SQLite database or a whole connection text.

#include "core/FormatSettings.h"
#include "store/Database.h"

#include <QStringList>

#include <cstdio>

namespace bench {

inline bool connectGivenDatabase(const QStringList &args, const char *program)
{
    if (args.size() != 2) {
        std::fprintf(stderr, "Aufruf: %s DATENBANK\n", program);
        return false;
    }
    InitFormatSettings();
    const QString connection = args[1].contains(QLatin1Char('='))
                                   ? args[1]
                                   : QStringLiteral("Provider=SQLite;Data Source=\"%1\"").arg(args[1]);
    QString error;
    if (!ConnectDatabase(connection, &error)) {
        std::fprintf(stderr, "Datenbank nicht geöffnet: %s\n", error.toLocal8Bit().constData());
        return false;
    }
    return true;
}

} // namespace bench
