// The decision and the conversion of one picture file for DDL.
#include "pictures/picturetranscode.h"

#include <algorithm>
#include <memory>
#ifdef QUILLET_HAVE_JPEG
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#endif

#include "pictures/pictureconvert.h"
#include "pictures/picturedecode.h"
#include "pictures/picturestream.h"
#include "pictures/picturewrite.h"

namespace {

// Which outputs this build writes: a picture that would be a GIF becomes a
// JPEG without giflib; one that must be a JPEG cannot be made without
// libjpeg.
#ifdef QUILLET_HAVE_GIF
const bool kWritesGif = true;
#else
const bool kWritesGif = false;
#endif
#ifdef QUILLET_HAVE_JPEG
const bool kWritesJpeg = true;
#else
const bool kWritesJpeg = false;
#endif

uint32_t rgb_of(const uint8_t* px) { return static_cast<uint32_t>(px[0]) << 16 | px[1] << 8 | px[2]; }

// A decoded picture written as pictureconvert_choose decides.
const char* encode_whole(PictureImage* img, std::vector<uint8_t>* out, PictureFormat* outfmt)
{
    PictureChoice choice = pictureconvert_choose(img);
    if (choice != PICTURE_TO_JPEG && kWritesGif && img->width <= 65535 && img->height <= 65535) {
        if (!picturewrite_gif(*img, out)) return "damaged";
        *outfmt = PICFMT_GIF;
        return nullptr;
    }
    // Too wide for a GIF, or no GIF writer: a JPEG over white.
    if (!kWritesJpeg) return "not GIF or JPEG";
    pictureconvert_overwhite(img->rgba.data(), static_cast<size_t>(img->width) * img->height);
    if (!picturewrite_jpeg(*img, kPictureJpegQuality, out)) return "too large";
    *outfmt = PICFMT_JPEG;
    return nullptr;
}

// Rows into the JPEG writer, laid over white first when `white`, on this
// thread alone.
const char* rows_to_jpeg_serial(PictureRows* rows, bool white, PictureJpegWriter* w)
{
    std::vector<uint8_t> row(static_cast<size_t>(rows->width) * 4);
    for (unsigned y = 0; y < rows->height; ++y) {
        if (!rows->next(row.data())) return "damaged";
        if (white) pictureconvert_overwhite(row.data(), rows->width);
        if (!w->row(row.data())) return "damaged";
    }
    return w->finish() ? nullptr : "damaged";
}

#ifdef QUILLET_HAVE_JPEG
// The same with the encoding on a second thread, so that decoding and
// encoding overlap: the rows pass through a ring of a few blocks of rows
// (4 x 16 rows: 2.5 MB at 10000 pixels wide).
class RowPipe {
public:
    static constexpr unsigned kBlockRows = 16;
    static constexpr unsigned kBlocks = 4;

    RowPipe(PictureRows* rows, bool white, PictureJpegWriter* w) : rows_(rows), white_(white), w_(w)
    {
        stride_ = static_cast<size_t>(rows->width) * 4;
        for (std::vector<uint8_t>& b : blocks_) b.resize(stride_ * kBlockRows);
        count_ = (rows->height + kBlockRows - 1) / kBlockRows;
    }

    const char* run()
    {
        std::thread encoder(&RowPipe::encode, this);  // throws when no thread can start
        bool decoded = decode();
        encoder.join();
        if (!decoded) return "damaged";
        return encoded_ && w_->finish() ? nullptr : "damaged";
    }

private:
    unsigned rows_in(unsigned block) const { return std::min(kBlockRows, rows_->height - block * kBlockRows); }

    bool decode()
    {
        for (unsigned b = 0; b < count_; ++b) {
            {
                std::unique_lock<std::mutex> lock(m_);
                cv_.wait(lock, [&] { return b - consumed_ < kBlocks || stop_; });
                if (stop_) return true;  // the encoder failed
            }
            uint8_t* block = blocks_[b % kBlocks].data();
            for (unsigned i = 0; i < rows_in(b); ++i) {
                uint8_t* row = block + stride_ * i;
                if (!rows_->next(row)) {
                    std::lock_guard<std::mutex> lock(m_);
                    stop_ = true;
                    cv_.notify_all();
                    return false;
                }
                if (white_) pictureconvert_overwhite(row, rows_->width);
            }
            std::lock_guard<std::mutex> lock(m_);
            produced_ = b + 1;
            cv_.notify_all();
        }
        return true;
    }

