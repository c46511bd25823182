// An image in the running text: the embed command of its picture frame, or
// an italic marker naming the image when it cannot be embedded.
#include <cstdio>
#include <string>

#include "ddl/ddlout.h"
#include "ddl/format.h"
#include "markup/attributes.h"
#include "pictures/imageindex.h"
#include "pictures/pictures.h"
#include "resources/config.h"
#include "base/infile.h"
#include "base/messages.h"
#include "base/runstate.h"
#include "markup/attrreader.h"

namespace {

// The longest alt text a marker shows.
const size_t kAltLimit = 500;

// " [ image "name", w x h ] " with the name in italics; the italic state
// around it is left as it was. Under the pictures setting the tag's alt
// text follows, after ": ".
void write_marker(const char* leaf, int sizeknown, int width, int height, int italic)
{
    char text[128];
    if (sizeknown)
        std::snprintf(text, sizeof text, "image \"%s\", %d x %d", leaf, width, height);
    else
        std::snprintf(text, sizeof text, "image \"%s\"", leaf);
    std::string shown = text;
    if (settings.pictures) {
        const std::string* alt = attr_value("alt");
        if (alt && !alt->empty()) {
            std::string a = alt->substr(0, kAltLimit);
            for (char& c : a)
                if (static_cast<unsigned char>(c) < 32) c = ' ';
            shown += ": " + a;
        }
    }
    ddlout_flush();
    ddlout_bracketed(shown.c_str(), italic != 0);
    ddlout_flush();
}

bool embeddable(const ImageEntry& e)
{
    if (settings.pictures && (e.type == IMAGE_PNG || e.type == IMAGE_WEBP)) return e.readable != 0;
    return e.readable && (e.type == IMAGE_GIF || e.type == IMAGE_JPEG);
}

// The pictures of the page left out, by reason.
int g_lost[LOSS_COUNT];
const char* const kLossNames[LOSS_COUNT] = {
    "", "not found", "outside the page's folder", "not GIF or JPEG", "damaged", "too large",
};

}  // namespace

void image_output(int italic)
{
    if (image_count() == 0) {
        // No first pass, or it found no images: the tag speaks for itself.
        std::string leaf = subparse_src(1);
        unsigned size = subparse_dimensions();
        write_marker(leaf.c_str(), size != 0, static_cast<int>(size & 0xFFFF), static_cast<int>((size >> 16) & 0xFFFF),
                     italic);
        return;
    }
    long long position = infile_tell();
    int k = image_find(position);
    if (!k) {
        show_message("Unable to locate image referred to at file offset +%lld in index index.", position);
        return;
    }
    const ImageEntry& e = *image_entry(k);
    if (!settings.disableimages && embeddable(e)) {
        ddlout_flush();
        char leaf[sizeof e.leaf];
        ddl_cleanname(leaf, sizeof leaf, e.leaf);
        ddlout_directf("// linking to image \"%s\"\n", leaf);
        char command[32];
        ddl_format(command, sizeof command, "{embed PICT_%03d}", k);
        ddlout_command(command);
        return;
    }
    if (settings.pictures && !settings.disableimages) {
        int loss = image_loss(k);
        ++g_lost[loss ? loss : LOSS_NOTFOUND];
    }
    write_marker(e.leaf, e.sizeknown, e.width, e.height, italic);
}

void image_reportlost()
{
    int total = 0;
    std::string why;
    for (int r = 1; r < LOSS_COUNT; ++r) {
        if (!g_lost[r]) continue;
        total += g_lost[r];
        if (!why.empty()) why += ", ";
        why += std::string(kLossNames[r]) + ": " + std::to_string(g_lost[r]);
        g_lost[r] = 0;
    }
    if (!total) return;
    if (total == 1)
        show_message("1 picture of \"%s\" was left out (%s).", run_inputpath(), why.c_str());
    else
        show_message("%d pictures of \"%s\" were left out (%s).", total, run_inputpath(), why.c_str());
}

void image_tag(int italic_count) { image_output(italic_count != 0); }
