#pragma once

#include <QString>
#include <QTemporaryFile>

#include <cstdio>

#include <unistd.h>

namespace gt_test {

// What this process writes to standard output or standard error while the
// object lives (the commands print with printf, not through Qt).
class TOutputCapture {
public:
    explicit TOutputCapture(FILE *stream = stderr) : m_stream(stream), m_fd(::fileno(stream))
    {
        if (!m_file.open()) return;
        std::fflush(m_stream);
        m_saved = ::dup(m_fd);
        ::dup2(m_file.handle(), m_fd);
    }
    ~TOutputCapture() { restore(); }
    TOutputCapture(const TOutputCapture &) = delete;
    TOutputCapture &operator=(const TOutputCapture &) = delete;
    // What was written; the stream goes back where it was.
    QString text()
    {
        restore();
        m_file.seek(0);
        return QString::fromLocal8Bit(m_file.readAll());
    }

private:
    void restore()
    {
        if (m_saved < 0) return;
        std::fflush(m_stream);
        ::dup2(m_saved, m_fd);
        ::close(m_saved);
        m_saved = -1;
    }
    FILE *m_stream;
    int m_fd;
    QTemporaryFile m_file;
    int m_saved = -1;
};

} // namespace gt_test
