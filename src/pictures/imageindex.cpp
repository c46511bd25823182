// The image index built by the first pass: every <img> tag with its file,
// type and size, found again in the conversion pass by its input position.
//
// A page can hold a great many image tags naming a few files, so the index
// keeps two tables: one small record per tag (its position, its size, its
// picture), held in the tracked claim that grows as tags are added, and
// one record per picture (a src value resolved to a path, with a leaf),
// whose file is looked for and classified once, however many tags name it.
#include "pictures/imageindex.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "ddl/ddlout.h"
#include "markup/attributes.h"
#include "markup/tagreader.h"
#include "pictures/pictures.h"
#include "base/platform.h"
#include "resources/config.h"
#include "base/infile.h"
#include "base/memtrace.h"
#include "base/messages.h"
#include "base/runstate.h"

namespace {

const size_t kPathLimit = sizeof(ImageEntry::path) - 1;
const size_t kLeafLimit = sizeof(ImageEntry::leaf) - 1;
const size_t kSrcLimit = 255;  // the attribute reader's longest src value

// Sixteen bytes a tag.
struct ImageTag {
    int64_t offset;  // input position just after the tag
    uint32_t size;  // width | height << 16, 0 when the tag gave none
    uint32_t picture : 31;  // position in g_pictures
    uint32_t unreadable : 1;  // its file could not be opened for the preamble
};
static_assert(sizeof(ImageTag) == 16, "a tag's record stays small");

struct Picture {
    std::string path;  // resolved, or the src value when not resolved
    std::string leaf;
    int readable = 0;
    int type = IMAGE_UNKNOWN;
    int first = 0;  // the first entry naming it, or naming its file
};

struct IdHash {
    size_t operator()(const PlatformFileId& id) const
    {
        return static_cast<size_t>(id.index * 0x9E3779B97F4A7C15ull ^ id.volume);
    }
};

// A src value that could not be resolved is reported at every tag naming it.
struct Resolution {
    int picture;
    bool toolong;
};

ImageTag* g_tags = nullptr;  // position 0 unused
int g_count = 0;
int g_capacity = 0;  // entries that fit, position 0 included
std::vector<Picture> g_pictures;
std::unordered_map<std::string, int> g_bypath;  // path NUL leaf -> picture
std::unordered_map<std::string, Resolution> g_bysrc;  // src NUL leaf -> its picture
// Readable pictures by file identity: other spellings of a file are
// duplicates of the first picture that read it.
std::unordered_map<PlatformFileId, int, IdHash> g_byid;
bool g_ascending = true;  // offsets rise, as a forward pass gives them
bool g_handler = false;
ImageEntry g_view;

std::string key_of(const std::string& a, const std::string& b)
{
    std::string k = a;
    k += '\0';
    k += b;
    return k;
}

// Only the first pass grows the index: the output holds nothing yet, so it
// is deleted as for any input that cannot be converted.
[[noreturn]] void out_of_memory()
{
    show_message("Unable to allocate memory for image reference.");
    ddlout_abandon(61);
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
    void* grown = g_tags ? mem_reclaim(g_tags, static_cast<size_t>(capacity) * sizeof(ImageTag))
                         : mem_claimzero(static_cast<size_t>(capacity), sizeof(ImageTag));
    if (!grown) out_of_memory();
    g_tags = static_cast<ImageTag*>(grown);
    g_capacity = capacity;
}

// Whether the file is the page being converted or the output being written
// (either would embed the run into itself).
bool is_own_file(const PlatformFileId& id)
{
    PlatformFileId own;
    if (infile_fileid(&own) && own == id) return true;
    if (ddlout_outputid(&own) && own == id) return true;
    // Standard input, spooled, may be a file too.
    bool in_std = platform_isstdstream(run_inputpath());
    if (in_std ? platform_fileid(stdin, &own) : platform_pathid(run_inputpath(), &own))
        if (own == id) return true;
    return !platform_isstdstream(run_outputpath()) && platform_pathid(run_outputpath(), &own) && own == id;
}

// The picture's file looked at: only a regular file, not the input or the
// output, is readable; one read before under another spelling makes this
// picture that one's duplicate.
void read_type(Picture& p)
{
    PlatformFileId id;
    FILE* f = platform_openregular(p.path.c_str(), &id);
    if (!f) return;
    if (is_own_file(id)) {
        std::fclose(f);
        return;
    }
    auto seen = g_byid.find(id);
    if (seen != g_byid.end()) {
        std::fclose(f);
        const Picture& earlier = g_pictures[static_cast<size_t>(seen->second)];
        p.readable = earlier.readable;
        p.type = earlier.type;
        p.first = earlier.first;
        return;
    }
    g_byid.emplace(id, static_cast<int>(g_pictures.size()));
    p.readable = 1;
    unsigned char head[4] = {0, 0, 0, 0};
    size_t got = std::fread(head, 1, sizeof head, f);
    (void)got;  // a short file keeps zeros in the missing places
    std::fclose(f);
    p.type = image_filetype(head);
}

// The picture a src value and leaf name, as entry k, stand for: found
// again, or resolved, looked for and classified now.
// A value that was cut is kept apart from the same text given whole, and
// never resolved.
Resolution picture_of(const std::string& src, const std::string& leaf, int k, bool cut)
{
    const int limit = cut ? static_cast<int>(kSrcLimit) : static_cast<int>(kPathLimit);
    std::string srckey = key_of(src, leaf);
    if (cut) srckey.insert(0, 1, '\x01');
    auto known = g_bysrc.find(srckey);
    if (known != g_bysrc.end()) {
        if (known->second.toolong) image_reportlongpath(src.c_str(), limit);
        return known->second;
    }
    std::string path = src;
    bool opens = false, toolong = false;
    if (cut) {
        toolong = true;
        image_reportlongpath(src.c_str(), limit);
    } else if (!settings.disableimages) {
        opens = image_resolve(path, &toolong) != 0;
    }
    std::string pathkey = key_of(path, leaf);
    if (cut) pathkey.insert(0, 1, '\x01');
    auto same = g_bypath.find(pathkey);
    int id;
    if (same != g_bypath.end()) {
        id = same->second;
    } else {
        id = static_cast<int>(g_pictures.size());
        Picture p;
        p.path = path;
        p.leaf = leaf;
        p.first = k;
        if (opens) read_type(p);
        g_pictures.push_back(p);
        g_bypath.emplace(pathkey, id);
    }
    Resolution r{id, toolong};
    g_bysrc.emplace(srckey, r);
    return r;
}

}  // namespace

