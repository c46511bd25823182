// <continue>: the rest of the script comes from another file.
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_set>

#include "ddl/ddlout.h"
#include "markup/tagreader.h"
#include "base/infile.h"
#include "base/memtrace.h"
#include "base/messages.h"
#include "base/runstate.h"
#include "base/pagefiles.h"
#include "base/platform.h"
#include "resources/config.h"
#include "script/script.h"

namespace {

enum OpenResult { OPENED, NOT_OPENED, ALREADY_READ, IS_OUTPUT, OUTSIDE };

struct IdHash {
    size_t operator()(const PlatformFileId& id) const
    {
        return static_cast<size_t>(id.index * 0x9E3779B97F4A7C15ull ^ id.volume);
    }
};

// The identity of every file read as input so far. Reading one of them
// again could only repeat the same chain for ever, so it is refused.
std::unordered_set<PlatformFileId, IdHash> g_read;
bool g_started = false;  // the first input is in g_read
// The folder part of the page's name as given ("" for none). A
// continuation's name is taken from the page's folder; as the input's
// name it is shown after this prefix, as the page's own name is, so that
// every input name reads from the current folder.
std::string g_pageprefix;

// Opened as the input when it is a regular file inside the folders the page
// may read (`name` taken from the page's folder) that is neither the
// output nor a file read before; `shown` names it as the input. (Only
// plain files: a folder or a device would never end or never start, and a
// pipe is never even waited for.)
OpenResult open_script(const char* name, const char* shown, PlatformFileId* id)
{
    if (!name[0]) return NOT_OPENED;
    PageFile page;
    PageFileResult found = pagefile_open(name, &page);
    if (found == PAGEFILE_OUTSIDE) return OUTSIDE;
    if (found != PAGEFILE_OPENED) return NOT_OPENED;
    std::FILE* f = page.file;
    *id = page.id;
    PlatformFileId out;
    if ((platform_pathid(run_outputpath(), &out) && out == *id) || (ddlout_outputid(&out) && out == *id)) {
        std::fclose(f);
        return IS_OUTPUT;
    }
    if (g_read.count(*id)) {
        std::fclose(f);
        return ALREADY_READ;
    }
    return infile_openfile(f, shown) ? OPENED : NOT_OPENED;
}

// A name that could lead out of the current folder and below: absolute
// (a leading separator or a drive), or holding a ".." step. (On Windows a
// step of dots and spaces only is read as ".." too.)
bool leaves_folder(const char* name)
{
    if (platform_issep(name[0]) || (name[0] && name[1] == ':')) return true;
    const char* step = name;
    for (const char* p = name;; ++p) {
        if (*p && !platform_issep(*p)) continue;
        int dots = 0;
        bool other = false;
        for (const char* q = step; q < p; ++q) {
            if (*q == '.')
                ++dots;
            else if (*q != ' ')
                other = true;
        }
        if (!other && dots >= 2) return true;
        if (!*p) return false;
        step = p + 1;
    }
}

// Whether the name in the parameter text did not fit whole: it fills the
// field, or it runs to the end of a parameter text that was itself cut.
bool was_cut(const char* value, size_t field)
{
    size_t n = std::strlen(value);
    if (n + 1 >= field) return true;
    size_t len = g_tag.paramlen > 0 ? static_cast<size_t>(g_tag.paramlen) : 0;
    bool params_cut = len + 1 >= sizeof g_tag.params && g_tag.params[len - 1] != '>';
    return params_cut && n > 0 && len >= n && std::memcmp(g_tag.params + len - n, value, n) == 0;
}

[[noreturn]] void claim_failure()
{
    show_message("Can't claim memory for continuation processing, aborting...");
    ddlout_abandon(44);
}

[[noreturn]] void refuse(const char* name)
{
    show_message(
        "Cannot continue into \"%s\": a continuation file must be a file in the page's folder or below "
        "it.",
        name);
    ddlout_abandon(44);
}

[[noreturn]] void fail(const char* name, int code)
{
    if (code == 5)
        show_message(
            "Can't open file \"%s\" for Dramaton continuation, it has already been read and the script "
            "would never end, aborting... [%d]",
            name, code);
    else if (code == 6)
        show_message("Can't open file \"%s\" for Dramaton continuation, it is the output file, aborting... [%d]", name,
                     code);
    else
        show_message("Can't open file \"%s\" for Dramaton continuation, aborting... [%d]", name, code);
    ddlout_abandon(44);
}

// Anything but a plain failure to open ends the run at once.
void check_refused(OpenResult r, const char* name)
{
    if (r == ALREADY_READ) fail(name, 5);
    if (r == IS_OUTPUT) fail(name, 6);
    if (r == OUTSIDE) refuse(name);
}

// The opened file becomes the input; false when its name cannot be kept.
bool accept(const char* path, const PlatformFileId& id)
{
    if (!run_setinputpath(path)) return false;
    g_read.insert(id);
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
    ScriptValue value = dramaton_value(0);
    dramaton_copyfield(name, sizeof name, value.text);
    ddlout_flush();
    if (!g_started) {
        PlatformFileId first;
        if (infile_fileid(&first)) g_read.insert(first);
        g_started = true;
        const char* page = run_inputpath();
        size_t cut = platform_isstdstream(page) ? 0 : std::strlen(page);
        while (cut > 0 && !platform_issep(page[cut - 1])) --cut;
        g_pageprefix.assign(page, cut);
        pagefile_setpage(page, config_resourcefolders());
    }
    infile_close();
    if (leaves_folder(name) || was_cut(value.text, sizeof name)) refuse(name);

    PlatformFileId id;
    std::string shown = g_pageprefix + name;
    OpenResult r = open_script(name, shown.c_str(), &id);
    if (r == OPENED) {
        if (!accept(shown.c_str(), id)) claim_failure();
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
    // Built from the input's name, which starts with the page's prefix.
    const char* inside = built;
    if (std::strncmp(built, g_pageprefix.c_str(), g_pageprefix.size()) == 0) inside += g_pageprefix.size();
    r = open_script(leaves_folder(inside) ? "" : inside, built, &id);
    if (r != OPENED) {
        // The message names the path that was tried.
        char tried[1024];
        std::snprintf(tried, sizeof tried, "%s", built);
        mem_release(built);
        check_refused(r, tried);
        fail(tried, 4);
    }
    bool kept = accept(built, id);
    mem_release(built);
    if (!kept) claim_failure();
}

void dramaton_releasecontinue()
{
    g_read.clear();
    g_started = false;
    g_pageprefix.clear();
    pagefile_reset();
}
