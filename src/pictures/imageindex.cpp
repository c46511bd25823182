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
#include "markup/attrreader.h"
#include "markup/tagreader.h"
#include "pictures/picturepick.h"
#include "pictures/pictures.h"
#include "base/pagefiles.h"
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

// Only the first pass grows the index: the output holds nothing yet, so it
// is deleted as for any input that cannot be converted.
[[noreturn]] void out_of_memory()
{
    show_message("Unable to allocate memory for image reference.");
    ddlout_abandon(61);
}

// Every name the index keeps (src values, leaves, resolved paths, the
// folders resolved paths start with) is a NUL-ended text in one block;
// records refer to them by position.
std::vector<char> g_text;

uint32_t add_text(const char* s, size_t n)
{
    if (g_text.size() + n + 1 > UINT32_MAX) out_of_memory();
    uint32_t at = static_cast<uint32_t>(g_text.size());
    g_text.insert(g_text.end(), s, s + n);
    g_text.push_back('\0');
    return at;
}

const char* text_at(uint32_t at) { return g_text.data() + at; }

// Sixteen bytes a picture: a resolved path is kept as a folder and the
// rest, which is the src value itself in the usual case and then shares
// its text.
struct Picture {
    uint32_t tail;  // the path after its folder
    uint32_t leaf;
    int32_t first;  // the first entry naming it, or naming its file
    uint16_t folder;  // position in g_folders (0: none)
    uint8_t readable;
    uint8_t type : 7;
    uint8_t cut : 1;  // its src value was cut: kept apart, never resolved
};
static_assert(sizeof(Picture) == 16, "a picture's record stays small");

// Eight bytes a src value (with its leaf, as a tag gave them): the text
// "F src NUL leaf NUL", F telling a cut value from a whole one.
struct Source {
    uint32_t key;
    uint32_t picture : 31;
    uint32_t toolong : 1;  // reported at every tag naming it
};
static_assert(sizeof(Source) == 8, "a src value's record stays small");

// Position + 1 of each record, by a hash of its key; open addressing, at
// most three quarters full.
struct Slots {
    std::vector<uint32_t> slot;
    size_t used = 0;
};

const char kWhole = 2, kCut = 1;

std::vector<Picture> g_pictures;
std::vector<Source> g_sources;
std::vector<std::string> g_folders;  // position 0 unused
std::unordered_map<std::string, uint16_t> g_folderpos;
Slots g_bysrc;  // Source by key
Slots g_bypath;  // Picture by path, leaf and cut mark
// Readable pictures by file identity: other spellings of a file are
// duplicates of the first picture that read it.
struct IdRecord {
    PlatformFileId id;
    int32_t picture;
};
std::vector<IdRecord> g_ids;
Slots g_byid;  // IdRecord by identity
// Under the pictures setting, what the first pass read of each picture
// (by position in g_pictures), the bytes of data: pictures, and each
// tag's own reason to be left out (by entry).
struct PictureInfo {
    PictureHeader header;
    PlatformFileId id;
    bool hasheader = false;
    bool hasid = false;
    uint8_t loss = LOSS_NONE;
};
std::vector<PictureInfo> g_info;
std::unordered_map<uint32_t, std::string> g_data;
std::vector<uint8_t> g_tagloss;
std::vector<uint32_t> g_tagsize;  // width | height << 16, by entry
ImageTag* g_tags = nullptr;  // position 0 unused
int g_count = 0;
int g_capacity = 0;  // entries that fit, position 0 included
bool g_ascending = true;  // offsets rise, as a forward pass gives them
bool g_handler = false;
ImageEntry g_view;

struct Hash {
    uint64_t h = 1469598103934665603ull;
    void add(const char* s, size_t n)
    {
        for (size_t i = 0; i < n; ++i) h = (h ^ static_cast<unsigned char>(s[i])) * 1099511628211ull;
    }
    void add(char c) { add(&c, 1); }
};

