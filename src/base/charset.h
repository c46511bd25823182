// Pages in UTF-8, UTF-16 and the Windows-1252 / ISO-8859-15 sets read into
// the host's 8-bit character set: Latin-1's upper half as itself, with the
// typographic quotes U+2018, U+2019, U+201C and U+201D at 0x90, 0x91, 0x94
// and 0x95, and a spelling for the characters that have none.
#pragma once

#include <cstddef>
#include <cstdint>

enum Charset { CHARSET_UTF8, CHARSET_UTF16LE, CHARSET_UTF16BE, CHARSET_WIN1252, CHARSET_ISO885915 };

// The host form of a code point, written to out (room for 4 bytes): its
// length (0 for a character that is dropped, such as a zero-width space),
// or -1 when it has none. The C1 controls U+0080-U+009F are read as a
// space, as the control bytes of a page are.
int host_spell(uint32_t code, char* out);
// The character of a Windows-1252 byte (the five bytes it leaves undefined
// as the C1 control of their value).
uint32_t charset_win1252(unsigned char b);

// The set named by a byte order mark at the start of the n bytes at p, and
// the mark's length; 0 when there is none.
size_t charset_bom(const unsigned char* p, size_t n, Charset* cs);
// The name declared by a <meta charset=...> or <meta http-equiv=...
// content="...; charset=..."> within the first 1024 of the n bytes at p,
// as written (at most size - 1 bytes); false when there is none.
bool charset_declared(const unsigned char* p, size_t n, char* name, size_t size);
// The set of a declared name (case does not count); false for a name that
// is not read.
bool charset_fromname(const char* name, Charset* cs);

// Whether a stream of bytes is UTF-8 that holds a multi-byte sequence,
// fed a block at a time.
class Utf8Check {
public:
    void feed(const unsigned char* p, size_t n);
    // False once a byte broke the encoding: nothing after it can help.
    bool possible() const { return valid_; }
    bool result() const { return valid_ && need_ == 0 && multibyte_; }

private:
    int need_ = 0;  // continuation bytes still to come
    unsigned char lo_ = 0x80, hi_ = 0xBF;  // the range of the next one
    bool valid_ = true;
    bool multibyte_ = false;
};

// The transcoder of one input: bytes in its set to host bytes. A character
// without a host form becomes, in page text, the reference "&#x4E2D;" (read
// later by the page's reference reader); inside a tag's "<...>", inside
// <title> and in a script (everything after a <dramaton> tag, or the whole
// of a script's continuation) it becomes '?', counted in unmapped().
class Transcoder {
public:
    // The room that out must have for n bytes in: kGrowth * n + kGrowth.
    static const size_t kGrowth = 10;
    static const size_t kHeld = 14;

    Transcoder(Charset cs, bool script) : cs_(cs), script_(script) {}
    // Decodes the n bytes at p into out; *produced is set to the bytes
    // written. Returns the bytes taken: all but a sequence cut at the end
    // (three bytes at most) and a tag's name that may go on after it
    // (eleven at most), which are to come again at the start of the next
    // call, unless `last` says no more follow.
    size_t decode(const unsigned char* p, size_t n, bool last, unsigned char* out, size_t* produced);
    long long unmapped() const { return unmapped_; }

private:
    unsigned char* emit(uint32_t code, unsigned char* o, size_t at);
    void track(const unsigned char* p, size_t n);
    void settle(size_t upto);
    size_t decode_utf8(const unsigned char* p, size_t n, bool last, unsigned char*& o);
    size_t decode_utf16(const unsigned char* p, size_t n, bool last, unsigned char*& o);
    size_t decode_8bit(const unsigned char* p, size_t n, unsigned char*& o);

    Charset cs_;
    bool script_;
    // The byte-wise sets find the context of a character only when it
    // needs one (settle), from the raw input of the call, in_; the context
    // is that of in_[mark_]. UTF-16 follows it a character at a time
    // (track).
    const unsigned char* in_ = nullptr;
    size_t mark_ = 0;
    bool in_tag_ = false;
    bool naming_ = false;  // reading the name of the tag just opened
    bool in_title_ = false;
    char name_[10] = {};
    size_t namelen_ = 0;
    long long unmapped_ = 0;
};

// The count of this page's characters without a host form (the input's and
// its continuations', in the transcoder's '?' and the reference reader's
// markers), and its message at the end of the page's reading.
void charset_addunmapped(long long n);
void charset_resetunmapped();
void charset_reportunmapped();
