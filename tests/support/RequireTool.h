#pragma once

#include <QByteArray>

#include <gtest/gtest.h>

namespace gt_test {

// CI sets GT_REQUIRE_TOOLS=1: there a tool the tests need (zbarimg, a
// PostgreSQL server, ...) must be present, and its absence fails the test
// instead of skipping it silently.
inline bool toolsRequired()
{
    return qgetenv("GT_REQUIRE_TOOLS") == "1";
}

} // namespace gt_test

// Skips the test because `what` is missing, or fails it where tools are required.
#define GT_SKIP_WITHOUT_TOOL(what)                                                                           \
    do {                                                                                                     \
        if (::gt_test::toolsRequired()) GTEST_FAIL() << (what) << " (GT_REQUIRE_TOOLS=1)";                   \
        GTEST_SKIP() << (what);                                                                              \
    } while (0)
