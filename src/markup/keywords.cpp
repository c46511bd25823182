#include "markup/keywords.h"

#include <cstdint>
#include <cstring>

#include "base/bytescan.h"

// Row 0 is the empty name; the "zorbit" row ends every table.
const KeywordEntry kDramatonKeywords[] = {
    {"", 0},
    {"act", DRM_ACT},
    {"actorlist", DRM_ACTORLIST},
    {"adbreak", DRM_ADBREAK},
    {"address", DRM_ADDRESS},
    {"author", DRM_AUTHOR},
    {"b", DRM_B},
    {"begin", DRM_BEGIN},
    {"br", DRM_BR},
    {"chapter", DRM_CHAPTER},
    {"continue", DRM_CONTINUE},
    {"copyright", DRM_COPYRIGHT},
    {"date", DRM_DATE},
    {"defactor", DRM_DEFACTOR},
    {"defactress", DRM_DEFACTRESS},
    {"dia", DRM_DIA},
    {"dir", DRM_DIR},
    {"episode", DRM_EPISODE},
    {"finished", DRM_FINISHED},
    {"i", DRM_I},
    {"ind", DRM_IND},
    {"loc", DRM_LOC},
    {"newpage", DRM_NEWPAGE},
    {"omit", DRM_OMIT},
    {"p", DRM_P},
    {"prop", DRM_PROP},
    {"revised", DRM_REVISED},
    {"scene", DRM_SCENE},
    {"scenelist", DRM_SCENELIST},
    {"sfx", DRM_SFX},
    {"started", DRM_STARTED},
    {"target", DRM_TARGET},
    {"telephone", DRM_TELEPHONE},
    {"title", DRM_TITLE},
    {"u", DRM_U},
    {"zorbit", kKeywordEnd},
};

const KeywordEntry* g_keywordhtml = nullptr;

namespace {

// A table's names in a small open-addressed hash, built on first use: every
// tag is looked up, and comparing it with each row in turn was the largest
// cost of a conversion. The hash gives the scan's answer, the first row
// with the name: a later row with the same name is never entered.
//
// Names are held as two eight-byte words, zero after the name, so that a
// look-up compares a whole name at once instead of a byte at a time.
const size_t kSlots = 2 * kKeywordMaxRows;  // a power of two, over twice any table
static_assert((kSlots & (kSlots - 1)) == 0 && kSlots <= 256, "the hash's eight bits index the slots");
const size_t kNameBytes = sizeof(KeywordEntry::name);
static_assert(kNameBytes < 16, "a row's name fits the two words");
// Every table has its index: each fits one, and the words are read in
// little-endian order.
static_assert(sizeof kDramatonKeywords / sizeof kDramatonKeywords[0] <= kKeywordMaxRows,
              "the script table fits its index");
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "names are held as little-endian words");

struct Slot {
    uint64_t word[2];
    unsigned short row;  // row number + 1; 0 is an empty slot
};

struct KeywordIndex {
    const KeywordEntry* table = nullptr;
    Slot slot[kSlots] = {};
};

KeywordIndex g_indexes[4];  // one for each table

// The slot a name starts from, from its two words (lower case, zero after
// the name): a multiplicative hash of all of its bytes.
size_t name_hash(const uint64_t* word)
{
    uint64_t h = word[0] * 0x9E3779B97F4A7C15ull ^ word[1] * 0xC2B2AE3D27D4EB4Full;
    return static_cast<size_t>((h ^ (h >> 29)) >> 56) & (kSlots - 1);
}

// The sixteen bytes at p as two words with A to Z made lower case and the
// bytes from n on made zero (n below 16).
void fold_words(const unsigned char* p, size_t n, uint64_t* word)
{
    for (int k = 0; k < 2; ++k) {
        uint64_t w = bytescan::lower8(bytescan::load8(p + 8 * k));
        // Keep the bytes below n in this word (little-endian order).
        size_t keep = n > 8 * static_cast<size_t>(k) ? n - 8 * static_cast<size_t>(k) : 0;
        uint64_t mask = keep >= 8 ? ~0ull : (1ull << (8 * keep)) - 1;
        word[k] = w & mask;
    }
}

