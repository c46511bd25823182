// Picture names as browsers write them, taken from an attribute value that
// the attribute reader has already read (its references decoded): the
// file's name, `data:` URIs, `srcset` candidates, the lazy-loading source
// and the frame's size. Pure functions: nothing here opens a file.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The file name a `src` value names: `?query` and `#fragment` stripped,
// percent escapes decoded to the bytes the file system holds (a `%` not
// followed by two hex digits stays as it is), and a `file:` URI turned
// into its path (`file:///abs`, `file://localhost/abs` and `file:/abs`
// give `/abs`; `file:rel` gives `rel`; another host gives ""). A `data:`
// URI is not a name: the result is "" (see datauri_decode).
std::string picturename_path(const std::string& value);

// Whether the value is a `data:` URI (the scheme in any case, after
// leading spaces).
bool picturename_isdata(const std::string& value);

// Decodes a `data:` URI: its media type (lower case, "" when absent) into
// *type and its bytes into *bytes, which stop growing at `limit` (then the
// result is false, and so it is for a value that is not a `data:` URI or
// whose base64 is broken). Spaces inside base64 are skipped, as browsers do.
bool datauri_decode(const std::string& value, std::string* type, std::string* bytes, size_t limit);

// One `srcset` candidate: its URL and its descriptor (`w` width in pixels,
// or `x` density; neither given means 1x).
struct SrcsetCandidate {
    std::string url;
    double width = 0;  // the `w` descriptor, 0 when absent
    double density = 0;  // the `x` descriptor, 0 when absent
};

// Parses a `srcset` value as the HTML standard does (URLs may hold commas;
// a candidate with an invalid or duplicate descriptor is dropped) and
// returns the candidates largest first: by `w` when given, else by
// density (1x when neither), the order of the value among equals.
std::vector<SrcsetCandidate> srcset_parse(const std::string& value);

// A lazy-loading page's attribute: its whole name and its value.
struct PictureAttribute {
    std::string name;
    std::string value;
};

// Whether a `src` value is a placeholder by its text: empty, or a `data:`
// URI under 200 bytes. (A picture of at most 2 x 2 pixels is one too; that
// is known only after decoding, see picturename_tinyplaceholder.)
bool picturename_isplaceholder(const std::string& src);
inline bool picturename_tinyplaceholder(unsigned width, unsigned height) { return width <= 2 && height <= 2; }

// The source of a lazy-loading picture: `src` unless it is missing
// (has_src false) or a placeholder, then the first of `attrs` (in the
// tag's order) whose name is `data-original` or a `data-` name ending in
// `src` (any case) and whose value is not empty or a placeholder; else
// `src` itself.
std::string picturename_lazysource(bool has_src, const std::string& src, const std::vector<PictureAttribute>& attrs);

// The frame's size in pixels before the page fits it: the picture's
// pixel size (turned when the EXIF orientation is 5 to 8), with the tag's
// `width` and `height` winning (0 = not given); when only one is given the
// other follows the picture's proportions, rounded, at least 1.
void pictureframe_pixels(unsigned picw, unsigned pich, int orientation, unsigned tagw, unsigned tagh, unsigned* w,
                         unsigned* h);
// The same, packed as `page_fitpicture` takes it (width low, height high,
// each at most 65535).
unsigned pictureframe_packed(unsigned picw, unsigned pich, int orientation, unsigned tagw, unsigned tagh);
