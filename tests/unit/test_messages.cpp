// A long message cut on its last permitted showing: no message the program
// repeats carries that much input.
#include <gtest/gtest.h>

#include <string>

#include "base/messages.h"

TEST(MessageLimit, TheHundredthShowingOfACutMessageEndsWithTheWholeNote)
{
    static const char kFormat[] = "Limit test %s";  // counted apart from the other tests' formats
    testing::internal::CaptureStderr();
    for (int i = 0; i < 101; ++i) show_message(kFormat, ("\x01" + std::string(2000, 'a')).c_str());
    // 1023 bytes: "Limit test ", the control byte as "?" and 1011 "a"s.
    const std::string cut = "QuilletW: Limit test ?" + std::string(1011, 'a') + "\n";
    std::string want;
    for (int i = 0; i < 100; ++i) want += cut;
    want.insert(want.size() - 1, "\n\n(Further messages like this one are not shown.)");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), want);
    EXPECT_EXIT(fatal_message(3, kFormat, "end"), testing::ExitedWithCode(3), "QuilletW: Limit test end");
}
