// Pages with pictures: the preamble's frame and picture declarations, the
// embed commands and markers in the text, and pictures that are missing,
// odd, hostile or many.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "harness.h"

namespace {

const char* const kDefinits =
    "#chap_a4pre#\n"
    "{pre}\n"
    "#chap_a4post#\n"
    "{post}\n"
    "#chap_finish#\n"
    "{finish}\n"
    "#END#\n";

const std::string kGif = "GIF89a";  // encodes as 4WH)1&HD
// SOI, APP0 (JFIF), a quantisation segment, a frame of 640 x 480, EOI: 47 bytes.
const std::string kJpeg =
    std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20) +
    std::string("\xFF\xDB\x00\x04\x00\x01", 6) +
    std::string("\xFF\xC0\x00\x11\x08\x01\xE0\x02\x80\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01", 19) +
    std::string("\xFF\xD9", 2);

const char* const kFrameStart =
    "PICT_%03d={pictframe\n{lock 0}\n{spread 0}\n{fillcolour COL_003 0x10000 0}\n{radius 0}\n{inset 0}\n"
    "{textflow 3 1 2834}\n{fcurve {box {x 0}\n{y 0}\n";
const char* const kFrameEnd =
    "{angle 0x0}\n{skew 0x0}\n{picturedata\n{lockmode 0}\n{aspectlock 1}\n{autoscale 1}\n{hide 0}\n"
    "{bottomleft 0}\n{x 0}\n{y 0}\n{scale 0x10000}\n{aspect 0x10000}\n{angle 0x0}\n{skew 0x0}\n{tile 0 0 0}}\n}\n\n";

std::string frame(int i, const std::string& leaf, int w, int h)
{
    char start[512];
    std::snprintf(start, sizeof start, kFrameStart, i);
    return "\n\n// ( \"" + leaf + "\" )\n" + start + "{w " + std::to_string(w) + "}\n{h " + std::to_string(h) +
           "}\n}}\n" + kFrameEnd;
}

std::string picture(int i, const char* kind, long size, const std::string& encoded)
{
    char head[128];
    std::snprintf(head, sizeof head, "PICTURE_%03d={picture\n{data \"%s\"\n%ld\n", i, kind, size);
    return head + ("\"" + encoded + "\"\n}\n}\n");
}

std::string link(int i, const std::string& leaf)
{
    char buf[128];
    std::snprintf(buf, sizeof buf, "{embed PICT_%03d}\n", i);
    return "// linking to image \"" + leaf + "\"\n" + buf;
}

// The marker as written with straight quotes.
std::string marker(const std::string& text) { return "\" [ \"\n{italic 1}\n\"" + text + "\"\n{italic 0}\n\" ] \"\n"; }

