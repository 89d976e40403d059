// GK_* settings: accepted values, defaults, and one warning naming variable, value and choices.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <tuple>

#include "platform/environment.h"

TEST(Environment, AcceptedValuesAndWarnings) {
    // The value (nullptr: unset); the choice, the number (2 to 3), the warning lines, part of them.
    const struct {
        const char* value;
        int choice, number, warnings;
        const char* warning;
    } cases[] = {
        {nullptr, 0, 1, 0, ""},
        {"", 0, 1, 0, ""},
        {"555", 1, 1, 1, "GK_TEST=555 is not accepted (a whole number from 2 to 3)"},
        {"8888", 2, 1, 1, ""},
        {"2", 0, 2, 1, ""},
        {"3", 0, 3, 1, "GK_TEST=3 is not accepted (one of 565, 555, 8888); using the default"},
        {"3x", 0, 1, 2, ""},
        {"99999999999", 0, 1, 2, "GK_TEST=99999999999 is not accepted (a whole number"},
    };
    for (const auto& c : cases) {
        c.value ? setenv("GK_TEST", c.value, 1) : unsetenv("GK_TEST");
        testing::internal::CaptureStderr();
        const int choice = plat::EnvChoice("GK_TEST", {"565", "555", "8888"}, 0);
        const int number = plat::EnvNumber("GK_TEST", 2, 3, 1);
        const std::string warnings = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::tuple(choice, number, std::count(warnings.begin(), warnings.end(), '\n')),
                  std::tuple(c.choice, c.number, long(c.warnings)))
            << warnings;
        EXPECT_NE(warnings.find(c.warning), std::string::npos) << warnings;
    }
    unsetenv("GK_TEST");
}
