#include "css/csstoken.h"

#include <cstdlib>

namespace {

bool is_letter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_digit(int c) { return c >= '0' && c <= '9'; }
bool is_hex(int c) { return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool is_newline(int c) { return c == '\n' || c == '\r' || c == '\f'; }
bool is_white(int c) { return c == ' ' || c == '\t' || is_newline(c); }
bool is_namestart(int c) { return is_letter(c) || c == '_' || c >= 0x80; }
bool is_name(int c) { return is_namestart(c) || is_digit(c) || c == '-'; }
bool is_nonprintable(int c) { return (c >= 0 && c <= 8) || c == 0x0B || (c >= 0x0E && c <= 0x1F) || c == 0x7F; }

void append_utf8(unsigned v, std::string* out)
{
    if (v < 0x80) {
        out->push_back(static_cast<char>(v));
    } else if (v < 0x800) {
        out->push_back(static_cast<char>(0xC0 | v >> 6));
        out->push_back(static_cast<char>(0x80 | (v & 0x3F)));
    } else if (v < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | v >> 12));
        out->push_back(static_cast<char>(0x80 | (v >> 6 & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (v & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | v >> 18));
        out->push_back(static_cast<char>(0x80 | (v >> 12 & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (v >> 6 & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (v & 0x3F)));
    }
}

class Tokenizer {
public:
    Tokenizer(const char* p, size_t n) : p_(reinterpret_cast<const unsigned char*>(p)), n_(n) {}

    // The byte k places on, -1 past the end.
    int at(size_t k = 0) const { return i_ + k < n_ ? p_[i_ + k] : -1; }

    bool valid_escape(size_t k = 0) const { return at(k) == '\\' && at(k + 1) != -1 && !is_newline(at(k + 1)); }
    bool starts_ident(size_t k = 0) const
    {
        int c = at(k);
        if (c == '-') return is_namestart(at(k + 1)) || at(k + 1) == '-' || valid_escape(k + 1);
        if (c == '\\') return valid_escape(k);
        return c >= 0 && is_namestart(c);
    }
    bool starts_number(size_t k = 0) const
    {
        int c = at(k);
        if (c == '+' || c == '-') return is_digit(at(k + 1)) || (at(k + 1) == '.' && is_digit(at(k + 2)));
        if (c == '.') return is_digit(at(k + 1));
        return c >= 0 && is_digit(c);
    }

    // After the "\": the escaped code point.
    void escape(std::string* out)
    {
        int c = at();
        if (c == -1) {
            append_utf8(0xFFFD, out);
            return;
        }
        if (is_hex(c)) {
            unsigned v = 0;
            for (int k = 0; k < 6 && is_hex(at()); ++k, ++i_) {
                int h = at();
                v = v * 16 + static_cast<unsigned>(is_digit(h) ? h - '0' : (h | 0x20) - 'a' + 10);
            }
            if (at() == '\r' && at(1) == '\n') ++i_;
            if (is_white(at())) ++i_;
            if (v == 0 || (v >= 0xD800 && v <= 0xDFFF) || v > 0x10FFFF) v = 0xFFFD;
            append_utf8(v, out);
            return;
        }
        ++i_;
        out->push_back(static_cast<char>(c));
    }

    std::string name()
    {
        std::string s;
        for (;;) {
            int c = at();
            if (c >= 0 && is_name(c)) {
                s.push_back(static_cast<char>(c));
                ++i_;
            } else if (valid_escape()) {
                ++i_;
                escape(&s);
            } else {
                return s;
            }
        }
    }

    void number(CssToken* t)
    {
        size_t start = i_;
        bool integer = true;
        if (at() == '+' || at() == '-') ++i_;
        while (is_digit(at())) ++i_;
        if (at() == '.' && is_digit(at(1))) {
            integer = false;
            i_ += 2;
            while (is_digit(at())) ++i_;
        }
        if ((at() == 'e' || at() == 'E') && (is_digit(at(1)) || ((at(1) == '+' || at(1) == '-') && is_digit(at(2))))) {
            integer = false;
            i_ += 2;
            while (is_digit(at())) ++i_;
        }
        std::string digits(reinterpret_cast<const char*>(p_ + start), i_ - start);
        t->number = std::strtod(digits.c_str(), nullptr);
        t->integer = integer;
    }

    void numeric(CssToken* t)
    {
        number(t);
        if (starts_ident()) {
            t->type = CSS_DIMENSION;
            t->text = name();
        } else if (at() == '%') {
            ++i_;
            t->type = CSS_PERCENTAGE;
        } else {
            t->type = CSS_NUMBER;
        }
    }

    void string(int quote, CssToken* t)
    {
        t->type = CSS_STRING;
        for (;;) {
            int c = at();
            if (c == -1) return;
            if (c == quote) {
                ++i_;
                return;
            }
            if (is_newline(c)) {
                t->type = CSS_BADSTRING;  // the line feed is left
                return;
            }
            ++i_;
            if (c == '\\') {
                if (at() == -1) continue;
                if (is_newline(at())) {
                    if (at() == '\r' && at(1) == '\n') ++i_;
                    ++i_;
                    continue;
                }
                escape(&t->text);
                continue;
            }
            t->text.push_back(static_cast<char>(c));
        }
    }

    // After "url(" and its white space: the rest of a url token.
    void url(CssToken* t)
    {
        t->type = CSS_URL;
        for (;;) {
            int c = at();
            if (c == -1) return;
            ++i_;
            if (c == ')') return;
            if (is_white(c)) {
                while (is_white(at())) ++i_;
                if (at() == ')' || at() == -1) {
                    if (at() == ')') ++i_;
                    return;
                }
                break;
            }
            if (c == '"' || c == '\'' || c == '(' || is_nonprintable(c)) break;
            if (c == '\\') {
                if (at() != -1 && !is_newline(at())) {
                    escape(&t->text);
                    continue;
                }
                break;
            }
            t->text.push_back(static_cast<char>(c));
        }
        // The remnants of a bad url, to its ")" (escaped ones skipped).
        t->type = CSS_BADURL;
        t->text.clear();
        for (;;) {
            int c = at();
            if (c == -1) return;
            ++i_;
            if (c == ')') return;
            if (c == '\\' && at() != -1 && !is_newline(at())) ++i_;
        }
    }

    void identlike(CssToken* t)
    {
        std::string s = name();
        if (at() == '(') {
            ++i_;
            bool is_url = s.size() == 3 && (s[0] | 0x20) == 'u' && (s[1] | 0x20) == 'r' && (s[2] | 0x20) == 'l';
            if (is_url) {
                while (is_white(at()) && is_white(at(1))) ++i_;
                int q = is_white(at()) ? at(1) : at();
                if (q != '"' && q != '\'') {
                    while (is_white(at())) ++i_;
                    url(t);
                    return;
                }
            }
            t->type = CSS_FUNCTION;
            t->text = s;
            return;
        }
        t->type = CSS_IDENT;
        t->text = s;
    }

    CssToken next()
    {
        CssToken t;
        // Comments.
        while (at() == '/' && at(1) == '*') {
            i_ += 2;
            while (at() != -1 && !(at() == '*' && at(1) == '/')) ++i_;
            if (at() != -1) i_ += 2;
        }
        int c = at();
        if (c == -1) return t;
        if (is_white(c)) {
            while (is_white(at())) ++i_;
            t.type = CSS_WHITESPACE;
            return t;
        }
        if (c == '"' || c == '\'') {
            ++i_;
            string(c, &t);
            return t;
        }
        if (c == '#') {
            if ((at(1) >= 0 && is_name(at(1))) || valid_escape(1)) {
                ++i_;
                t.type = CSS_HASH;
                t.idhash = starts_ident();
                t.text = name();
                return t;
            }
        } else if (c == '+' || c == '.') {
            if (starts_number()) {
                numeric(&t);
                return t;
            }
        } else if (c == '-') {
            if (starts_number()) {
                numeric(&t);
                return t;
            }
            if (at(1) == '-' && at(2) == '>') {
                i_ += 3;
                t.type = CSS_CDC;
                return t;
            }
            if (starts_ident()) {
                identlike(&t);
                return t;
            }
        } else if (c == '<') {
            if (at(1) == '!' && at(2) == '-' && at(3) == '-') {
                i_ += 4;
                t.type = CSS_CDO;
                return t;
            }
        } else if (c == '@') {
            if (starts_ident(1)) {
                ++i_;
                t.type = CSS_ATKEYWORD;
                t.text = name();
                return t;
            }
        } else if (c == '\\') {
            if (valid_escape()) {
                identlike(&t);
                return t;
            }
        } else if (is_digit(c)) {
            numeric(&t);
            return t;
        } else if (is_namestart(c)) {
            identlike(&t);
            return t;
        } else {
            static const struct {
                char c;
                CssTokenType type;
            } kPunct[] = {{'(', CSS_LPAREN},   {')', CSS_RPAREN},    {',', CSS_COMMA},
                          {':', CSS_COLON},    {';', CSS_SEMICOLON}, {'[', CSS_LBRACKET},
                          {']', CSS_RBRACKET}, {'{', CSS_LBRACE},    {'}', CSS_RBRACE}};
            for (const auto& k : kPunct) {
                if (c == k.c) {
                    ++i_;
                    t.type = k.type;
                    return t;
                }
            }
        }
        ++i_;
        t.type = CSS_DELIM;
        t.text.assign(1, static_cast<char>(c));
        return t;
    }

private:
    const unsigned char* p_;
    size_t n_;
    size_t i_ = 0;
};

}  // namespace

std::vector<CssToken> css_tokenize(const char* p, size_t n, size_t limit)
{
    std::vector<CssToken> out;
    Tokenizer t(p, n);
    while (out.size() + 1 < limit) {
        out.push_back(t.next());
        if (out.back().type == CSS_EOF) return out;
    }
    out.push_back(CssToken());
    return out;
}
