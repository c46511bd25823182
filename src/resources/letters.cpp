#include "resources/letters.h"

#include "base/charset.h"

namespace {

bool is_kana_or_han(int s) { return s == SCRIPT_HAN || s == SCRIPT_HIRAGANA || s == SCRIPT_KATAKANA; }

// The code point of the numeric reference at p[0] ("&#x4E2D;", "&#20013;")
// of the n bytes there, and its length; 0 when none is there whole, and
// *cut when the bytes end before it could be whole.
size_t numeric_at(const unsigned char* p, size_t n, uint32_t* code, bool* cut)
{
    *cut = false;
    if (n < 2 || p[1] != '#') {
        *cut = n < 2;
        return 0;
    }
    size_t i = 2;
    bool hex = i < n && (p[i] == 'x' || p[i] == 'X');
    if (hex) ++i;
    uint32_t v = 0;
    size_t digits = 0;
    for (; i < n && digits < 8; ++i, ++digits) {
        unsigned char c = p[i];
        int d = c >= '0' && c <= '9'   ? c - '0'
                : !hex                 ? -1
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : -1;
        if (d < 0) break;
        v = v * (hex ? 16 : 10) + static_cast<uint32_t>(d);
    }
    if (i >= n) {
        *cut = true;
        return 0;
    }
    if (!digits || p[i] != ';') return 0;
    *code = v;
    return i + 1;
}

// What a host byte is between two letters of a run: 0 it ends the run, 1
// a space or sign that may stay inside it.
int host_byte_kind(unsigned char c)
{
    if (c == '<' || c == '&') return 0;
    if (c < 0x80) return !((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
    if (c == 0x90 || c == 0x91 || c == 0x94 || c == 0x95) return 1;  // the typographic quotes
    if (c >= 0xA0 && c <= 0xBF) return c != 0xAA && c != 0xB5 && c != 0xBA;  // signs, not letters
    return c == 0xD7 || c == 0xF7;
}

}  // namespace

int letters_script(uint32_t code)
{
    int lo = 0, hi = kScriptRangeCount - 1;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        if (code < kScriptRanges[mid].first)
            hi = mid - 1;
        else if (code > kScriptRanges[mid].last)
            lo = mid + 1;
        else
            return kScriptRanges[mid].script;
    }
    return SCRIPT_UNKNOWN;
}

const char* letters_scriptname(int script)
{
    if (script == SCRIPT_JAPANESE) return "Japanese";
    return script >= 0 && script < kScriptNameCount ? kScriptNames[script] : kScriptNames[SCRIPT_UNKNOWN];
}

const LetterSpelling* letters_spelling(uint32_t code)
{
    if (code < kLetterSpellings[0].code || code > kLetterSpellings[kLetterSpellingCount - 1].code) return nullptr;
    int lo = 0, hi = kLetterSpellingCount - 1;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        if (kLetterSpellings[mid].code == code) return &kLetterSpellings[mid];
        if (kLetterSpellings[mid].code < code)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return nullptr;
}

bool letters_run(const unsigned char* p, size_t n, bool last, LetterRun* run)
{
    run->taken = 0;
    run->lines = 0;
    long long lines = 0, unmapped = 0;  // those of the bytes after the last letter
    size_t i = 0;
    while (i < n) {
        if (i - run->taken > kLetterRunGap) return false;
        unsigned char c = p[i];
        if (c != '&') {
            if (!host_byte_kind(c)) return false;
            if (c == '\n') ++lines;
            ++i;
            continue;
        }
        uint32_t code = 0;
        bool cut = false;
        size_t len = numeric_at(p + i, n - i, &code, &cut);
        if (!len) return cut && !last;
        char spelt[4];
        int s = letters_script(code);
        if (s == SCRIPT_COMMON || s == SCRIPT_INHERITED) {
            if (host_spell(code, spelt) < 0) ++unmapped;
            i += len;
            continue;
        }
        bool joins =
            s == run->script || (is_kana_or_han(s) && (run->script == SCRIPT_JAPANESE || is_kana_or_han(run->script)));
        if (!joins || s == SCRIPT_UNKNOWN || host_spell(code, spelt) >= 0 || letters_spelling(code)) return false;
        if (s != run->script) run->script = SCRIPT_JAPANESE;
        i += len;
        run->letters += 1;
        run->unmapped += unmapped + 1;
        run->taken = i;
        run->lines += lines;
        lines = unmapped = 0;
    }
    return !last;
}
