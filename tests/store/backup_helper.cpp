// Another program on the database for the backup tests: a process of its
// own, so its connection and its locks are those of a second workstation.
//
//   backup-helper write FILE      inserts 1, 2, 3 … into backup_probe, one commit
//                                 each, and prints each number once committed
//   backup-helper backup FILE TARGET   writes a backup as the program does
//   backup-helper hold FILE       keeps the database open until stdin closes

#include "store/Backup.h"
#include "store/Database.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <cstdio>

namespace {

int write(QSqlDatabase db)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO backup_probe (n) VALUES (?)"));
    for (int n = 1; n <= 1000000; ++n) {
        q.bindValue(0, n);
        if (!q.exec()) return 1;
        std::printf("%d\n", n);
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) return 2;
    TConnectionInfo info;
    info.engine = TDbEngine::SQLite;
    info.driver = QStringLiteral("QSQLITE");
    info.databaseName = args[2];
    QString error;
    if (!OpenConnection(info, QStringLiteral("helper"), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const QSqlDatabase db = QSqlDatabase::database(QStringLiteral("helper"), false);
    const QString mode = args[1];
    if (mode == QLatin1String("write")) return write(db);
    if (mode == QLatin1String("backup") && args.size() > 3) {
        const bool ok = BackupSqliteDatabase(db, args[3], &error);
        if (!ok) std::fprintf(stderr, "%s\n", qPrintable(error));
        return ok ? 0 : 1;
    }
    if (mode == QLatin1String("hold")) {
        std::puts("offen");
        std::fflush(stdout);
        char line[64];
        while (std::fgets(line, sizeof line, stdin)) {
        }
        return 0;
    }
    return 2;
}
