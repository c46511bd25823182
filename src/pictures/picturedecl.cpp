// The preamble's picture declarations: for each usable picture a frame
// PICT_nnn sized to the page and its data PICTURE_nnn.
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "ddl/ddlout.h"
#include "pictures/imageindex.h"
#include "pictures/picturedata.h"
#include "pictures/picturedecode.h"
#include "pictures/picturename.h"
#include "pictures/pictures.h"
#include "pictures/picturetranscode.h"
#include "base/pagefiles.h"
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

// The frame PICT_i of entry e, of `pixels` (width | height << 16) fitted
// to the page.
void write_frame(int i, const ImageEntry& e, unsigned pixels)
{
    char leaf[sizeof e.leaf];
    ddl_cleanname(leaf, sizeof leaf, e.leaf);
    ddlout_directf("\n\n// ( \"%s\" )\n", leaf);
    ddlout_directf("PICT_%03d={pictframe\n", i);
    ddlout_direct(
        "{lock 0}\n{spread 0}\n{fillcolour COL_003 0x10000 0}\n{radius 0}\n{inset 0}\n"
        "{textflow 3 1 2834}\n{fcurve {box {x 0}\n{y 0}\n");
    unsigned fitted = page_fitpicture(pixels);
    ddlout_directf("{w %u}\n{h %u}\n}}\n", (fitted & 0xFFFF) * 800, (fitted >> 16) * 800);
    ddlout_direct("{angle 0x0}\n{skew 0x0}\n{picturedata\n{lockmode 0}\n{aspectlock 1}\n");
    ddlout_direct("{autoscale 1}\n");
    ddlout_direct(
        "{hide 0}\n{bottomleft 0}\n{x 0}\n{y 0}\n{scale 0x10000}\n{aspect 0x10000}\n"
        "{angle 0x0}\n{skew 0x0}\n{tile 0 0 0}}\n}\n\n");
}

// Under the pictures setting. A picture's file is read once, through the
// page-folder reader, and only when it is the file the first pass looked
// at; it is embedded as it is or made into GIF or JPEG, or left out with
// its reason. The pictures written, by entry, keep their header for the
// frames of later duplicates.
std::unordered_map<int, PictureHeader> g_written;
bool g_toldformats = false;

int loss_of(const char* reason)
{
    if (std::strcmp(reason, "damaged") == 0) return LOSS_DAMAGED;
    if (std::strcmp(reason, "too large") == 0) return LOSS_TOOLARGE;
    return LOSS_FORMAT;
}

// The file's bytes; the loss (LOSS_NONE when they were read).
int read_file(int i, const ImageEntry& e, std::vector<unsigned char>* bytes)
{
    PageFile f;
    PageFileResult r = pagefile_open(e.path, &f);
    if (r != PAGEFILE_OPENED) return r == PAGEFILE_OUTSIDE ? LOSS_OUTSIDE : LOSS_NOTFOUND;
    PlatformFileId first;
    long long size = image_fileid(i, &first) && first == f.id ? file_size(f.file) : -1;
    int loss = LOSS_NONE;
    if (size < 0) {
        loss = LOSS_NOTFOUND;  // another file than the one looked at
    } else if (static_cast<unsigned long long>(size) > kPictureMaxMemory) {
        loss = LOSS_TOOLARGE;
    } else {
        try {
            bytes->resize(static_cast<size_t>(size));
            if (platform_seek(f.file, 0, SEEK_SET) != 0 ||
                std::fread(bytes->data(), 1, bytes->size(), f.file) != bytes->size())
                loss = LOSS_DAMAGED;
        } catch (const std::bad_alloc&) {
            loss = LOSS_TOOLARGE;
        }
    }
    std::fclose(f.file);
    return loss;
}

void refuse(int i, int loss, PictureFormat format)
{
    image_setloss(i, loss);
    if (loss == LOSS_FORMAT && (format == PICFMT_PNG || format == PICFMT_WEBP) && !picturedecode_readable(format) &&
        !g_toldformats) {
        show_message("This build reads no PNG or WebP pictures: they are left out (only GIF and JPEG are kept).");
        g_toldformats = true;
    }
}

unsigned frame_pixels(const ImageEntry& e, const PictureHeader& h)
{
    unsigned tagw = static_cast<unsigned>(e.tagwidth);
    unsigned tagh = static_cast<unsigned>(e.tagheight);
    return pictureframe_packed(h.width, h.height, h.orientation, tagw, tagh);
}

void write_decl5(int i, int d, const ImageEntry& e)
{
    ddlout_flush();
    if (d) {
        write_frame(i, e, frame_pixels(e, g_written[d]));
        ddlout_directf("PICTURE_%03d=PICTURE_%03d\n", i, d);
        return;
    }
    std::vector<unsigned char> file;
    const unsigned char* p;
    size_t n;
    if (const std::string* data = image_data(i)) {
        p = reinterpret_cast<const unsigned char*>(data->data());
        n = data->size();
    } else {
        if (int loss = read_file(i, e, &file)) {
            image_setloss(i, loss);
            return;
        }
        p = file.data();
        n = file.size();
    }
    PictureHeader h;
    pictureheader_read(p, n, &h);
    bool decodes = picturedecode_readable(PICFMT_PNG) || picturedecode_readable(PICFMT_WEBP);
    const char* why = pictureheader_refusal(h, decodes);
    std::vector<uint8_t> made;
    PictureFormat format = PICFMT_UNKNOWN;
    if (!why) {
        // Memory the system will not give is this picture's loss alone.
        try {
            why = picture_transcode(p, n, h, &made, &format);
        } catch (const std::bad_alloc&) {
            made.clear();
            why = "too large";
        }
    }
    if (why) {
        refuse(i, loss_of(why), h.format);
        return;
    }
    if (!made.empty()) {
        p = made.data();
        n = made.size();
        // A turned picture's frame: its size after the turn.
        PictureHeader out;
        if (pictureheader_read(p, n, &out) && out.complete) {
            h.width = out.width;
            h.height = out.height;
            h.orientation = 0;
        }
    }
    g_written[i] = h;
    write_frame(i, e, frame_pixels(e, h));
    ddlout_directf("PICTURE_%03d={picture\n{data \"%s\"\n%lld\n", i, format == PICFMT_GIF ? "gif" : "jpeg",
                   static_cast<long long>(n));
    picture_writebytes(p, n);
    ddlout_direct("\"\n}\n}\n");
}

void writedecls5()
{
    g_written.clear();
    for (int i = 1; i <= image_count(); ++i) {
        ImageEntry e = *image_entry(i);
        if (!e.readable) continue;  // its loss was found in the first pass
        if (e.type != IMAGE_GIF && e.type != IMAGE_JPEG && e.type != IMAGE_PNG && e.type != IMAGE_WEBP) {
            const PictureHeader* h = image_header(i);
            refuse(i, LOSS_FORMAT, h ? h->format : PICFMT_UNKNOWN);
            continue;
        }
        int d = e.duplicate;
        // Only a picture that was written can be referred to.
        if (d && !g_written.count(d)) {
            if (image_loss(d)) {
                image_setloss(i, image_loss(d));
                continue;
            }
            d = 0;
        }
        write_decl5(i, d, e);
    }
    g_written.clear();
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

    write_frame(i, *e, picture_pixelsize(*e));
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
    if (settings.pictures) return writedecls5();
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
