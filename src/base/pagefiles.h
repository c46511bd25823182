// The files a page names (continuation files, pictures). A page is
// whatever someone downloaded, so it reads only the files of its own
// folder and below, or of the folders the user listed: a name is taken
// from the page's folder, the file is opened once, and the open file's
// real path (every link resolved) and type decide; the same open file is
// then read, so nothing can be swapped in between.
#pragma once

#include <cstdio>
#include <string>

#include "base/platform.h"

// Sets the page whose files are opened next: its folder is the real path
// of the folder that holds `inputpath` as given (the input itself is not
// followed when it is a link); for standard input ("-"), the current
// folder. `folders` lists further folders whose files may be read,
// separated by ";" (spaces around each name dropped, relative names taken
// from the page's folder); null or empty lists none. The root folder never
// counts, as the page's folder or as a listed one.
void pagefile_setpage(const char* inputpath, const char* folders);
// Forgets the page (its folders).
void pagefile_reset();

enum PageFileResult {
    PAGEFILE_OPENED,
    PAGEFILE_MISSING,  // no regular file opens by that name
    PAGEFILE_OUTSIDE  // a regular file, outside every folder the page may read
};

// A file a page named, open for binary reading.
struct PageFile {
    std::FILE* file = nullptr;
    PlatformFileId id;  // its identity
    std::string realpath;  // its real path
};

// Opens the file `name` names for the page: an absolute name as it is, a
// relative one from the page's folder. Only a regular file opens (a pipe
// cannot block the open, a device is not even opened); it is handed back
// open only when its real path lies inside an allowed folder. Without a
// page set, nothing is allowed.
PageFileResult pagefile_open(const char* name, PageFile* out);

// Whether `path` lies inside `folder` (both real paths): `folder` itself
// or below it, at a step boundary (/a/b holds /a/b/c, not /a/bc).
// `nocase` compares letters without case, as Windows names are.
bool pagefile_inside(const std::string& folder, const std::string& path, bool nocase);
