#include "store/CsvImportRunner.h"

#include "store/Database.h"
#include "store/DbErrors.h"

#include <QAtomicInteger>
#include <QEventLoop>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QTimer>

#include <memory>

namespace {

// The session settings the program's own connection gets when it opens.
bool openLike(const QSqlDatabase &db, const QString &name, QString *error)
{
    QSqlDatabase c = QSqlDatabase::cloneDatabase(db.connectionName(), name);
    if (!c.open()) {
        if (error) *error = DbFehlertext(c.lastError());
        return false;
    }
    QSqlQuery q(c);
    if (DatabaseEngine(c) == TDbEngine::PostgreSQL)
        for (const char *setting : {"SET DateStyle TO 'ISO, DMY'", "SET standard_conforming_strings TO on",
                                    "SET client_encoding TO 'UTF8'"})
            if (!q.exec(QLatin1String(setting))) {
                if (error) *error = DbFehlertext(q.lastError());
                return false;
            }
    return true;
}

QString connectionName()
{
    static QAtomicInteger<int> serial;
    return QStringLiteral("gt_import_%1").arg(serial.fetchAndAddRelaxed(1));
}

} // namespace

bool TImportRunner::Run(TCsvImport &import, const QSqlDatabase &db, bool write, QString *error,
                        const std::function<void(qint64, qint64)> &shown)
{
    if (!db.isValid() || !db.isOpen()) {
        if (error) *error = QStringLiteral("Keine Datenbank geöffnet.");
        return false;
    }
    if (m_running) {
        if (error) *error = QStringLiteral("Es läuft bereits ein Import.");
        return false;
    }
    m_cancel = false;
    m_done = 0;
    m_total = 0;
    m_running = true;
    bool ok = false;
    QString err;
    const QString name = connectionName();
    std::unique_ptr<QThread> thread(QThread::create([&] {
        if (openLike(db, name, &err))
            ok = import.Run(QSqlDatabase::database(name, false), write, &err,
                            [this](qint64 done, qint64 total) {
                                m_done = done;
                                m_total = total;
                                return !m_cancel;
                            });
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }));
    QEventLoop loop;
    QTimer tick;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (shown && m_total > 0) shown(m_done, m_total);
    });
    tick.start(100);
    thread->start();
    loop.exec();
    thread->wait();
    m_running = false;
    if (shown && m_total > 0) shown(m_done, m_total);
    if (!ok && error) *error = err;
    return ok;
}
