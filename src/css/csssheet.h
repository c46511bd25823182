// Style sheets read as CSS Syntax Level 3 parses them ("Parsing"): rules
// with their selector lists (Selectors Level 3, the subset this program
// matches) and declaration blocks, @media blocks kept when their query
// list matches a desktop screen, @supports blocks kept, other at-rules and
// blocks not understood skipped whole. Rules are indexed by the key of
// their rightmost compound, so that an element is matched against the
// rules that can match it only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "css/csstoken.h"

// The screen that media queries are evaluated for, in CSS pixels.
const int kCssScreenWidth = 1280;
const int kCssScreenHeight = 1024;
// The most rules a page's sheets give; later ones are dropped.
const size_t kCssRuleLimit = 100000;
// The most tokens one sheet is read into.
const size_t kCssTokenLimit = 4000000;

// One simple selector.
struct CssSimple {
    enum Kind {
        TYPE,  // `name`, lower case
        UNIVERSAL,
        CLASS,  // `name`
        ID,  // `name`
        ATTR,  // `name` (lower case), `op` 0 (present), '=', '~', '^', '$', '*', '|'; `value`
        FIRSTCHILD,
        LINK,  // :link, any <a href>
        NEVER  // a state pseudo-class or a pseudo-element: matches nothing
    };
    Kind kind = UNIVERSAL;
    std::string name;
    char op = 0;
    std::string value;
    bool negated = false;  // inside :not()
};

struct CssCompound {
    std::vector<CssSimple> parts;
    // How it stands to the compound on its left: ' ' descendant, '>'
    // child, '+' next sibling, '~' later sibling; 0 for the leftmost.
    char combinator = 0;
};

struct CssSelector {
    std::vector<CssCompound> compounds;  // left to right
    uint32_t specificity = 0;  // ids << 16 | classes << 8 | types, each at most 255
};

struct CssDeclaration {
    std::string property;  // lower case
    std::vector<CssToken> value;  // white space at either end dropped, "!important" taken off
    bool important = false;
};

struct CssRule {
    CssSelector selector;
    uint32_t block;  // its declarations: CssSheet::blocks[block]
    uint32_t order;  // source order over every sheet read into the set
};

class CssSheet {
public:
    // Keeps, of the sheets read from now on, only the rules whose blocks
    // declare one of these properties (null: every rule): a reader that
    // shows only some properties matches no rule that sets none of them.
    void keep_only(const std::vector<std::string>& properties) { kept_ = properties; }

    // Reads a sheet (a <style> block or a file's text); its rules follow
    // those read before. `media` is the <style media=...> value, or null.
    void read(const char* p, size_t n, const char* media = nullptr);
    // Reads a style attribute's declarations as a block of its own;
    // returns the block.
    uint32_t read_declarations(const char* p, size_t n);
    // The same into one block kept for the purpose, read anew each time
    // (a style attribute's, which only its element uses).
    uint32_t read_inline(const char* p, size_t n);

    const std::vector<CssRule>& rules() const { return rules_; }
    const std::vector<CssDeclaration>& block(uint32_t i) const { return blocks_[i]; }
    // The rules whose rightmost compound has this key (id, class, lower
    // case type) or none of them (universal).
    const std::vector<uint32_t>* by_id(const std::string& id) const { return find(ids_, id); }
    const std::vector<uint32_t>* by_class(const std::string& c) const { return find(classes_, c); }
    const std::vector<uint32_t>* by_type(const std::string& t) const { return find(types_, t); }
    const std::vector<uint32_t>& universal() const { return universal_; }
    bool dropped_rules() const { return dropped_; }

private:
    using Index = std::unordered_map<std::string, std::vector<uint32_t>>;
    static const std::vector<uint32_t>* find(const Index& index, const std::string& key)
    {
        auto it = index.find(key);
        return it == index.end() ? nullptr : &it->second;
    }
    void add_rule(CssSelector selector, uint32_t block);

    std::vector<CssRule> rules_;
    std::vector<std::vector<CssDeclaration>> blocks_;
    Index ids_, classes_, types_;
    std::vector<uint32_t> universal_;
    bool dropped_ = false;
    uint32_t scratch_ = UINT32_MAX;
    std::vector<std::string> kept_;

    friend class CssParser;
};

// Whether a media query list (a <style media> value or an @media prelude)
// holds a query that a desktop screen of kCssScreenWidth x
// kCssScreenHeight matches. Empty lists match.
bool css_mediamatches(const std::vector<CssToken>& tokens, size_t from, size_t to);

// Parses one selector list from tokens [from, to); false when any selector
// in it is not understood (the whole list is dropped, as browsers do).
bool css_parseselectors(const std::vector<CssToken>& t, size_t from, size_t to, std::vector<CssSelector>* out);
