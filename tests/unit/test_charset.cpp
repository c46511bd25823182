// The character set reader: detection, the host mapping, the transcoder's
// handling of broken input and of the context of characters without a host
// form.
#include <dirent.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "base/charset.h"

namespace {

const unsigned char* bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

std::string spell(uint32_t code)
{
    char out[4];
    int n = host_spell(code, out);
    return n < 0 ? "<none>" : std::string(out, static_cast<size_t>(n));
}

// The input decoded in pieces of `piece` bytes, the cut bytes carried over
// as a reader must; *unmapped gets the transcoder's count.
std::string decode(Charset cs, const std::string& in, size_t piece = 1 << 20, bool script = false,
                   long long* unmapped = nullptr)
{
    Transcoder tr(cs, script);
    std::string out, pending;
    size_t at = 0;
    for (;;) {
        std::string take = in.substr(at, piece);
        at += take.size();
        pending += take;
        bool last = take.empty();
        std::string buf(Transcoder::kGrowth * pending.size() + Transcoder::kGrowth, '\0');
        size_t produced;
        size_t used =
            tr.decode(bytes(pending), pending.size(), last, reinterpret_cast<unsigned char*>(&buf[0]), &produced);
        out.append(buf, 0, produced);
        EXPECT_LE(pending.size() - used, last ? 0 : Transcoder::kHeld);
        pending.erase(0, used);
        if (last) break;
    }
    if (unmapped) *unmapped = tr.unmapped();
    return out;
}

Charset detect_declared(const std::string& page, std::string* name)
{
    char buf[64];
    Charset cs = CHARSET_UTF16BE;  // a value no declaration gives
    if (charset_declared(bytes(page), page.size(), buf, sizeof buf)) {
        *name = buf;
        if (!charset_fromname(buf, &cs)) cs = CHARSET_UTF16LE;  // marks "not supported" here
    }
    return cs;
}

}  // namespace

TEST(Charset, ByteOrderMarks)
{
    Charset cs = CHARSET_WIN1252;
    EXPECT_EQ(charset_bom(bytes("\xEF\xBB\xBF<p>"), 6, &cs), 3u);
    EXPECT_EQ(cs, CHARSET_UTF8);
    EXPECT_EQ(charset_bom(bytes("\xFF\xFE<\0"), 4, &cs), 2u);
    EXPECT_EQ(cs, CHARSET_UTF16LE);
    EXPECT_EQ(charset_bom(bytes("\xFE\xFF\0<"), 4, &cs), 2u);
    EXPECT_EQ(cs, CHARSET_UTF16BE);
    // A mark cut short, or none: nothing.
    EXPECT_EQ(charset_bom(bytes("\xEF\xBB"), 2, &cs), 0u);
    EXPECT_EQ(charset_bom(bytes("<\xFF\xFE"), 3, &cs), 0u);
}

TEST(Charset, DeclarationsAndTheirNames)
{
    std::string name;
    EXPECT_EQ(detect_declared("<head><meta charset=\"UTF-8\">", &name), CHARSET_UTF8);
    EXPECT_EQ(name, "UTF-8");
    EXPECT_EQ(detect_declared("<META CharSet = 'utf8' >", &name), CHARSET_UTF8);
    EXPECT_EQ(detect_declared("<meta charset=iso-8859-15>", &name), CHARSET_ISO885915);
    EXPECT_EQ(detect_declared("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Windows-1252\">", &name),
              CHARSET_WIN1252);
    EXPECT_EQ(detect_declared("<meta http-equiv=Content-Type content=text/html;charset=latin1>", &name),
              CHARSET_WIN1252);
    for (const char* n : {"windows-1252", "cp1252", "iso-8859-1", "latin1", "us-ascii", "ascii"}) {
        Charset cs = CHARSET_UTF8;
        EXPECT_TRUE(charset_fromname(n, &cs)) << n;
        EXPECT_EQ(cs, CHARSET_WIN1252) << n;
    }
    EXPECT_EQ(detect_declared("<meta charset=\"koi8-r\">", &name), CHARSET_UTF16LE);
    EXPECT_EQ(name, "koi8-r");
    // Not a declaration: another tag, a word that only starts with meta,
    // charset without '=', or a declaration past the first 1024 bytes.
    EXPECT_EQ(detect_declared("<p charset=utf-8><metadata charset=utf-8>", &name), CHARSET_UTF16BE);
    EXPECT_EQ(detect_declared("<meta name=charset content=x>", &name), CHARSET_UTF16BE);
    EXPECT_EQ(detect_declared(std::string(1020, ' ') + "<meta charset=utf-8>", &name), CHARSET_UTF16BE);
    EXPECT_EQ(detect_declared(std::string(1000, ' ') + "<meta charset=utf-8>", &name), CHARSET_UTF8);
}

