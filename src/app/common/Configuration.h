#pragma once

#include "protocols/LabelPrintArea.h"
#include "protocols/PdfSigner.h"
#include "store/ExportColumns.h"
#include "store/SettingsValues.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>

class TIniFile;

// Every setting of the main window, held in memory between the one read when
// the window is created and the one write when it is destroyed. Dialogs and the
// connection controller change the values here; nothing else touches the file.
class TConfiguration {
public:
    TConfiguration();

    // Defaults for every key (the state before the first read).
    void Reset();
    // Missing keys and unreadable numbers give the default.
    void Read(const TIniFile &ini);
    // Writes every key in the fixed order, changed or not, so the file ends up complete.
    void Write(TIniFile &ini) const;

    // Reads or writes the program's own INI file; a write failure is not reported.
    void ReadFile(const QString &fileName);
    bool WriteFile(const QString &fileName) const;
    static QString DefaultFileName();

    // What the settings dialog edits, handed over and taken back as one.
    TSettingsValues Settings() const;
    void setSettings(const TSettingsValues &values);

    // [Position]
    int Left = 192;
    int Top = 107;
    // [Interface]
    int Port = 1;
    QString BusLog;
    QString COMLog;
    QString PgmLog;
    bool AutoConnect = false;
    // [Configuration]
    bool ShowHints = true;
    QString Operator;
    QString Assessor;
    std::array<QString, 5> TopLine;
    std::array<QString, 5> BottomLine;
    int ServiceInterv = 365;
    int aktCheckNumber = 0;
    bool Preview = false;
    int ExportFile = 0;
    QString ExportFileName;
    // [Timing] (ms, except the last three which count 100 ms ticks)
    int MessageAnswerRAM = 300;
    int MessageAnswerReadEEPROM = 800;
    int MessageAnswerWriteEEPROM = 1200;
    int MessageTimeOut = 500;
    int CharTimeOut = 100;
    int RefreshTime = 100;
    int InActiveTime = 15;
    int SettingDelay = 6;
    // [Export]: the column switches, "Enables" and "SichtprZeilen"
    TExportSwitches Export;
    // [DataBase]
    QString ConnectionString;
    // [Labels]
    TLabelPrintArea Labels;
    // [Signatur], read only (see SignatureSettings.h)
    TPdfSignatureSettings Signature;

    // What the last Read found unusable, in German (a default was used instead).
    QStringList Problems;
    // Those of them about label printing: the line to the tester does not depend on them.
    QStringList LabelProblems;
};

// Time-outs no tester could ever meet, each in a German sentence; empty when usable.
QStringList TimingProblems(int messageTimeOut, int charTimeOut, int messageAnswerRam = 300);
