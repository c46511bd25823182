#include <gtest/gtest.h>

#include "html/tagreader.h"
#include "script/script.h"

TEST(ScriptValues, Placeholder) { EXPECT_EQ(dramaton_number("x12y", nullptr), 12); }
