#include "markup/tagreader.h"

#include <cstdio>
#include <cstring>

#include "ddl/ddlout.h"
#include "markup/keywords.h"
#include "markup/tagstate.h"
#include "resources/colour.h"
#include "resources/config.h"
#include "base/ascii.h"
#include "base/bytescan.h"
#include "base/infile.h"
#include "base/memtrace.h"
#include "base/messages.h"

TagBuffers g_tag;
std::string g_longparams;
TagAttrs g_tagattrs;
long long g_line = 1;

namespace {

const int kNameLimit = 31;

int g_prebody = 1;
int g_quiet = 0;
int g_heldback = 0;

// `name` holds the bytes that the name loop below stores as they stand and
// that end nothing (whole runs of them are copied from the input buffer);
// `start` the bytes a name can begin with.
struct ByteClasses {
    bool name[256];
    bool start[256];
    ByteClasses()
    {
        for (int c = 0; c < 256; ++c) {
            name[c] = c != '>' && c != ' ' && c != '\n' && c != '\r';
            start[c] = ascii_isalnum(c) || c == '?' || c == '-' || c == '/';
        }
    }
};
const ByteClasses kBytes;

// Copies the run of bytes of the class at the input position into dst, at
// most `room` of them; returns how many.
size_t copy_run(const bool* cls, char* dst, size_t room)
{
    const unsigned char* p;
    size_t avail = infile_available(&p);
    if (avail > room) avail = room;
    size_t n = 0;
    for (; n < avail && cls[p[n]]; ++n) dst[n] = static_cast<char>(p[n]);
    infile_skip(n);
    return n;
}

// The bytes up to the first control byte or byte of `stops`, at most
// `room` of them, sixteen at a time, into dst; that byte is left. With a
// null dst the bytes are taken without being stored.
template <size_t K>
[[gnu::always_inline]] inline size_t copy_until(char* dst, size_t room, const unsigned char (&stops)[K])
{
    const unsigned char* p;
    size_t avail = infile_available(&p);
    if (avail > room) avail = room;
    size_t n = 0;
    while (n < avail) {
        size_t k = static_cast<size_t>(
            bytescan::first(bytescan::below16(p + n, 0x20) | bytescan::match16(p + n, stops) | 0x10000u));
        size_t left = avail - n;
        k = k < left ? k : left;
        if (dst) {
            if (n + 16 <= room)
                bytescan::copy16(dst + n, p + n);  // the bytes past k are stored over later
            else
                std::memcpy(dst + n, p + n, k);
        }
        n += k;
        if (k < 16) break;
    }
    infile_skip(n);
    return n;
}

// The same for the parameter class.
size_t copy_params(char* dst, size_t room)
{
    static const unsigned char kEnd[] = {'>'};
    return copy_until(dst, room, kEnd);
}

}  // namespace

bool tagreader_isdatauri(const char* p, size_t n)
{
    static const char kData[] = "data:";
    if (n < 5) return false;
    for (size_t i = 0; i < 5; ++i)
        if (ascii_lower(p[i]) != kData[i]) return false;
    return true;
}

bool tagreader_skipcommentbody()
{
    int prev = 0;
    for (;;) {
        int c = infile_getc();
        if (c == EOF) return false;
        if (c == '\n') ++g_line;
        if (prev == '-' && c == '>') return true;
        prev = c;
    }
}

