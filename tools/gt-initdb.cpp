// gt-initdb: makes a database ready for the program - the six tables, their
// indexes and the catalogue of the visual inspection - from the scripts in db/
// (compiled in). Running it again on a ready database changes nothing.
//
//   gt-initdb FILE                  SQLite file (created if missing)
//   gt-initdb --connection "TEXT"   as the program's ConnectionString

#include "store/Database.h"
#include "store/InitDatabase.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

namespace {

int fail(const QString &text)
{
    std::fprintf(stderr, "gt-initdb: %s\n", text.toLocal8Bit().constData());
    return 1;
}

int run(const TConnectionInfo &info)
{
    const TInitDbResult r = InitializeDatabase(info);
    for (const QString &line : r.messages)
        std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
    return r.ok ? 0 : fail(r.error);
}

int usage()
{
    std::fprintf(stderr, "%s\n",
                 QStringLiteral("Aufruf: gt-initdb DATEI\n"
                                "       gt-initdb --connection \"Provider=PostgreSQL;Host=…;Database=…;…\"")
                     .toLocal8Bit()
                     .constData());
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 1 && !args[0].startsWith(QLatin1String("-"))) {
        TConnectionInfo info;
        info.engine = TDbEngine::SQLite;
        info.provider = QStringLiteral("SQLite");
        info.driver = QStringLiteral("QSQLITE");
        info.databaseName = QFileInfo(args[0]).absoluteFilePath();
        return run(info);
    }
    if (args.size() == 2 && args[0] == QLatin1String("--connection")) {
        const TConnectionInfo info = ParseConnectionString(args[1]);
        if (!info.valid())
            return fail(info.error.isEmpty() ? QStringLiteral("Ungültige Verbindungszeichenfolge.")
                                             : info.error);
        return run(info);
    }
    return usage();
}
