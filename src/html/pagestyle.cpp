#include "html/pagestyle.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "css/cssmatch.h"
#include "css/csslooks.h"
#include "css/csssheet.h"
#include "css/elementstack.h"
#include "markup/attrreader.h"
#include "markup/rawtext.h"
#include "markup/tagreader.h"
#include "resources/config.h"
#include "base/ascii.h"

bool g_pagestyle_rules = false;

namespace {

const size_t kSheetLimit = 4u << 20;  // bytes of one <style> block kept

std::unique_ptr<CssSheet> g_sheet;
std::unique_ptr<ElementStack> g_stack;
std::vector<uint32_t> g_rules;

CssElement element_of(const std::string& name)
{
    CssElement e;
    e.name = name;
    if (g_tag.paramlen <= 0) return e;
    if (const std::string* id = attr_value("id")) e.id = *id;
    if (const std::string* cls = attr_value("class")) {
        std::string word;
        for (char c : *cls + " ") {
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') {
                if (!word.empty()) e.classes.push_back(word);
                word.clear();
            } else {
                word.push_back(c);
            }
        }
    }
    attr_all(&e.attrs);
    return e;
}

// The tags whose content other readers leave out already (raw text, the
// head): their default "display: none" is not this module's.
bool left_out_elsewhere(const std::string& n)
{
    return n == "head" || n == "script" || n == "style" || n == "title" || n == "template" || n == "noscript";
}

}  // namespace

std::string pagestyle_tagname()
{
    std::string n = ascii_lowered(g_tag.name);
    if (n.size() > 1 && n.back() == '/') n.pop_back();
    return n;
}

void pagestyle_reset()
{
    g_sheet.reset();
    g_stack.reset();
    g_pagestyle_rules = false;
}

void pagestyle_addsheet()
{
    const std::string* media = attr_value("media");
    std::string m = media ? *media : std::string();
    bool has_media = media != nullptr;
    std::string text;
    rawtext_collect("style", &text, kSheetLimit);
    if (!g_sheet) {
        g_sheet.reset(new CssSheet);
        // Of the looks, only what hides is shown yet.
        g_sheet->keep_only({"display"});
    }
    g_sheet->read(text.data(), text.size(), has_media ? m.c_str() : nullptr);
    g_pagestyle_rules = !g_sheet->rules().empty();
}

bool pagestyle_hides()
{
    if (!settings.css) return false;
    if (!pagestyle_hasrules()) {
        // Without rules only the element's own attributes can hide it.
        if (g_tag.paramlen <= 0 || !attr_haseither("hidden", "style")) return false;
        bool hidden = attr_has("hidden");
        std::string name = pagestyle_tagname();
        if (left_out_elsewhere(name)) return false;
        if (!g_sheet) g_sheet.reset(new CssSheet);
        const std::string* style = attr_value("style");
        uint32_t block = style ? g_sheet->read_inline(style->data(), style->size()) : UINT32_MAX;
        return css_computelooks(CssLooks(), name, *g_sheet, {}, block, hidden, 16, nullptr).none;
    }
    if (!g_stack) g_stack.reset(new ElementStack);
    std::string name = pagestyle_tagname();
    CssElement e = element_of(name);
    bool hidden = g_tag.paramlen > 0 && attr_has("hidden");
    const std::string* style = g_tag.paramlen > 0 ? attr_value("style") : nullptr;
    uint32_t block = style ? g_sheet->read_inline(style->data(), style->size()) : UINT32_MAX;
    const CssStack* stack;
    bool is_void = ElementStack::is_void(name);
    g_stack->open(e);
    CssLooks parent = g_stack->looks();  // after the end tags the start tag implies
    if (is_void) {
        stack = &g_stack->with_void(std::move(e));
    } else {
        if (!g_stack->kept()) return false;  // past the depth limit: the deepest one's looks
        parent = g_stack->parent_looks();
        stack = &g_stack->match_stack();
    }
    css_matchingrules(*g_sheet, *stack, &g_rules);
    CssLooks looks = css_computelooks(parent, name, *g_sheet, g_rules, block, hidden, 16, nullptr);
    if (!is_void) g_stack->set_looks(looks);
    return looks.none && !parent.none && !left_out_elsewhere(name);
}

void pagestyle_closes()
{
    if (!g_stack) return;
    g_stack->close(pagestyle_tagname());
}
