// Shared pieces of the script conversion tests: a scratch program folder
// with small support files of our own, and the fixed parts of a script's
// output worked out by hand.
#pragma once

#include <string>

#include "harness.h"

// Section text of the small definitions template.
inline const char* script_definits()
{
    return "#defcolours#\nDEFCOLOURS\n#deffonts#\nDEFFONTS\n#genpref#\nGENPREF 1\nGENPREF 2\n"
           "#styles#\nHTMLSTYLES\n#chap_a4pre#\nA4PRE\n#chap_a4post#\nA4POST\n"
           "#chap_finish#\nFINISH\n#END#\nNEVER\n";
}

inline const char* script_drmstyle() { return "STYLE_01={style \"Title\"}\nSTYLE_03={style \"Scene\"}\n"; }

// A scratch folder for scripts. `config` is the configuration file
// (smart quotes and non-breaking hyphens off unless asked for).
struct ScriptDir : ScratchDir {
    explicit ScriptDir(const std::string& config = "g usesmartquotes=false\nt nonbreakhyphens=false\n")
        : ScratchDir({"entities", "unierr", "revent", "colours", "fontmap", "fontexpt"})
    {
        write("definits", script_definits());
        write("drmstyle", script_drmstyle());
        write("config", config);
    }
    // Converts "<html><dramaton>" followed by the script.
    RunResult script(const std::string& text) const { return convert("<html><dramaton>" + text); }
};

// The script preamble for input file in.htm with the template above.
inline std::string script_preamble(const std::string& input = "in.htm")
{
    return "//->DDL\n"
           "// Produced by DRAMATON : QuilletW v0.48WIN (25th August 2005)\n"
           "// WINDOWS EXECUTABLE VERSION\n"
           "// Copyright (c) 2005 the Quillet developers\n"
           "//\n//\n// Input file \"" +
           input +
           "\"\n// [DRAMATON mode]\n//\n\n//\n\n"
           "DOC={document}\n\n"
           "// standard colours\n"
           "COL_001={colour \"Black\" {cmyk 0x0 0x0 0x0 0x10000}{lock 1}}\n"
           "COL_002={colour \"White\" {rgb 0x10000 0x10000 0x10000}{lock 1}}\n"
           "COL_003={colour \"Transparent\" {rgb 0x10000 0x10000 0x10000}{transparent 1}}\n"
           "\n"
           "// standard fonts\n"
           "FONT_001={font \"Trinity.Medium\"}\n"
           "FONT_011={font \"Homerton.Medium\"}\n"
           "FONT_021={font \"Corpus.Medium\"}\n"
           "\n"
           "GENPREF 1\nGENPREF 2\n"
           "STYLE_01={style \"Title\"}\nSTYLE_03={style \"Scene\"}\n"
           "A4PRE\nA4POST\n";
}

// The header every body test starts with, and the title page it writes.
inline const char* kShortHeader = "<title T><author A><copyright year 2005 to H><begin>\n";

inline std::string short_titlepage()
{
    std::string s = "{adduserstyle STYLE_01}\n{bold 0}{italic 0} FONT_011\n";
    for (int i = 0; i < 11; ++i) s += "{newline}\n";
    s += "{bold 1}{textsize 22000}{align 1}\n\"T\"\n{bold 0}{underline 0}{textsize 14000}{newline}\n"
         "{newline}{newline}{newline}\n"
         "\"by\"\n{newline}{newline}\n\"A\"\n{newline}{newline}\n{newline}{newline}\n"
         "{bold}{italic}{underline}{font}{textsize}{newpara}{align 3}\n";
    for (int i = 0; i < 19; ++i) s += "{newline}\n";  // 15, and 4 more without a type
    s += "{tabruler }{tabruler {tableader \"\"} {lefttab 374173}}\n"
         "{newline}\n{newline}\n{newline}\n{newpara}\n"
         "{newpara}{tabruler}{align 1}\n\"\xA9 2005 H\"\n"
         "{newpara}{align}{bold}{italic}{underline}{font}{textsize}{newpage}\n";
    return s;
}

// The five commands that follow every user style switched on.
inline std::string style_on(const std::string& style)
{
    return "{adduserstyle " + style + "}\n{bold}\n{italic}\n{underline}\n{font}\n{textsize}\n";
}

// The document text between the short title page and the finish section;
// "<no match>" when the output does not have that shape.
inline std::string script_body(const std::string& out)
{
    std::string head = script_preamble() + short_titlepage();
    const std::string tail = "FINISH\n";
    if (out.compare(0, head.size(), head) != 0 || out.size() < head.size() + tail.size() ||
        out.compare(out.size() - tail.size(), tail.size(), tail) != 0)
        return "<no match>";
    return out.substr(head.size(), out.size() - head.size() - tail.size());
}

// Each message as standard error shows it.
inline std::string msg(const std::string& text) { return "QuilletW: " + text + "\n"; }
