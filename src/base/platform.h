// The thin layer over the operating system. The program was designed as a
// Windows filter; everything it asks of the system goes through here.
#pragma once

#include <cstdio>
#include <string>

// Shows one message: a modal box on Windows, a line on standard error here.
void platform_messagebox(const char* text);

// The running program's own path, from which the program folder is taken:
// asked of the system (never the current folder); argv0 only when the
// system cannot tell.
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
// spellings too): compared by file identity, never by name.
bool platform_samefile(const char* a, const char* b);

// A file's identity: the device and inode here, the volume serial number
// and file index on Windows. Two open files or paths with equal
// identities are one file, however they were spelled.
struct PlatformFileId {
    unsigned long long volume = 0;
    unsigned long long index = 0;
    bool operator==(const PlatformFileId& o) const { return volume == o.volume && index == o.index; }
};
// The identity of an open file, or of the file a path names (links
// followed); false when it cannot be had.
bool platform_fileid(std::FILE* f, PlatformFileId* id);
bool platform_pathid(const char* path, PlatformFileId* id);

// Whether the last part of a path is one of the names Windows keeps for
// its devices (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, with or without
// an extension, in any case). Such a name opens a device there, whatever
// folder it is in.
bool platform_isreservedname(const char* path);

// Opens an existing regular file for binary reading, or gives null: a
// folder, a device, a pipe, a socket or (on Windows) a reserved device
// name is never opened, and a pipe cannot block the opening. With `id`,
// the opened file's identity is stored there.
std::FILE* platform_openregular(const char* path, PlatformFileId* id = nullptr);

// Positions past 2 GiB on every system.
long long platform_tell(std::FILE* f);
int platform_seek(std::FILE* f, long long pos, int whence);

// A new temporary file in platform_tempfolder(), read and written in
// binary and removed when it is closed (or when the program ends; here it
// has no name from the start); null, with errno set, when none can be had.
std::FILE* platform_tempfile();

// The output. A regular file, or a path where nothing is yet, is written
// as a new temporary file beside it (same folder, created exclusively),
// which platform_commitoutput puts in the path's place in one step:
// until then the path is exactly as it was, whatever ends the run. A link
// is followed to the file it names unless `replace_link`, when the link
// itself is replaced. A device or a pipe is written where it is, and "-"
// is standard output. Written in place, never renamed over: standard
// output or error named by path (/dev/stdout, /dev/fd/2, ..., or the
// regular file they are open on), through their descriptor and so
// appending where it appends; and a file that may be written in a folder
// that may not, emptied only when its first bytes come
// (platform_startoutput). A link in a sticky folder that everyone may
// write to, owned by neither the user nor the folder's owner, is refused.
// The stream is unbuffered (the writer collects its bytes itself). Null,
// with errno set (and platform_outputreason, when no errno value says
// why), when it cannot be opened; one output is open at a time.
std::FILE* platform_openoutput(const char* path, bool replace_link);

// Told before the first bytes are written to the output: 0, or the errno
// value of what failed.
int platform_startoutput(std::FILE* f);

// Ends the output opened by platform_openoutput successfully: its bytes
// flushed and the stream closed; a temporary file takes the replaced
// file's owner and group (where they may be given), permission bits
// (those of a new file otherwise) and its place. The place is refused when
// the path no longer names what it named at the opening (a folder, a link
// or another file put there). Where the rename is refused (a bind mount,
// another file system), the bytes are copied into the file in place.
// 0, or the errno value of what failed, or -1 with the reason in
// platform_outputreason; the temporary file is then removed, and
// *incomplete says whether the output was left part-written.
int platform_commitoutput(std::FILE* f, bool* incomplete);

// Ends the output unsuccessfully: the stream is closed and a temporary
// file removed, so that the path is left as it was. True when it was
// written in place and may now be incomplete.
bool platform_dropoutput(std::FILE* f);

// Empties the output to write it again from its start: 0, or an errno
// value. A device or a pipe keeps what it was given.
int platform_restartoutput(std::FILE* f);

// The reason of the last failure of platform_openoutput or
// platform_commitoutput that no errno value gives, or null.
const char* platform_outputreason();

// Whether the output path names the input's file (through a link, another
// spelling, or "-" for the standard stream that is it): never written. A
// terminal or /dev/null read and written counts as no file.
bool platform_outputisinput(const char* in, const char* out);

// Descriptors 0, 1 and 2 that are closed get /dev/null in their place,
// opened so that using them still fails as on a closed one: no file of the
// run can take their numbers and receive messages.
void platform_guardstdstreams();

// A run stopped from outside (SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1,
// SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF; the console's events on Windows)
// removes the output's temporary file, writes one line naming the stop,
// the page and what became of the output, and ends as the stop would
// have ended it. Signals the caller ignores stay ignored; SIGPIPE and
// SIGXFSZ are ignored, so that a write they would end fails instead.
// platform_catchstops installs this and makes the line's texts.
enum PlatformStopState { PLATFORM_STOP_KEPT, PLATFORM_STOP_INCOMPLETE, PLATFORM_STOP_DONE };
void platform_catchstops(const char* page, const char* output);
// What the line says of the output: left as it was, may be incomplete,
// already written.
void platform_stopstate(PlatformStopState state);
// The temporary file removed on a stop (null: none), with the stops held
// around its creation (platform_holdstops); false when the name is too
// long to be kept.
void platform_holdstops(bool on);
bool platform_stoptemp(const char* path);
// Whether a message line is being written, which a stop's line then ends.
void platform_stopmidline(bool on);

// What an open file is: a pipe (or socket) can be read only once, a device
// may never end.
enum PlatformFileKind { PLATFORM_UNKNOWN, PLATFORM_REGULAR, PLATFORM_FOLDER, PLATFORM_PIPE, PLATFORM_DEVICE };
PlatformFileKind platform_filekind(std::FILE* f);

// ---- The input and the program's own temporary files --------------------

// The folder of the program's temporary files (not the output's, which is
// always beside the output): TMPDIR when it is set and not empty, else
// /tmp; on Windows the system's temporary folder.
std::string platform_tempfolder();

// Opens the input for binary reading as the design does, whatever it is
// (a pipe is waited for, a folder opens), so that the caller can look at
// the open file; never as the controlling terminal. Null, with errno set,
// when it cannot be opened.
std::FILE* platform_openinput(const char* path);

// Whether the open file is a terminal.
bool platform_isterminal(std::FILE* f);

// Reads the stream's bytes as they are (standard input is in text mode on
// Windows until told otherwise).
void platform_setbinary(std::FILE* f);
