#pragma once

// What the window-less commands share: the program's configuration, its
// database connection and, for the tester, the serial line with the bus
// engine and the command set, set up as the main window sets them up.

#include "app/common/Configuration.h"

#include <QString>

#include <memory>

class TCate;
class TSynchroBus;
class TTesterCommands;

namespace cli {

// One line on standard error, in the local encoding.
void PrintError(const QString &text);
// Prints the text and gives the failure exit code.
int Fail(const QString &text);
// One line on standard output, in the local encoding.
void Say(const QString &text);

// The program's own INI file, read once.
TConfiguration ReadProgramConfiguration();

// The database the program would use, opened under a connection name of its
// own.
class TCliDatabase {
public:
    TCliDatabase(const TConfiguration &config, const QString &connectionName);
    ~TCliDatabase();
    bool ok() const { return m_ok; }
    const QString &error() const { return m_error; }
    const QString &connectionName() const { return m_name; }

private:
    QString m_name;
    QString m_error;
    bool m_ok = false;
};

// Why the port did not open, in German ("COM2 ist belegt: …").
QString PortOpenFailureText(int port, const TCate &cate);
QString PortOpenFailureText(int port, int err, const QString &device, const QString &why);

// The configured port with the bus engine and the command set on it.
class TCliTesterLink {
public:
    explicit TCliTesterLink(const TConfiguration &config);
    ~TCliTesterLink();
    // Opens the port; false with a German reason.
    bool open(QString *error);
    TTesterCommands *commands() const { return m_commands.get(); }

private:
    const TConfiguration &m_config;
    std::unique_ptr<TCate> m_cate;
    std::unique_ptr<TSynchroBus> m_bus;
    std::unique_ptr<TTesterCommands> m_commands;
};

} // namespace cli
