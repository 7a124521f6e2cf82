// The serial component's test fixture: two pseudo-terminal lines and a
// recorder of everything the component raises.
#pragma once

#include "SerialFixture.h"
#include "serial/Cate32.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>

class CateTest : public SerialFixture {
protected:
    // Records every event the component raises, in order.
    void record(TCate &c)
    {
        QObject::connect(&c, &TCate::receiveBData, [this](const quint8 *b, quint16 n) {
            received.append(reinterpret_cast<const char *>(b), n);
            blockSizes << n;
            onMainThread = onMainThread && QThread::currentThread() == qApp->thread();
        });
        QObject::connect(&c, &TCate::requestHangup, [this] {
            events << "hangup";
            onMainThread = onMainThread && QThread::currentThread() == qApp->thread();
        });
        QObject::connect(&c, &TCate::connected, [this] { events << "connect"; });
        QObject::connect(&c, &TCate::disconnected, [this] { events << "disconnect"; });
    }

    QByteArray received;
    QList<int> blockSizes;
    QStringList events;
    bool onMainThread = true;
};

inline bool fileContains(const QString &path, const QByteArray &what)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.readAll().contains(what);
}
