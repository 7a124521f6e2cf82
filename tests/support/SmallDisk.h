#pragma once

#include "RequireTool.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cerrno>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace gt_test {

// A file system of a few kilobytes of its own (tmpfs; needs root), to see
// what a full disk does to the program's files without filling the real one.
class TSmallDisk {
public:
    explicit TSmallDisk(int kib = 64)
    {
        const QByteArray options = "size=" + QByteArray::number(kib) + "k";
        m_mounted = m_dir.isValid() && ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs",
                                               0, options.constData()) == 0;
    }
    ~TSmallDisk()
    {
        if (m_mounted) ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    TSmallDisk(const TSmallDisk &) = delete;
    TSmallDisk &operator=(const TSmallDisk &) = delete;

    bool ok() const { return m_mounted; }
    QString path(const QString &name) const { return QDir(m_dir.path()).filePath(name); }
    // Fills what is left with a file of its own; true when the disk is full afterwards.
    bool fill() const
    {
        const int fd = ::open(QFile::encodeName(path(QStringLiteral("fuellung"))).constData(),
                              O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd < 0) return false;
        const QByteArray block(4096, 'x');
        bool full = false;
        for (int i = 0; i < 100000 && !full; ++i)
            full = ::write(fd, block.constData(), size_t(block.size())) < 0 && errno == ENOSPC;
        // Smaller pieces for the rest of the last page.
        for (int i = 0; i < 4096 && ::write(fd, "x", 1) == 1; ++i) {
        }
        ::close(fd);
        return full;
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

} // namespace gt_test

// The test needs a small file system of its own.
#define GT_REQUIRE_SMALL_DISK(disk)                                                                          \
    do {                                                                                                     \
        if (!(disk).ok()) GT_SKIP_WITHOUT_TOOL("ein kleines eigenes Dateisystem (tmpfs, nur als root)");     \
    } while (0)
