#pragma once

#include <QIODevice>
#include <QString>

// A file that replaces its namesake only once every byte is on the disk.
//
// Written under a partial name beside the target and renamed at the end; each
// write, the sync, the close and the rename are checked, so a full disk or a
// lost drive never turns into an empty or cut file reported as written. Until
// commit() succeeds, a file of the target's name stays exactly as it was.
class TAtomicFile : public QIODevice {
public:
    explicit TAtomicFile(const QString &fileName);
    ~TAtomicFile() override;
    TAtomicFile(const TAtomicFile &) = delete;
    TAtomicFile &operator=(const TAtomicFile &) = delete;

    // Only writing is possible; false when the partial file cannot be made.
    bool open(OpenMode mode) override;
    // Puts the file in place; false (and the partial file gone) after any failure.
    bool commit();
    // Drops what was written; the target stays as it was.
    void cancel();

    bool isSequential() const override { return true; }
    // The name as given.
    const QString &fileName() const { return m_name; }
    // The reason of the first failure in German ("Der Datenträger ist voll."), empty if none.
    QString reason() const;
    // errno of the first failure (0: none).
    int failure() const { return m_errno; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 len) override;

private:
    bool fail(int err);

    QString m_name;
    QString m_target;
    QString m_part;
    int m_fd = -1;
    int m_errno = 0;
};

// An operating-system error number in German words, for file messages.
QString FileErrorReason(int err);

// Writes bytes to fileName through a TAtomicFile; false with the German reason.
bool WriteFileAtomically(const QString &fileName, const QByteArray &bytes, QString *reason = nullptr);
