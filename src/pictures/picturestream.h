// Row-by-row readers and writers under the picture codecs, for the
// decoders, the encoders and the transcode. Each keeps the library's state
// behind a pointer and calls the library only from small functions that
// hold the error jump and no C++ object, so a library error never jumps
// over a destructor. Rows are 8-bit RGBA, width * 4 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// A picture read one row at a time, top to bottom.
class PictureRows {
public:
    virtual ~PictureRows() = default;
    unsigned width = 0;
    unsigned height = 0;
    // Reads the next row into `row` (width * 4 bytes). False when the
    // picture turns out damaged; no row follows then.
    virtual bool next(uint8_t* row) = 0;
};

// A non-interlaced PNG or any JPEG, opened after its header passed the
// limits. Returns nullptr and the reason ("damaged", "too large", "not GIF
// or JPEG" without the library) when it cannot be opened.
std::unique_ptr<PictureRows> picturerows_png(const unsigned char* p, size_t n, const char** reason);
std::unique_ptr<PictureRows> picturerows_jpeg(const unsigned char* p, size_t n, const char** reason);

// The checks behind picturedecode_checks, one a format.
const char* picturecheck_jpeg(const unsigned char* p, size_t n);
const char* picturecheck_gif(const unsigned char* p, size_t n);

// A baseline JPEG written row by row into `out` (appended to). The alpha
// of each row is ignored: transparency is laid over white before.
class PictureJpegWriter {
public:
    PictureJpegWriter();
    ~PictureJpegWriter();
    PictureJpegWriter(const PictureJpegWriter&) = delete;
    PictureJpegWriter& operator=(const PictureJpegWriter&) = delete;
    bool begin(unsigned width, unsigned height, int quality, std::vector<uint8_t>* out);
    bool row(const uint8_t* rgba);
    bool finish();

private:
    struct State;
    State* s_;
};

// The colours of a GIF: at most 256 RGB values in order of first sight,
// found again by a small hash table.
class PicturePalette {
public:
    PicturePalette();
    // The index of colour (r << 16 | g << 8 | b), adding it while there is
    // room; -1 when the palette holds `limit` colours already.
    int add(uint32_t rgb, size_t limit);
    // The index of a colour already in, or -1.
    int find(uint32_t rgb) const;
    size_t size() const { return colours_.size(); }
    const std::vector<uint32_t>& colours() const { return colours_; }

private:
    std::vector<uint32_t> colours_;
    int32_t slot_[1024];  // index + 1, 0 empty
};

// A GIF written row by row into `out` (appended to): one frame over the
// whole screen, the palette padded to a power of two, and, when
// `transparent` is an index, a Graphic Control Extension (GIF89a) naming it.
class PictureGifWriter {
public:
    PictureGifWriter();
    ~PictureGifWriter();
    PictureGifWriter(const PictureGifWriter&) = delete;
    PictureGifWriter& operator=(const PictureGifWriter&) = delete;
    bool begin(unsigned width, unsigned height, const std::vector<uint32_t>& palette, int transparent,
               std::vector<uint8_t>* out);
    bool row(uint8_t* indices);  // giflib masks the indices in place
    bool finish();

private:
    struct State;
    State* s_;
};
