// Values taken out of a command's parameter text.
#include <cstdio>
#include <cstring>

#include "ddl/ddlout.h"
#include "ddl/format.h"
#include "markup/tagreader.h"
#include "script/script.h"

namespace {

const int kLoweredSize = 256;

char g_lowered[kLoweredSize + 1];

bool starts_value(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '(';
}

int paramlen()
{
    int n = g_tag.paramlen;
    if (n < 0) return 0;
    if (n > static_cast<int>(sizeof g_tag.params) - 1) return static_cast<int>(sizeof g_tag.params) - 1;
    return n;
}

}  // namespace

ScriptValue dramaton_value(int offset)
{
    ScriptValue v;
    v.text[0] = '\0';
    const char* p = g_tag.params;
    int len = paramlen();
    int i;
    if (offset == 0) {
        i = 0;
        while (i < len && p[i] != ' ') ++i;
        if (i >= len) return v;  // no space: no value
    } else {
        i = offset;
    }
    if (i < 0) i = 0;
    while (i < len && !starts_value(static_cast<unsigned char>(p[i]))) ++i;
    int n = 0;
    while (i < len && p[i] != '"' && p[i] != '>' && p[i] != '\0' && n < static_cast<int>(sizeof v.text) - 1)
        v.text[n++] = p[i++];
    v.text[n] = '\0';
    return v;
}

void dramaton_lowerparams()
{
    int len = paramlen();
    if (len > kLoweredSize) len = kLoweredSize;
    for (int i = 0; i < len; ++i) {
        char c = g_tag.params[i];
        g_lowered[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    }
    g_lowered[len] = '\0';
}

const char* dramaton_loweredparams() { return g_lowered; }

int dramaton_findlowered(const char* keyword)
{
    const char* at = std::strstr(g_lowered, keyword);
    return at ? static_cast<int>(at - g_lowered) : -1;
}

ScriptValue dramaton_keyvalue(const char* keyword, int refresh)
{
    ddlout_flush();
    if (refresh) dramaton_lowerparams();
    int at = dramaton_findlowered(keyword);
    if (at < 0) {
        ScriptValue v;
        v.text[0] = '\0';
        return v;
    }
    return dramaton_value(at + static_cast<int>(std::strlen(keyword)));
}

long dramaton_number(const char* text, const char** next)
{
    if (next) *next = nullptr;
    if (!text) return 0;
    while (*text && !(*text >= '0' && *text <= '9')) ++text;
    if (!*text) return 0;
    long n = 0;
    while (*text >= '0' && *text <= '9') {
        // Absurd digit runs saturate rather than overflow.
        if (n <= (kNumberCap - (*text - '0')) / 10)
            n = n * 10 + (*text - '0');
        else
            n = kNumberCap;
        ++text;
    }
    if (next) *next = text;
    return n;
}

void dramaton_copyfield(char* field, size_t size, const char* value)
{
    if (size == 0) return;
    ddl_format(field, size, "%s", value);
}

void dramaton_text(const char* text)
{
    // Added as the writer adds any string (the at-line-start rule is for
    // running text); only a value too long for one line goes a character
    // at a time.
    if (std::strlen(text) < 100) {
        ddlout_addstring("%s", text);
        return;
    }
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) ddlout_addchar(*p);
}
