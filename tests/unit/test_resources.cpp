// The program folder, the page definition, the template index and value
// markers, and the entity tables.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "ddl/ddlout.h"
#include "support.h"
#include "html/preamble.h"
#include "ddl/template.h"
#include "html/style.h"
#include "resources/config.h"
#include "resources/entities.h"
#include "resources/page.h"
#include "base/runstate.h"

namespace {

TEST(ProgramFolder, CutAfterTheLastSeparator)
{
    EXPECT_EQ(run_programdir_from("C:\\Apps\\Quillet\\QuilletW.exe"), "C:\\Apps\\Quillet\\");
    EXPECT_EQ(run_programdir_from("C:\\Apps\\Quillet\\"), "C:\\Apps\\Quillet\\");
    EXPECT_EQ(run_programdir_from("QuilletW.exe"), "");
    EXPECT_EQ(run_programdir_from("/usr/lib/quillet/quillet"), "/usr/lib/quillet/");
    EXPECT_EQ(run_programdir_from("C:/mixed\\dir/prog"), "C:/mixed\\dir/");
    EXPECT_EQ(run_programdir_from(""), "");
}

TEST(Page, FittingLimitsEachSideToTheTextBoxLessTenMillimetres)
{
    page_load();
    auto fit = [](unsigned w, unsigned h) {
        unsigned r = page_fitpicture(w | h << 16);
        return std::make_pair(r & 0xFFFF, r >> 16);
    };
    EXPECT_EQ(fit(1000, 500), std::make_pair(637u, 500u));
    EXPECT_EQ(fit(100, 2000), std::make_pair(100u, 910u));
    EXPECT_EQ(fit(0, 0), std::make_pair(0u, 0u));
    const PageDefinition* p = page_current();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->paperw, 595276);
    EXPECT_EQ(p->paperh, 841890);
    EXPECT_EQ(p->textx, 28346);
    EXPECT_EQ(p->texty, 28346);
    EXPECT_EQ(p->textw, 538583);
    EXPECT_EQ(p->texth, 756850);
    page_release();
}

// Runs with the current folder set to a scratch folder, where support files
// are looked for (the program folder is empty in unit tests).
class InScratch : public ::testing::Test {
protected:
    std::string dir_;
    std::string old_;
    void SetUp() override
    {
        char buf[4096];
        old_ = getcwd(buf, sizeof buf) ? buf : ".";
        char tmpl[] = "/tmp/quillet-unit-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        ASSERT_EQ(chdir(dir_.c_str()), 0);
        run_setprogramdir("");  // the support files of this folder
        config_defaults();
        ddlout_setsmartquotes(settings.usesmartquotes);
        template_setvaluewriter(preamble_writevalue);
    }
    void TearDown() override
    {
        if (chdir(old_.c_str()) != 0) {}
        run_setprogramdir(QUILLET_SUPPORT_DIR "/");
        std::string cmd = "rm -rf '" + dir_ + "'";
        if (std::system(cmd.c_str()) != 0) {}
    }
    void write(const std::string& name, const std::string& bytes) { std::ofstream(name, std::ios::binary) << bytes; }
    std::string capture(void (*fn)())
    {
        test_support::Capture capture;
        ddlout_reset();
        fn();
        return capture.text();
    }
};

TEST_F(InScratch, TemplateSectionsAreCopiedUpToTheNextMarker)
{
    write("definits",
          "ignored text\n"
          "#styles#\n"
          "#chap_a4pre#\n"
          "pre line\n"
          "x# ends here too\n"
          "#genpref#\n"
          "g1\n"
          "g2 \xa4"
          "ALIGN\xa4\n"
          "g3\n"
          "#strikeout#\n"
          "{strikeout 1}\n"
          "#head2#\n"
          "{bold 1}\xa4"
          "FSIZE\xa4 after\n"
          "#END#\n"
          "#head1#\n"
          "never\n");
    definits_load();
    g_style.base_alignment = 3;
    g_style.base_size = 12;
    EXPECT_EQ(capture([] { ddlout_copysection(template_position(SEC_STYLES)); }), "");
    EXPECT_EQ(capture([] { ddlout_copysection(template_position(SEC_CHAP_A4PRE)); }), "pre line\n");
    // A marker line gets no line feed of its own.
    EXPECT_EQ(capture([] { ddlout_copysection(template_position(SEC_GENPREF)); }), "g1\ng2 {align 3}g3\n");
    // A missing marker copies from the start of the file to its first marker.
    EXPECT_EQ(capture([] { ddlout_copysection(template_position(SEC_CHAP_FINISH)); }), "ignored text\n");
    EXPECT_STREQ(template_strikeout(), "{strikeout 1}");
    EXPECT_STREQ(template_heading(2),
                 "{bold 1}\xa4"
                 "FSIZE\xa4 after");
    EXPECT_STREQ(template_heading(1), "");
    EXPECT_STREQ(template_heading(7), "");
}