// The slot of the record `equal` accepts among those of hash h, or the
// empty slot where it goes.
template <class Equal>
uint32_t& find_slot(Slots& t, uint64_t h, Equal equal)
{
    size_t mask = t.slot.size() - 1;
    for (size_t i = static_cast<size_t>(h) & mask;; i = (i + 1) & mask) {
        uint32_t& s = t.slot[i];
        if (!s || equal(s - 1)) return s;
    }
}

// Room for one more record in t; `rehash` gives a record's hash.
template <class Rehash>
void make_slots(Slots& t, Rehash rehash)
{
    if ((t.used + 1) * 4 <= t.slot.size() * 3) return;
    std::vector<uint32_t> old;
    old.swap(t.slot);
    t.slot.assign(old.empty() ? 64 : old.size() * 2, 0);
    size_t mask = t.slot.size() - 1;
    for (uint32_t s : old) {
        if (!s) continue;
        size_t i = static_cast<size_t>(rehash(s - 1)) & mask;
        while (t.slot[i]) i = (i + 1) & mask;
        t.slot[i] = s;
    }
}

uint64_t source_hash(const char* key)
{
    Hash h;
    size_t n = std::strlen(key) + 1;
    h.add(key, n + std::strlen(key + n));
    return h.h;
}

const std::string& folder_of(const Picture& p) { return g_folders[p.folder]; }

uint64_t path_hash(const std::string& folder, const char* tail, const char* leaf, bool cut)
{
    Hash h;
    h.add(folder.data(), folder.size());
    h.add(tail, std::strlen(tail));
    h.add('\0');
    h.add(leaf, std::strlen(leaf));
    h.add(cut ? kCut : kWhole);
    return h.h;
}

uint64_t picture_hash(uint32_t i)
{
    const Picture& p = g_pictures[i];
    return path_hash(folder_of(p), text_at(p.tail), text_at(p.leaf), p.cut);
}

// The folder a resolved path starts with when the rest is `src` itself,
// kept once for every picture that shares it; 0 when the path is kept
// whole.
uint16_t folder_for(const std::string& path, const std::string& src, std::string* folder)
{
    folder->clear();
    if (src.empty() || path.size() <= src.size() || path.compare(path.size() - src.size(), src.size(), src) != 0)
        return 0;
    folder->assign(path, 0, path.size() - src.size());
    auto known = g_folderpos.find(*folder);
    if (known != g_folderpos.end()) return known->second;
    if (g_folders.size() > 0xFFFF) {
        folder->clear();
        return 0;
    }
    uint16_t at = static_cast<uint16_t>(g_folders.size());
    g_folders.push_back(*folder);
    g_folderpos.emplace(*folder, at);
    return at;
}

