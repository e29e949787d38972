#include "platform/environment.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace tarnwell;

TEST(Environment, SetValuesAreSeenByGetenvAndRemovedOnesAreGone) {
    const std::string name = "TARNWELL_TEST_VARIABLE";
    SetEnvironmentVariable(name, "C:\\work folder\\with spaces");
    ASSERT_NE(std::getenv(name.c_str()), nullptr);
    EXPECT_STREQ(std::getenv(name.c_str()), "C:\\work folder\\with spaces");
    EXPECT_EQ(EnvironmentVariable(name), "C:\\work folder\\with spaces");
    SetEnvironmentVariable(name, "second");
    EXPECT_EQ(EnvironmentVariable(name), "second");
    RemoveEnvironmentVariable(name);
    EXPECT_EQ(std::getenv(name.c_str()), nullptr);
    EXPECT_FALSE(EnvironmentVariable(name));
}
