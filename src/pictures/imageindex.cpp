// The image index built by the first pass: every <img> tag with its file,
// type and size, found again in the conversion pass by its input position.
#include "pictures/imageindex.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ddl/ddlout.h"
#include "html/attributes.h"
#include "html/tagreader.h"
#include "pictures/pictures.h"
#include "platform/platform.h"
#include "resources/config.h"
#include "run/infile.h"
#include "run/memtrace.h"
#include "run/messages.h"
#include "run/runstate.h"

namespace {

ImageEntry* g_entries = nullptr;  // position 0 unused
int g_count = 0;
int g_capacity = 0;               // entries that fit, position 0 included
int32_t* g_buckets = nullptr;     // hash bucket heads (entry numbers)
uint32_t g_bucketcount = 0;       // a power of two
bool g_ascending = true;          // offsets rise, as a forward pass gives them
bool g_handler = false;

// FNV-1a over path, a NUL, then leaf.
uint32_t entry_hash(const ImageEntry& e)
{
    uint32_t h = 2166136261u;
    for (const char* p = e.path; *p; ++p) h = (h ^ static_cast<unsigned char>(*p)) * 16777619u;
    h = (h ^ 0u) * 16777619u;
    for (const char* p = e.leaf; *p; ++p) h = (h ^ static_cast<unsigned char>(*p)) * 16777619u;
    return h;
}

void bucket_insert(int k)
{
    ImageEntry& e = g_entries[k];
    uint32_t b = e.hash & (g_bucketcount - 1);
    e.chain = g_buckets[b];
    g_buckets[b] = k;
}

// Only the first pass grows the index: the output holds nothing yet, so it
// is deleted as for any input that cannot be converted.
[[noreturn]] void out_of_memory()
{
    show_message("Unable to allocate memory for image reference.");
    ddlout_close();
    platform_deletefile(run_outputpath());
    std::exit(61);
}

// Room for entry k. The claim grows by doubling, so that thousands of
// images do not copy the index thousands of times.
void make_room(int k)
{
    if (k < g_capacity) return;
    int capacity = g_capacity ? g_capacity : 8;
    while (capacity <= k) {
        if (capacity > (1 << 28)) out_of_memory();
        capacity *= 2;
    }
    void* grown = g_entries ? mem_reclaim(g_entries, static_cast<size_t>(capacity) * sizeof(ImageEntry))
                            : mem_claimzero(static_cast<size_t>(capacity), sizeof(ImageEntry));
    if (!grown) out_of_memory();
    g_entries = static_cast<ImageEntry*>(grown);
    g_capacity = capacity;

    uint32_t buckets = static_cast<uint32_t>(capacity) * 2;
    if (g_buckets) mem_release(g_buckets);
    g_buckets = static_cast<int32_t*>(mem_claimzero(buckets, sizeof(int32_t)));
    if (!g_buckets) out_of_memory();
    g_bucketcount = buckets;
    for (int i = 1; i <= g_count; ++i) bucket_insert(i);
}

void read_type(ImageEntry& e)
{
    FILE* f = std::fopen(e.path, "rb");
    if (!f) return;
    e.readable = 1;
    unsigned char head[4] = {0, 0, 0, 0};
    size_t got = std::fread(head, 1, sizeof head, f);
    (void)got;  // a short file keeps zeros in the missing places
    std::fclose(f);
    e.type = image_filetype(head);
}

}  // namespace

int image_count() { return g_count; }

ImageEntry* image_entry(int i)
{
    return (i >= 1 && i <= g_count) ? &g_entries[i] : nullptr;
}

void image_release()
{
    if (g_entries) mem_release(g_entries);
    if (g_buckets) mem_release(g_buckets);
    g_entries = nullptr;
    g_buckets = nullptr;
    g_count = g_capacity = 0;
    g_bucketcount = 0;
    g_ascending = true;
}

int image_addentry(const char* src, const char* leaf, unsigned size, long offset)
{
    int k = g_count + 1;
    // Registered before the first claim, so that a failed growth still
    // releases what was claimed.
    if (!g_handler) {
        std::atexit(image_release);
        g_handler = true;
    }
    make_room(k);
    ImageEntry& e = g_entries[k];
    std::memset(&e, 0, sizeof e);
    std::snprintf(e.path, sizeof e.path, "%s", src ? src : "");
    std::snprintf(e.leaf, sizeof e.leaf, "%s", leaf ? leaf : "");
    if (size) {
        e.sizeknown = 1;
        e.width = static_cast<int32_t>(size & 0xFFFF);
        e.height = static_cast<int32_t>((size >> 16) & 0xFFFF);
    }
    e.offset = offset;
    if (k > 1 && offset <= g_entries[k - 1].offset) g_ascending = false;
    g_count = k;  // image_resolve reaches the entry by its number

    if (!settings.disableimages && image_resolve(k)) read_type(e);

    e.hash = entry_hash(e);
    for (int j = g_buckets[e.hash & (g_bucketcount - 1)]; j; j = g_entries[j].chain) {
        const ImageEntry& o = g_entries[j];
        if (o.hash == e.hash && !std::strcmp(o.path, e.path) && !std::strcmp(o.leaf, e.leaf)) {
            // The chain runs from the newest entry back; a match's own
            // duplicate, if any, is the first entry of all.
            e.duplicate = o.duplicate ? o.duplicate : j;
            break;
        }
    }
    bucket_insert(k);
    return k;
}

void image_index()
{
    std::string src = subparse_src(0);
#ifndef _WIN32
    src = image_srcspelling(g_tag.params, src.c_str());
#endif
    std::string leaf = subparse_src(1);
    unsigned size = subparse_dimensions();
    image_addentry(src.c_str(), leaf.c_str(), size, infile_tell());
}

int image_find(long offset)
{
    if (!g_ascending) {
        for (int i = g_count; i >= 1; --i)
            if (g_entries[i].offset == offset) return i;
        return 0;
    }
    int lo = 1, hi = g_count;  // the last entry at or below offset
    int at = 0;
    while (lo <= hi) {
        int mid = lo + (hi - lo) / 2;
        if (g_entries[mid].offset <= offset) {
            at = mid;
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    return (at && g_entries[at].offset == offset) ? at : 0;
}