TEST(Charset, Utf8NeedsAMultiByteSequenceAndNoBrokenOne)
{
    auto is_utf8 = [](const std::string& s, size_t piece) {
        Utf8Check c;
        for (size_t at = 0; at < s.size(); at += piece) c.feed(bytes(s) + at, std::min(piece, s.size() - at));
        return c.result();
    };
    EXPECT_FALSE(is_utf8("plain ASCII", 4));
    EXPECT_TRUE(is_utf8("caf\xC3\xA9 \xE4\xB8\xAD \xF0\x9F\x98\x80", 1));  // sequences cut between feeds
    EXPECT_FALSE(is_utf8("caf\xE9", 4));  // a Latin-1 byte
    EXPECT_FALSE(is_utf8("caf\xC3", 4));  // cut at the end
    EXPECT_FALSE(is_utf8("\xC0\xAF", 4));  // overlong
    EXPECT_FALSE(is_utf8("\xED\xA0\x80", 4));  // a surrogate
    EXPECT_FALSE(is_utf8("\xF4\x90\x80\x80", 4));  // past U+10FFFF
}

TEST(Charset, HostMappingEdges)
{
    EXPECT_EQ(spell('A'), "A");
    EXPECT_EQ(spell(0x80), " ");  // C1 controls read as spaces
    EXPECT_EQ(spell(0x9F), " ");
    EXPECT_EQ(spell(0xA0), "\xA0");
    EXPECT_EQ(spell(0xFF), "\xFF");
    EXPECT_EQ(spell(0x2018), "\x90");
    EXPECT_EQ(spell(0x2019), "\x91");
    EXPECT_EQ(spell(0x201C), "\x94");
    EXPECT_EQ(spell(0x201D), "\x95");
    EXPECT_EQ(spell(0x2013), "-");
    EXPECT_EQ(spell(0x2014), "-");
    EXPECT_EQ(spell(0x2212), "-");
    EXPECT_EQ(spell(0x2026), "...");
    EXPECT_EQ(spell(0x20AC), "EUR");
    EXPECT_EQ(spell(0x2122), "(TM)");
    EXPECT_EQ(spell(0x201E), "\"");
    EXPECT_EQ(spell(0x2039), "'");
    EXPECT_EQ(spell(0x2032), "'");
    EXPECT_EQ(spell(0x2022), "\xB7");
    EXPECT_EQ(spell(0x2003), " ");
    EXPECT_EQ(spell(0x200B), "");
    EXPECT_EQ(spell(0xFEFF), "");
    EXPECT_EQ(spell(0xFB01), "fi");
    EXPECT_EQ(spell(0xFB04), "ffl");
    // Latin Extended-A and -B: the first and last letters, and the
    // letters a-ogonek, c-caron, l-stroke, o-double-acute,
    // s-cedilla, z-caron.
    EXPECT_EQ(spell(0x0100), "A");
    EXPECT_EQ(spell(0x017E), "z");
    EXPECT_EQ(spell(0x0105) + spell(0x010D) + spell(0x0142) + spell(0x0151) + spell(0x015F), "aclos");
    EXPECT_EQ(spell(0x0152), "OE");
    EXPECT_EQ(spell(0x024F), "y");  // y with stroke, the last of Extended-B
    EXPECT_EQ(spell(0x0250), "<none>");  // turned a: IPA, no base letter
    EXPECT_EQ(spell(0x4E2D), "<none>");
    EXPECT_EQ(spell(0x1F600), "<none>");
    EXPECT_EQ(spell(0x110000), "<none>");
}

