// Pins the time zone to Asia/Tokyo for a whole test program, so running a
// test binary directly gives the same texts as under ctest (which sets TZ).
// Include it in exactly one file of a test program and register it there:
//   [[maybe_unused]] const auto* const kTokyo =
//       ::testing::AddGlobalTestEnvironment(new orbel::test::TokyoTime);
#pragma once

#include "tests/support/timeZone.h"

#include <gtest/gtest.h>

namespace orbel::test {

class TokyoTime : public ::testing::Environment {
public:
    void SetUp() override {
        setTimeZone("Asia/Tokyo");
    }
};

} // namespace orbel::test
