// The command formatter must store and count exactly what snprintf does,
// for the conversions it handles itself and the ones it hands on.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "ddl/format.h"

namespace {

// Both results for one format and argument list, at several buffer sizes.
template <typename... Args>
void expect_as_snprintf(const char* format, Args... args)
{
    for (size_t size : {size_t{0}, size_t{1}, size_t{4}, size_t{12}, size_t{200}}) {
        char want[200], got[200];
        std::memset(want, '#', sizeof want);
        std::memset(got, '#', sizeof got);
        int n_want = std::snprintf(want, size, format, args...);
        int n_got = ddl_format(got, size, format, args...);
        EXPECT_EQ(n_got, n_want) << format << " size " << size;
        EXPECT_EQ(std::string(got, sizeof got), std::string(want, sizeof want)) << format << " size " << size;
    }
}

}  // namespace

TEST(Format, ConversionsAgreeWithSnprintf)
{
    expect_as_snprintf("FONT_%03d", 7);
    expect_as_snprintf("FONT_%03d", 1234);
    expect_as_snprintf("{textsize %d}", -12000);
    expect_as_snprintf("%05X %05x %x", 0x10000u, 0xABCu, 0u);
    expect_as_snprintf("%lld and %ld and %llu", LLONG_MIN, -1L, ULLONG_MAX);
    expect_as_snprintf("%c%5c|%3s|%s|%%", 'a', 'b', "x", "longer text");
    expect_as_snprintf("%-4d|%+d|%.2f", 5, 5, 1.5);  // handed to the C library
    expect_as_snprintf("%s", "plain text only");
}

TEST(Format, JoinIsTheFormatWithOneNumber)
{
    struct Case {
        const char* before;
        long long value;
        int digits;
        const char* after;
        const char* format;
    } cases[] = {
        {"FONT_", 7, 3, "", "FONT_%03lld"},
        {"FONT_", 1234, 3, "", "FONT_%03lld"},
        {"{textsize ", 12, 0, "000}", "{textsize %lld000}"},
        {"{leftindent 1 ", -28346, 0, "}", "{leftindent 1 %lld}"},
        {"{foreground COL_", -5, 3, " 0x10000 0}\n", "{foreground COL_%03lld 0x10000 0}\n"},
        {"", 0, 0, "", "%lld"},
        {"x", LLONG_MIN, 0, "y", "x%lldy"},
        {"{textsize ", 99999999, 0, "}", "{textsize %lld}"},
        {"{textsize ", 100000000, 0, "}", "{textsize %lld}"},
        {"FONT_", 0, 8, "", "FONT_%08lld"},
        {"FONT_", 5, 9, "", "FONT_%09lld"},
    };
    for (const Case& c : cases) {
        for (size_t size : {size_t{0}, size_t{1}, size_t{6}, size_t{14}, size_t{15}, size_t{16}, size_t{64}}) {
            char want[64], got[64];
            std::memset(want, '#', sizeof want);
            std::memset(got, '#', sizeof got);
            int n_want = std::snprintf(want, size, c.format, c.value);
            int n_got = ddl_join(got, size, c.before, c.value, c.digits, c.after);
            EXPECT_EQ(n_got, n_want) << c.format << " size " << size;
            // The text and its terminator as stored by snprintf; the bytes
            // after the terminator are scratch, and nothing is written past
            // the size.
            size_t stored = size ? std::min(static_cast<size_t>(n_want), size - 1) + 1 : 0;
            EXPECT_EQ(std::string(got, stored), std::string(want, stored)) << c.format << " size " << size;
            EXPECT_EQ(std::string(got + size, sizeof got - size), std::string(sizeof got - size, '#'))
                << c.format << " size " << size;
        }
    }
}