TEST(Charset, EightBitSets)
{
    // Windows-1252: quotes to the host's, dash, euro, ellipsis; an
    // undefined byte is a C1 control, read as a space; Latin-1 as itself.
    EXPECT_EQ(decode(CHARSET_WIN1252, "\x93q\x94 \x91s\x92 \x96 \x80 \x85 \x81 \xE9"),
              "\x94q\x95 \x90s\x91 - EUR ...   \xE9");
    // ISO-8859-15's eight differences from Latin-1; 0x93 is a control here.
    EXPECT_EQ(decode(CHARSET_ISO885915, "\xA4\xA6\xA8\xB4\xB8\xBC\xBD\xBE \x93 \xE9"), "EURSsZzOEoeY   \xE9");
    // The dagger has no host form: a reference in text.
    EXPECT_EQ(decode(CHARSET_WIN1252, "a\x86"), "a&#x2020;");
}

TEST(Charset, InvalidUtf8BytesAreWindows1252)
{
    // Each byte that starts no valid sequence is its Windows-1252
    // character: C0 -> 0xC0, AF -> 0xAF; E0 -> 0xE0, 80 -> "EUR".
    EXPECT_EQ(decode(CHARSET_UTF8, "\xC0\xAF"), "\xC0\xAF");  // overlong '/'
    EXPECT_EQ(decode(CHARSET_UTF8, "\xE0\x80\xAF"),
              "\xE0"
              "EUR\xAF");
    EXPECT_EQ(decode(CHARSET_UTF8, "\xED\xA0\x80"),
              "\xED\xA0"
              "EUR");  // surrogate
    EXPECT_EQ(decode(CHARSET_UTF8, "\xF4\x90\x80\x80"), "\xF4 EUREUR");  // 90 is undefined: a space
    EXPECT_EQ(decode(CHARSET_UTF8, "\xF8\x88"), "\xF8^");  // 0x88 is the modifier circumflex
    // Cut at the end of the input: the bytes read alone.
    EXPECT_EQ(decode(CHARSET_UTF8, "a\xC3"), "a\xC3");
    EXPECT_EQ(decode(CHARSET_UTF8, "a\xE2\x80"),
              "a\xE2"
              "EUR");
}

TEST(Charset, Utf8AcrossPieces)
{
    // è C3 A8 -> E8; “ E2 80 9C -> 94; U+4E2D in text -> reference;
    // U+1F600 F0 9F 98 80 -> reference. Every piece size gives the same.
    const std::string in = "Cr\xC3\xA8me \xE2\x80\x9Cq\xE2\x80\x9D \xE4\xB8\xAD \xF0\x9F\x98\x80 \xC5\x82";
    const std::string want = "Cr\xE8me \x94q\x95 &#x4E2D; &#x1F600; l";
    for (size_t piece : {1, 2, 3, 5, 64}) EXPECT_EQ(decode(CHARSET_UTF8, in, piece), want) << piece;
    // A sequence cut by a tag whose name is held for the next call: F0 9F
    // 98 then '<' is three Windows-1252 characters (eth, Y-diaeresis as
    // its base letter, small tilde).
    for (size_t piece : {1, 5, 64})
        EXPECT_EQ(decode(CHARSET_UTF8, "\xF0\x9F\x98<wwwwwwwwwwww>", piece), "\xF0Y~<wwwwwwwwwwww>") << piece;
}

