// GK_* settings: accepted values, defaults, and one warning naming variable, value and choices.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/environment.h"

TEST(Environment, AcceptedValuesAndWarnings) {
    struct Case {
        const char* value;  // nullptr: unset
        int choice, number;
        int warnings;         // lines on stderr: one per setting that refused the value
        const char* warning;  // part of them
    };
    const Case cases[] = {
        {nullptr, 0, 1, 0, ""},
        {"", 0, 1, 0, ""},
        {"555", 1, 1, 1, "GK_TEST=555 is not accepted (a whole number from 1 to 4)"},
        {"8888", 2, 1, 1, "(a whole number from 1 to 4)"},
        {"3", 0, 3, 1, "GK_TEST=3 is not accepted (one of 565, 555, 8888); using the default"},
        {"4x", 0, 1, 2, "(one of 565, 555, 8888)"},
        {"99999999999", 0, 1, 2, "GK_TEST=99999999999 is not accepted (a whole number"},
    };
    for (const Case& c : cases) {
        if (c.value)
            setenv("GK_TEST", c.value, 1);
        else
            unsetenv("GK_TEST");
        testing::internal::CaptureStderr();
        int choice = plat::EnvChoice("GK_TEST", {"565", "555", "8888"}, 0);
        int number = plat::EnvNumber("GK_TEST", 1, 4, 1);
        std::string warnings = testing::internal::GetCapturedStderr();
        SCOPED_TRACE(c.value ? c.value : "(unset)");
        EXPECT_EQ(choice, c.choice);
        EXPECT_EQ(number, c.number);
        EXPECT_NE(warnings.find(c.warning), std::string::npos) << warnings;
        EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), c.warnings);
    }
    unsetenv("GK_TEST");
}