std::string source_file(const std::string& name)
{
    std::ifstream in(std::string(QUILLET_SOURCE_DIR) + "/" + name, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

struct Converted {
    RunResult run;
    std::string pictures;  // between the chapter's two sections
    std::string body;  // between the preamble and the finish section
};

class Pictures : public ::testing::Test {
protected:
    ScratchDir d_{{"entities", "unierr", "revent", "colours", "fontmap", "fontexpt"}};
    void SetUp() override
    {
        d_.write("definits", kDefinits);
        config("");
    }
    void config(const std::string& extra) { d_.write("config", "gusesmartquotes=false\n" + extra); }
    Converted convert(const std::string& html, const std::vector<std::string>& args = {"in.htm", "out.ddl"})
    {
        if (args[0] == "in.htm") d_.write("in.htm", html);
        d_.remove("out.ddl");
        Converted c;
        c.run = d_.run(args, "out.ddl");
        const std::string& out = c.run.output;
        size_t pre = out.find("{pre}\n");
        size_t post = out.find("{post}\n");
        size_t body = out.find("{foreground COL_001 0x10000 0}\n");
        size_t finish = out.rfind("{finish}\n");
        if (pre == std::string::npos || post == std::string::npos || body == std::string::npos ||
            finish == std::string::npos || pre > post || post > body || body > finish) {
            ADD_FAILURE() << "unexpected output:\n" << out << "\nerr:\n" << c.run.err;
            return c;
        }
        c.pictures = out.substr(pre + 6, post - pre - 6);
        size_t text = body + std::string("{foreground COL_001 0x10000 0}\n").size();
        c.body = out.substr(text, finish - text);
        return c;
    }
    ScratchDir& d() { return d_; }
};

}  // namespace

TEST_F(Pictures, GifAndJpegAreDeclaredAndEmbedded)
{
    d().write("a.gif", kGif);
    (void)system(("mkdir -p '" + d().path("Pics") + "'").c_str());
    d().write("Pics/Photo.JPG", kJpeg);
    Converted c = convert("<html><body>A<img src=a.gif>B<img src=\"Pics/Photo.JPG\"></body></html>\n");
    EXPECT_EQ(c.run.code, 0);
    EXPECT_EQ(c.run.err, "");
    // The 47 JPEG bytes in groups of three, the last (FF D9) padded with FF.
    std::string jpeg = "b`Fb[##35G<,4C#$#3###3#$##&bYS#'##*bS##4%#*C#K#&#5+##D'$#T'$b`Jb";
    EXPECT_EQ(c.pictures, frame(1, "a.gif", 204000, 204000) + picture(1, "gif", 6, "4WH)1&HD") +
                              frame(2, "photo.jpg", 509600, 384000) + picture(2, "jpeg", 47, jpeg));
    EXPECT_EQ(c.body, "\"A\"\n" + link(1, "a.gif") + "\"B\"\n" + link(2, "photo.jpg"));
}

// Under html5tags the picture is the src attribute's, by its whole name
// and with its references decoded; without one, or with a data: one, a
// lazy page's data-*src.
TEST_F(Pictures, SourcesByTheWholeAttributeName)
{
    config("mhtml5tags=true\n");
    d().write("a.gif", kGif);
    Converted c = convert(
        "<body><img title=\"src=b.gif\" src=\"a&#46;gif\"><img data-lazy-src=a.gif>"
        "<img src=\"data:image/gif;base64,R0lGODlh\" data-src=\"a.gif\"></body>");
    EXPECT_EQ(c.run.code, 0);
    EXPECT_EQ(c.pictures, frame(1, "a.gif", 204000, 204000) + picture(1, "gif", 6, "4WH)1&HD") +
                              frame(2, "a.gif", 204000, 204000) + "PICTURE_002=PICTURE_001\n" +
                              frame(3, "a.gif", 204000, 204000) + "PICTURE_003=PICTURE_001\n");
    EXPECT_EQ(c.body, link(1, "a.gif") + link(2, "a.gif") + link(3, "a.gif"));
}

// Under the pictures setting: every format made into GIF or JPEG, frames
// of the picture's own shape, a JPEG as cameras write it kept as it is.
class SavedPictures : public Pictures {
protected:
    void SetUp() override
    {
        Pictures::SetUp();
        config("mhtml5tags=true\nmpictures=true\n");
    }
    std::string fixture(const std::string& name) { return source_file("tests/data/pictures/" + name); }
    void copy(const std::string& name, const std::string& as = "") { d().write(as.empty() ? name : as, fixture(name)); }
};

// The declaration of picture i: its kind and size.
std::string declared(int i, const char* kind, size_t size)
{
    char head[96];
    std::snprintf(head, sizeof head, "PICTURE_%03d={picture\n{data \"%s\"\n%zu\n", i, kind, size);
    return head;
}

TEST_F(SavedPictures, EveryFormatBecomesGifOrJpeg)
{
    for (const char* f :
         {"photo.png", "few.png", "camera.jpg", "progressive.jpg", "turned.jpg", "photo.webp", "drawing.svg"})
        copy(f);
    Converted c = convert(
        "<body><img src=\"photo.png?v=2\"><img src=few.png><img src=camera.jpg><img src=progressive.jpg>"
        "<img src=turned.jpg><img src=photo.webp><img src=camera.jpg width=10><img src=drawing.svg alt=\"A drawing\">"
        "</body>");
    EXPECT_EQ(c.run.code, 0);
    const std::string& p = c.pictures;
    // 40 x 20 pixels at 800 units each; the turned one is 20 x 40; the
    // tag's width alone sets the height in proportion.
    EXPECT_NE(p.find(frame(1, "photo.png", 32000, 16000) + declared(1, "jpeg", 0).substr(0, 30)), std::string::npos);
    EXPECT_NE(p.find("PICTURE_002={picture\n{data \"gif\""), std::string::npos);
    EXPECT_NE(p.find(frame(3, "camera.jpg", 32000, 16000) + declared(3, "jpeg", fixture("camera.jpg").size())),
              std::string::npos);
    EXPECT_NE(p.find("PICTURE_004={picture\n{data \"jpeg\""), std::string::npos);
    EXPECT_EQ(p.find(declared(4, "jpeg", fixture("progressive.jpg").size())), std::string::npos);
    EXPECT_NE(p.find(frame(5, "turned.jpg", 16000, 32000)), std::string::npos);
    EXPECT_NE(p.find("PICTURE_006={picture\n{data \"jpeg\""), std::string::npos);
    EXPECT_NE(p.find(frame(7, "camera.jpg", 8000, 4000) + "PICTURE_007=PICTURE_003\n"), std::string::npos);
    EXPECT_EQ(p.find("PICT_008"), std::string::npos);
    EXPECT_NE(c.body.find(marker("image \\\"drawing.svg\\\": A drawing")), std::string::npos);
    EXPECT_EQ(c.run.err, "QuilletW: 1 picture of \"in.htm\" was left out (not GIF or JPEG: 1).\n");
    // Off, the design's pictures: the PNG is a marker, nothing is summed up.
    config("mhtml5tags=true\n");
    c = convert("<body><img src=few.png alt=x></body>");
    EXPECT_EQ(c.pictures, "");
    EXPECT_EQ(c.body, marker("image \\\"few.png\\\""));
    EXPECT_EQ(c.run.err, "");
}

// The source a browser shows: srcset's largest file that exists, a
// <picture>'s first source of a type read here, a lazy page's data-src
// behind a placeholder, escapes and references in names, data: URIs.
TEST_F(SavedPictures, SourcesAsBrowsersChooseThem)
{
    copy("few.png", "big.png");
    copy("few.png", "my pic.png");
    copy("few.png", "a&b.png");
    copy("tiny.gif");
    copy("camera.jpg");
    std::string few = fixture("few.png");
    static const char kB64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string b64;
    for (size_t i = 0; i < few.size(); i += 3) {
        unsigned v = static_cast<unsigned char>(few[i]) << 16;
        if (i + 1 < few.size()) v |= static_cast<unsigned char>(few[i + 1]) << 8;
        if (i + 2 < few.size()) v |= static_cast<unsigned char>(few[i + 2]);
        b64 += kB64[v >> 18 & 63];
        b64 += kB64[v >> 12 & 63];
        b64 += i + 1 < few.size() ? kB64[v >> 6 & 63] : '=';
        b64 += i + 2 < few.size() ? kB64[v & 63] : '=';
    }
    Converted c = convert(
        "<body><img src=gone.gif srcset=\"small.png 100w, big.png 400w, huge.png 800w\">"
        "<picture><source srcset=x.avif type=image/avif><source srcset=\"my%20pic.png\" type=image/png>"
        "<img src=camera.jpg></picture>"
        "<img src=\"data:image/gif;base64,R0lGODlhAQABAAAAACw=\" data-src=\"a&amp;b.png\">"
        "<img src=tiny.gif data-lazy-src=camera.jpg>"
        "<img src=\"data:image/png;base64," +
        b64 + "\"><img src=\"file://" + d().path("camera.jpg") + "#top\"></body>");
    EXPECT_EQ(c.run.code, 0);
    EXPECT_EQ(c.run.err, "");
    EXPECT_EQ(c.body, link(1, "big.png") + link(2, "my pic.png") + link(3, "a&b.png") + link(4, "camera.jpg") +
                          link(5, "data:image/png") + link(6, "camera.jpg"));
    EXPECT_NE(c.pictures.find("PICTURE_005={picture\n{data \"gif\""), std::string::npos);
}

// A page reads only its own folder's files; what is left out is summed up,
// a picture cut short and one of 100000 x 100000 pixels too.
TEST_F(SavedPictures, FilesOutsideThePageFolderAreLeftOut)
{
    std::string outside = "/tmp/quillet-outside-" + std::to_string(::getpid()) + ".jpg";
    {
        std::ofstream(outside, std::ios::binary) << fixture("camera.jpg");
    }
    copy("cut.png");
    const char big[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\1\x86\xa0\0\1\x86\xa0\x08\x02\0\0\0\0\0\0\0";
    d().write("big.png", std::string(big, sizeof big - 1));
    Converted c = convert("<body><img src=\"" + outside +
                          "\"><img src=missing.png alt='The sea'><img src=cut.png><img src=big.png></body>");
    std::remove(outside.c_str());
    EXPECT_EQ(c.run.code, 0);
    EXPECT_EQ(c.pictures, "");
    EXPECT_NE(c.body.find(marker("image \\\"missing.png\\\": The sea")), std::string::npos);
    EXPECT_EQ(c.run.err,
              "QuilletW: 4 pictures of \"in.htm\" were left out (not found: 1, outside the page's folder: 1, "
              "damaged: 1, too large: 1).\n");
}

TEST_F(Pictures, DuplicatesAndSizeAttributes)
{
    d().write("a.gif", kGif);
    Converted c = convert(
        "<body><img src=a.gif width=100 height=50><img src='a.gif'>"
        "<img src=a.gif width=100000 height=100000><img src=a.gif width=0 height=0></body>");
    EXPECT_EQ(c.run.code, 0);
    // 100000 wide and high spill into each other's bits (34464 x 34465) and
    // are then fitted to the page.
    EXPECT_EQ(c.pictures, frame(1, "a.gif", 80000, 40000) + picture(1, "gif", 6, "4WH)1&HD") +
                              frame(2, "a.gif", 204000, 204000) + "PICTURE_002=PICTURE_001\n" +
                              frame(3, "a.gif", 509600, 728000) + "PICTURE_003=PICTURE_001\n" +
                              frame(4, "a.gif", 204000, 204000) + "PICTURE_004=PICTURE_001\n");
    EXPECT_EQ(c.body, link(1, "a.gif") + link(2, "a.gif") + link(3, "a.gif") + link(4, "a.gif"));
}

TEST_F(Pictures, PicturesThatCannotBeEmbeddedAreMarked)
{
    d().write("pic.png", "\x89PNG\r\n\x1a\n");
    d().write("exif.jpg", std::string("\xFF\xD8\xFF\xE1\x00\x02\xFF\xD9", 8));
    d().write("sprite", std::string("\x01\x00\x00\x08", 4));
    d().write("empty.gif", "");
    Converted c = convert(
        "<body><img src=pic.png>x<img src=exif.jpg width=4 height=3>"
        "<i>y<img src=gone.gif>z</i><img src=sprite><img src=empty.gif><img></body>");
    EXPECT_EQ(c.run.code, 0);
    EXPECT_EQ(c.run.err, "");
    EXPECT_EQ(c.pictures, "");
    EXPECT_EQ(c.body, marker("image \\\"pic.png\\\"") + "\"x\"\n" + marker("image \\\"exif.jpg\\\", 4 x 3") +
                          "{italic 1}\n\"y\"\n{italic 0}\n" + marker("image \\\"gone.gif\\\"") + "{italic 1}\n" +
                          "\"z\"\n{italic 0}\n" + marker("image \\\"sprite\\\"") + marker("image \\\"empty.gif\\\"") +
                          marker("image \\\"<filename unknown>\\\""));
}

TEST_F(Pictures, FoldersAroundTheInputFile)
{
    (void)system(("mkdir -p '" + d().path("site/img") + "'").c_str());
    d().write("top.gif", kGif);
    d().write("site/img/in.gif", "GIF87a");
    d().write("site/page.htm", "<body><img src=\"../top.gif\"><img src=img/in.gif><img src=img\\in.gif></body>");
    Converted c = convert("", {"site/page.htm", "out.ddl"});
    EXPECT_EQ(c.run.code, 0);
    // GIF87a: 47 49 46 | 38 37 61, the last group giving 1&@D
    // Both spellings of img/in.gif name one file: the second is a duplicate.
    EXPECT_EQ(c.pictures, frame(1, "top.gif", 204000, 204000) + picture(1, "gif", 6, "4WH)1&HD") +
                              frame(2, "in.gif", 204000, 204000) + picture(2, "gif", 6, "4WH)1&@D") +
                              frame(3, "in.gif", 204000, 204000) + "PICTURE_003=PICTURE_002\n");
    EXPECT_EQ(c.body, link(1, "top.gif") + link(2, "in.gif") + link(3, "in.gif"));

    // The same page given by its full path.
    c = convert("", {d().path("site/page.htm"), "out.ddl"});
    EXPECT_EQ(c.body, link(1, "top.gif") + link(2, "in.gif") + link(3, "in.gif"));
}

TEST_F(Pictures, DisabledImagesAndProcessBlind)
{
    d().write("a.gif", kGif);
    config("idisableimages=true\n");
    Converted c = convert("<body><img src=a.gif width=10 height=20></body>");
    EXPECT_EQ(c.run.code, 0);
    EXPECT_EQ(c.pictures, "");
    EXPECT_EQ(c.body, marker("image \\\"a.gif\\\", 10 x 20"));

    // Without the first pass each tag names its own picture.
    config("gprocessblind=true\n");
    c = convert("<body><img src=\"images/A.gif\" width=10 height=20><img src=a.gif></body>");
    EXPECT_EQ(c.run.code, 0);
    EXPECT_EQ(c.pictures, "");
    EXPECT_EQ(c.body, marker("image \\\"a.gif\\\", 10 x 20") + marker("image \\\"a.gif\\\""));
}

TEST_F(Pictures, HostileJpegFiles)
{
    // Cut off inside the first segment; a length of 0; the frame header cut off.
    d().write("cut.jpg", std::string("\xFF\xD8\xFF\xE0\x00\x10JF", 8));
    d().write("zero.jpg", std::string("\xFF\xD8\xFF\xE0\x00\x00\xFF\xC0\x00\x11\x08\x00\x10\x00\x10", 15));
    d().write("frame.jpg", std::string("\xFF\xD8\xFF\xE0\x00\x02\xFF\xC0\x00\x11\x08\x01", 12));
    Converted c = convert("<body><img src=cut.jpg><img src=zero.jpg><img src=frame.jpg></body>");
    EXPECT_EQ(c.run.code, 0);
    EXPECT_EQ(c.run.err,
              "Unexpected EOF in JPEG decode.\n"
              "Unexpected EOF in JPEG decode.\n"
              "JPEG height > 65535; a 4294967295 height JPEG in a web page? get real!\n"
              "JPEG width > 65535; a 4294967295 width JPEG in a web page? get real!\n");
    // Each file's size fell back to 255 x 255, except the cut frame header:
    // 65535 x 65535, fitted to the page.
    EXPECT_EQ(c.pictures, frame(1, "cut.jpg", 204000, 204000) + picture(1, "jpeg", 8, "b`Fb[##35G>b") +
                              frame(2, "zero.jpg", 204000, 204000) + picture(2, "jpeg", 15, "b`Fb[###b_##'3C#'##3") +
                              frame(3, "frame.jpg", 509600, 728000) + picture(3, "jpeg", 12, "b`Fb[##%b_##'3C$"));
    EXPECT_EQ(c.body, link(1, "cut.jpg") + link(2, "zero.jpg") + link(3, "frame.jpg"));
}

TEST_F(Pictures, LongSourcesAndManyImages)
{
    d().write("a.gif", kGif);
    // A value too long for the tag's parameter text names no file; one of
    // 400 characters does not fit the src field and is not used.
    std::string page = "<body><img src=" + std::string(1000, 'x') + ".gif><img src=" + std::string(400, 'y') + ".gif>";
    const int n = 3000;
    for (int i = 0; i < n; ++i) page += (i % 3 == 0) ? "<img src=a.gif>" : "<img src=m" + std::to_string(i) + ".gif>";
    page += "</body>";
    Converted c = convert(page);
    EXPECT_EQ(c.run.code, 0);
    EXPECT_EQ(c.run.err, "QuilletW: The path of image \"" + std::string(255, 'y') +
                             "\" is longer than 255 characters; the image is not embedded.\n");
    // Entry 3 holds the data; the other 999 frames of a.gif refer to it.
    size_t data = 0, refs = 0, embeds = 0, markers = 0;
    for (size_t p = 0; (p = c.pictures.find("={picture\n", p)) != std::string::npos; ++p) ++data;
    for (size_t p = 0; (p = c.pictures.find("=PICTURE_003\n", p)) != std::string::npos; ++p) ++refs;
    for (size_t p = 0; (p = c.body.find("{embed PICT_", p)) != std::string::npos; ++p) ++embeds;
    for (size_t p = 0; (p = c.body.find("{italic 1}\n\"image ", p)) != std::string::npos; ++p) ++markers;
    EXPECT_EQ(data, 1u);
    EXPECT_EQ(refs, 999u);
    EXPECT_EQ(embeds, 1000u);
    EXPECT_EQ(markers, 2002u);
    std::string start = marker("image \\\"<filename unknown>\\\"") +
                        marker("image \\\"" + std::string(31, 'y') + "\\\"") + link(3, "a.gif");
    EXPECT_EQ(c.body.substr(0, start.size()), start);
    std::string end = link(3000, "a.gif") + marker("image \\\"m2998.gif\\\"") + marker("image \\\"m2999.gif\\\"");
    ASSERT_GE(c.body.size(), end.size());
    EXPECT_EQ(c.body.substr(c.body.size() - end.size()), end);
}

#ifdef QUILLET_FAILINJECT
TEST_F(Pictures, IndexThatCannotGrowEndsTheRun)
{
    d().write("a.gif", kGif);
    d().write("in.htm", "<body><img src=a.gif></body>");
    bool seen = false;
    for (int n = 1; n <= 200 && !seen; ++n) {
        d().clear_env();
        d().set_env("QUILLET_FAIL_CLAIM", std::to_string(n));
        d().remove("out.ddl");
        RunResult r = d().run({"in.htm", "out.ddl"}, "out.ddl");
        if (r.code != 61) continue;
        seen = true;
        EXPECT_EQ(r.err, "QuilletW: Unable to allocate memory for image reference.\n");
        EXPECT_FALSE(r.has_output);
    }
    EXPECT_TRUE(seen);
}
#endif

TEST(PictureExample, BundledPageConverts)
{
    ScratchDir d;
    for (const char* name : {"pictures.htm", "quill.gif", "tiles.jpg"})
        d.write(name, source_file(std::string("examples/") + name));
    RunResult r = d.run({"pictures.htm", "out.ddl"}, "out.ddl");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "");
    const std::string& out = r.output;
    // quill.gif: 232 bytes, 32 x 32 from the tag; tiles.jpg: 207 bytes,
    // 48 x 32 from its frame header; then the two pictures again.
    for (const std::string& part :
         {frame(1, "quill.gif", 25600, 25600) + "PICTURE_001={picture\n{data \"gif\"\n232\n\"",
          frame(2, "tiles.jpg", 38400, 25600) + "PICTURE_002={picture\n{data \"jpeg\"\n207\n\"",
          frame(3, "tiles.jpg", 38400, 25600) + "PICTURE_003=PICTURE_002\n",
          frame(4, "quill.gif", 204000, 204000) + "PICTURE_004=PICTURE_001\n", link(1, "quill.gif"),
          link(2, "tiles.jpg"), link(3, "tiles.jpg"), link(4, "quill.gif")})
        EXPECT_NE(out.find(part), std::string::npos) << part;
    EXPECT_EQ(out.find("PICT_005"), std::string::npos);
    EXPECT_NE(out.find("missing.gif"), std::string::npos);
    EXPECT_NE(out.find("diagram.png"), std::string::npos);
}
