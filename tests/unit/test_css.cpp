// The CSS reader: tokens as CSS Syntax Level 3 makes them, sheets with
// their @media and @supports blocks, selector lists dropped whole when one
// is not understood, specificity, and selectors matched against a stack.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "css/csslooks.h"
#include "css/cssmatch.h"
#include "css/elementstack.h"
#include "css/csssheet.h"
#include "css/csstoken.h"

namespace {

std::vector<CssToken> tokens(const std::string& s) { return css_tokenize(s.data(), s.size(), 100000); }

TEST(CssTokens, SyntaxLevelThree)
{
    std::vector<CssToken> t = tokens("a{color:#F00!important}/* c */-.5em 50% 1e3 12px");
    std::vector<CssTokenType> want = {CSS_IDENT,     CSS_LBRACE,     CSS_IDENT,      CSS_COLON,
                                      CSS_HASH,      CSS_DELIM,      CSS_IDENT,      CSS_RBRACE,
                                      CSS_DIMENSION, CSS_WHITESPACE, CSS_PERCENTAGE, CSS_WHITESPACE,
                                      CSS_NUMBER,    CSS_WHITESPACE, CSS_DIMENSION,  CSS_EOF};
    ASSERT_EQ(t.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(t[i].type, want[i]) << i;
    EXPECT_EQ(t[4].text, "F00");
    EXPECT_TRUE(t[4].idhash);
    EXPECT_DOUBLE_EQ(t[8].number, -0.5);
    EXPECT_EQ(t[8].text, "em");
    EXPECT_DOUBLE_EQ(t[12].number, 1000);
    EXPECT_FALSE(t[12].integer);
    EXPECT_TRUE(t[14].integer);
    // Escapes, strings, url(), hashes that are no identifier, CDO and CDC.
    t = tokens("\\31 a 'x\\\ny' \"cut\nz url(a b) url( \"q\" ) #1a <!-- -->");
    EXPECT_EQ(t[0].type, CSS_IDENT);
    EXPECT_EQ(t[0].text, "1a");
    EXPECT_EQ(t[2].type, CSS_STRING);
    EXPECT_EQ(t[2].text, "xy");
    EXPECT_EQ(t[4].type, CSS_BADSTRING);  // the line feed is left to be white space
    EXPECT_EQ(t[6].text, "z");
    EXPECT_EQ(t[8].type, CSS_BADURL);
    EXPECT_EQ(t[10].type, CSS_FUNCTION);
    EXPECT_EQ(t[10].text, "url");
    EXPECT_EQ(t[12].type, CSS_STRING);
    EXPECT_EQ(t[16].type, CSS_HASH);
    EXPECT_FALSE(t[16].idhash);
    EXPECT_EQ(t[18].type, CSS_CDO);
    EXPECT_EQ(t[20].type, CSS_CDC);
    // The token limit ends the sheet there.
    EXPECT_EQ(css_tokenize("a b c d", 7, 3).size(), 3u);
    EXPECT_EQ(css_tokenize("a b c d", 7, 3).back().type, CSS_EOF);
}

// Keys of the rules a sheet gave, by class.
std::string classes_of(const CssSheet& s)
{
    std::string out;
    for (const CssRule& r : s.rules())
        for (const CssSimple& p : r.selector.compounds.back().parts)
            if (p.kind == CssSimple::CLASS) out += p.name;
    return out;
}

TEST(CssSheet, MediaSupportsAndDroppedLists)
{
    CssSheet s;
    std::string css =
        "@media screen and (min-width: 1000px){.a{x:1}} @media print{.b{x:1}} @media (max-width: 600px){.c{x:1}}"
        "@supports (display:grid){.d{x:1}} @font-face{font-family:x} @import 'y.css'; .e{x:1}"
        "@media not print{.f{x:1}} @media only screen and (min-width:40em), print{.g{x:1}}"
        ".h, .i:-webkit-any-link{x:1} .j:hover, .k::before, .l{x:1} .m{";
    s.read(css.data(), css.size());
    // A block the sheet's end cuts is closed there.
    EXPECT_EQ(classes_of(s), "adefgjklm");
    CssSheet p;
    p.read(".n{x:1}", 7, "print");
    p.read(".o{x:1}", 7, "screen, print");
    EXPECT_EQ(classes_of(p), "o");
}

TEST(CssSheet, DeclarationsAndSpecificity)
{
    CssSheet s;
    std::string css = "#a .b c, :not(#x), a[href], p::first-line { Color : red ! important ; font: 12px/2 'A B'; ; }";
    s.read(css.data(), css.size());
    ASSERT_EQ(s.rules().size(), 4u);
    EXPECT_EQ(s.rules()[0].selector.specificity, 1u << 16 | 1u << 8 | 1u);
    EXPECT_EQ(s.rules()[1].selector.specificity, 1u << 16);
    EXPECT_EQ(s.rules()[2].selector.specificity, 1u << 8 | 1u);
    EXPECT_EQ(s.rules()[3].selector.specificity, 2u);
    const std::vector<CssDeclaration>& d = s.block(s.rules()[0].block);
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].property, "color");
    EXPECT_TRUE(d[0].important);
    ASSERT_EQ(d[0].value.size(), 1u);
    EXPECT_EQ(d[0].value[0].text, "red");
    EXPECT_FALSE(d[1].important);
    EXPECT_EQ(d[1].value.back().text, "A B");
    uint32_t inline_block = s.read_declarations("font-weight:bold;color", 22);
    ASSERT_EQ(s.block(inline_block).size(), 1u);
    EXPECT_EQ(s.block(inline_block)[0].property, "font-weight");
}

