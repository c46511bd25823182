// The first pass: the preamble must declare every colour and picture before
// the text uses it, so the whole input is read once beforehand for the page
// colours, the font colours, the pictures and the base size and leading.
// Nothing is written; a failed claim just skips the tag.
#include <cstring>
#include <initializer_list>

#include "markup/attributes.h"
#include "html/handlers.h"
#include "html/pagestyle.h"
#include "html/tags.h"
#include "html/special.h"
#include "html/style.h"
#include "markup/attrreader.h"
#include "markup/rawtext.h"
#include "markup/tagreader.h"
#include "pictures/picturepick.h"
#include "pictures/pictures.h"
#include "resources/colour.h"
#include "resources/config.h"
#include "base/bytescan.h"
#include "base/infile.h"
#include "base/memtrace.h"
#include "script/dramaton.h"

namespace {

// Hides an attribute name from later searches for "link", in the tag
// parameters themselves and in the copy.
void mask(char* copy, const char* found)
{
    size_t at = static_cast<size_t>(found - copy);
    std::memcpy(copy + at, "xxxx", 4);
    std::memcpy(g_tag.params + at, "xxxx", 4);
}

// Under html5tags each attribute is found by its whole name.
void body_colours5()
{
    if (attr_has("bgcolor")) {
        if (int n = colour_fromattribute("bgcolor", g_style.text_colour)) g_style.background_colour = n;
    }
    if (attr_has("bgcolour")) {
        if (int n = colour_fromattribute("bgcolour", g_style.text_colour)) g_style.background_colour = n;
    }
    if (attr_has("text")) g_style.text_colour = colour_fromattribute("text", g_style.text_colour);
    if (attr_has("vlink")) g_style.vlink_colour = colour_fromattribute("vlink", g_style.text_colour);
    if (attr_has("link")) g_style.link_colour = colour_fromattribute("link", g_style.text_colour);
}

void body_colours()
{
    if (settings.html5tags) return body_colours5();
    LoweredParams copy;
    if (!copy.take()) return;
    // A background colour that cannot be had keeps the page white: with no
    // colour at all the text colour would be taken for the background.
    if (copy.find("bgcolor")) {
        if (int n = colour_fromattribute("bgcolor", g_style.text_colour)) g_style.background_colour = n;
    }
    if (copy.find("bgcolour")) {
        if (int n = colour_fromattribute("bgcolour", g_style.text_colour)) g_style.background_colour = n;
    }
    if (copy.find("text")) g_style.text_colour = colour_fromattribute("text", g_style.text_colour);
    if (const char* v = copy.find("vlink")) {
        g_style.vlink_colour = colour_fromattribute("vlink", g_style.text_colour);
        mask(copy.text, v);
    }
    if (const char* a = copy.find("alink")) mask(copy.text, a);
    if (copy.find("link")) g_style.link_colour = colour_fromattribute("link", g_style.text_colour);
}

// Reading a font colour enters it in the colour table; that is all.
void font_colours()
{
    if (settings.html5tags) {
        if (attr_has("color")) colour_fromattribute("color", g_style.text_colour);
        if (attr_has("colour")) colour_fromattribute("colour", g_style.text_colour);
        return;
    }
    LoweredParams copy;
    if (!copy.take()) return;
    if (copy.find("color")) colour_fromattribute("color", g_style.text_colour);
    if (copy.find("colour")) colour_fromattribute("colour", g_style.text_colour);
}

void quillet_values()
{
    if (settings.html5tags) {
        if (attr_has("fontsize")) g_style.base_size = special_limit(subparse_number("fontsize"), 8, 20);
        if (attr_has("leading")) g_style.leading = special_leading(subparse_number("leading"));
        return;
    }
    LoweredParams copy;
    if (!copy.take()) return;
    if (copy.find("fontsize")) g_style.base_size = special_limit(subparse_number("fontsize"), 8, 20);
    if (copy.find("leading")) g_style.leading = special_leading(subparse_number("leading"));
}

// The tags the first pass looks at, and the end of a script; under
// html5tags their names may end in "/".
struct Filters {
    KeywordFilter pass;
    KeywordFilter script;
    explicit Filters(bool slash)
    {
        // Every table has the design's rows of these tags.
        const int pass_tokens[] = {TOK_BODY, TOK_FONT, TOK_IMG, TOK_SCRIPT, TOK_QUILLET, TOK_DRAMATON, 0};
        const int script_tokens[] = {TOK_SCRIPT, 0};
        keyword_filter(kHtmlKeywords, pass_tokens, &pass);
        keyword_filter(kHtmlKeywords, script_tokens, &script);
        if (slash) {
            // Under html5tags the raw-text elements, whose content is
            // read past, pass too (by first letter and length).
            // So do <picture> and <source>, for the pictures.
            for (const char* name : {"style", "title", "noscript", "iframe", "noembed", "noframes", "xmp", "textarea",
                                     "picture", "source"}) {
                int n = static_cast<int>(std::strlen(name));
                pass.first[static_cast<unsigned char>(name[0])] |= static_cast<unsigned short>(1u << n);
                pass.first[static_cast<unsigned char>(name[0] - 32)] |= static_cast<unsigned short>(1u << n);
            }
            keyword_filterslash(&pass);
            keyword_filterslash(&script);
        }
    }
};
const Filters kDesignFilters(false);
const Filters kSlashFilters(true);
const Filters* g_filters = &kDesignFilters;

void skip_script()
{
    if (settings.html5tags) return rawtext_skip(RAW_SCRIPT, "script");
    for (int t; (t = tagreader_nextlookedfor(g_filters->script)) >= 0;)
        if (t == TOK_SCRIPT + TOK_CLOSING) return;
}

// Under html5tags the content of the other raw-text elements is read past
// too: what stands in it is no tag.
void skip_rawtext(int t)
{
    if (!settings.html5tags || t < 0 || t >= TOK_CLOSING) return;
    int kind = rawtext_kind(g_tag.name);
    if (kind != RAW_NONE) rawtext_skip(kind, g_tag.name);
}

// At a <dramaton> tag the script converter takes over from the first pass
// and reads on from the tag: the conversion pass never comes, so the tags
// before it are read again, as the first pass read them, for the warnings
// held back. The script converter reports with the tag reader not quiet.
[[noreturn]] void hand_over()
{
    tagreader_setquiet(0);
    if (tagreader_heldback()) {
        infile_rewind();
        g_line = 1;
        for (int t; (t = tagreader_nextlookedfor(g_filters->pass)) >= 0;) {
            if (t == TOK_SCRIPT)
                skip_script();
            else
                skip_rawtext(t);
            if (t == TOK_DRAMATON) break;
        }
    }
    dramaton_convert();
}

}  // namespace

