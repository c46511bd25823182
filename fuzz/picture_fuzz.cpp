// libFuzzer targets of the picture readers, one a build: the surface is
// chosen by QUILLET_FUZZ_SURFACE (fuzz/picture.sh sets it):
// 1 PNG decoding, 2 headers (JPEG segments, EXIF, PNG, WebP, GIF),
// 3 data: URIs, 4 srcset and names, 5 every decoder, the checks and the
// transcode, whose output must decode.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "pictures/picturedecode.h"
#include "pictures/pictureheader.h"
#include "pictures/picturename.h"
#include "pictures/picturetranscode.h"

namespace {

[[maybe_unused]] void check_image(const char* why, const PictureImage& img)
{
    if (why ? !img.rgba.empty() : img.rgba.size() != static_cast<size_t>(img.width) * img.height * 4) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
#if QUILLET_FUZZ_SURFACE == 1
    PictureImage img;
    PictureHeader h;
    if (pictureheader_read(data, size, &h) && !pictureheader_refusal(h, true) && !picturedecode_png(data, size, &img)) {
        if (img.rgba.size() != static_cast<size_t>(img.width) * img.height * 4) std::abort();
        pictureconvert_choose(&img);
        pictureconvert_orient(&img, 6);
    }
#elif QUILLET_FUZZ_SURFACE == 2
    PictureHeader h;
    pictureheader_read(data, size, &h);
    if (h.orientation < 0 || h.orientation > 8) std::abort();
    pictureheader_refusal(h, true);
    pictureheader_jpegasis(h);
    exif_orientation(data, size);
#elif QUILLET_FUZZ_SURFACE == 3
    std::string value(reinterpret_cast<const char*>(data), size);
    std::string type, bytes;
    if (datauri_decode(value, &type, &bytes, 4096) && bytes.size() > 4096) std::abort();
    picturename_isplaceholder(value);
#elif QUILLET_FUZZ_SURFACE == 5
    PictureImage img;
    check_image(picturedecode_png(data, size, &img), img);
    check_image(picturedecode_webp(data, size, &img), img);
    check_image(picturedecode_jpeg(data, size, &img), img);
    check_image(picturedecode_gif(data, size, &img), img);
    picturedecode_checks(PICFMT_JPEG, data, size);
    picturedecode_checks(PICFMT_GIF, data, size);
    PictureHeader h;
    pictureheader_read(data, size, &h);
    std::vector<uint8_t> out;
    PictureFormat format;
    if (!picture_transcode(data, size, h, &out, &format) && !out.empty()) {
        // What the transcode writes decodes and passes the check.
        const char* why = format == PICFMT_GIF ? picturedecode_gif(out.data(), out.size(), &img)
                                               : picturedecode_jpeg(out.data(), out.size(), &img);
        if (why || picturedecode_checks(format, out.data(), out.size())) std::abort();
    }
#else
    std::string value(reinterpret_cast<const char*>(data), size);
    auto c = srcset_parse(value);
    for (const SrcsetCandidate& s : c)
        if (s.url.empty() || s.url.size() > size) std::abort();
    picturename_path(value);
    picturename_lazysource(false, "", {{"data-src", value}});
#endif
    return 0;
}
