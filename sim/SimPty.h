#pragma once

// The simulator's end of the line: a new pseudo-terminal or an existing
// terminal device, raw, 8N1, non-blocking.

#include <QString>

class SimPort {
public:
    SimPort() = default;
    ~SimPort();
    SimPort(const SimPort &) = delete;
    SimPort &operator=(const SimPort &) = delete;

    // Creates a pseudo-terminal; path() is the side the program opens.
    bool openPty(QString &error);
    // Opens an existing device.
    bool openDevice(const QString &path, int baud, QString &error);
    void close();

    int fd() const { return m_fd; }
    const QString &path() const { return m_path; }

private:
    int m_fd = -1;
    int m_keepSlave = -1; // holds the terminal side open so the controller never sees a hang-up
    QString m_path;
};
