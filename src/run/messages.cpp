#include "run/messages.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "platform/platform.h"
#include "run/failinject.h"

namespace {

const int kMessageBufferSize = 1024;

void show_va(const char* format, va_list ap)
{
    // Taken from the heap for the one call; a message that cannot get its
    // buffer is lost rather than stopping the run.
    if (QUILLET_INJECT("QUILLET_FAIL_MESSAGE")) return;
    char* buf = new (std::nothrow) char[kMessageBufferSize];
    if (!buf) return;
    std::vsnprintf(buf, kMessageBufferSize, format, ap);  // longer texts are cut
    platform_messagebox(buf);
    delete[] buf;
}

}  // namespace

void show_message(const char* format, ...)
{
    va_list ap;
    va_start(ap, format);
    show_va(format, ap);
    va_end(ap);
}

void fatal_message(int code, const char* format, ...)
{
    va_list ap;
    va_start(ap, format);
    show_va(format, ap);
    va_end(ap);
    std::exit(code);
}