// The tags are read again by the conversion pass, which reports what they
// hold: the tag reader is quiet here.
void firstpass_run()
{
    g_filters = settings.html5tags ? &kSlashFilters : &kDesignFilters;
    tagreader_setquiet(1);
    picturepick_close();
    pagestyle_reset();
    bool body_seen = false;
    for (int t; (t = tagreader_nextlookedfor(g_filters->pass)) >= 0;) {
        switch (t) {
        case TOK_BODY:
            body_seen = true;
            if (!settings.disabledoccols) body_colours();
            break;
        case TOK_FONT:
            if (!settings.disabledoccols) font_colours();
            break;
        case TOK_IMG: image_index(); break;
        case TOK_PICTURE:
            if (settings.pictures) picturepick_open();
            break;
        case TOK_PICTURE + TOK_CLOSING:
            if (settings.pictures) picturepick_close();
            break;
        case TOK_SOURCE:
            if (settings.pictures) picturepick_source();
            break;
        case TOK_SCRIPT: skip_script(); break;
        case TOK_QUILLET:
            if (!body_seen) quillet_values();
            break;
        case TOK_STYLE:
            if (settings.css)
                pagestyle_addsheet();
            else
                skip_rawtext(t);
            break;
        case TOK_DRAMATON: hand_over();
        default: skip_rawtext(t); break;
        }
    }
    tagreader_setquiet(0);
}
