#include "app/ExportFileChooser.h"

#include <gtest/gtest.h>

namespace {

TEST(ExportFile, FixedNameIsUsedWithoutAsking)
{
    EXPECT_EQ(ChooseExportFile(1, QStringLiteral("/tmp/x.csv")), "/tmp/x.csv");
}

} // namespace