    void encode()
    {
        for (unsigned b = 0; b < count_; ++b) {
            {
                std::unique_lock<std::mutex> lock(m_);
                cv_.wait(lock, [&] { return produced_ > b || stop_; });
                if (stop_) return;  // the decoder failed
            }
            const uint8_t* block = blocks_[b % kBlocks].data();
            for (unsigned i = 0; i < rows_in(b); ++i)
                if (!w_->row(block + stride_ * i)) {
                    std::lock_guard<std::mutex> lock(m_);
                    stop_ = true;
                    cv_.notify_all();
                    return;
                }
            std::lock_guard<std::mutex> lock(m_);
            consumed_ = b + 1;
            cv_.notify_all();
        }
        encoded_ = true;
    }

    PictureRows* rows_;
    bool white_;
    PictureJpegWriter* w_;
    size_t stride_ = 0;
    unsigned count_ = 0;
    std::vector<uint8_t> blocks_[kBlocks];
    std::mutex m_;
    std::condition_variable cv_;
    unsigned produced_ = 0;  // blocks filled
    unsigned consumed_ = 0;  // blocks encoded
    bool stop_ = false;
    bool encoded_ = false;  // written by the encoder, read after the join
};
#endif

const char* rows_to_jpeg(PictureRows* rows, bool white, std::vector<uint8_t>* out)
{
    if (!kWritesJpeg) return "not GIF or JPEG";
    PictureJpegWriter w;
    if (!w.begin(rows->width, rows->height, kPictureJpegQuality, out)) return "too large";
#ifdef QUILLET_HAVE_JPEG
    // A small picture is not worth a thread.
    if (static_cast<uint64_t>(rows->width) * rows->height >= (1u << 20)) {
        RowPipe pipe(rows, white, &w);
        try {
            return pipe.run();
        } catch (const std::system_error&) {
            // No thread could start, and nothing was read yet.
        }
    }
#endif
    return rows_to_jpeg_serial(rows, white, &w);
}

// The colours of a picture read row by row, as pictureconvert_choose
// counts them.
struct ColourCount {
    bool binary = true;  // alpha only 0 or 255
    bool transparent = false;  // some alpha 0
    PicturePalette opaque;  // colours of pixels not fully transparent
    bool opaque_over = false;  // more than 255 of them
    PicturePalette white;  // colours over white
    bool white_over = false;  // more than 256 of them
    uint64_t last = ~0ull;  // the pixel before, RGBA; no pixel at first