namespace {

// A comment's body after "<!--" as the HTML standard's tokenizer ends it:
// at "-->" or "--!>", or at once at ">" or "->" (an empty comment).
// False at the end of the input, as tagreader_skipcommentbody.
bool skip_commentbody5()
{
    int run = 0;  // dashes in a row
    bool start = true;  // at most one dash read yet
    bool bang = false;  // after "--!"
    for (;;) {
        int c = infile_getc();
        if (c == EOF) return false;
        if (c == '\n') ++g_line;
        if (c == '>' && (run >= 2 || bang || start)) return true;
        if (bang) {
            bang = false;
            run = c == '-' ? 1 : 0;
            continue;
        }
        if (c == '-') {
            if (++run >= 2) start = false;
            continue;
        }
        bang = c == '!' && run >= 2;
        run = 0;
        start = false;
    }
}

// After "<!": skips a comment or declaration; false when it was neither.
bool skip_comment()
{
    int a = infile_getc();
    if (a == '\n') ++g_line;
    int b = (a == EOF) ? EOF : infile_getc();
    if (b == '\n') ++g_line;
    if (a == '-' && b == '-') return settings.html5tags ? skip_commentbody5() : tagreader_skipcommentbody();
    if ((a == 'd' || a == 'D') && (b == 'o' || b == 'O')) {
        int c;
        while ((c = infile_getc()) != EOF && c != '>') {}
        return true;
    }
    if (a == ' ' || settings.html5tags) {
        // Under html5tags anything else after "<!" (a CDATA section among
        // them) is a comment to the next ">", as browsers read it.
        int c = b;
        while (c != EOF && c != '>') {
            c = infile_getc();
            if (c == '\n') ++g_line;
        }
        return true;
    }
    // Neither: both characters are read again as text. Their line feeds
    // will be counted again by whoever reads them.
    if (b == '\n') --g_line;
    if (a == '\n') --g_line;
    infile_ungetc(b);
    infile_ungetc(a);
    return false;
}

}  // namespace

namespace {

// tagreader_skiptotag, inline in the loops of the readers here.
inline bool skip_to_tag()
{
    using namespace bytescan;
    static const unsigned char kLt[] = {'<'};
    for (;;) {
        const unsigned char* p;
        size_t avail = infile_available(&p);
        if (avail == 0) {  // a refill or a pushed-back byte
            int c = infile_getc();
            if (c == EOF) return false;
            if (c == '\n') ++g_line;
            if (c == '<') return true;
            continue;
        }
        // The line feeds before the "<" counted.
        size_t at = scan_to(p, avail, kLt, false, &g_line);
        if (at < avail) {
            infile_skip(at + 1);
            return true;
        }
        infile_skip(avail);
    }
}

}  // namespace

bool tagreader_skiptotag() { return skip_to_tag(); }

size_t tagreader_paramtext()
{
    size_t len = g_tag.paramlen > 0 ? static_cast<size_t>(g_tag.paramlen) : 0;
    if (len > sizeof g_tag.params - 1) len = sizeof g_tag.params - 1;
    // Whole blocks of sixteen, which the buffer's length is a multiple of.
    static_assert(sizeof g_tag.params % 16 == 0, "the parameters are read in blocks");
    static const unsigned char kNul[] = {0};
    const unsigned char* p = reinterpret_cast<const unsigned char*>(g_tag.params);
    for (size_t i = 0; i < len; i += 16) {
        if (unsigned nul = bytescan::match16(p + i, kNul)) {
            size_t at = i + static_cast<size_t>(bytescan::first(nul));
            return at < len ? at : len;
        }
    }
    return len;
}

void tagreader_setprebody(int on) { g_prebody = on; }
int tagreader_prebody() { return g_prebody; }

void tagreader_setquiet(int on)
{
    if (on) g_heldback = 0;
    g_quiet = on;
}
int tagreader_heldback() { return g_heldback; }

