// libFuzzer target of the CSS reader: the input read as a sheet (its
// first byte choosing whether it is also read as a style attribute's
// declarations), and every rule it gives matched against a small stack.
// The parse must keep the rule limit and give every rule a block.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "css/cssmatch.h"
#include "css/csssheet.h"

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
    return 0;
}
