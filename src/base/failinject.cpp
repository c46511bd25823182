#include "base/failinject.h"

#ifdef QUILLET_FAILINJECT
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
long claims = 0, messages = 0, trackers = 0, spills = 0, reads = 0;
}

bool failinject_now(const char* which)
{
    long* counter = std::strcmp(which, "QUILLET_FAIL_CLAIM") == 0     ? &claims
                    : std::strcmp(which, "QUILLET_FAIL_MESSAGE") == 0 ? &messages
                    : std::strcmp(which, "QUILLET_FAIL_SPILL") == 0   ? &spills
                    : std::strcmp(which, "QUILLET_FAIL_READ") == 0    ? &reads
                                                                      : &trackers;
    const char* v = std::getenv(which);
    ++*counter;
    return v && std::atol(v) == *counter;
}

void failinject_report()
{
    const char* path = std::getenv("QUILLET_INJECT_REPORT");
    if (!path) return;
    if (FILE* f = std::fopen(path, "w")) {
        std::fprintf(f, "%ld %ld\n", claims, messages);
        std::fclose(f);
    }
}
#endif