CssElement element(const std::string& name, const std::string& id = "", std::vector<std::string> classes = {},
                   std::vector<std::pair<std::string, std::string>> attrs = {})
{
    CssElement e;
    e.name = name;
    e.id = id;
    e.classes = std::move(classes);
    e.attrs = std::move(attrs);
    return e;
}

bool matches(const std::string& selector, const CssStack& stack)
{
    std::vector<CssToken> t = tokens(selector);
    std::vector<CssSelector> list;
    if (!css_parseselectors(t, 0, t.size() - 1, &list)) return false;
    return css_matches(list[0], stack);
}

TEST(CssMatch, SelectorsAgainstTheStack)
{
    CssStack st;
    st.open = {element("html"), element("body"), element("div", "main", {"box", "wide"}),
               element("p", "", {"first"}, {{"data-x", "abc"}, {"lang", "en-GB"}})};
    st.open[3].first_child = false;
    CssElement before = element("h2", "", {"title"});
    st.before = {nullptr, nullptr, nullptr, &before};
    EXPECT_TRUE(matches("div p", st));
    EXPECT_FALSE(matches("body > p", st));
    EXPECT_TRUE(matches("#main > .first", st));
    EXPECT_TRUE(matches("html .wide.box p.first", st));
    EXPECT_FALSE(matches("p:first-child", st));
    EXPECT_TRUE(matches("[data-x^=ab][data-x$=bc][data-x*=b][lang|=en]", st));
    EXPECT_FALSE(matches("[data-x=ab]", st));
    EXPECT_TRUE(matches("h2.title + p", st));
    EXPECT_FALSE(matches("h3 + p", st));
    EXPECT_FALSE(matches("h2 ~ p", st));
    EXPECT_FALSE(matches("p:not(.first)", st));
    EXPECT_TRUE(matches("p:not(:hover)", st));
    EXPECT_FALSE(matches("p:hover", st));
    EXPECT_FALSE(matches("p::before", st));
    // A chain of descendant combinators over a deep stack gives up in
    // bounded work rather than trying every way.
    CssStack deep;
    deep.open.assign(3000, element("div"));
    deep.before.assign(3000, nullptr);
    std::string chain;
    for (int i = 0; i < 30; ++i) chain += "div ";
    deep.open.back().name = "span";
    EXPECT_FALSE(matches("x " + chain + "span", deep));
    EXPECT_TRUE(matches("div div span", deep));
}