int image_count() { return g_count; }

const ImageEntry* image_entry(int i)
{
    if (i < 1 || i > g_count) return nullptr;
    const ImageTag& t = g_tags[i];
    const Picture& p = g_pictures[t.picture];
    ImageEntry& e = g_view;
    std::memset(&e, 0, sizeof e);
    std::memcpy(e.path, p.path.c_str(), p.path.size() + 1);
    std::memcpy(e.leaf, p.leaf.c_str(), p.leaf.size() + 1);
    e.readable = p.readable && !t.unreadable;
    e.type = p.type;
    if (t.size) {
        e.sizeknown = 1;
        e.width = static_cast<int32_t>(t.size & 0xFFFF);
        e.height = static_cast<int32_t>((t.size >> 16) & 0xFFFF);
    }
    e.offset = t.offset;
    e.duplicate = p.first < i ? p.first : 0;
    return &e;
}

void image_setunreadable(int i)
{
    if (i >= 1 && i <= g_count) g_tags[i].unreadable = 1;
}

void image_release()
{
    if (g_tags) mem_release(g_tags);
    g_tags = nullptr;
    g_count = g_capacity = 0;
    g_pictures.clear();
    g_bypath.clear();
    g_bysrc.clear();
    g_byid.clear();
    g_ascending = true;
}

int image_addentry(const char* src, const char* leaf, unsigned size, long long offset, bool cut)
{
    int k = g_count + 1;
    // Registered before the first claim, so that a failed growth still
    // releases what was claimed.
    if (!g_handler) {
        std::atexit(image_release);
        g_handler = true;
    }
    make_room(k);
    std::string s = src ? src : "";
    std::string l = leaf ? leaf : "";
    if (s.size() > kPathLimit) s.resize(kPathLimit);
    if (l.size() > kLeafLimit) l.resize(kLeafLimit);

    ImageTag& t = g_tags[k];
    t.offset = offset;
    t.size = size;
    t.unreadable = 0;
    t.picture = static_cast<uint32_t>(picture_of(s, l, k, cut).picture);
    if (k > 1 && offset <= g_tags[k - 1].offset) g_ascending = false;
    g_count = k;
    return k;
}

void image_index()
{
    std::string src = subparse_src(0);
    bool cut = subparse_srccut();
#ifndef _WIN32
    src = image_srcspelling(g_tag.params, src.c_str());
#endif
    std::string leaf = subparse_src(1);
    unsigned size = subparse_dimensions();
    image_addentry(src.c_str(), leaf.c_str(), size, infile_tell(), cut);
}

int image_find(long long offset)
{
    if (!g_ascending) {
        for (int i = g_count; i >= 1; --i)
            if (g_tags[i].offset == offset) return i;
        return 0;
    }
    int lo = 1, hi = g_count;  // the last entry at or below offset
    int at = 0;
    while (lo <= hi) {
        int mid = lo + (hi - lo) / 2;
        if (g_tags[mid].offset <= offset) {
            at = mid;
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    return (at && g_tags[at].offset == offset) ? at : 0;
}