namespace {

// A name the table does not hold: the empty name (</>) is row 0's, found
// with token 0; under html5tags a name that ends in "/" (<br/>) is the tag
// it names. Sets g_tag.found; returns the token. (Kept out of the readers'
// path of the names that are found.)
[[gnu::noinline]] int classify_unfound(const char* name, size_t len)
{
    if (len == 0) {
        g_tag.found = 1;
        return 0;
    }
    if (!settings.html5tags || len < 2 || name[len - 1] != '/') return 0;
    int token = keyword_lookupn(keyword_html(), name, len - 1);
    g_tag.found = token != 0;
    return token;
}

// Sets *token for the name of len bytes at `name` (sixteen bytes readable),
// g_tag.closing already set: a name the filter rules out is not looked up
// and reads as unknown.
[[gnu::always_inline]] inline void classify(const char* name, size_t len, const KeywordFilter* filter, int* token)
{
    bool looked = !filter || keyword_mayname(*filter, name, static_cast<int>(len));
    int t = looked ? keyword_lookupn(keyword_html(), name, len) : 0;
    g_tag.found = t != 0;
    if (!t && looked) t = classify_unfound(name, len);
    *token = t + g_tag.closing * TOK_CLOSING;
}

int lookup_name(int n, int* token, const KeywordFilter* filter)
{
    if (g_tag.name[0] == '/') {
        std::memmove(g_tag.name, g_tag.name + 1, static_cast<size_t>(n));  // the terminator too
        g_tag.closing = 1;
        --n;
    }
    // The name as a string: a NUL inside it ends it for the look-up.
    classify(g_tag.name, strnlen(g_tag.name, static_cast<size_t>(n)), filter, token);
    return -1;
}

// The bytes that end a name, and where the next one is in the 32 bytes at
// p (bit k for byte k); and where a NUL is.
struct NameStops {
    uint32_t stops;
    uint32_t nuls;
};

NameStops name_stops(const unsigned char* p)
{
    static const unsigned char kEnds[] = {'>', ' ', '\n', '\r'};
    static const unsigned char kNul[] = {0};
    return NameStops{bytescan::match16(p, kEnds) | bytescan::match16(p + 16, kEnds) << 16,
                     bytescan::match16(p, kNul) | bytescan::match16(p + 16, kNul) << 16};
}

// Where a name at p ends, when the buffer holds all of it and what ends it
// and it begins as a name does: n bytes, the first a "/" when `closing`.
struct BufferName {
    NameStops at;
    int n;
    int closing;
};

[[gnu::always_inline]] inline bool buffer_name(const unsigned char* p, size_t avail, BufferName* name)
{
    // The name buffer's whole length is copied, after a "/" too.
    static_assert(sizeof g_tag.name == kNameLimit + 1, "the name buffer holds the longest name");
    if (avail <= static_cast<size_t>(kNameLimit) + 1) return false;
    if (!kBytes.start[p[0]]) return false;
    // The name runs to the first byte that ends it, at most kNameLimit
    // bytes (the first byte is never one that ends it).
    name->at = name_stops(p);
    name->n = bytescan::first((name->at.stops & ~1u) | 1u << kNameLimit);
    name->closing = p[0] == '/';
    return true;
}

// The name taken straight from the input buffer when buffer_name can give
// it: the bytes taken and the name stored are those of the byte loop in
// read_name, and its token is looked up. Returns false for the byte loop.
bool name_from_buffer(int* token, bool* space, const KeywordFilter* filter)
{
    const unsigned char* p;
    size_t avail = infile_available(&p);
    BufferName name;
    // Under html5tags "<?" opens a comment, which the byte loop reads.
    if (!buffer_name(p, avail, &name) || (p[0] == '?' && settings.html5tags)) return false;
    NameStops at = name.at;
    int n = name.n;
    int closing = name.closing;
    std::memcpy(g_tag.name, p + closing, sizeof g_tag.name);
    int stored = n - closing;
    g_tag.name[stored] = '\0';
    g_tag.params[0] = '\0';
    g_tag.paramlen = 0;
    g_tag.closing = closing;
    size_t taken = static_cast<size_t>(n);
    if (n < kNameLimit) {
        unsigned char end = p[n];
        ++taken;
        if (end == '>') {
            g_tag.complete = 1;
        } else {
            *space = true;
            g_line += end == '\n';
        }
    }
    infile_skip(taken);
    // The name as a string: a NUL inside it ends it for the look-up. It is
    // looked up where it is in the input: the bytes just stored would have
    // to reach the look-up's loads through the store buffer, which cannot
    // join the terminator and the copy.
    int len = bytescan::first((at.nuls >> closing) | 1u << stored);
    classify(reinterpret_cast<const char*>(p + closing), static_cast<size_t>(len), filter, token);
    return true;
}

int read_name_bytes(int* token, bool* space, const KeywordFilter* filter);

// Reads the tag name after the "<" and looks it up. Returns TOK_NOTHING when
// the "<" began no tag (a comment, a declaration or text), or -1 with the
// name in g_tag and *token its keyword token; *space says whether the name
// ended at a space, which begins the parameters.
int read_name(int* token, bool* space, const KeywordFilter* filter)
{
    *space = false;
    g_tag.closing = 0;
    g_tag.complete = 0;
    g_tag.found = 0;
    g_tag.longparams = 0;
    ++g_tag.serial;
    if (name_from_buffer(token, space, filter)) return -1;
    return read_name_bytes(token, space, filter);
}

// read_name a byte at a time, for the names the buffer cannot give whole.
[[gnu::noinline]] int read_name_bytes(int* token, bool* space, const KeywordFilter* filter)
{
    int n = 0;

    for (;;) {
        int c = infile_getc();
        if (c == EOF) break;
        if (c == '\n') ++g_line;
        if (c == '\n' || c == '\r') c = ' ';
        if (n == 0 && c == '!') {
            if (skip_comment()) return TOK_NOTHING;
        }
        if (n == 0 && c == '?' && settings.html5tags) {
            // A processing instruction is a comment to the next ">".
            while (c != EOF && c != '>') {
                c = infile_getc();
                if (c == '\n') ++g_line;
            }
            return TOK_NOTHING;
        }
        if (n == 0 && !kBytes.start[c]) {
            ddlout_addchar('<');
            ddlout_addchar(c);
            return TOK_NOTHING;
        }
        if (c == '>') {
            g_tag.complete = 1;
            break;
        }
        if (c == ' ') {
            *space = true;
            break;
        }
        g_tag.name[n++] = static_cast<char>(c);
        if (n >= kNameLimit) break;
        n += static_cast<int>(copy_run(kBytes.name, g_tag.name + n, static_cast<size_t>(kNameLimit - n)));
        if (n >= kNameLimit) break;
    }
    g_tag.name[n] = '\0';
    g_tag.params[0] = '\0';
    g_tag.paramlen = 0;
    if (n == 0 && !g_tag.complete && infile_peek() == EOF) {
        // A "<" that is the last byte of the input is text.
        ddlout_addchar('<');
        return TOK_NOTHING;
    }

    return lookup_name(n, token, filter);
}

// One byte of the parameters after a run: line feeds counted, white space
// made a space, a control code reported. Returns the byte to store, or EOF.
int param_byte()
{
    int c = infile_getc();
    if (c == '\n') ++g_line;
    if (c == '\t' || c == '\n' || c == '\r') return ' ';
    if (c < 32) {  // control codes and the end of the input
        if (g_quiet)
            ++g_heldback;
        else
            show_message("Unexpected control code found in parameter of \"<%s>\" (at line %lld).", g_tag.name, g_line);
        return c == EOF ? EOF : ' ';
    }
    return c;
}

// Once the parameters are full, the rest of the tag is read and dropped.
void drop_rest(int c)
{
    while (c != '>' && c != EOF) {
        c = infile_getc();
        if (c == '\n') ++g_line;
    }
}

// Reads the parameters up to and including ">", at most kParamLimit bytes
// of them: into g_tag.params when `keep`, otherwise only read past (the
// same bytes taken, the same lines counted, the same control codes
// reported; the parameters stay empty).
void read_params(bool space, bool keep)
{
    char* buf = keep ? g_tag.params : nullptr;
    int len = 0;
    auto store = [&](int c) {
        if (buf) buf[len] = static_cast<char>(c);
        ++len;
    };
    // The space is kept here rather than given back to the input, which
    // would take the input off its fast path.
    if (space) store(' ');
    for (;;) {
        if (len < kParamLimit)
            len += static_cast<int>(copy_params(buf ? buf + len : nullptr, static_cast<size_t>(kParamLimit - len)));
        int c = param_byte();
        if (c == EOF) {
            if (len < kParamLimit) store(' ');
            break;
        }
        if (len >= kParamLimit) {
            drop_rest(c);
            break;
        }
        store(c);
        if (c == '>') break;
    }
    if (!buf) return;
    g_tag.paramlen = len;
    g_tag.params[len] = '\0';
}

// copy_params for the tokenizer's reading: quotes stop the run as well.
size_t copy_params5(char* dst, size_t room)
{
    static const unsigned char kEnd[] = {'>', '"', '\''};
    return copy_until(dst, room, kEnd);
}

// The bytes of a quoted value up to its closing quote q, at most `room`
// of them, into dst; the quote itself is left.
size_t copy_quoted(char* dst, size_t room, unsigned char q)
{
    const unsigned char stop[] = {q};
    return copy_until(dst, room, stop);
}

// What is past the parameter buffer of a long tag (html5tags): read to the
// tag's own ">" with the tokenizer's states, and kept whole for the
// attribute reader when `keep`, each value up to kAttrValueLimit bytes.
// `c` is the byte just read, not yet stored.
void read_longrest(int state, int c, bool keep, int len)
{
    std::string& rest = g_longparams;
    if (keep) rest.assign(g_tag.params, static_cast<size_t>(len));
    size_t value = 0;  // bytes of the value being read
    bool whole = false;  // the value is a data: URI, kept whole
    while (c != EOF) {
        if (c == '\n') ++g_line;
        unsigned char b = static_cast<unsigned char>(c < 32 ? ' ' : c);
        int next = tagstate_step(state, b);
        if (next >= TAGSTATE_DOUBLE && next <= TAGSTATE_UNQUOTED && state == next) {
            ++value;
        } else {
            value = 0;
            whole = false;
        }
        state = next;
        if (keep && value == kAttrValueLimit + 1) {
            // Where the value began: after its quote, or after the white
            // space or "=" before an unquoted one.
            size_t at = state == TAGSTATE_DOUBLE   ? rest.rfind('"')
                        : state == TAGSTATE_SINGLE ? rest.rfind('\'')
                                                   : rest.find_last_of(" =");
            whole = at != std::string::npos && tagreader_isdatauri(rest.data() + at + 1, rest.size() - at - 1);
        }
        if (keep && (value <= kAttrValueLimit || whole) && rest.size() < kLongTagLimit)
            rest.push_back(static_cast<char>(b));
        if (state == TAGSTATE_END) break;
        c = infile_getc();
    }
    if (keep) g_tag.longparams = 1;
}

// read_params5 when the input buffer holds the whole tag within the
// parameter limit and no control byte but tab, line feed and carriage
// return comes before its end: the bytes are taken at once, the same ones
// the byte loop would take and store. False, with nothing taken, otherwise.
bool params5_buffered(bool space, bool keep)
{
    static const unsigned char kSpaces[] = {'\t', '\n', '\r'};
    static const unsigned char kNl[] = {'\n'};
    const unsigned char* p;
    size_t avail = infile_available(&p);
    size_t room = static_cast<size_t>(kParamLimit) - (space ? 1 : 0);
    size_t m = avail < room ? avail : room;
    // Without a quote before the first ">", that ">" ends the tag: the
    // attributes are found later, when asked for. With one, the states
    // find the end, and the attributes on the way.
    static const unsigned char kGtQuotes[] = {'>', '"', '\''};
    long long counted = 0;
    size_t e = bytescan::scan_to(p, m, kGtQuotes, false, &counted);
    if (e >= m) return false;
    std::vector<TagAttr>* found = nullptr;
    if (p[e] != '>') {
        found = keep ? &g_tagattrs.list : nullptr;
        if (found) found->clear();
        e = tagstate_scan(p, m, found);
        if (e >= m) return false;
    }
    // Control bytes: tab, line feed and carriage return are stored as
    // spaces; any other leaves the tag to the byte loop, which reports it.
    long long lines = 0;
    bool white = false;
    for (size_t i = 0; i < e; i += 16) {
        unsigned below = bytescan::below16(p + i, 0x20) & bytescan::low_bits(e - i);
        if (!below) continue;
        unsigned spaces = bytescan::match16(p + i, kSpaces);
        if (below & ~spaces) return false;
        lines += bytescan::count16(bytescan::match16(p + i, kNl) & below);
        white = true;
    }
    g_line += lines;
    if (keep) {
        char* dst = g_tag.params;
        size_t len = 0;
        if (space) dst[len++] = ' ';
        std::memcpy(dst + len, p, e + 1);
        for (size_t i = 0; white && i < e; i += 16) {
            unsigned below = bytescan::below16(p + i, 0x20) & bytescan::low_bits(e - i);
            for (; below; below &= below - 1) dst[len + i + static_cast<size_t>(bytescan::first(below))] = ' ';
        }
        len += e + 1;
        g_tag.paramlen = static_cast<int>(len);
        g_tag.params[len] = '\0';
        if (found) {
            if (space)
                for (TagAttr& a : *found) ++a.name, ++a.value;
            g_tagattrs.serial = g_tag.serial;
            g_tagattrs.paramlen = g_tag.paramlen;
            g_tagattrs.longparams = 0;
        }
    }
    infile_skip(e + 1);
    return true;
}

// read_params as the HTML standard's tokenizer reads a tag: the tag ends
// at the first ">" outside a quoted value; a value may hold ">", "<" and
// line feeds. The first kParamLimit bytes are kept as read_params keeps
// them; past them, read_longrest. Not kept, the bytes go to a scratch
// buffer, which the states need, and the parameters stay empty.
void read_params5(bool space, bool keep)
{
    if (params5_buffered(space, keep)) return;
    static char scratch[kParamLimit + 1 + 16];
    char* buf = keep ? g_tag.params : scratch;
    int len = 0;
    int scanned = 0;  // buf up to here is in `state`
    int state = TAGSTATE_BEFORENAME;
    if (space) buf[len++] = ' ';
    for (;;) {
        if (len < kParamLimit) len += static_cast<int>(copy_params5(buf + len, static_cast<size_t>(kParamLimit - len)));
        int c = param_byte();
        if (c == EOF) {
            if (len < kParamLimit) buf[len++] = ' ';
            break;
        }
        if (len >= kParamLimit) {
            state = tagstate_run(state, buf + scanned, static_cast<size_t>(len - scanned));
            read_longrest(state, c, keep, len);
            break;
        }
        buf[len++] = static_cast<char>(c);
        if (c == '>') break;
        if (c != '"' && c != '\'') continue;
        state = tagstate_run(state, buf + scanned, static_cast<size_t>(len - scanned));
        scanned = len;
        if (state != TAGSTATE_DOUBLE && state != TAGSTATE_SINGLE) continue;
        // A quoted value, to its closing quote.
        int closed = 0;
        while (!closed) {
            if (len < kParamLimit)
                len += static_cast<int>(
                    copy_quoted(buf + len, static_cast<size_t>(kParamLimit - len), static_cast<unsigned char>(c)));
            int q = param_byte();
            if (q == EOF) break;
            if (len >= kParamLimit) {
                read_longrest(state, q, keep, len);
                len = -1;
                break;
            }
            buf[len++] = static_cast<char>(q);
            closed = q == c;
        }
        if (len < 0 || !closed) {
            if (len < 0)
                len = kParamLimit;
            else if (len < kParamLimit)
                buf[len++] = ' ';
            break;
        }
        state = TAGSTATE_AFTERQUOTED;
        scanned = len;
    }
    if (!keep) return;
    g_tag.paramlen = len;
    g_tag.params[len] = '\0';
}

}  // namespace

