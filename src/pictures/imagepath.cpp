// Where a picture file is: the src value resolved against the page's folder,
// and what kind of file it is.
#include <cstdio>
#include <cstring>

#include "pictures/imageindex.h"
#include "base/platform.h"
#include "base/messages.h"
#include "base/runstate.h"

namespace {

const size_t kPathLimit = sizeof(ImageEntry::path) - 1;

bool is_sep(char c) { return platform_issep(c); }

bool has_drive(const std::string& s) { return s.size() >= 2 && s[1] == ':'; }

bool is_absolute(const std::string& s) { return has_drive(s) || (!s.empty() && s[0] == '/'); }

// Length of the part that ".." can never climb above: "/", "C:", "C:\".
size_t root_length(const std::string& s)
{
    if (has_drive(s)) return (s.size() >= 3 && is_sep(s[2])) ? 3 : 2;
    if (!s.empty() && s[0] == '/') return 1;
    return 0;
}

// One folder up, leaving the base ending in a separator (or empty when it
// is relative and nothing is left). A ".." already in the base is kept and
// another added, since cutting it would go down instead of up.
void step_up(std::string& base, char sep)
{
    size_t root = root_length(base);
    for (;;) {
        while (base.size() > root && is_sep(base.back())) base.pop_back();
        if (base.size() <= root) {
            if (root == 0)
                base = std::string("..") + sep;  // relative base already used up
            else if (root == 2)
                base += sep;
            return;
        }
        size_t start = base.size();
        while (start > root && !is_sep(base[start - 1])) --start;
        std::string last = base.substr(start);
        if (last == "..") {
            base += sep;
            base += "..";
            base += sep;
            return;
        }
        base.erase(start);
        if (last != ".") return;
    }
}

}  // namespace

std::string image_resolvepath(const std::string& inputpath, const std::string& src, const std::string& cwd, char sep)
{
    // The page's folder: up to, not including, its last separator. A page
    // named without a folder is in the current folder.
    size_t cut = inputpath.size();
    while (cut > 0 && !is_sep(inputpath[cut - 1])) --cut;
    std::string dir;
    if (cut > 0) dir = inputpath.substr(0, cut == 1 ? 1 : cut - 1);

    std::string base;
    if (is_absolute(dir)) {
        base = dir;
    } else if (cwd.empty()) {
        // Without the working folder a relative folder still names the
        // right place for the system.
        base = dir;
    } else {
        base = cwd;
        size_t root = root_length(base);
        while (base.size() > root && is_sep(base.back())) base.pop_back();
        if (!dir.empty()) {
            if (!base.empty() && !is_sep(base.back())) base += sep;
            base += dir;
        }
    }

    std::string rest = src;
    bool has_folders = false;
    for (char c : rest)
        if (is_sep(c)) has_folders = true;
    if (has_folders) {
        while (rest.size() >= 3 && rest[0] == '.' && rest[1] == '.' && is_sep(rest[2])) {
            rest.erase(0, 3);
            step_up(base, sep);
        }
        for (char& c : rest)
            if (is_sep(c)) c = sep;
    }
    if (!base.empty() && !is_sep(base.back())) base += sep;
    return base + rest;
}

int image_filetype(const unsigned char h[4])
{
    if (h[0] == 0x89 && h[1] == 'P' && h[2] == 'N' && h[3] == 'G') return IMAGE_UNKNOWN;
    if (h[0] == 0x01 && h[1] == 0x00 && h[2] == 0x00) return IMAGE_OTHER;
    if (h[0] == 0xFF && h[1] == 0xD8 && h[2] == 0xFF && h[3] == 0xE0) return IMAGE_JPEG;
    if (h[0] == 'G' && h[1] == 'I' && h[2] == 'F') return IMAGE_GIF;
    return IMAGE_UNKNOWN;
}

std::string image_srcspelling(const char* params, const char* lowered)
{
    std::string text(params ? params : "");
    std::string value(lowered ? lowered : "");
    if (value.empty()) return value;
    std::string folded = text;
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    size_t at = folded.find("src");
    if (at == std::string::npos) return value;
    at = folded.find(value, at + 3);
    if (at == std::string::npos) return value;
    return text.substr(at, value.size());
}

static_assert(kPathLimit == 511, "the report's default limit is the entry's");

void image_reportlongpath(const char* src, int limit)
{
    // A cut path could name some other file: the picture is not used.
    show_message("The path of image \"%s\" is longer than %d characters; the image is not embedded.", src, limit);
}

int image_resolve(std::string& path, bool* toolong)
{
    std::string full = image_resolvepath(run_inputpath(), path, platform_currentfolder(), platform_joinsep());
    *toolong = full.size() > kPathLimit;
    if (*toolong) {
        image_reportlongpath(path.c_str());
        return 0;
    }
    path = full;
    FILE* f = platform_openregular(path.c_str());
    if (!f) return 0;
    std::fclose(f);
    return 1;
}
