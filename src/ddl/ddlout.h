// The output workspace and writer: the only way text and commands reach the
// DDL file.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

#include "ddl/format.h"
#include "base/messages.h"
#include "base/platform.h"

// The output stream. Its path changes only when the run commits it: until
// then the bytes go to a temporary file beside it (a device, a pipe or
// standard output is written as it is; see platform_openoutput for the
// outputs written in place), and dropping it leaves the path as it was. A
// write that fails ends the run with exit 12; an output written in place
// then says that it may be incomplete, and so does dropping it.
bool ddlout_open(const char* path);
// The run's output opened (its path from the run state), or the run ended
// with exit 11 and the reason: the system's, or that it is the input file.
void ddlout_openrun();
// The output kept in memory instead: appended to *sink as it is written,
// complete after ddlout_commit (for tests and tools that read it back).
bool ddlout_opensink(std::string* sink);
// Empties the output to write it again from its start (opening it as
// ddlout_openrun does when it is not open).
bool ddlout_restart();
// Everything written put in the output's place; a failure ends the run
// with exit 12, the output's path left as it was.
void ddlout_commit();
// Drops what was written: the path is left as it was.
void ddlout_drop();
// Drops what was written and ends the run with the exit code: the end of
// every conversion that cannot go on.
[[noreturn]] void ddlout_abandon(int code);
// The identity of the file being written (the temporary file, or what the
// output is written to); false when none is open.
bool ddlout_outputid(PlatformFileId* id);

// Text through the line workspace. A control byte (below 32, or 127) is
// added as a space: only ddlout_addsoftspace gives the soft space.
void ddlout_addchar(int ch);
// The soft space: written as one space unless the byte before is one.
void ddlout_addsoftspace();
// The same as ddlout_addchar for each of n characters, the first not a space.
// The text is read in blocks of sixteen: the sixteen bytes after it must be
// readable (as those after the input buffer's bytes are).
void ddlout_addtext(const char* text, size_t n);
void ddlout_addstring(const char* format, ...) QUILLET_PRINTF(1, 2);
void ddlout_flush();
// A command line: the workspace flushed, then the n bytes and a line feed.
void ddlout_commandn(const char* text, size_t n);
// Inline, so that a literal command's length is known where it is written.
inline void ddlout_command(const char* text) { ddlout_commandn(text, std::strlen(text)); }
// The command made of the text before, the number (zero-padded to `digits`
// digits) and the text after, as ddl_join makes it.
// The value saturates to a signed 32-bit number, as every number in a
// command must fit one.
inline void ddlout_commandjoin(const char* before, long long value, int digits, const char* after)
{
    if (value > 2147483647LL) value = 2147483647LL;
    if (value < -2147483647LL - 1) value = -2147483647LL - 1;
    char cmd[160];
    int n = ddl_join(cmd, sizeof cmd, before, value, digits, after);
    ddlout_commandn(cmd, n < static_cast<int>(sizeof cmd) ? static_cast<size_t>(n) : sizeof cmd - 1);
}
// The breaks ddlout_break writes: {newline} and {newpara}.
enum { DDL_NEWLINE = 0, DDL_NEWPARA = 1 };
// The workspace flushed, then a break of that kind; a new line starts.
void ddlout_break(int kind);
void ddlout_setlinestart(int on);
// Whether quotes in text become typographic ones (on at first).
void ddlout_setsmartquotes(int on);
// Whether a space that stood alone between two commands is kept, written in
// front of the text that follows unless a break comes first (off at first:
// such a space is dropped, and the words on either side run together).
void ddlout_setkeepspaces(int on);
void ddlout_suppress(int on);
void ddlout_tab();
// " [ text ] " with the text in italics and the brackets upright; with
// `italic` (italics on around it) they are turned off for the brackets and
// on again after.
void ddlout_bracketed(const char* text, bool italic);
void ddlout_strikeout(int on);
void ddlout_finish();
// A template line (strikeout, heading): straight to the stream, its value
// markers expanded, and a line feed.
void ddlout_templateline(const char* line);

// Straight to the stream, bypassing the workspace and the suppressed state
// (comment lines, the preamble, template sections, declarations).
void ddlout_directbytes(const char* data, size_t n);
inline void ddlout_direct(const char* text) { ddlout_directbytes(text, std::strlen(text)); }
void ddlout_directchar(int ch);
void ddlout_directf(const char* format, ...) QUILLET_PRINTF(1, 2);

// Back to the starting state (workspace empty, output suppressed).
void ddlout_reset();