LoweredParams::~LoweredParams() { release(); }

bool LoweredParams::take()
{
    size_t n = g_tag.paramlen > 0 ? static_cast<size_t>(g_tag.paramlen) : 0;
    if (n > sizeof g_tag.params - 1) n = sizeof g_tag.params - 1;
    text = static_cast<char*>(mem_claim(n + 1));
    if (!text) return false;
    bytescan::lower_copy(text, g_tag.params, n);
    text[n] = '\0';
    len = tagreader_paramtext();
    return true;
}

void LoweredParams::release()
{
    if (text) mem_release(text);
    text = nullptr;
    len = 0;
}

void tagreader_writemarker(bool italic)
{
    ddlout_flush();
    if (italic) ddlout_command("{italic 0}");
    ddlout_addstring(" [");
    ddlout_flush();
    ddlout_command("{italic 1}");
    ddlout_addchar('<');
    if (g_tag.closing) ddlout_addchar('/');
    ddlout_addstring("%s", g_tag.name);
    if (g_tag.paramlen > 0) ddlout_addstring(" ...");
    ddlout_addchar('>');
    ddlout_flush();
    ddlout_command("{italic 0}");
    ddlout_addstring("] ");
    ddlout_flush();
    if (italic) ddlout_command("{italic 1}");
}

