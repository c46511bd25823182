// Anchors: an <a> with an href is shown in a link colour and, optionally,
// with a thin underline in the same colour. Web links and links to other
// schemes can be told apart by colour.
#include "html/links.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "ddl/ddlout.h"
#include "ddl/format.h"
#include "html/handlers.h"
#include "html/preamble.h"
#include "html/style.h"
#include "markup/attrreader.h"
#include "markup/tagreader.h"
#include "resources/colour.h"
#include "resources/config.h"
#include "base/ascii.h"
#include "base/bytescan.h"
#include "base/memtrace.h"
#include "base/messages.h"

namespace {

constexpr std::string_view kNonWebSchemes[] = {
    "telnet:", "news:", "nntp:", "file:", "finger:", "mailto:", "newspost:", "newsreply:", "wais:", "cso:", "gopher:",
};

const char* const kClaimFailed = "Unable to claim memory to process URI for colourisation";

void link_open()
{
    ++g_style.link_count;
    ddlout_flush();
    int colour = link_choosecolour();
    if (colour == kLinkNone) return;  // the closing tag still lowers the count
    ddlout_foregroundcolour(colour);
    if (settings.underline) {
        ddlout_commandjoin("{underline 1 {type 1} {thickness 1310} {colourvalue COL_", colour, 3,
                           " 0x10000 0} {wordunderline 0} {doubleunderline 0}}");
    }
    ddlout_flush();
}

void link_close()
{
    if (--g_style.link_count >= 1) return;  // still inside an outer anchor
    g_style.link_count = 0;
    ddlout_flush();
    if (settings.underline) ddlout_command("{underline 0}");
    if (settings.highlightinblue) ddlout_foreground(0);
}

}  // namespace

int link_choosecolour()
{
    if (!settings.highlightinblue) return colour_findrgb(0, 0, 0);
    int colour = g_style.link_colour ? g_style.link_colour : colour_findrgb(0, 0, 255);

    bool nonweb = false;
    {
        // The schemes are looked for in the href value alone under
        // html5tags, in the whole tag otherwise.
        static std::string href;
        LoweredParams copy;
        const char* text;
        if (settings.html5tags) {
            const std::string* v = attr_value("href");
            if (!v) return kLinkNone;
            href.resize(v->size());
            bytescan::lower_copy(href.data(), v->data(), v->size());
            text = href.c_str();
        } else {
            if (!copy.take()) {
                if (!settings.trytorecover) fatal_message(50, "%s", kClaimFailed);
                show_message("TryToRecover: %s", kClaimFailed);
                return colour;
            }
            if (!copy.find("href")) return kLinkNone;
            text = copy.text;
        }
        // Every scheme ends in ':', so one occurs in the text exactly when one
        // ends at one of its colons: only those places are compared.
        for (const char* colon = std::strchr(text, ':'); colon && !nonweb; colon = std::strchr(colon + 1, ':')) {
            size_t before = static_cast<size_t>(colon - text) + 1;
            for (std::string_view scheme : kNonWebSchemes) {
                size_t n = scheme.size();
                if (n <= before && std::memcmp(colon + 1 - n, scheme.data(), n) == 0) {
                    nonweb = true;
                    break;
                }
            }
        }
    }
    if (!nonweb || !settings.nonurlsingreen) return colour;
    if (g_style.vlink_colour) return g_style.vlink_colour;
    int darkgreen = colour_findrgb(0, 127, 0);
    return darkgreen ? darkgreen : colour_findrgb(0, 255, 0);
}

void links_tag(bool closing)
{
    if (closing)
        link_close();
    else
        link_open();
}
