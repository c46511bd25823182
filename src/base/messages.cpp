#include "base/messages.h"

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "base/platform.h"
#include "base/failinject.h"

namespace {

const int kMessageBufferSize = 1024;  // a longer message is cut to fit

// How often one message may be shown in a run: a page that trips the same
// warning on every tag would otherwise bury the rest (and on Windows ask
// for a click per box). The last showing ends with the note.
const int kShowLimit = 100;
const char kLastNote[] = "\n\n(Further messages like this one are not shown.)";

// The showings of each format string so far, keyed on its address: a fixed
// table probed from a hash of the address, with room for several times the
// program's formats. A format that finds it full is shown, uncounted.
struct FormatCount {
    const char* format;
    int shown;
};
const int kFormatSlots = 256;  // a power of two
FormatCount g_counts[kFormatSlots];

FormatCount* count_of(const char* format)
{
    uint64_t key = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(format));
    unsigned at = static_cast<unsigned>((key * UINT64_C(0x9E3779B97F4A7C15)) >> 56);
    for (int i = 0; i < kFormatSlots; ++i) {
        FormatCount& slot = g_counts[(at + static_cast<unsigned>(i)) & (kFormatSlots - 1)];
        if (slot.format == format) return &slot;
        if (!slot.format) {
            slot.format = format;
            return &slot;
        }
    }
    return nullptr;
}

// Control bytes from the input would reach the terminal or the box as they
// stand: each shows as "?". Tab and line feed lay the text out; the bytes
// from 128 on are the host's own characters and are kept.
void mask_controls(char* text, size_t len)
{
    for (size_t i = 0; i < len; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c < 32 && c != '\t' && c != '\n') || c == 127) text[i] = '?';
    }
}

// Shows the message; `count` is its format's entry when the showings are
// limited, null when it is always shown.
void show_va(FormatCount* count, const char* format, va_list ap)
{
    if (count && count->shown >= kShowLimit) return;
    // Taken from the heap for the one call; a message that cannot get its
    // buffer is lost (and not counted as shown) rather than stopping the run.
    if (QUILLET_INJECT("QUILLET_FAIL_MESSAGE")) return;
    char* buf = new (std::nothrow) char[kMessageBufferSize - 1 + sizeof kLastNote];
    if (!buf) return;
    int n = std::vsnprintf(buf, kMessageBufferSize, format, ap);
    size_t len = n < 0 ? 0 : static_cast<size_t>(n);
    if (len > static_cast<size_t>(kMessageBufferSize - 1)) len = kMessageBufferSize - 1;
    buf[len] = '\0';
    // Up to the length formatted, so that a NUL given by %c shows too.
    mask_controls(buf, len);
    if (count && ++count->shown == kShowLimit) std::memcpy(buf + len, kLastNote, sizeof kLastNote);
    platform_stopmidline(true);
    platform_messagebox(buf);
    platform_stopmidline(false);
    delete[] buf;
}

}  // namespace

void show_message(const char* format, ...)
{
    va_list ap;
    va_start(ap, format);
    show_va(count_of(format), format, ap);
    va_end(ap);
}

// Always shown: it ends the run.
void fatal_message(int code, const char* format, ...)
{
    va_list ap;
    va_start(ap, format);
    show_va(nullptr, format, ap);
    va_end(ap);
    std::exit(code);
}