TEST(CssMatch, RulesInCascadeOrder)
{
    CssSheet s;
    std::string css = "p{a:1} .x{a:2} #y{a:3} *{a:4} p.x{a:5} div{a:6}";
    s.read(css.data(), css.size());
    CssStack st;
    st.open = {element("p", "y", {"x", "x"})};
    st.before = {nullptr};
    std::vector<uint32_t> got;
    css_matchingrules(s, st, &got);
    EXPECT_EQ(got, (std::vector<uint32_t>{3, 0, 1, 4, 2}));
}

// An element's looks under a parent's, from a sheet and a style attribute.
struct Looks {
    CssSheet sheet;
    explicit Looks(const std::string& css) { sheet.read(css.data(), css.size()); }
    CssLooks of(const CssLooks& parent, const CssElement& e, const std::string& style = "", bool hidden = false,
                bool* unsupported = nullptr)
    {
        CssStack st;
        st.open = {e};
        st.before = {nullptr};
        std::vector<uint32_t> rules;
        css_matchingrules(sheet, st, &rules);
        uint32_t block = style.empty() ? UINT32_MAX : sheet.read_declarations(style.data(), style.size());
        return css_computelooks(parent, e.name, sheet, rules, block, hidden, 16, unsupported);
    }
};

TEST(CssLooks, TheCascadeAndInheritance)
{
    Looks k(
        ".plain{font-weight:normal} b{font-weight:lighter} #imp{font-style:normal!important}"
        ".big{font-size:150%} .f{font: italic bold 12px/2 Arial} .g{font: 1.5em serif} .c{color:#abc}"
        ".r{color: rgb(255 0 0 / 50%)} .h{color:hsl(120, 100%, 25%)} .n{color:Red}"
        ".plainu{text-decoration:none} .show{display:block; visibility:visible} .pre{white-space:pre-wrap}"
        ".i1{font-weight:inherit} .i2{font-style:initial} .m{margin:0}");
    CssLooks root;
    CssLooks h1 = k.of(root, element("h1"));
    EXPECT_TRUE(h1.bold());
    EXPECT_DOUBLE_EQ(h1.size, 32);
    EXPECT_TRUE(h1.block);
    // The tag's default under a class rule; a type rule is weaker.
    EXPECT_FALSE(k.of(root, element("b", "", {"plain"})).bold());
    EXPECT_EQ(k.of(h1, element("b")).weight, 400);  // lighter than the heading's 700
    // The style attribute over the sheet, !important over the attribute.
    EXPECT_TRUE(k.of(root, element("span", "", {"plain"}), "font-weight:bold").bold());
    EXPECT_FALSE(k.of(root, element("i", "imp"), "font-style:italic").italic);
    EXPECT_DOUBLE_EQ(k.of(h1, element("span", "", {"big"})).size, 48);
    CssLooks f = k.of(root, element("span", "", {"f"}));
    EXPECT_TRUE(f.italic && f.weight == 700 && f.size == 12);
    CssLooks g = k.of(f, element("span", "", {"g"}));  // the shorthand resets style and weight
    EXPECT_TRUE(!g.italic && g.weight == 400 && g.size == 18);
    CssColour c = k.of(root, element("span", "", {"c"})).colour;
    EXPECT_TRUE(c.set && c.r == 0xAA && c.g == 0xBB && c.b == 0xCC);
    c = k.of(root, element("span", "", {"r"})).colour;
    EXPECT_TRUE(c.r == 255 && c.g == 0 && c.b == 0);
    c = k.of(root, element("span", "", {"h"})).colour;
    EXPECT_TRUE(c.r == 0 && c.g == 128 && c.b == 0);
    EXPECT_EQ(k.of(root, element("span", "", {"n"})).colour.name, "red");
    // Decorations are drawn across descendants; "none" cannot take them off.
    CssLooks u = k.of(root, element("u"));
    EXPECT_TRUE(k.of(u, element("span", "", {"plainu"})).underline);
    EXPECT_FALSE(k.of(root, element("span", "", {"plainu"})).underline);
    // display:none holds for every descendant; visibility may come back.
    CssLooks none = k.of(root, element("div"), "display:none");
    EXPECT_TRUE(k.of(none, element("p", "", {"show"})).none);
    CssLooks hid = k.of(root, element("div"), "visibility:hidden");
    EXPECT_TRUE(hid.hidden);
    EXPECT_FALSE(k.of(hid, element("p", "", {"show"})).hidden);
    EXPECT_TRUE(k.of(root, element("p"), "", true).none);  // the hidden attribute
    EXPECT_TRUE(k.of(root, element("span", "", {"pre"})).pre);
    EXPECT_TRUE(k.of(h1, element("span", "", {"i1"})).bold());
    EXPECT_FALSE(k.of(k.of(root, element("em")), element("span", "", {"i2"})).italic);
    bool unsupported = false;
    k.of(root, element("span", "", {"n"}), "", false, &unsupported);
    EXPECT_FALSE(unsupported);
    k.of(root, element("span", "", {"m"}), "", false, &unsupported);
    EXPECT_TRUE(unsupported);
}

