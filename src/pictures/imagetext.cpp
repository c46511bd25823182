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

namespace {

// " [ image "name", w x h ] " with the name in italics; the italic state
// around it is left as it was.
void write_marker(const char* leaf, int sizeknown, int width, int height, int italic)
{
    char text[128];
    if (sizeknown)
        std::snprintf(text, sizeof text, "image \"%s\", %d x %d", leaf, width, height);
    else
        std::snprintf(text, sizeof text, "image \"%s\"", leaf);
    ddlout_flush();
    ddlout_bracketed(text, italic != 0);
    ddlout_flush();
}

bool embeddable(const ImageEntry& e) { return e.readable && (e.type == IMAGE_GIF || e.type == IMAGE_JPEG); }

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
    write_marker(e.leaf, e.sizeknown, e.width, e.height, italic);
}

void image_tag(int italic_count) { image_output(italic_count != 0); }
