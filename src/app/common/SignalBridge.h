#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a call on the main thread: the handler only
// writes one byte to a pipe, the event loop reads it and emits received.
class TSignalBridge : public QObject {
    Q_OBJECT

public:
    explicit TSignalBridge(QObject *parent = nullptr);
    ~TSignalBridge() override;

signals:
    void received(int signal);

private:
    QSocketNotifier *m_notifier = nullptr;
};
