#pragma once

#include "FakePrompt.h"
#include "app/shell/MainWindow.h"
#include "store/InitDatabase.h"
#include "store/SchemaCheck.h"
#include "store/SchemaUpgrade.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

namespace gt_app_test {

// Waits in a real event loop (which blocks between events, so the window's
// idle step runs as in the program) until pred holds or the deadline passes.
inline bool waitUntil(const std::function<bool()> &pred, int timeoutMs = 5000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!pred()) {
        if (deadline.hasExpired()) return pred();
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

inline void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(content);
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline QStringList readLines(const QString &path)
{
    QStringList lines = QString::fromUtf8(readFile(path)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    return lines;
}

// The text of a log line after the time stamps and the " = " separator.
inline QString logText(const QString &line)
{
    const qsizetype i = line.indexOf(QStringLiteral(" = "));
    return i < 0 ? line : line.mid(i + 3);
}

inline void makeDatabase(const QString &file)
{
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("gt_app_test_make"));
        db.setDatabaseName(file);
        if (db.open()) {
            // The current schema, without the catalogue: an older one would be offered an upgrade at start.
            for (const QString &st : SplitSqlStatements(SchemaScriptFor(TDbEngine::SQLite)))
                QSqlQuery(db).exec(st);
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("gt_app_test_make"));
}

// A main window on files of a temporary folder; message boxes are recorded
// instead of shown. The fake outlives the window, which may still ask while it goes.
struct FormFixture {
    QTemporaryDir dir;
    TFakePrompt prompt;
    QStringList &messages = prompt.messages;
    QStringList &questions = prompt.questions;
    bool &answerYes = prompt.answerYes; // what every question of the window is answered
    std::unique_ptr<TForm1> form;

    QString path(const QString &name) const { return dir.filePath(name); }
    QString iniPath() const { return path(QStringLiteral("geraetetester.ini")); }

    // A database file with the six tables and the columns the program checks for.
    void withDatabase() { makeDatabase(path(QStringLiteral("VERIDA.db"))); }

    TForm1 *make()
    {
        TForm1Setup setup;
        setup.IniFile = iniPath();
        setup.ProgramDir = dir.path();
        form = std::make_unique<TForm1>(setup);
        return form.get();
    }
    // Runs the window's end as the program does and forgets it.
    void destroy() { form.reset(); }
};

} // namespace gt_app_test
