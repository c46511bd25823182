// The claim tracker: its limits, unknown releases and the report.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/memtrace.h"

namespace {

std::string report()
{
    FILE* f = std::tmpfile();
    memtrace_report(f);
    std::string s;
    std::rewind(f);
    int c;
    while ((c = std::fgetc(f)) != EOF) s += static_cast<char>(c);
    std::fclose(f);
    return s;
}

TEST(Memtrace, ThirtyTwoClaimsAreTrackedTheThirtyThirdEndsTheRun)
{
    EXPECT_EXIT(
        {
            memtrace_init();
            for (int i = 0; i < 32; ++i)
                if (!mem_claim(8)) std::exit(3);
            if (memtrace_live() != 32) std::exit(4);
            mem_claim(8);
            std::exit(5);
        },
        ::testing::ExitedWithCode(1), "QuilletW: Too many claims for memtrace to follow.");
}

TEST(Memtrace, ReleasingTwiceEndsTheRunWithCodeOne)
{
    EXPECT_EXIT(
        {
            memtrace_init();
            void* p = mem_claim(8);
            mem_release(p);
            mem_release(p);
            std::exit(5);
        },
        ::testing::ExitedWithCode(1),
        "QuilletW: memtrace_removeentry\\(\\) called with address &[0-9A-F]{8}, unknown claim!");
}

TEST(Memtrace, ReportListsLiveClaimsWithAHexDump)
{
    EXPECT_EXIT(
        {
            memtrace_init();
            void* a = mem_claimzero(2, 8);
            char* b = static_cast<char*>(mem_claim(4));
            std::memcpy(b, "A\x01z\x7f", 4);
            mem_release(a);
            void* c = mem_claimzero(1, 1);  // reuses the lowest free entry
            std::string r = report();
            char addr[16];
            std::snprintf(addr, sizeof addr, "%08X", static_cast<unsigned>(reinterpret_cast<uintptr_t>(b)));
            std::string want = std::string("memtrace claims not released:\n=============================\n\n") +
                               "Claim entry 0:\n  Base address : &";
            if (r.compare(0, want.size(), want) != 0) std::exit(10);
            std::string entry1 = std::string("Claim entry 1:\n  Base address : &") + addr +
                                 "\n  Area extent  : 4 bytes\n  Claimed with : malloc()\n"
                                 "  Claimed by   : <unavailable>\n\n"
                                 "Address  : 00 01 02 03 04 05 06 07 : ASCII data\n" +
                                 addr + " : 41 01 7A 7F             : A.z.\n\n\n";
            if (r.find(entry1) == std::string::npos) std::exit(11);
            if (r.find("Area extent  : 1 bytes\n  Claimed with : calloc()\n") == std::string::npos) std::exit(12);
            mem_release(b);
            mem_release(c);
            if (!report().empty()) std::exit(13);
            std::exit(7);
        },
        ::testing::ExitedWithCode(7), "");
}

}  // namespace
