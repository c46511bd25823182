#include "run/failinject.h"

#ifdef QUILLET_FAILINJECT
#include <cstdlib>
#include <cstring>

bool failinject_now(const char* which)
{
    static long claims = 0, messages = 0;
    long* counter = std::strcmp(which, "QUILLET_FAIL_CLAIM") == 0 ? &claims : &messages;
    const char* v = std::getenv(which);
    ++*counter;
    return v && std::atol(v) == *counter;
}
#endif
