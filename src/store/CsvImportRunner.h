#pragma once

// A 200 000-line import takes seconds: the window runs it on a thread of its
// own, on a connection of its own opened like the program's, and waits in a
// nested event loop, so it keeps painting, shows the progress and can be
// cancelled. Nothing is stored on cancel (the run's transaction is rolled back).

#include "store/CsvImport.h"

#include <QSqlDatabase>

#include <atomic>
#include <functional>

class TImportRunner {
public:
    // import.Run(write) on the thread; shown(done, total) is called on the
    // calling thread about ten times a second. Same result as Run.
    bool Run(TCsvImport &import, const QSqlDatabase &db, bool write, QString *error,
             const std::function<void(qint64 done, qint64 total)> &shown = {});
    void Cancel() { m_cancel = true; }
    bool Running() const { return m_running; }

private:
    std::atomic<bool> m_cancel{false};
    std::atomic<qint64> m_done{0}, m_total{0};
    bool m_running = false;
};
