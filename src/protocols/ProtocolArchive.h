#pragma once

// The protocol archive: one PDF per stored test in a folder per customer,
// named so that a nightly run finds what it wrote before and adds only the
// new tests. The window and "--pdf-archive" share this class.

#include "protocols/PrintProtocol.h"

#include <QDate>
#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <atomic>

// A text made usable as one file or folder name on every file system:
// separators, the characters Windows forbids and control characters become
// "_", trailing dots and blanks go, reserved device names (CON, NUL, COM1 …)
// get a leading "_", and the name is cut to 80 characters. Never empty.
QString SafeFileName(const QString &text);

// A customer's folder: "<customer number> <Name1>" made safe (the number
// alone when Name1 is empty).
QString ArchiveFolderName(int kundenNr, const QString &name1);

// "<folder>/<barcode, or device number when empty>_<yyyy-mm-dd>_<test number>.pdf";
// a protocol already in the folder of earlier versions (Name1 alone) is not
// written again.
QString ArchiveRelativePath(const TWerteSatz &w);

struct TArchiveResult {
    int written = 0;
    int skipped = 0; // the file was there already
    int failed = 0;
    bool cancelled = false;
    QStringList errors; // German, one per failed test
    // "N Protokoll(e) geschrieben, M vorhanden, K fehlgeschlagen."
    QString Summary() const;
};

class TProtocolArchive : public QObject {
    Q_OBJECT
public:
    explicit TProtocolArchive(QObject *parent = nullptr);

    // The tests to archive (since null: all), in test-number order.
    static bool ListTests(QSqlDatabase db, const QDate &since, QList<int> &tests, QString *error = nullptr);

    // Writes the missing protocols under dir (created when needed). Returns
    // false only when the list cannot be read or dir cannot be made; single
    // failures are counted in the result and the run goes on.
    bool Run(QSqlDatabase db, const QString &dir, const QDate &since, const TProtocolSettings &settings,
             TArchiveResult &result, QString *error = nullptr);

    // Stops the run after the protocol in hand (safe from a slot of progress).
    void Cancel() { m_cancel = true; }

signals:
    void progress(int done, int total);

private:
    std::atomic<bool> m_cancel{false};
};
