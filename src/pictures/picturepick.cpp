#include "pictures/picturepick.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "base/ascii.h"
#include "base/pagefiles.h"
#include "markup/attrreader.h"
#include "pictures/picturedecode.h"
#include "pictures/picturename.h"

namespace {

struct Source {
    std::string srcset;
    std::string type;
};

bool g_inpicture = false;
std::vector<Source> g_sources;

// The largest data: picture taken from a page: the attribute reader keeps
// such a value whole up to its long-tag limit.
const size_t kDataLimit = 16u << 20;
const size_t kHeadBytes = 64u << 10;

bool file_opens(const std::string& name)
{
    PageFile f;
    if (name.empty() || pagefile_open(name.c_str(), &f) != PAGEFILE_OPENED) return false;
    std::fclose(f.file);
    return true;
}

// Whether a <source type> names a format this build reads (no type: any).
bool type_read(const std::string& type)
{
    std::string t;
    for (char c : type) {
        if (c == ';' || c == ' ') break;
        t.push_back(ascii_lower(c));
    }
    if (t.empty() || t == "image/gif" || t == "image/jpeg" || t == "image/jpg" || t == "image/pjpeg") return true;
    if (t == "image/png" || t == "image/apng") return picturedecode_readable(PICFMT_PNG);
    if (t == "image/webp") return picturedecode_readable(PICFMT_WEBP);
    return false;
}

// A candidate URL made a pick: a data: URI decoded, a name made a file
// name. False when it names nothing usable (a file that does not open, a
// data: URI that does not decode), unless `last`, the fallback.
bool take(const std::string& url, bool last, PicturePick* pick)
{
    if (picturename_isdata(url)) {
        std::string type;
        if (!datauri_decode(url, &type, &pick->bytes, kDataLimit) && !last) return false;
        pick->data = true;
        pick->leaf = type.empty() ? "data:" : "data:" + type;
        if (pick->leaf.size() > 31) pick->leaf.resize(31);
        return true;
    }
    std::string name = picturename_path(url);
    if (!last && !file_opens(name)) return false;
    pick->data = false;
    pick->name = name;
    pick->leaf = picturepick_leaf(name.empty() ? url : name);
    return true;
}

bool take_srcset(const std::string& srcset, PicturePick* pick)
{
    for (const SrcsetCandidate& c : srcset_parse(srcset))
        if (take(c.url, false, pick)) return true;
    return false;
}

}  // namespace

void picturepick_open()
{
    g_inpicture = true;
    g_sources.clear();
}

void picturepick_close()
{
    g_inpicture = false;
    g_sources.clear();
}

void picturepick_source()
{
    if (!g_inpicture) return;
    Source s;
    if (const std::string* v = attr_value("srcset")) {
        s.srcset = *v;
    } else if (const std::string* src = attr_value("src")) {
        s.srcset = *src;
    }
    if (const std::string* t = attr_value("type")) s.type = *t;
    g_sources.push_back(std::move(s));
}

PicturePick picturepick_img()
{
    PicturePick pick;
    if (g_inpicture)
        for (const Source& s : g_sources)
            if (type_read(s.type) && take_srcset(s.srcset, &pick)) return pick;
    if (const std::string* srcset = attr_value("srcset")) {
        std::string value = *srcset;
        if (take_srcset(value, &pick)) return pick;
    }
    std::vector<std::pair<std::string, std::string>> all;
    attr_all(&all);
    std::vector<PictureAttribute> attrs;
    bool has_src = false;
    std::string src;
    for (auto& a : all) {
        if (a.first == "src" && !has_src) {
            has_src = true;
            src = a.second;
        }
        attrs.push_back(PictureAttribute{std::move(a.first), std::move(a.second)});
    }
    std::string chosen = picturename_lazysource(has_src, src, attrs);
    if (chosen == src && has_src) {
        // A picture of at most 2 x 2 pixels is a placeholder too.
        std::string lazy = picturename_lazysource(false, "", attrs);
        PictureHeader h;
        if (!lazy.empty() && !picturename_isdata(src) && picturepick_header(picturename_path(src), &h) && h.complete &&
            picturename_tinyplaceholder(h.width, h.height))
            chosen = lazy;
    }
    take(chosen, true, &pick);
    return pick;
}

bool picturepick_header(const std::string& name, PictureHeader* h)
{
    PageFile f;
    if (name.empty() || pagefile_open(name.c_str(), &f) != PAGEFILE_OPENED) return false;
    std::vector<unsigned char> head(kHeadBytes);
    size_t n = std::fread(head.data(), 1, head.size(), f.file);
    std::fclose(f.file);
    *h = PictureHeader();
    return pictureheader_read(head.data(), n, h);
}

std::string picturepick_leaf(const std::string& name)
{
    size_t at = name.find_last_of("/\\");
    std::string leaf = at == std::string::npos ? name : name.substr(at + 1);
    leaf = ascii_lowered(leaf);
    if (leaf.size() > 31) leaf.resize(31);
    return leaf;
}