uint64_t id_hash(const PlatformFileId& id)
{
    return id.index * 0x9E3779B97F4A7C15ull ^ (id.volume * 0xC2B2AE3D27D4EB4Full);
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

// Picture `at`'s file looked at: only a regular file, not the input or
// the output, is readable; one read before under another spelling makes
// this picture that one's duplicate.
int type_of(const PictureHeader& h)
{
    switch (h.format) {
    case PICFMT_GIF: return IMAGE_GIF;
    case PICFMT_JPEG: return IMAGE_JPEG;
    case PICFMT_PNG: return IMAGE_PNG;
    case PICFMT_WEBP: return IMAGE_WEBP;
    default: return IMAGE_OTHER;
    }
}

PictureInfo& info_of(uint32_t at)
{
    if (g_info.size() <= at) g_info.resize(at + 1);
    return g_info[at];
}

// The file looked at through the page-folder reader: its identity, its
// header, or why it cannot be read.
const size_t kHeadBytes = 64u << 10;

FILE* open_forpage(uint32_t at, const std::string& path, PlatformFileId* id)
{
    PageFile f;
    PageFileResult r = pagefile_open(path.c_str(), &f);
    if (r != PAGEFILE_OPENED) {
        info_of(at).loss = r == PAGEFILE_OUTSIDE ? LOSS_OUTSIDE : LOSS_NOTFOUND;
        return nullptr;
    }
    *id = f.id;
    return f.file;
}

void read_type(uint32_t at, const std::string& path)
{
    PlatformFileId id;
    FILE* f = settings.pictures ? open_forpage(at, path, &id) : platform_openregular(path.c_str(), &id);
    if (!f) return;
    if (is_own_file(id)) {
        std::fclose(f);
        return;
    }
    make_slots(g_byid, [](uint32_t i) { return id_hash(g_ids[i].id); });
    uint32_t& slot = find_slot(g_byid, id_hash(id), [&](uint32_t i) { return g_ids[i].id == id; });
    Picture& p = g_pictures[at];
    if (slot) {
        std::fclose(f);
        const Picture& earlier = g_pictures[static_cast<size_t>(g_ids[slot - 1].picture)];
        p.readable = earlier.readable;
        p.type = earlier.type;
        p.first = earlier.first;
        if (settings.pictures) info_of(at) = info_of(static_cast<uint32_t>(g_ids[slot - 1].picture));
        return;
    }
    g_ids.push_back(IdRecord{id, static_cast<int32_t>(at)});
    slot = static_cast<uint32_t>(g_ids.size());
    ++g_byid.used;
    p.readable = 1;
    if (settings.pictures) {
        PictureInfo& info = info_of(at);
        info.id = id;
        info.hasid = true;
        std::vector<unsigned char> head(kHeadBytes);
        size_t n = std::fread(head.data(), 1, head.size(), f);
        std::fclose(f);
        info.hasheader = pictureheader_read(head.data(), n, &info.header);
        p.type = static_cast<uint8_t>(type_of(info.header));
        return;
    }
    unsigned char head[4] = {0, 0, 0, 0};
    size_t got = std::fread(head, 1, sizeof head, f);
    (void)got;  // a short file keeps zeros in the missing places
    std::fclose(f);
    p.type = static_cast<uint8_t>(image_filetype(head) & 0x7F);
}

// The picture of the resolved `path` with `leaf`, found again or added (as
// entry k's); `opens` asks for its file to be looked at.
uint32_t picture_for(const std::string& path, const std::string& src, uint32_t srcat, uint32_t leafat, int k, bool cut,
                     bool opens)
{
    std::string folder;
    uint16_t fpos = folder_for(path, src, &folder);
    const char* tail = fpos ? src.c_str() : path.c_str();
    const char* leaf = text_at(leafat);
    make_slots(g_bypath, picture_hash);
    uint64_t h = path_hash(folder, tail, leaf, cut);
    uint32_t& slot = find_slot(g_bypath, h, [&](uint32_t i) {
        const Picture& p = g_pictures[i];
        return p.cut == cut && std::strcmp(text_at(p.leaf), leaf) == 0 && folder_of(p) == folder &&
               std::strcmp(text_at(p.tail), tail) == 0;
    });
    if (slot) return slot - 1;
    Picture p;
    p.tail = fpos || path == src ? srcat : add_text(path.data(), path.size());
    p.leaf = leafat;
    p.first = k;
    p.folder = fpos;
    p.readable = 0;
    p.type = IMAGE_UNKNOWN;
    p.cut = cut;
    if (g_pictures.size() >= (1u << 31) - 1) out_of_memory();
    uint32_t at = static_cast<uint32_t>(g_pictures.size());
    g_pictures.push_back(p);
    slot = at + 1;
    ++g_bypath.used;
    if (opens) read_type(at, path);
    return at;
}

// The picture a src value and leaf name, as entry k, stand for: found
// again, or resolved, looked for and classified now.
// A value that was cut is kept apart from the same text given whole, and
// never resolved.
uint32_t picture_of(const std::string& src, const std::string& leaf, int k, bool cut)
{
    const int limit = cut ? static_cast<int>(kSrcLimit) : static_cast<int>(kPathLimit);
    std::string key(1, cut ? kCut : kWhole);
    key += src;
    key += '\0';
    key += leaf;
    make_slots(g_bysrc, [](uint32_t i) { return source_hash(text_at(g_sources[i].key)); });
    uint32_t& slot = find_slot(g_bysrc, source_hash(key.c_str()), [&](uint32_t i) {
        // Two texts each: the mark and src value, then the leaf.
        const char* known = text_at(g_sources[i].key);
        size_t n = std::strlen(known);
        return n == src.size() + 1 && std::memcmp(known, key.data(), n) == 0 &&
               std::strcmp(known + n + 1, leaf.c_str()) == 0;
    });
    if (slot) {
        const Source& known = g_sources[slot - 1];
        if (known.toolong) image_reportlongpath(src.c_str(), limit);
        return known.picture;
    }
    // Added before the picture, whose look-ups may add slots of their own.
    uint32_t keyat = add_text(key.data(), key.size());
    if (g_sources.size() >= (1u << 31) - 1) out_of_memory();
    slot = static_cast<uint32_t>(g_sources.size()) + 1;
    ++g_bysrc.used;
    g_sources.push_back(Source{keyat, 0, 0});

    std::string path = src;
    bool opens = false, toolong = false;
    if (cut) {
        toolong = true;
        image_reportlongpath(src.c_str(), limit);
    } else if (settings.disableimages) {
    } else if (settings.pictures) {
        opens = true;  // the page-folder reader decides, and says why not
    } else {
        opens = image_resolve(path, &toolong) != 0;
    }
    uint32_t srcat = keyat + 1;
    uint32_t leafat = srcat + static_cast<uint32_t>(src.size()) + 1;
    uint32_t picture = picture_for(path, src, srcat, leafat, k, cut, opens);
    Source& s = g_sources.back();  // picture_for adds no src value
    s.picture = picture & 0x7FFFFFFF;
    s.toolong = toolong;
    return picture;
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
    std::snprintf(e.path, sizeof e.path, "%s%s", folder_of(p).c_str(), text_at(p.tail));
    std::snprintf(e.leaf, sizeof e.leaf, "%s", text_at(p.leaf));
    e.readable = p.readable && !t.unreadable;
    e.type = p.type;
    if (t.size) {
        e.sizeknown = 1;
        e.width = static_cast<int32_t>(t.size & 0xFFFF);
        e.height = static_cast<int32_t>((t.size >> 16) & 0xFFFF);
    }
    e.offset = t.offset;
    e.duplicate = p.first < i ? p.first : 0;
    if (static_cast<size_t>(i) < g_tagsize.size()) {
        e.tagwidth = static_cast<int32_t>(g_tagsize[static_cast<size_t>(i)] & 0xFFFF);
        e.tagheight = static_cast<int32_t>(g_tagsize[static_cast<size_t>(i)] >> 16);
    }
    return &e;
}

const PictureHeader* image_header(int i)
{
    if (i < 1 || i > g_count) return nullptr;
    uint32_t at = g_tags[i].picture;
    return at < g_info.size() && g_info[at].hasheader ? &g_info[at].header : nullptr;
}

const std::string* image_data(int i)
{
    if (i < 1 || i > g_count) return nullptr;
    auto found = g_data.find(g_tags[i].picture);
    return found == g_data.end() ? nullptr : &found->second;
}

bool image_fileid(int i, PlatformFileId* id)
{
    if (i < 1 || i > g_count) return false;
    uint32_t at = g_tags[i].picture;
    if (at >= g_info.size() || !g_info[at].hasid) return false;
    *id = g_info[at].id;
    return true;
}

int image_loss(int i)
{
    if (i < 1 || i > g_count) return LOSS_NONE;
    if (static_cast<size_t>(i) < g_tagloss.size() && g_tagloss[static_cast<size_t>(i)])
        return g_tagloss[static_cast<size_t>(i)];
    uint32_t at = g_tags[i].picture;
    return at < g_info.size() ? static_cast<int>(g_info[at].loss) : static_cast<int>(LOSS_NONE);
}

void image_setloss(int i, int loss)
{
    if (i < 1 || i > g_count) return;
    if (g_tagloss.size() <= static_cast<size_t>(i)) g_tagloss.resize(static_cast<size_t>(i) + 1);
    g_tagloss[static_cast<size_t>(i)] = static_cast<uint8_t>(loss);
    g_tags[i].unreadable = 1;
}

void image_settagsize(int i, unsigned width, unsigned height)
{
    if (i < 1 || i > g_count) return;
    if (g_tagsize.size() <= static_cast<size_t>(i)) g_tagsize.resize(static_cast<size_t>(i) + 1);
    g_tagsize[static_cast<size_t>(i)] = (width > 0xFFFF ? 0xFFFF : width) | (height > 0xFFFF ? 0xFFFF : height) << 16;
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
    std::vector<Picture>().swap(g_pictures);
    std::vector<Source>().swap(g_sources);
    std::vector<IdRecord>().swap(g_ids);
    std::vector<char>().swap(g_text);
    std::vector<PictureInfo>().swap(g_info);
    g_data.clear();
    std::vector<uint8_t>().swap(g_tagloss);
    std::vector<uint32_t>().swap(g_tagsize);
    g_folders.assign(1, std::string());
    g_folderpos.clear();
    g_bysrc = Slots();
    g_bypath = Slots();
    g_byid = Slots();
    g_ascending = true;
}

namespace {

// The number of the entry about to be added, with room for it.
int next_entry()
{
    // Registered before the first claim, so that a failed growth still
    // releases what was claimed.
    if (!g_handler) {
        std::atexit(image_release);
        g_handler = true;
    }
    int k = g_count + 1;
    make_room(k);
    if (g_folders.empty()) g_folders.assign(1, std::string());
    return k;
}

// Entry k made the tag at `offset` (with its size) showing `picture`.
int add_tag(int k, long long offset, unsigned size, uint32_t picture)
{
    ImageTag& t = g_tags[k];
    t.offset = offset;
    t.size = size;
    t.unreadable = 0;
    t.picture = picture & 0x7FFFFFFF;
    if (k > 1 && offset <= g_tags[k - 1].offset) g_ascending = false;
    g_count = k;
    return k;
}

}  // namespace

int image_addentry(const char* src, const char* leaf, unsigned size, long long offset, bool cut)
{
    int k = next_entry();
    std::string s = src ? src : "";
    std::string l = leaf ? leaf : "";
    if (s.size() > kPathLimit) s.resize(kPathLimit);
    if (l.size() > kLeafLimit) l.resize(kLeafLimit);
    // The tag's record is written once its picture is found.
    uint32_t picture = picture_of(s, l, k, cut);
    return add_tag(k, offset, size, picture);
}

int image_adddata(const std::string& bytes, const char* leaf, unsigned size, long long offset)
{
    int k = next_entry();
    std::string l = leaf ? leaf : "";
    if (l.size() > kLeafLimit) l.resize(kLeafLimit);
    Picture p;
    p.tail = add_text("", 0);
    p.leaf = add_text(l.data(), l.size());
    p.first = k;
    p.folder = 0;
    p.cut = 0;
    if (g_pictures.size() >= (1u << 31) - 1) out_of_memory();
    uint32_t at = static_cast<uint32_t>(g_pictures.size());
    PictureInfo& info = info_of(at);
    info.hasheader =
        pictureheader_read(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &info.header);
    p.readable = settings.disableimages ? 0 : 1;
    p.type = static_cast<uint8_t>(type_of(info.header));
    g_pictures.push_back(p);
    g_data[at] = bytes;
    return add_tag(k, offset, size, at);
}

void image_index()
{
    if (settings.pictures) {
        PicturePick pick = picturepick_img();
        unsigned size = subparse_dimensions();
        int k;
        if (pick.data) {
            k = image_adddata(pick.bytes, pick.leaf.c_str(), size, infile_tell());
        } else {
            bool cut = pick.name.size() > kPathLimit;
            const char* leaf = pick.name.empty() ? "<filename unknown>" : pick.leaf.c_str();
            k = image_addentry(pick.name.c_str(), leaf, size, infile_tell(), cut);
        }
        int w = attr_has("width") ? subparse_number("width") : 0;
        int h = attr_has("height") ? subparse_number("height") : 0;
        image_settagsize(k, w > 0 ? static_cast<unsigned>(w) : 0, h > 0 ? static_cast<unsigned>(h) : 0);
        return;
    }
    std::string src = subparse_src(0);
    bool cut = subparse_srccut();
#ifndef _WIN32
    src = settings.html5tags ? std::string(subparse_srcspelled()) : image_srcspelling(g_tag.params, src.c_str());
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