TEST(Charset, Utf16)
{
    // "é<" and U+1F600 as a surrogate pair, in both byte orders.
    const std::string le("\xE9\x00<\x00=\xD8\x00\xDE", 8);
    const std::string be("\x00\xE9\x00<\xD8=\xDE\x00", 8);
    for (size_t piece : {1, 3, 100}) {
        EXPECT_EQ(decode(CHARSET_UTF16LE, le + std::string(">\0", 2), piece), "\xE9<?>") << piece;
        EXPECT_EQ(decode(CHARSET_UTF16BE, be + std::string("\0>", 2), piece), "\xE9<?>") << piece;
    }
    // Lone surrogates and an odd byte at the end: U+FFFD, no host form.
    EXPECT_EQ(decode(CHARSET_UTF16LE, std::string("\x00\xDC"
                                                  "a\x00\x00\xD8",
                                                  6)),
              "&#xFFFD;a&#xFFFD;");
    EXPECT_EQ(decode(CHARSET_UTF16LE, std::string("a\x00"
                                                  "b",
                                                  3)),
              "a&#xFFFD;");
    // Line feeds stay one each.
    EXPECT_EQ(decode(CHARSET_UTF16BE, std::string("\0\n\0\r\0\n", 6)), "\n\r\n");
}

TEST(Charset, NoHostFormByContext)
{
    // Text gives the reference (left to the reference reader, not counted
    // here); a tag, a title and a script give '?', counted.
    // Every piece size: a tag's name cut between calls is still read.
    long long unmapped = 0;
    for (size_t piece : {1, 2, 5, 7, 1000}) {
        EXPECT_EQ(decode(CHARSET_UTF8,
                         "<IMG alt=\"\xE4\xB8\xAD\">\xE4\xB8\xAD<Title>\xE4\xB8\xAD</TITLE>\xE4\xB8\xAD"
                         "<titles>\xE4\xB8\xAD",
                         piece, false, &unmapped),
                  "<IMG alt=\"?\">&#x4E2D;<Title>?</TITLE>&#x4E2D;<titles>&#x4E2D;")
            << piece;
        EXPECT_EQ(unmapped, 2) << piece;
    }
    EXPECT_EQ(decode(CHARSET_UTF8, "\xE4\xB8\xAD<dramaton>\n\xE4\xB8\xAD</dramaton>\xE4\xB8\xAD", 4, false, &unmapped),
              "&#x4E2D;<dramaton>\n?</dramaton>?");
    EXPECT_EQ(unmapped, 2);
    // A continuation is a script from its start.
    EXPECT_EQ(decode(CHARSET_WIN1252, "\x86", 4, true, &unmapped), "?");
    EXPECT_EQ(unmapped, 1);
}

TEST(Charset, RegressionInputsDecodeAlikeInPieces)
{
    // The files of the reader's fuzzing target: the first byte picks the
    // set (as fuzz/charset_fuzz.cpp does), the context and the piece size.
    const std::string folder = std::string(QUILLET_SUPPORT_DIR) + "/../tests/regress/charset";
    static const Charset kSets[] = {CHARSET_UTF8,      CHARSET_UTF16LE, CHARSET_UTF16BE, CHARSET_WIN1252,
                                    CHARSET_ISO885915, CHARSET_UTF8,    CHARSET_UTF8,    CHARSET_WIN1252};
    int seen = 0;
    DIR* d = opendir(folder.c_str());
    ASSERT_NE(d, nullptr) << folder;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        std::ifstream in(folder + "/" + e->d_name, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        std::string data = ss.str();
        if (data.empty()) continue;
        unsigned mode = static_cast<unsigned char>(data[0]);
        bool script = (mode >> 7) & 1;
        long long a = 0, b = 0;
        EXPECT_EQ(decode(kSets[mode & 7], data.substr(1), 1 << 20, script, &a),
                  decode(kSets[mode & 7], data.substr(1), 1 + (mode >> 3), script, &b))
            << e->d_name;
        EXPECT_EQ(a, b) << e->d_name;
        ++seen;
    }
    closedir(d);
    EXPECT_GT(seen, 0);
}
