#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ddl/ddlout.h"
#include "ddl/template.h"
#include "html/driver.h"
#include "html/preamble.h"
#include "html/style.h"
#include "html/tags.h"
#include "base/platform.h"
#include "resources/colour.h"
#include "resources/config.h"
#include "resources/entities.h"
#include "resources/fontmap.h"
#include "resources/page.h"
#include "base/infile.h"
#include "base/memtrace.h"
#include "base/messages.h"
#include "base/runstate.h"
#include "base/version.h"
#include "app/run.h"
#include "translate/translate.h"
#include "view/ddlview.h"

namespace {

// Sets a file name through its setter, ending the run when its copy cannot
// be claimed.
void set_name(bool (*setter)(const char*), const char* name, const char* which)
{
    if (!setter(name))
        fatal_message(1, "Unable to claim %d bytes to buffer %s filename, aborting.",
                      static_cast<int>(std::strlen(name) + 1), which);
}

// Usage errors and refused requests end with this code.
const int kUsageExit = 2;

void syntax_and_exit()
{
    fatal_message(kUsageExit,
                  "Syntax: Quillet <input file> <output file>\n"
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
    std::printf(
        "Usage: %s <input file> <output file>\n"
        "Converts an HTML page, or a Dramaton script, into a DDL file.\n\n"
        "  %s <input file> <output file>   convert the input into the output file\n"
        "  %s -converthtml <input file>    convert the input into %s\n"
        "  %s -tohtml <DDL file> <output>  show a DDL file as one HTML page\n"
        "  %s -configure                   (not supported: reports so, exit 2)\n"
        "  %s -version | /? | -h           show the version text as a message\n"
        "  %s --version                    print the version text\n"
        "  %s --help                       print this text\n\n"
        "An input file \"-\" is standard input, an output file \"-\" standard output.\n"
        "Options are recognised only as the first argument. The output file is\n"
        "replaced only when the conversion succeeds (exit code 0); on any other\n"
        "exit it is left as it was. Standard output named by a path (/dev/stdout)\n"
        "and a file that cannot be replaced in one step are written in place.\n"
        "Messages go to standard error.\n\n"
        "Exit codes: 0 done; 1 not a page, not a DDL file or a DDL error (or out of memory); 2 command line not\n"
        "understood; 10 input cannot be opened or read; 11 output cannot be opened;\n"
        "12 output cannot be written; 30 to 255 a support file missing, memory or a\n"
        "script's error (see the manual page). Stopped by a signal (Ctrl-C, SIGTERM,\n"
        "...), a run removes its temporary file, says so and ends by that signal\n"
        "(a shell shows 128 + its number: 130 for Ctrl-C, 143 for SIGTERM).\n",
        me, me, me, platform_converthtml_output(), me, me, me, me, me);
    std::exit(std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 12);
}

}  // namespace

namespace {

// The tracker's last act before its report: every file closed (an output
// not committed is dropped) and the run's own claims released.
void close_run()
{
    infile_close();
    ddlout_drop();
    run_releasepaths();
    page_release();
}

// -tohtml: the input read as a DDL file and shown as one HTML page, the
// output replaced only when the whole page is written.
[[noreturn]] void show_ddl()
{
    const char* in = run_inputpath();
    // The DDL file holds host bytes: it is read as it is.
    infile_setcharsets(false);
    if (!infile_open(in)) fatal_message(10, "Couldn't open %s file \"%s\" (%s).", "input", in, infile_openreason());
    std::string ddl;
    for (int c; (c = infile_getc()) != EOF;) ddl.push_back(static_cast<char>(c));
    infile_close();
    if (ddl.compare(0, 7, "//->DDL") != 0)
        fatal_message(1, "The input file \"%s\" is not a DDL file: -tohtml shows a DDL file as an HTML page.", in);
    std::string html, error;
    int line = 0;
    if (!view_render(ddl, in, &html, &error, &line))
        fatal_message(1, "DDL error in \"%s\" at line %d: %s.", in, line, error.c_str());
    ddlout_openrun();
    ddlout_directbytes(html.data(), html.size());
    ddlout_commit();
    std::exit(0);
}

}  // namespace

void run_main(int argc, char** argv)
{
    platform_guardstdstreams();
    memtrace_init();
    memtrace_setfinish(close_run);
    template_setvaluewriter(preamble_writevalue);

    if (argc <= 1) {
        platform_messagebox(
            "No command line were parameters specified.\n\n"
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

    run_setprogramdir(run_programdir_from(platform_selfpath(argv[0])));
    StyleStackDepth = 16;

    if (!std::strcmp(arg1, "-configure")) fatal_message(kUsageExit, "-configure not currently supported...\n\n");

    if (!std::strcmp(arg1, "-converthtml")) {
        if (argc < 3) syntax_and_exit();
        set_name(run_setinputpath, argv[2], "input");
        set_name(run_setoutputpath, platform_converthtml_output(), "output");
        run_setmode(RUNMODE_CONVERTHTML);
    } else if (!std::strcmp(arg1, "-tohtml")) {
        if (argc < 4) syntax_and_exit();
        set_name(run_setinputpath, argv[2], "input");
        set_name(run_setoutputpath, argv[3], "output");
        run_setmode(RUNMODE_TOHTML);
    } else {
        // A lone "-" is standard input, not an option.
        if (arg1[0] == '-' && arg1[1])
            fatal_message(kUsageExit, "The parameter \"%s\" is not recognised, please read the %s documentation.", arg1,
                          kProgramName);
        if (argc != 3) syntax_and_exit();
        set_name(run_setinputpath, argv[1], "input");
        set_name(run_setoutputpath, argv[2], "output");
    }

    platform_catchstops(run_inputpath(), run_outputpath());
    config_load();
    ddlout_setsmartquotes(settings.usesmartquotes);
    ddlout_setkeepspaces(settings.keepspaces);
    tags_install();
    infile_setcharsets(settings.charsets != 0);
    page_load();
    definits_load();
    colour_load();
    fontmap_load();
    entity_load();
    translate_compile(translate_load());
    ddlout_suppress(1);

    if (run_mode() == RUNMODE_TOHTML) show_ddl();

    convert_html();
    std::exit(0);
}
