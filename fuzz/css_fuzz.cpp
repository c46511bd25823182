// libFuzzer target of the CSS reader: the input read as a sheet (its
// first byte choosing whether it is also read as a style attribute's
// declarations), and every rule it gives matched against a small stack.
// The parse must keep the rule limit and give every rule a block.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "css/cssmatch.h"
#include "css/csslooks.h"
#include "css/csssheet.h"
#include "css/elementstack.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* p = reinterpret_cast<const char*>(data);
    CssSheet sheet;
    sheet.read(p, size, size && (data[0] & 1) ? "screen and (min-width: 800px)" : nullptr);
    if (size && (data[0] & 2)) sheet.read_declarations(p, size);
    if (sheet.rules().size() > kCssRuleLimit) std::abort();
    CssStack stack;
    CssElement html, div, p_el;
    html.name = "html";
    div.name = "div";
    div.id = "main";
    div.classes = {"box"};
    p_el.name = "p";
    p_el.attrs = {{"href", "x"}, {"lang", "en"}};
    stack.open = {html, div, p_el};
    stack.before = {nullptr, nullptr, &html};
    for (const CssRule& r : sheet.rules()) {
        (void)sheet.block(r.block).size();
        css_matches(r.selector, stack);
    }
    std::vector<uint32_t> matched;
    css_matchingrules(sheet, stack, &matched);
    // The input's bytes as start and end tags of a few names, each element
    // matched and its looks computed under its parent's.
    static const char* const kNames[] = {"p",  "div", "li",   "ul",  "td", "tr", "table",  "h1",
                                         "h2", "b",   "span", "img", "dd", "dt", "option", "a"};
    ElementStack elements;
    for (size_t i = 0; i < size && i < 4096; ++i) {
        CssElement e;
        e.name = kNames[(data[i] >> 1) % 16];
        if (data[i] & 0x20) e.classes = {"box"};
        if (data[i] & 1) {
            elements.close(e.name);
        } else {
            elements.open(e);
            if (!elements.kept()) continue;
            css_matchingrules(sheet, elements.match_stack(), &matched);
            bool unsupported = false;
            elements.set_looks(
                css_computelooks(elements.parent_looks(), e.name, sheet, matched, UINT32_MAX, false, 16, &unsupported));
        }
        if (elements.match_stack().open.size() > ElementStack::kDepthLimit ||
            elements.match_stack().open.size() > elements.depth())
            std::abort();
    }
    return 0;
}
