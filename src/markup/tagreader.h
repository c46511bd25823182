// The tag reader: consumes a tag after its "<", classifies it through the
// HTML keyword table and leaves its name and parameters for the handlers.
#pragma once

#include <cstddef>
#include <string>

#include "base/bytescan.h"
#include "markup/keywords.h"
#include "markup/tagstate.h"

// The most bytes of a tag's parameters that are kept; the rest of a longer
// tag is read past.
const int kParamLimit = 511;

struct TagBuffers {
    char name[32];  // at most 31 characters, without a leading "/"
    char params[kParamLimit + 1];  // everything after the name up to and including ">"
    int paramlen;
    int closing;  // the name began with "/"
    int complete;  // ">" ended the name: no parameters
    int found;  // the name is in the keyword table
    int longparams;  // html5tags: the parameters passed the buffer; g_longparams holds them whole
    unsigned serial;  // counts the tags read, for the readers that keep what they found in one
};

// Under html5tags, a tag longer than the parameter buffer is kept whole
// here for the attribute reader, each value up to kAttrValueLimit bytes
// (the rest of a longer value is read past), the tag up to kLongTagLimit.
const size_t kAttrValueLimit = 65536;
const size_t kLongTagLimit = 16u << 20;
extern std::string g_longparams;

// Whether the n bytes at p begin a data: URI (the scheme in any case):
// such a value is kept whole, up to kLongTagLimit, for the pictures.
bool tagreader_isdatauri(const char* p, size_t n);

// The attributes of a tag's parameters (g_tag.params, or g_longparams when
// it holds them), for the tag of `serial` with those parameters: filled by
// the tag reader when its reading of the tag found them, else by the
// attribute reader when first asked.
struct TagAttrs {
    unsigned serial = ~0u;
    int paramlen = -1;
    int longparams = -1;
    std::vector<TagAttr> list;
};
extern TagAttrs g_tagattrs;

extern TagBuffers g_tag;

// The length of the parameters as a string (a NUL inside them ends it):
// what the lower-cased copies that the attribute readers take hold.
size_t tagreader_paramtext();

// The number of the input line being read.
extern long long g_line;  // 64 bits: an input may hold more than 2^31 lines

// After "<!--": reads up to and including the first "->" (line feeds
// counted); false when the input ends first.
bool tagreader_skipcommentbody();

// A claimed copy of the tag's parameters with A to Z made lower case and a
// NUL after them, for the readers that search them for words; released
// with the object.
class LoweredParams {
public:
    LoweredParams() = default;
    ~LoweredParams();
    LoweredParams(const LoweredParams&) = delete;
    LoweredParams& operator=(const LoweredParams&) = delete;

    // Claims and fills the copy; false when the claim failed.
    bool take();
    // Releases the copy before the object goes.
    void release();
    // Where the k bytes of word first occur in the text, or null.
    const char* find(const char* word, size_t k) const { return bytescan::find(text, len, word, k); }
    template <size_t K>
    const char* find(const char (&word)[K]) const
    {
        return find(word, K - 1);
    }

    char* text = nullptr;
    size_t len = 0;  // its length as a string: a NUL in the parameters ends it
};

// Writes the marker of the tag just read into the text: " [<name ...>] "
// with the tag in italics; `italic` says that italics are on around it.
void tagreader_writemarker(bool italic);

// Called just after a "<" was read: reads the tag into g_tag and returns
// its TagToken as the keyword table gives it.
int tagreader_read();

// tagreader_read for the reading before the body that looks for a few
// tags only: a name the filter rules
// out reads as unknown, and only an opening tag that is known keeps its
// parameters. The others' are read past, with the same lines counted and
// the same messages shown.
int read_tag_before_body(const KeywordFilter& looked_for);

// Reads up to and including the next "<", counting line feeds; false when
// the input ends first. For the loops that look only at tags.
bool tagreader_skiptotag();

// The loop of tagreader_skiptotag and read_tag_before_body in one: reads on
// to the next tag that the filter does not rule out and returns what
// read_tag_before_body returns for it, or -1 when the input ends first.
int tagreader_nextlookedfor(const KeywordFilter& looked_for);

// Whether the driver is still before the body (no comment lines, unknown
// tags or translation then). Set by the driver.
void tagreader_setprebody(int on);
int tagreader_prebody();

// While quiet, the warnings about control codes in the parameters are not
// shown but counted, for a reading that another one repeats with them
// shown. Switching it on clears the count.
void tagreader_setquiet(int on);
// The warnings held back since quiet was last switched on.
int tagreader_heldback();
