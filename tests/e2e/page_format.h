// Shared by the formatting tests: a scratch program folder with small
// support files of the tests' own, so that every byte of the document text
// is known, and a check that a DDL file is well formed.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "harness.h"

namespace format_test {

inline std::string marker(const char* key) { return std::string("\xa4") + key + "\xa4"; }

// The page values on one comment line of the preamble; headings and
// strikeout as plain words so that they are easy to tell apart.
inline std::string definits()
{
    return "#defcolours#\n"
           "#deffonts#\n"
           "FONT_001={font \"Body\"}\n"
           "FONT_021={font \"Mono\"}\n"
           "FONT_041={font \"Sans\"}\n"
           "#genpref#\n"
           "// page " +
           marker("BGCOL") + " " + marker("FGCOL") + " " + marker("FSIZE") + " " + marker("TLEAD") + " " +
           marker("ALIGN") +
           "\n"
           "\n"
           "#styles#\n"
           "#chap_a4pre#\n"
           "#chap_a4post#\n"
           "#chap_finish#\n"
           "//end\n"
           "#strikeout#\n{strikeout 1}\n"
           "#head1#\n{H1}\n#head2#\n{H2}\n#head3#\n{H3}\n"
           "#head4#\n{H4}\n#head5#\n{H5}\n#head6#\n{H6}\n"
           "#END#\n";
}

// DarkGreen is user colour 16, Orange 17; colours the documents add
// start at 18.
const char* const kColours = "007F00DarkGreen\nFF8000Orange\n";
const char* const kFontmap = "courier~21\narial~41\n";

// The text of the document: what follows the body's first foreground
// command, up to the finish section.
inline std::string document_text(const std::string& ddl)
{
    std::string body = body_of(ddl);
    const std::string end = "//end\n";
    if (body.size() >= end.size() && body.compare(body.size() - end.size(), end.size(), end) == 0)
        body.erase(body.size() - end.size());
    return body;
}

class FormatTest : public ::testing::Test {
protected:
    ScratchDir d_{{"entities", "unierr", "revent"}};
    RunResult last_;

    void SetUp() override
    {
        d_.write("definits", definits());
        d_.write("colours", kColours);
        d_.write("fontmap", kFontmap);
        d_.write("fontexpt", "corpus~Mono\n");
        config("");
    }
    // Ordinary text is left-aligned unless a test asks otherwise.
    void config(const std::string& lines) { d_.write("config", "tjustified=false\n" + lines); }

    RunResult run(const std::string& html)
    {
        last_ = d_.convert("<html>" + html);
        EXPECT_EQ(last_.code, 0) << last_.err;
        return last_;
    }
    std::string text(const std::string& html) { return document_text(run(html).output); }
};

using ::ddl_problems;

}  // namespace format_test
