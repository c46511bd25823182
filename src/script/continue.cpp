// <continue>: the rest of the script comes from another file.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "ddl/ddlout.h"
#include "markup/tagreader.h"
#include "base/infile.h"
#include "base/memtrace.h"
#include "base/messages.h"
#include "base/runstate.h"
#include "script/script.h"

namespace {

enum OpenResult { OPENED, NOT_OPENED, ALREADY_READ, IS_OUTPUT };

// Every file read as input so far. Reading one of them again could only
// repeat the same chain for ever, so it is refused.
std::vector<std::string> g_read;

bool same_file(const std::string& a, const std::string& b)
{
    std::error_code ec;
    bool same = std::filesystem::equivalent(a, b, ec);
    return !ec && same;
}

OpenResult open_script(const char* path)
{
    std::error_code ec;
    // Only plain files: a folder or a device would never end or never start.
    if (!path[0] || !std::filesystem::is_regular_file(path, ec) || ec) return NOT_OPENED;
    if (same_file(path, run_outputpath())) return IS_OUTPUT;
    for (const std::string& p : g_read)
        if (same_file(path, p)) return ALREADY_READ;
    return infile_open(path) ? OPENED : NOT_OPENED;
}

[[noreturn]] void claim_failure()
{
    show_message("Can't claim memory for continuation processing, aborting...");
    ddlout_abandon(44);
}

[[noreturn]] void fail(const char* name, int code)
{
    if (code == 5)
        show_message("Can't open file \"%s\" for Dramaton continuation, it has already been read and the script "
                     "would never end, aborting... [%d]",
                     name, code);
    else if (code == 6)
        show_message("Can't open file \"%s\" for Dramaton continuation, it is the output file, aborting... [%d]",
                     name, code);
    else
        show_message("Can't open file \"%s\" for Dramaton continuation, aborting... [%d]", name, code);
    ddlout_abandon(44);
}

// Anything but a plain failure to open ends the run at once.
void check_refused(OpenResult r, const char* name)
{
    if (r == ALREADY_READ) fail(name, 5);
    if (r == IS_OUTPUT) fail(name, 6);
}

// The opened file becomes the input; false when its name cannot be kept.
bool accept(const char* path)
{
    if (!run_setinputpath(path)) return false;
    g_read.push_back(path);
    g_line = 1;
    return true;
}

}  // namespace

int dramaton_continuationname(const char* inputpath, const char* name, char* built, size_t size)
{
    if (std::strchr(name, '.')) return 1;
    size_t len = std::strlen(inputpath);
    if (!std::memchr(inputpath, '.', len)) return 2;
    // The last "." before the final character.
    size_t dot = len;
    for (size_t i = len - 1; i-- > 0;) {
        if (inputpath[i] == '.') {
            dot = i;
            break;
        }
    }
    if (dot == len || dot == 0) return 3;
    size_t need = dot + 1 + std::strlen(name) + 1;
    if (need > size) return 3;
    std::memcpy(built, inputpath, dot + 1);
    std::memcpy(built + dot + 1, name, std::strlen(name) + 1);
    return 0;
}

void dramaton_continue()
{
    char name[200];
    dramaton_copyfield(name, sizeof name, dramaton_value(0).text);
    ddlout_flush();
    infile_close();
    if (g_read.empty()) g_read.push_back(run_inputpath());

    OpenResult r = open_script(name);
    if (r == OPENED) {
        if (!accept(name)) claim_failure();
        return;
    }
    check_refused(r, name);

    const char* input = run_inputpath();
    size_t size = std::strlen(input) + std::strlen(name) + 2;
    char* built = static_cast<char*>(mem_claim(size));
    if (!built) claim_failure();
    int code = dramaton_continuationname(input, name, built, size);
    if (code) {
        mem_release(built);
        fail(name, code);
    }
    r = open_script(built);
    if (r != OPENED) {
        // The message names the path that was tried.
        char tried[1024];
        std::snprintf(tried, sizeof tried, "%s", built);
        mem_release(built);
        check_refused(r, tried);
        fail(tried, 4);
    }
    bool kept = accept(built);
    mem_release(built);
    if (!kept) claim_failure();
}

void dramaton_releasecontinue()
{
    g_read.clear();
    g_read.shrink_to_fit();
}
