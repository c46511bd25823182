#include "ddl/format.h"

#include <cstdio>
#include <cstring>

namespace {

// Collects the text, storing what fits and counting all of it.
struct Sink {
    char* buf;
    size_t room;  // characters that may still be stored
    size_t length = 0;

    void put(char c)
    {
        if (length < room) buf[length] = c;
        ++length;
    }
    void put(const char* p, size_t n)
    {
        if (length < room) {
            size_t k = room - length < n ? room - length : n;
            std::memcpy(buf + length, p, k);
        }
        length += n;
    }
    void pad(char c, size_t n)
    {
        while (n--) put(c);
    }
};

// Digits of v in the base, last digit at the end of `out`; returns the count.
// The bases are constants in the loops, so no division instruction is used.
int digits(unsigned long long v, unsigned base, bool upper, char* out_end)
{
    int n = 0;
    if (base == 10) {
        do {
            *--out_end = static_cast<char>('0' + v % 10);
            v /= 10;
            ++n;
        } while (v);
        return n;
    }
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    do {
        *--out_end = set[v & 15];
        v >>= 4;
        ++n;
    } while (v);
    return n;
}

// One number with an optional sign, padded to the width with zeros (after
// the sign) or spaces (before it).
void put_number(Sink& s, unsigned long long magnitude, bool negative, unsigned base, bool upper, bool zeros,
                size_t width)
{
    char text[24];
    int n = digits(magnitude, base, upper, text + sizeof text);
    size_t len = static_cast<size_t>(n) + (negative ? 1 : 0);
    size_t fill = width > len ? width - len : 0;
    if (!zeros) s.pad(' ', fill);
    if (negative) s.put('-');
    if (zeros) s.pad('0', fill);
    s.put(text + sizeof text - n, static_cast<size_t>(n));
}

// The fast path: false when the format holds a conversion it leaves to the
// C library (nothing of `ap` is then to be trusted).
bool format_fast(Sink& s, const char* f, va_list ap)
{
    while (*f) {
        const char* pct = std::strchr(f, '%');
        size_t plain = pct ? static_cast<size_t>(pct - f) : std::strlen(f);
        s.put(f, plain);
        f += plain;
        if (!*f) break;
        ++f;  // the '%'
        if (*f == '%') {
            s.put('%');
            ++f;
            continue;
        }
        bool zeros = false;
        while (*f == '0') {
            zeros = true;
            ++f;
        }
        if (*f == '-' || *f == '+' || *f == ' ' || *f == '#' || *f == '\'') return false;
        size_t width = 0;
        while (*f >= '0' && *f <= '9') {
            width = width * 10 + static_cast<size_t>(*f - '0');
            if (width > 4096) return false;
            ++f;
        }
        if (*f == '*' || *f == '.') return false;
        int longs = 0;
        while (*f == 'l' && longs < 2) {
            ++longs;
            ++f;
        }
        char conv = *f++;
        switch (conv) {
        case 'd':
        case 'i': {
            long long v = longs == 2 ? va_arg(ap, long long) : longs == 1 ? va_arg(ap, long) : va_arg(ap, int);
            unsigned long long m =
                v < 0 ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
            put_number(s, m, v < 0, 10, false, zeros, width);
            break;
        }
        case 'u':
        case 'x':
        case 'X': {
            unsigned long long v = longs == 2   ? va_arg(ap, unsigned long long)
                                   : longs == 1 ? va_arg(ap, unsigned long)
                                                : va_arg(ap, unsigned int);
            put_number(s, v, false, conv == 'u' ? 10 : 16, conv == 'X', zeros, width);
            break;
        }
        case 's': {
            if (zeros || longs) return false;
            const char* text = va_arg(ap, const char*);
            if (!text) return false;
            size_t n = std::strlen(text);
            if (width > n) s.pad(' ', width - n);
            s.put(text, n);
            break;
        }
        case 'c': {
            if (zeros || longs) return false;
            int c = va_arg(ap, int);
            if (width > 1) s.pad(' ', width - 1);
            s.put(static_cast<char>(static_cast<unsigned char>(c)));
            break;
        }
        default: return false;
        }
    }
    return true;
}

}  // namespace

int ddl_vformat(char* buf, size_t size, const char* format, va_list ap)
{
    if (format[0] == '%' && format[1] == 's' && format[2] == '\0') {
        // A text added as it stands, the commonest use of all.
        va_list peek;
        va_copy(peek, ap);
        const char* text = va_arg(peek, const char*);
        va_end(peek);
        if (text) {
            size_t n = std::strlen(text);
            if (size) {
                size_t k = n < size - 1 ? n : size - 1;
                std::memcpy(buf, text, k);
                buf[k] = '\0';
            }
            return static_cast<int>(n);
        }
    }
    va_list again;
    va_copy(again, ap);
    Sink s{buf, size ? size - 1 : 0};
    int result;
    if (format_fast(s, format, ap)) {
        if (size) buf[s.length < s.room ? s.length : s.room] = '\0';
        result = static_cast<int>(s.length);
    } else {
        result = std::vsnprintf(buf, size, format, again);
    }
    va_end(again);
    return result;
}

int ddl_format(char* buf, size_t size, const char* format, ...)
{
    va_list ap;
    va_start(ap, format);
    int n = ddl_vformat(buf, size, format, ap);
    va_end(ap);
    return n;
}

int ddl_join_bounded(char* buf, size_t size, const char* before, long long value, int digits, const char* after)
{
    Sink s{buf, size ? size - 1 : 0};
    s.put(before, std::strlen(before));
    unsigned long long m =
        value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    put_number(s, m, value<0, 10, false, true, digits> 0 ? static_cast<size_t>(digits) : 0);
    s.put(after, std::strlen(after));
    if (size) buf[s.length < s.room ? s.length : s.room] = '\0';
    return static_cast<int>(s.length);
}

int ddl_cleanname(char* buf, size_t size, const char* name)
{
    int n = ddl_format(buf, size, "%s", name);
    for (char* p = buf; size && *p; ++p)
        if (static_cast<unsigned char>(*p) < 32 || *p == 127) *p = '?';
    return n;
}