    void take(const uint8_t* row, unsigned width)
    {
        for (unsigned x = 0; x < width; ++x, row += 4) {
            uint32_t rgba = rgb_of(row) << 8 | row[3];
            if (rgba == last) continue;  // a run of one colour counts once
            last = rgba;
            uint8_t a = row[3];
            if (a == 0) transparent = true;
            if (a != 0 && a != 255) binary = false;
            if (a != 0 && !opaque_over && opaque.add(rgb_of(row), 255) < 0) opaque_over = true;
            if (!white_over) {
                uint8_t px[4] = {row[0], row[1], row[2], a};
                pictureconvert_overwhite(px, 1);
                if (white.add(rgb_of(px), 256) < 0) white_over = true;
            }
        }
    }
    // Whether no later row can make a GIF of it.
    bool photograph() const { return white_over && (opaque_over || !binary); }
};

const char* png_rows(const unsigned char* p, size_t n, std::vector<uint8_t>* out, PictureFormat* outfmt)
{
    const char* why = nullptr;
    std::unique_ptr<PictureRows> rows = picturerows_png(p, n, &why);
    if (!rows) return why;
    unsigned w = rows->width, h = rows->height;
    std::vector<uint8_t> row(static_cast<size_t>(w) * 4);
    ColourCount count;
    for (unsigned y = 0; y < h && !count.photograph(); ++y) {
        if (!rows->next(row.data())) return "damaged";
        count.take(row.data(), w);
    }
    bool keep_alpha = count.transparent && count.binary && !count.opaque_over;
    bool gif = (keep_alpha || !count.white_over) && kWritesGif && w <= 65535 && h <= 65535;
    rows = picturerows_png(p, n, &why);
    if (!rows) return why;
    if (!gif) {
        if ((why = rows_to_jpeg(rows.get(), true, out))) return why;
        *outfmt = PICFMT_JPEG;
        return nullptr;
    }
    const PicturePalette& palette = keep_alpha ? count.opaque : count.white;
    int tindex = keep_alpha ? static_cast<int>(palette.size()) : -1;
    PictureGifWriter writer;
    if (!writer.begin(w, h, palette.colours(), tindex, out)) return "damaged";
    std::vector<uint8_t> line(w);
    for (unsigned y = 0; y < h; ++y) {
        if (!rows->next(row.data())) return "damaged";
        if (!keep_alpha) pictureconvert_overwhite(row.data(), w);
        uint32_t last = 0xFFFFFFFFu;  // no RGB value
        int index = -1;
        for (unsigned x = 0; x < w; ++x) {
            const uint8_t* px = &row[static_cast<size_t>(x) * 4];
            if (keep_alpha && px[3] == 0) {
                line[x] = static_cast<uint8_t>(tindex);
                continue;
            }
            if (rgb_of(px) != last) {
                last = rgb_of(px);
                index = palette.find(last);
            }
            if (index < 0) return "damaged";  // the second reading differs from the first
            line[x] = static_cast<uint8_t>(index);
        }
        if (!writer.row(line.data())) return "damaged";
    }
    if (!writer.finish()) return "damaged";
    *outfmt = PICFMT_GIF;
    return nullptr;
}

// A JPEG turned upright while read: each row goes straight to its place in
// the turned picture.
const char* jpeg_turned(PictureRows* rows, int orientation, std::vector<uint8_t>* out)
{
    unsigned w = rows->width, h = rows->height;
    PictureImage img;
    img.width = orientation >= 5 ? h : w;
    img.height = orientation >= 5 ? w : h;
    img.rgba.resize(static_cast<size_t>(w) * h * 4);
    std::vector<uint8_t> row(static_cast<size_t>(w) * 4);
    for (unsigned y = 0; y < h; ++y) {
        if (!rows->next(row.data())) return "damaged";
        pictureconvert_orientrow(row.data(), y, w, h, orientation, img.rgba.data());
    }
    return picturewrite_jpeg(img, kPictureJpegQuality, out) ? nullptr : "too large";
}

const char* transcode(const unsigned char* p, size_t n, const PictureHeader& h, std::vector<uint8_t>* out,
                      PictureFormat* outfmt)
{
    if (const char* why = pictureheader_refusal(h, picturedecode_readable(h.format))) return why;
    PictureImage img;
    const char* why = nullptr;
    switch (h.format) {
    case PICFMT_GIF:
#ifdef QUILLET_HAVE_GIF
        if ((why = picturedecode_checks(PICFMT_GIF, p, n))) return why;
#endif
        *outfmt = PICFMT_GIF;
        return nullptr;
    case PICFMT_JPEG: {
        if (pictureheader_jpegasis(h)) {
#ifdef QUILLET_HAVE_JPEG
            if ((why = picturedecode_checks(PICFMT_JPEG, p, n))) return why;
#endif
            *outfmt = PICFMT_JPEG;
            return nullptr;
        }
        bool turned = h.orientation >= 2 && h.orientation <= 8;
        // A turn holds the whole picture beside the decoder's own memory.
        if (turned && h.memory + static_cast<uint64_t>(h.width) * h.height * 4 > kPictureMaxMemory) return "too large";
        std::unique_ptr<PictureRows> rows = picturerows_jpeg(p, n, &why);
        if (!rows) return why;
        why = turned ? jpeg_turned(rows.get(), h.orientation, out) : rows_to_jpeg(rows.get(), false, out);
        if (!why) *outfmt = PICFMT_JPEG;
        return why;
    }
    case PICFMT_PNG:
        if (!h.interlaced) return png_rows(p, n, out, outfmt);
        if ((why = picturedecode_png(p, n, &img))) return why;
        return encode_whole(&img, out, outfmt);
    case PICFMT_WEBP:
        if ((why = picturedecode_webp(p, n, &img))) return why;
        return encode_whole(&img, out, outfmt);
    default: return "not GIF or JPEG";
    }
}

}  // namespace

const char* picture_transcode(const unsigned char* p, size_t n, const PictureHeader& h, std::vector<uint8_t>* out,
                              PictureFormat* outfmt)
{
    out->clear();
    *outfmt = PICFMT_UNKNOWN;
    const char* why = transcode(p, n, h, out, outfmt);
    if (why) {
        out->clear();
        *outfmt = PICFMT_UNKNOWN;
    }
    return why;
}
