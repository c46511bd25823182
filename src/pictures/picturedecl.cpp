// The preamble's picture declarations: for each usable picture a frame
// PICT_nnn sized to the page and its data PICTURE_nnn.
#include <cstdio>
#include <string>
#include <unordered_map>

#include "ddl/ddlout.h"
#include "pictures/imageindex.h"
#include "pictures/picturedata.h"
#include "pictures/pictures.h"
#include "base/platform.h"
#include "resources/config.h"
#include "resources/page.h"
#include "base/messages.h"

namespace {

const unsigned kGifSize = 255u | 255u << 16;
const unsigned kUnreadableSize = 256u | 256u << 16;

bool embeddable(const ImageEntry& e) { return e.readable && (e.type == IMAGE_GIF || e.type == IMAGE_JPEG); }

long long file_size(FILE* f)
{
    if (platform_seek(f, 0, SEEK_END) != 0) return 0;
    long long n = platform_tell(f);
    return n < 0 ? 0 : n;
}

// While the preamble is written, a file that many tags name is opened and
// measured once: its size, or -1 when it cannot be opened, by path.
bool g_remember = false;
std::unordered_map<std::string, long long> g_sizes;

// The size of the file, or -1 when it cannot be opened (only a regular
// file is).
long long measure(const char* path)
{
    if (g_remember) {
        auto known = g_sizes.find(path);
        if (known != g_sizes.end()) return known->second;
    }
    long long size = -1;
    if (FILE* f = platform_openregular(path)) {
        size = file_size(f);
        std::fclose(f);
    }
    if (g_remember) g_sizes.emplace(path, size);
    return size;
}

}  // namespace

unsigned picture_pixelsize(const ImageEntry& e)
{
    if (e.sizeknown)
        return (static_cast<unsigned>(e.width) & 0xFFFF) | (static_cast<unsigned>(e.height) & 0xFFFF) << 16;
    if (e.type == IMAGE_GIF) return kGifSize;  // the GIF header is not read
    FILE* f = platform_openregular(e.path);
    if (!f) return kUnreadableSize;
    unsigned size = jpeg_size(f);
    std::fclose(f);
    return size;
}

void picture_writedecl(int i, int d)
{
    const ImageEntry* e = image_entry(i);
    if (!e) return;
    ddlout_flush();
    long long size = measure(e->path);
    if (size < 0) {
        show_message("Can't open image file \"%s\"!", e->path);
        image_setunreadable(i);
        return;
    }

    char leaf[sizeof e->leaf];
    ddl_cleanname(leaf, sizeof leaf, e->leaf);
    ddlout_directf("\n\n// ( \"%s\" )\n", leaf);
    ddlout_directf("PICT_%03d={pictframe\n", i);
    ddlout_direct(
        "{lock 0}\n{spread 0}\n{fillcolour COL_003 0x10000 0}\n{radius 0}\n{inset 0}\n"
        "{textflow 3 1 2834}\n{fcurve {box {x 0}\n{y 0}\n");
    unsigned fitted = page_fitpicture(picture_pixelsize(*e));
    ddlout_directf("{w %u}\n{h %u}\n}}\n", (fitted & 0xFFFF) * 800, (fitted >> 16) * 800);
    ddlout_direct("{angle 0x0}\n{skew 0x0}\n{picturedata\n{lockmode 0}\n{aspectlock 1}\n");
    ddlout_direct("{autoscale 1}\n");
    ddlout_direct(
        "{hide 0}\n{bottomleft 0}\n{x 0}\n{y 0}\n{scale 0x10000}\n{aspect 0x10000}\n"
        "{angle 0x0}\n{skew 0x0}\n{tile 0 0 0}}\n}\n\n");
    if (d) {
        ddlout_directf("PICTURE_%03d=PICTURE_%03d\n", i, d);
        return;
    }
    ddlout_directf("PICTURE_%03d={picture\n{data \"%s\"\n%lld\n", i, e->type == IMAGE_GIF ? "gif" : "jpeg", size);
    picture_writedata(e->path, size);
    ddlout_direct("\"\n}\n}\n");
}

void image_writedecls()
{
    if (settings.disableimages) return;
    g_remember = true;
    g_sizes.clear();
    for (int i = 1; i <= image_count(); ++i) {
        const ImageEntry& e = *image_entry(i);
        if (!embeddable(e)) continue;
        int d = e.duplicate;
        // Only a picture that was written can be referred to.
        const ImageEntry* first = image_entry(d);
        if (!first || !embeddable(*first)) d = 0;
        picture_writedecl(i, d);
    }
    g_remember = false;
    g_sizes.clear();
}
