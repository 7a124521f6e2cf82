#pragma once

#include "core/IniFile.h"
#include "core/ProgramPaths.h"
#include "serial/PortNames.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Pseudo-terminals stand in for COM1 and COM2; COM3 names a device that does
// not exist. The port mapping lives in a temporary INI file.
class SerialFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(line1.ok());
        ASSERT_TRUE(line2.ok());
        iniPath = dir.filePath("ports.ini");
        {
            TIniFile ini(iniPath);
            ini.WriteString("Ports", "COM1", line1.slavePath());
            ini.WriteString("Ports", "COM2", line2.slavePath());
            ini.WriteString("Ports", "COM3", dir.filePath("no-such-device"));
        }
        SetProgramIniOverride(iniPath);
    }
    void TearDown() override { SetProgramIniOverride(QString()); }

    void mapPort(int n, const QString &device)
    {
        TIniFile ini(iniPath);
        ini.WriteString("Ports", QStringLiteral("COM%1").arg(n), device);
    }

    // The log's lines without time and tick stamps: the text behind the separator.
    static QStringList logTexts(const QString &path, const QString &sep = QStringLiteral(" - "))
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) return {};
        QStringList texts;
        const QString all = QString::fromUtf8(f.readAll());
        for (const QString &line : all.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
            const qsizetype i = line.indexOf(sep);
            texts << (i < 0 ? line : line.mid(i + sep.size()));
        }
        return texts;
    }

    QTemporaryDir dir;
    gt_test::PtyPair line1, line2;
    QString iniPath;
};
