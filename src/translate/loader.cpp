// Translate script loading: the script's lines, the selectors that choose a
// block for the input file, and the compiled script's storage.
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/ascii.h"
#include "base/platform.h"
#include "base/memtrace.h"
#include "base/runstate.h"
#include "translate/script.h"
#include "translate/translate.h"

namespace {

const int kPathCopySize = 512;

TranslateScript g_script;
bool g_release_registered = false;

void release_strings()
{
    if (g_script.strings) mem_release(g_script.strings);
    g_script.strings = nullptr;
    g_script.stringcount = 0;
    g_script.active = 0;
}

bool starts_with(const char* s, int length, const char* word)
{
    int n = static_cast<int>(std::strlen(word));
    return length >= n && std::memcmp(s, word, n) == 0;
}

}  // namespace

TranslateScript& translate_script() { return g_script; }

int translate_prepareline(char* line, int length)
{
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) --length;
    int out = 0;
    bool quoted = false;
    for (int i = 0; i < length; ++i) {
        char c = ascii_lower(line[i]);
        if (c == '`') quoted = !quoted;
        if (c == ' ' && !quoted) continue;
        line[out++] = c;
    }
    line[out] = '\0';
    return out;
}

int translate_readline(FILE* f, char* line)
{
    int n = 0;
    int c = EOF;
    while (n < kScriptLineLimit && (c = std::fgetc(f)) != EOF) {
        line[n++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    if (n == 0 && c == EOF) {
        line[0] = '\0';
        return -1;
    }
    // A line longer than the limit is cut: its rest is no command.
    if (n == kScriptLineLimit && c != '\n') {
        while ((c = std::fgetc(f)) != EOF && c != '\n') {}
    }
    return translate_prepareline(line, n);
}

std::string translate_argtext(const char* arg, int length)
{
    if (length > 0 && arg[0] == '`') {
        ++arg;
        --length;
        int end = length;
        while (end > 0 && arg[end - 1] != '`') --end;
        if (end > 0) length = end - 1;
    }
    return std::string(arg, static_cast<size_t>(length > 0 ? length : 0));
}

bool translate_selects(const char* line, int length, const char* path, bool (*issep)(char))
{
    if (!starts_with(line, length, "translate")) return false;
    line += 9;
    length -= 9;
    enum { SEL_INPATH, SEL_IFPATH, SEL_IFLEAF } kind;
    if (starts_with(line, length, "inpath"))
        kind = SEL_INPATH;
    else if (starts_with(line, length, "ifpath"))
        kind = SEL_IFPATH;
    else if (starts_with(line, length, "ifleaf"))
        kind = SEL_IFLEAF;
    else
        return false;
    line += 6;
    length -= 6;
    std::string text = translate_argtext(line, length);

    std::string p(path);
    size_t cut = p.size();
    while (cut > 0 && !issep(p[cut - 1])) --cut;
    std::string folder = cut ? p.substr(0, cut - 1) : std::string();
    std::string leaf = p.substr(cut);
    switch (kind) {
    case SEL_INPATH: return folder.find(text) != std::string::npos;
    case SEL_IFPATH: return folder == text;
    default: return leaf == text;
    }
}

long long translate_findblock(FILE* f, const char* path, bool (*issep)(char))
{
    char line[kScriptLineLimit + 1];
    int n;
    while ((n = translate_readline(f, line)) >= 0) {
        if (n == 0 || line[0] == ';') continue;
        if (translate_selects(line, n, path, issep)) return platform_tell(f);
    }
    return 0;
}

int translate_begin()
{
    g_script.active = 0;
    std::memset(g_script.program, 0, sizeof g_script.program);
    g_script.length = 0;
    g_script.stringcount = 0;
    if (g_script.strings) {
        std::memset(g_script.strings, 0, static_cast<size_t>(kStringSlots) * kStringSize);
        return 1;
    }
    g_script.strings = static_cast<char(*)[kStringSize]>(mem_claimzero(kStringSlots, kStringSize));
    return g_script.strings != nullptr;
}

void translate_reset()
{
    translate_begin();
    std::memset(g_script.flags, 0, sizeof g_script.flags);
}

int translate_active() { return g_script.active; }

long long translate_load()
{
    g_script.active = 0;
    std::memset(g_script.program, 0, sizeof g_script.program);
    char* path = static_cast<char*>(mem_claim(kPathCopySize));
    if (!path) return 0;
    if (!translate_begin()) {
        mem_release(path);
        return 0;
    }
    std::snprintf(path, kPathCopySize, "%s", run_inputpath());

    std::string name = run_supportpath("translat");
    FILE* f = platform_openregular(name.c_str());
    if (!f) {
        mem_release(path);
        release_strings();
        return 0;
    }
    if (!g_release_registered) {
        std::atexit(release_strings);
        g_release_registered = true;
    }
    long long position = translate_findblock(f, path, platform_issep);
    std::fclose(f);
    mem_release(path);
    return position;
}
