// The one reporter: every warning, error and the version text.
#pragma once

#if defined(__GNUC__)
#define QUILLET_PRINTF(a, b) __attribute__((format(printf, a, b)))
#else
#define QUILLET_PRINTF(a, b)
#endif

// Shows a message, cut at 1023 bytes, with its control bytes (other than
// tab and line feed) as "?". Each format string is shown at most 100 times
// a run; the hundredth showing says that no more follow.
void show_message(const char* format, ...) QUILLET_PRINTF(1, 2);

// Shows a fatal message, however often its format was shown, and ends the
// process with the given code.
[[noreturn]] void fatal_message(int code, const char* format, ...) QUILLET_PRINTF(2, 3);