std::string names(const ElementStack& s)
{
    std::string out;
    for (const CssElement& e : s.match_stack().open) out += (out.empty() ? "" : " ") + e.name;
    return out;
}

// The end tags that start tags imply, void elements, end tags closing what
// they hold, siblings, and the depth limit.
TEST(CssElementStack, ImpliedEndsAsTheTreeBuilderHasThem)
{
    ElementStack s;
    s.open(element("body"));
    EXPECT_EQ(s.open(element("p")), 0u);
    EXPECT_EQ(s.open(element("b")), 0u);
    EXPECT_EQ(s.open(element("div")), 2u);  // the <p> and the <b> inside it
    EXPECT_EQ(names(s), "body div");
    s.open(element("ul"));
    s.open(element("li"));
    s.open(element("ul"));
    s.open(element("li"));
    EXPECT_EQ(names(s), "body div ul li ul li");  // a list in an item ends no item
    s.open(element("li"));
    EXPECT_EQ(names(s), "body div ul li ul li");
    EXPECT_EQ(s.close("ul"), 2u);
    s.open(element("table"));
    s.open(element("tr"));
    s.open(element("td"));
    s.open(element("td"));
    EXPECT_EQ(names(s), "body div ul li table tr td");
    s.open(element("tr"));
    EXPECT_EQ(names(s), "body div ul li table tr");
    EXPECT_EQ(s.close("table"), 2u);
    s.open(element("h1"));
    s.open(element("h2"));
    EXPECT_EQ(names(s), "body div ul li h2");
    s.open(element("img"));
    EXPECT_FALSE(s.kept());
    EXPECT_EQ(s.close("span"), 0u);
    EXPECT_EQ(s.close("div"), 4u);
    // Siblings: the second <p> is no first child and has the first before it.
    s.open(element("div"));
    s.open(element("p", "one"));
    EXPECT_TRUE(s.match_stack().open.back().first_child);
    s.close("p");
    s.open(element("p"));
    EXPECT_FALSE(s.match_stack().open.back().first_child);
    ASSERT_NE(s.match_stack().before.back(), nullptr);
    EXPECT_EQ(s.match_stack().before.back()->id, "one");
    // Past the limit elements are counted and take the deepest one's looks.
    ElementStack deep;
    CssLooks bold;
    bold.weight = 700;
    for (size_t i = 0; i < 300; ++i) {
        deep.open(element("span"));
        if (i == ElementStack::kDepthLimit - 1) deep.set_looks(bold);
    }
    EXPECT_EQ(deep.depth(), 300u);
    EXPECT_EQ(deep.match_stack().open.size(), ElementStack::kDepthLimit);
    EXPECT_TRUE(deep.looks().bold());
    for (size_t i = 0; i < 300; ++i) deep.close("span");
    EXPECT_EQ(deep.depth(), 0u);
}

}  // namespace
