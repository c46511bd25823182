#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ddl/ddlout.h"
#include "ddl/template.h"
#include "html/driver.h"
#include "platform/platform.h"
#include "resources/colour.h"
#include "resources/config.h"
#include "resources/entities.h"
#include "resources/fontmap.h"
#include "resources/page.h"
#include "run/infile.h"
#include "run/memtrace.h"
#include "run/messages.h"
#include "run/runstate.h"
#include "translate/translate.h"

int StyleStackDepth = 0;

namespace {

const char* const kProgramName = "QuilletW";
const char* const kVersion = "0.48WIN";
const char* const kReleaseDate = "25th August 2005";
const char* const kBuildTime = "16:47:20";
const char* const kBuildDate = "Aug 25 2005";

char* g_inputpath = nullptr;
char* g_outputpath = nullptr;
int g_runmode = RUNMODE_CONVERT;
std::string g_programdir;

// Claims an exactly sized buffer for a file name.
char* claim_name(const char* name, const char* which)
{
    size_t n = std::strlen(name) + 1;
    char* p = static_cast<char*>(mem_claim(n));
    if (!p)
        fatal_message(1, "Unable to claim %d bytes to buffer %s filename, aborting.",
                      static_cast<int>(n), which);
    std::memcpy(p, name, n);
    return p;
}

// Usage errors and refused requests end with this code.
const int kUsageExit = 2;

void syntax_and_exit()
{
    fatal_message(kUsageExit, "Syntax: Quillet <input file> <output file>\n"
                     "        (read documentation for more options)");
}

// The version text, as -version shows it and --version prints it.
void version_text(char* buf, size_t size)
{
    std::snprintf(buf, size,
                  "%s %s (%s)\n"
                  "Written by the Quillet developers.\n"
                  "This version compiled at %s (CET) on %s.\n\n"
                  "This program is free software: it may be copied and given away freely, "
                  "as long as it is passed on whole and unchanged, with its support files, "
                  "and no charge is made for it.\n\n"
                  "Project page: see the README file shipped with the program.\n"
                  "Contact: the Quillet developers, through the project page.",
                  kProgramName, kVersion, kReleaseDate, kBuildTime, kBuildDate);
}

// --help: every way to run the program, on standard output.
[[noreturn]] void print_usage()
{
    const char* me = platform_commandname();
    std::printf("Usage: %s <input file> <output file>\n"
                "Converts an HTML page, or a Dramaton script, into a DDL file.\n\n"
                "  %s <input file> <output file>   convert the input into the output file\n"
                "  %s -converthtml <input file>    convert the input into %s\n"
                "  %s -tohtml <input> <output>     export (not supported: reports so, exit 2)\n"
                "  %s -configure                   (not supported: reports so, exit 2)\n"
                "  %s -version | /? | -h           show the version text as a message\n"
                "  %s --version                    print the version text\n"
                "  %s --help                       print this text\n\n"
                "An input file \"-\" is standard input, an output file \"-\" standard output.\n"
                "Options are recognised only as the first argument. The output file is\n"
                "replaced only when the conversion succeeds (exit code 0); on any other\n"
                "exit it is left as it was. Messages go to standard error.\n",
                me, me, me, platform_converthtml_output(), me, me, me, me, me);
    std::exit(std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 12);
}

}  // namespace

const char* run_inputpath() { return g_inputpath ? g_inputpath : ""; }
bool run_setinputpath(const char* path)
{
    size_t n = std::strlen(path) + 1;
    char* p = static_cast<char*>(mem_claim(n));
    if (!p) return false;
    std::memcpy(p, path, n);
    if (g_inputpath) mem_release(g_inputpath);
    g_inputpath = p;
    return true;
}

const char* run_outputpath() { return g_outputpath ? g_outputpath : ""; }
int run_mode() { return g_runmode; }
const std::string& run_programdir() { return g_programdir; }

std::string run_supportpath(const char* leaf)
{
    std::string p = g_programdir;
    p += leaf;
    return p;
}

std::string run_programdir_from(const std::string& path)
{
    if (path.empty()) return std::string();
    if (platform_issep(path.back())) return path;
    size_t i = path.size();
    while (i > 0 && !platform_issep(path[i - 1])) --i;
    return path.substr(0, i);
}

void run_closefiles()
{
    infile_close();
    ddlout_drop();
}

void run_releasebuffers()
{
    if (g_inputpath) { mem_release(g_inputpath); g_inputpath = nullptr; }
    if (g_outputpath) { mem_release(g_outputpath); g_outputpath = nullptr; }
    page_release();
}

void run_main(int argc, char** argv)
{
    memtrace_init();

    if (argc <= 1) {
        platform_messagebox("No command line were parameters specified.\n\n"
                            "Syntax: QuilletW <input file [HTM(L)]> <output file [DDL]>\n\n"
                            "For version details, open a command window and enter:\n"
                            "\tQuilletW -version");
        std::exit(kUsageExit);
    }

    const char* arg1 = argv[1];
    if (!std::strcmp(arg1, "-version") || !std::strcmp(arg1, "/?") || !std::strcmp(arg1, "-h") ||
        !std::strcmp(arg1, "--version")) {
        char text[1024];
        version_text(text, sizeof text);
        if (arg1[1] != '-') fatal_message(0, "%s", text);
        std::printf("%s\n", text);
        std::exit(std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 12);
    }
    if (!std::strcmp(arg1, "--help")) print_usage();

    g_programdir = run_programdir_from(platform_selfpath(argv[0]));
    StyleStackDepth = 16;

    if (!std::strcmp(arg1, "-configure"))
        fatal_message(kUsageExit, "-configure not currently supported...\n\n");

    if (!std::strcmp(arg1, "-converthtml")) {
        if (argc < 3) syntax_and_exit();
        g_inputpath = claim_name(argv[2], "input");
        g_outputpath = claim_name(platform_converthtml_output(), "output");
        g_runmode = RUNMODE_CONVERTHTML;
    } else if (!std::strcmp(arg1, "-tohtml")) {
        if (argc < 4) syntax_and_exit();
        g_inputpath = claim_name(argv[2], "input");
        g_outputpath = claim_name(argv[3], "output");
        g_runmode = RUNMODE_TOHTML;
    } else {
        // A lone "-" is standard input, not an option.
        if (arg1[0] == '-' && arg1[1])
            fatal_message(kUsageExit, "The parameter \"%s\" is not recognised, please read the %s documentation.",
                          arg1, kProgramName);
        if (argc != 3) syntax_and_exit();
        g_inputpath = claim_name(argv[1], "input");
        g_outputpath = claim_name(argv[2], "output");
    }

    config_load();
    page_load();
    definits_load();
    colour_load();
    fontmap_load();
    entity_load();
    translate_compile(translate_load());
    ddlout_suppress(1);

    if (g_runmode == RUNMODE_TOHTML)
        fatal_message(kUsageExit, "EXPORT not supported at this time...\n\n");

    convert_html();
    std::exit(0);
}
