// The thin layer over the operating system. The program was designed as a
// Windows filter; everything it asks of the system goes through here.
#pragma once

#include <cstdio>
#include <string>

// Shows one message: a modal box on Windows, a line on standard error here.
void platform_messagebox(const char* text);

// The running program's own path, from which the program folder is taken.
std::string platform_selfpath(const char* argv0);

// Both separators count everywhere, on every system.
inline bool platform_issep(char c) { return c == '/' || c == '\\'; }

// The separator used when joining a folder and a file name.
char platform_joinsep();

// A path is absolute when it has a drive letter, or (here) a leading slash.
bool platform_isabsolute(const char* path);

// Default output file of -converthtml.
const char* platform_converthtml_output();

// Deletes a file; 0 on success.
int platform_deletefile(const char* path);

// Current working folder, ending in the join separator (empty on failure).
std::string platform_currentfolder();

// Whether two paths name the same existing file (through links or other
// spellings too).
bool platform_samefile(const char* a, const char* b);

// A new temporary file, read and written in binary and removed when it is
// closed (or when the program ends); null when none can be had.
std::FILE* platform_tempfile();

// Opens a file to be written from its start, unbuffered. An existing file
// is written over where it stands rather than emptied first, which spares
// the system freeing its pages and blocks only to claim them again; the
// bytes past the last one written are cut off by platform_closeoutput.
std::FILE* platform_openoutput(const char* path);

// Cuts a file opened by platform_openoutput at the end of what was written
// (a file only: pipes and devices are left as they are) and closes it.
void platform_closeoutput(std::FILE* f);