TEST_F(InScratch, ValueMarkersExpandToTheirValues)
{
    page_load();
    g_style.base_alignment = 0;
    g_style.background_colour = 0;
    g_style.text_colour = 17;
    g_style.base_size = 14;
    g_style.leading = 13107;
    EXPECT_EQ(capture([] {
                  ddlout_expandtemplate(
                      "a\xa4"
                      "ALIGN\xa4"
                      "b\xa4"
                      "BGCOL\xa4"
                      "c\xa4"
                      "FGCOL\xa4"
                      "d\xa4"
                      "FSIZE\xa4"
                      "e\xa4"
                      "TLEAD\xa4"
                      "f\xa4"
                      "OTHER\xa4"
                      "g");
              }),
              "a{align 0}bCOL_002cCOL_017d{textsize 14000}e{leading 2 13107}fg");
    EXPECT_EQ(capture([] { ddlout_expandtemplate("\xa4PSIZE\xa4\xa4MRGNS\xa4"); }),
              "{papersize \"a4\" 0 {w 595276} {h 841890} {sideways 0}}\n"
              "{fcurve {box {x 28346}\n{y 28346}\n{w 538583}\n{h 756850}\n}}\n");
    // A marker cut short by the end of the line is never read past the end.
    EXPECT_EQ(capture([] {
                  ddlout_expandtemplate(
                      "x\xa4"
                      "AL");
              }),
              "x");
    page_release();
    g_style.text_colour = 1;
    g_style.background_colour = 2;
}

TEST_F(InScratch, EntitiesAreFoundExactlyThenFolded)
{
    write("entities",
          "&amp\n\xe9"
          "eacute\n\xc9"
          "Eacute\n" +
              std::string(1, '\0') + "zero\nXzero\n");
    write("unierr", "'apos\n\xa0NBSP\n");
    write("revent", "");
    entity_load();
    EXPECT_EQ(entity_find("amp"), '&');
    EXPECT_EQ(entity_find("AMP"), 0);
    EXPECT_EQ(entity_find_nocase("AMP"), '&');
    EXPECT_EQ(entity_find("Eacute"), 0xC9);
    EXPECT_EQ(entity_find("eacute"), 0xE9);
    EXPECT_EQ(entity_find("apos"), '\'');
    // A table line whose code byte is 0 never matches; the search goes on.
    EXPECT_EQ(entity_find("zero"), 'X');
    // The exact match in the second table wins over a folded one in the first.
    EXPECT_EQ(entity_find("NBSP"), 0xA0);
    EXPECT_EQ(entity_find("bogus"), 0);
}

TEST(EntityNumbers, AcceptedRanges)
{
    EXPECT_EQ(entity_find("#9"), 9);
    EXPECT_EQ(entity_find("#65"), 'A');
    EXPECT_EQ(entity_find("#x41"), 'A');
    EXPECT_EQ(entity_find("#X41"), 'A');
    EXPECT_EQ(entity_find("#xff"), 255);
    EXPECT_EQ(entity_find("#65x"), 'A');
    EXPECT_EQ(entity_find("#10"), 0);
    EXPECT_EQ(entity_find("#127"), 0);
    EXPECT_EQ(entity_find("#256"), 0);
    EXPECT_EQ(entity_find("#0"), 0);
    EXPECT_EQ(entity_find("#-5"), 0);
    EXPECT_EQ(entity_find("#99999999999999999999"), 0);
}

}  // namespace
