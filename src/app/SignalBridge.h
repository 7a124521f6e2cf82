#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a call on the main thread: the handler only
// writes one byte to a pipe, the event loop reads it and runs OnSignal.
class TSignalBridge : public QObject {
public:
    explicit TSignalBridge(QObject *parent = nullptr);
    ~TSignalBridge() override;

    std::function<void(int signal)> OnSignal;

private:
    QSocketNotifier *m_notifier = nullptr;
};