int tagreader_read()
{
    int token = 0;
    bool space = false;
    if (read_name(&token, &space, nullptr) == TOK_NOTHING) return TOK_NOTHING;
    if (g_tag.complete) return token;
    if (settings.html5tags)
        read_params5(space, true);
    else
        read_params(space, true);
    return token;
}

namespace {

// read_tag_before_body for a tag the filter may name, or one that cannot be
// read past at once.
int read_tag_whole(const KeywordFilter& looked_for)
{
    int token = 0;
    bool space = false;
    if (read_name(&token, &space, &looked_for) == TOK_NOTHING) return TOK_NOTHING;
    if (g_tag.complete) return token;
    bool keep = token > 0 && token < TOK_CLOSING;
    if (settings.html5tags)
        read_params5(space, keep);
    else
        read_params(space, keep);
    return token;
}

// A tag whose name the filter rules out, read past at once when the buffer
// holds all of it up to its ">" and nothing in it is a control code (which
// the parameters would report, and a NUL would cut the name): the bytes
// taken and the lines counted are those of the readers above, and the
// token is the unknown one. Returns -1, with nothing taken, otherwise.
int skip_ruledout(const KeywordFilter& filter)
{
    using namespace bytescan;
    static const unsigned char kGt[] = {'>'};
    static const unsigned char kGtQuotes[] = {'>', '"', '\''};
    static const unsigned char kNul[] = {0};
    const unsigned char* p;
    size_t avail = infile_available(&p);
    BufferName name;
    if (!buffer_name(p, avail, &name) || (p[0] == '?' && settings.html5tags)) return -1;
    const char* looked_up = reinterpret_cast<const char*>(p + name.closing);
    if (keyword_mayname(filter, looked_up, name.n - name.closing)) return -1;
    long long lines = 0;
    if (!settings.html5tags) {
        size_t at = scan_to(p, avail, kGt, true, &lines);
        if (at >= avail) return -1;  // no ">" here, or a control byte before it
        g_line += lines;
        infile_skip(at + 1);
        return name.closing * TOK_CLOSING;
    }
    size_t at = scan_to(p, avail, kGtQuotes, true, &lines);
    if (at >= avail) return -1;
    if (p[at] != '>') {
        // Under html5tags a quote may hide a ">": the tag ends where the
        // tokenizer's states end it, read from the name's end as the
        // parameters are read.
        // The bytes before the quote were checked and their lines counted.
        size_t quote = at;
        size_t from = static_cast<size_t>(name.n);
        at = from + tagstate_scan(p + from, avail - from, nullptr);
        if (at >= avail || scan_to(p + quote, at - quote, kNul, true, &lines) != at - quote) return -1;
    }
    g_line += lines;
    infile_skip(at + 1);
    return name.closing * TOK_CLOSING;
}

}  // namespace

int read_tag_before_body(const KeywordFilter& looked_for)
{
    int skipped = skip_ruledout(looked_for);
    if (skipped >= 0) return skipped;
    return read_tag_whole(looked_for);
}

int tagreader_nextlookedfor(const KeywordFilter& looked_for)
{
    for (;;) {
        if (!skip_to_tag()) return -1;
        if (skip_ruledout(looked_for) < 0) return read_tag_whole(looked_for);
    }
}
