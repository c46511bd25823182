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


// Default output file of -converthtml.
const char* platform_converthtml_output();

// The name the program is started by, for its usage text.
const char* platform_commandname();

// "-" names standard input as an input and standard output as an output.
inline bool platform_isstdstream(const char* path) { return path[0] == '-' && path[1] == '\0'; }

// Current working folder, ending in the join separator (empty on failure).
std::string platform_currentfolder();

// Whether two paths name the same existing file (through links or other
// spellings too).
bool platform_samefile(const char* a, const char* b);

// A new temporary file, read and written in binary and removed when it is
// closed (or when the program ends); null when none can be had.
std::FILE* platform_tempfile();

// The output. A regular file, or a path where nothing is yet, is written
// as a new temporary file beside it (same folder, created exclusively),
// which platform_commitoutput puts in the path's place in one step:
// until then the path is exactly as it was, whatever ends the run. A link
// is followed to the file it names unless `replace_link`, when the link
// itself is replaced. A device or a pipe is written where it is, and "-"
// is standard output. The stream is unbuffered (the writer collects its
// bytes itself). Null, with errno set, when it cannot be opened; one
// output is open at a time.
std::FILE* platform_openoutput(const char* path, bool replace_link);

// Ends the output opened by platform_openoutput successfully: its bytes
// flushed and the stream closed; a temporary file takes the replaced
// file's permission bits (those of a new file otherwise) and its place.
// 0, or the errno value of what failed (the temporary file then removed).
int platform_commitoutput(std::FILE* f);

// Ends the output unsuccessfully: the stream is closed and a temporary
// file removed, so that the path is left as it was.
void platform_dropoutput(std::FILE* f);

// Empties the output to write it again from its start: 0, or an errno
// value. A device or a pipe keeps what it was given.
int platform_restartoutput(std::FILE* f);

// Standard input as a file that can be read more than once: its bytes
// copied into a temporary file (removed when it is closed or the program
// ends), positioned at its start. Also used for any input that cannot be
// read twice, such as a pipe. Null, with errno set, on a read or write
// failure.
std::FILE* platform_spool(std::FILE* in);

// What an open file is: a pipe (or socket) can be read only once, a device
// may never end.
enum PlatformFileKind { PLATFORM_UNKNOWN, PLATFORM_REGULAR, PLATFORM_FOLDER, PLATFORM_PIPE, PLATFORM_DEVICE };
PlatformFileKind platform_filekind(std::FILE* f);