// The rows of a table, the sentinel excluded.
size_t row_count(const KeywordEntry* table)
{
    size_t n = 0;
    while (table[n].token != kKeywordEnd) ++n;
    return n;
}

void build(KeywordIndex& ix, const KeywordEntry* table)
{
    ix.table = table;
    size_t rows = row_count(table);
    for (size_t r = 0; r < rows; ++r) {
        const char* name = table[r].name;
        size_t n = 0;
        while (n < kNameBytes && name[n]) ++n;
        if (n == kNameBytes) continue;  // no looked-up name can equal a row without a terminator
        unsigned char padded[16] = {};
        std::memcpy(padded, name, n);
        // A row is compared as it stands: one with a capital letter is
        // never matched, as by the scan.
        uint64_t word[2];
        std::memcpy(word, padded, sizeof word);
        uint64_t folded[2];
        fold_words(padded, n, folded);
        if (folded[0] != word[0] || folded[1] != word[1]) continue;
        size_t h = name_hash(word);
        bool present = false;
        while (ix.slot[h].row) {
            if (ix.slot[h].word[0] == word[0] && ix.slot[h].word[1] == word[1]) {
                present = true;
                break;
            }
            h = (h + 1) & (kSlots - 1);
        }
        if (!present) {
            ix.slot[h].word[0] = word[0];
            ix.slot[h].word[1] = word[1];
            ix.slot[h].row = static_cast<unsigned short>(r + 1);
        }
    }
}

// The index of a table, built when it is first asked for.
const KeywordIndex* index_of(const KeywordEntry* table)
{
    for (KeywordIndex& ix : g_indexes) {
        if (ix.table == table) return &ix;
        if (!ix.table) {
            build(ix, table);
            return &ix;
        }
    }
    return nullptr;  // only the four tables are ever looked up
    // (A null table, before one is handed down, finds an index not yet
    // built, whose slots are all empty: nothing is found.)
}

}  // namespace

void keyword_sethtml(const KeywordEntry* table) { g_keywordhtml = table; }

int keyword_lookupn(const KeywordEntry* table, const char* name16, size_t n)
{
    // One longer than any row can hold matches none.
    if (n >= kNameBytes) return 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(name16);
    const KeywordIndex* ix = index_of(table);
    if (!ix) return 0;
    uint64_t word[2];
    fold_words(p, n, word);
    for (size_t h = name_hash(word); ix->slot[h].row; h = (h + 1) & (kSlots - 1)) {
        const Slot& s = ix->slot[h];
        if (((s.word[0] ^ word[0]) | (s.word[1] ^ word[1])) == 0) return table[s.row - 1].token;
    }
    return 0;
}

int keyword_lookup(const KeywordEntry* table, const char* name)
{
    char name16[16] = {};
    size_t n = 0;
    while (n < kNameBytes && name[n]) {
        name16[n] = name[n];
        ++n;
    }
    return keyword_lookupn(table, name16, n);
}

void keyword_filter(const KeywordEntry* table, const int* tokens, KeywordFilter* filter)
{
    std::memset(filter, 0, sizeof *filter);
    for (const KeywordEntry* row = table; row->token != kKeywordEnd; ++row) {
        bool listed = false;
        for (const int* t = tokens; *t; ++t) listed = listed || row->token == *t;
        static_assert(kNameBytes <= 16, "a name's length is a bit of the filter");
        size_t n = strnlen(row->name, kNameBytes);
        if (!listed || n == 0 || n == kNameBytes) continue;
        unsigned char c = static_cast<unsigned char>(row->name[0]);
        filter->first[c] |= static_cast<unsigned short>(1u << n);
        if (c >= 'a' && c <= 'z') filter->first[c - 32] |= static_cast<unsigned short>(1u << n);
    }
}
