#pragma once

#include "../app/AppTestSupport.h"

#include "app/shell/MainActions.h"
#include "app/shell/MainStatusBar.h"
#include "core/ProgramPaths.h"
#include "serial/PortNames.h"
#include "support/SimProcess.h"
#include "support/TestSupport.h"
#include "tester/ConnectionController.h"

#include <QAction>

namespace gt_e2e {

using namespace gt_app_test;

// A main window whose COM1 is the simulator's (or a test's) terminal.
struct ConnectedFixture : FormFixture {
    QString pgmLog() const { return path(QStringLiteral("programm.log")); }

    // Writes the INI with the port mapping, the program log and extra lines.
    void configure(const QString &device, const QByteArray &extra = {})
    {
        withDatabase();
        const QByteArray ini = "[Interface]\nPort=1\nPgmLog=" + pgmLog().toUtf8() + "\n" + extra +
                               "\n[Ports]\nCOM1=" + device.toUtf8() + "\n";
        writeFile(iniPath(), ini);
        SetProgramIniOverride(iniPath());
    }
    ~ConnectedFixture() { SetProgramIniOverride(QString()); }

    QString panel(int i) const { return form->StatusBar1().PanelText(i); }
    bool connected() const { return form->Actions().G_Verbinden->isChecked(); }

    QStringList logTexts() const
    {
        QStringList texts;
        for (const QString &l : readLines(pgmLog()))
            texts << logText(l);
        return texts;
    }
};

} // namespace gt_e2e
