// The strict DDL reader and the HTML it shows. The reader builds each brace
// command as a small tree (its name and its arguments: numbers, strings,
// names, nested commands); the text between commands is shown with the
// state the commands set.
#include "view/ddlview.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "base/messages.h"
#include "resources/fontmap.h"

namespace {

struct Node {
    enum Kind { CMD, STR, NUM, NAME } kind = CMD;
    std::string text;  // command name, string bytes, number or name spelling
    std::vector<Node> args;
};

struct Reader {
    const std::string* src;
    size_t pos = 0;
    int line = 1;
    std::string error;
    int errline = 0;
    bool fail(const std::string& what)
    {
        if (error.empty()) {
            error = what;
            errline = line;
        }
        return false;
    }
};

const int kMaxDepth = 64;

bool is_namechar(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

void skip_space(Reader& r)
{
    const std::string& s = *r.src;
    while (r.pos < s.size()) {
        char c = s[r.pos];
        if (c == '\n') {
            ++r.line;
            ++r.pos;
        } else if (c == ' ' || c == '\t' || c == '\r') {
            ++r.pos;
        } else if (c == '/' && r.pos + 1 < s.size() && s[r.pos + 1] == '/') {
            while (r.pos < s.size() && s[r.pos] != '\n') ++r.pos;
        } else {
            break;
        }
    }
}

bool read_string(Reader& r, std::string* out)
{
    const std::string& s = *r.src;
    int start = r.line;
    ++r.pos;
    while (r.pos < s.size()) {
        char c = s[r.pos++];
        if (c == '"') return true;
        if (c == '\n') break;
        if (c == '\\') {
            if (r.pos >= s.size() || s[r.pos] == '\n') break;
            c = s[r.pos++];
        }
        out->push_back(c);
    }
    r.line = start;
    return r.fail("a string left open, where a closing '\"' was expected");
}

bool read_command(Reader& r, Node* node, int depth);

bool read_item(Reader& r, Node* node, int depth)
{
    const std::string& s = *r.src;
    unsigned char c = static_cast<unsigned char>(s[r.pos]);
    if (c == '"') {
        node->kind = Node::STR;
        return read_string(r, &node->text);
    }
    if (c == '{') return read_command(r, node, depth + 1);
    if (c == '-' || is_namechar(c)) {
        node->kind = (c == '-' || (c >= '0' && c <= '9')) ? Node::NUM : Node::NAME;
        size_t b = r.pos++;
        while (r.pos < s.size() && is_namechar(static_cast<unsigned char>(s[r.pos]))) ++r.pos;
        node->text.assign(s, b, r.pos - b);
        return true;
    }
    char found[8];
    std::snprintf(found, sizeof found, c >= 32 && c < 127 ? "'%c'" : "0x%02X", c);
    return r.fail(std::string("the byte ") + found + ", where a string, a number, a name or a command was expected");
}

bool read_command(Reader& r, Node* node, int depth)
{
    const std::string& s = *r.src;
    if (depth > kMaxDepth) return r.fail("commands nested too deep, where a '}' was expected");
    int start = r.line;
    node->kind = Node::CMD;
    ++r.pos;
    size_t b = r.pos;
    while (r.pos < s.size() && is_namechar(static_cast<unsigned char>(s[r.pos]))) ++r.pos;
    node->text.assign(s, b, r.pos - b);
    if (node->text.empty()) return r.fail("a '{' with no command name after it");
    for (;;) {
        skip_space(r);
        if (r.pos >= s.size()) {
            r.line = start;
            return r.fail("a brace left open, where a '}' was expected");
        }
        if (s[r.pos] == '}') {
            ++r.pos;
            return true;
        }
        node->args.emplace_back();
        if (!read_item(r, &node->args.back(), depth)) return false;
    }
}

// --- The vocabulary and the declarations -----------------------------------

const char* const kKnown[] = {"document",
                              "colour",
                              "cmyk",
                              "rgb",
                              "lock",
                              "transparent",
                              "overprintlimit",
                              "font",
                              "preferences",
                              "units",
                              "smartquotes",
                              "autohyphenate",
                              "widows",
                              "orphans",
                              "style",
                              "textsize",
                              "leading",
                              "align",
                              "italic",
                              "bold",
                              "underline",
                              "wordunderline",
                              "doubleunderline",
                              "strikeout",
                              "sub",
                              "super",
                              "leftindent",
                              "rightindent",
                              "firstindent",
                              "chapter",
                              "papersize",
                              "w",
                              "h",
                              "x",
                              "y",
                              "sideways",
                              "textframe",
                              "fillcolour",
                              "fcurve",
                              "box",
                              "defaulttext",
                              "foreground",
                              "background",
                              "pictframe",
                              "spread",
                              "radius",
                              "inset",
                              "textflow",
                              "angle",
                              "skew",
                              "picturedata",
                              "lockmode",
                              "aspectlock",
                              "autoscale",
                              "hide",
                              "bottomleft",
                              "scale",
                              "aspect",
                              "tile",
                              "picture",
                              "data",
                              "beginchapter",
                              "newpara",
                              "newline",
                              "newpage",
                              "tab",
                              "tabs",
                              "tabstop",
                              "ruler",
                              "embed",
                              "adduserstyle",
                              "remuserstyle",
                              "colourvalue",
                              "type",
                              "thickness",
                              "spaceabove",
                              "spacebelow",
                              "keepnext",
                              "keeptogether",
                              "endchapter",
                              "lefttab",
                              "righttab",
                              "centretab",
                              "tableader",
                              "tabruler",
                              "hyphenate",
                              "case",
                              "smallcaps",
                              "outline",
                              "shadow",
                              "kerning",
                              "tracking",
                              "baseline"};

struct Colour {
    int r = 0, g = 0, b = 0;
};

int to255(long v)
{
    if (v < 0) v = 0;
    if (v > 0x10000) v = 0x10000;
    return static_cast<int>((v * 255 + 0x8000) / 0x10000);
}

const Node* find_arg(const Node& n, const char* name)
{
    for (const Node& a : n.args)
        if (a.kind == Node::CMD && a.text == name) return &a;
    return nullptr;
}

long num_arg(const Node* n, size_t i, long dflt)
{
    if (!n || i >= n->args.size() || n->args[i].kind != Node::NUM) return dflt;
    return std::strtol(n->args[i].text.c_str(), nullptr, 0);
}

// The picture data's text encoding: six bits a character from '#' up, 'c'
// standing for the backslash.
bool decode_picture(const std::string& text, size_t size, std::string* out)
{
    std::vector<int> v;
    v.reserve(text.size());
    for (unsigned char c : text) {
        int x = c == 'c' ? '\\' - 35 : c - 35;
        if (x < 0 || x > 63) return false;
        v.push_back(x);
    }
    for (size_t i = 0; i < v.size(); i += 4) {
        if (i + 3 >= v.size()) return false;
        out->push_back(static_cast<char>((v[i] << 2) | (v[i + 1] >> 4)));
        out->push_back(static_cast<char>(((v[i + 1] & 15) << 4) | (v[i + 2] >> 2)));
        out->push_back(static_cast<char>(((v[i + 2] & 3) << 6) | v[i + 3]));
    }
    if (out->size() < size || out->size() > size + 2) return false;
    out->resize(size);
    return true;
}

std::string base64(const std::string& in)
{
    static const char t[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string o;
    for (size_t i = 0; i < in.size(); i += 3) {
        unsigned b = static_cast<unsigned char>(in[i]) << 16;
        if (i + 1 < in.size()) b |= static_cast<unsigned char>(in[i + 1]) << 8;
        if (i + 2 < in.size()) b |= static_cast<unsigned char>(in[i + 2]);
        o.push_back(t[(b >> 18) & 63]);
        o.push_back(t[(b >> 12) & 63]);
        o.push_back(i + 1 < in.size() ? t[(b >> 6) & 63] : '=');
        o.push_back(i + 2 < in.size() ? t[b & 63] : '=');
    }
    return o;
}

// The host character set's upper half in UTF-8, with the typographic
// quotes at 0x90, 0x91, 0x94, 0x95 and the hyphen at 0xAD.
void add_hostchar(std::string* o, unsigned char c)
{
    switch (c) {
    case '&': *o += "&amp;"; return;
    case '<': *o += "&lt;"; return;
    case '>': *o += "&gt;"; return;
    case 0x90: *o += "\xE2\x80\x98"; return;
    case 0x91: *o += "\xE2\x80\x99"; return;
    case 0x94: *o += "\xE2\x80\x9C"; return;
    case 0x95: *o += "\xE2\x80\x9D"; return;
    case 0xAD: *o += "-"; return;
    default: break;
    }
    if (c < 32 || c == 127) {
        *o += ' ';
    } else if (c < 128) {
        o->push_back(static_cast<char>(c));
    } else if (c < 0xA0) {
        *o += "\xEF\xBF\xBD";
    } else {
        o->push_back(static_cast<char>(0xC0 | (c >> 6)));
        o->push_back(static_cast<char>(0x80 | (c & 63)));
    }
}

struct State {
    bool bold = false, italic = false, underline = false, strike = false, sub = false, super = false;
    long size = 12000, leading = 0;
    std::string font, colour;
};

struct View {
    std::string* out;
    const char* name;
    std::map<std::string, Node> decls;
    std::map<std::string, std::string> colours, fonts;
    std::set<std::string> reported;
    State st;
    int align = 0;
    long indent = 0;
    bool inline_open = false;
    bool pendingfont = false;
    double width = 538.583;
};

void add_escaped(std::string* o, const std::string& s)
{
    for (unsigned char c : s) add_hostchar(o, c);
}

const char* kAlign[] = {"left", "center", "right", "justify"};

void open_line(View& v)
{
    if (v.inline_open) return;
    char buf[160];
    std::snprintf(buf, sizeof buf, "<div style=\"text-align:%s;margin-left:%.1fpt;min-height:1em\">",
                  kAlign[v.align & 3], v.indent / 1000.0);
    *v.out += buf;
    v.inline_open = true;
}

void close_line(View& v, bool para)
{
    if (!v.inline_open)
        *v.out += para ? "<div style=\"height:0.5em\"></div>\n" : "<div style=\"min-height:1em\"></div>\n";
    else
        *v.out += para ? "</div><div style=\"height:0.5em\"></div>\n" : "</div>\n";
    v.inline_open = false;
}

void add_text(View& v, const std::string& s)
{
    open_line(v);
    std::string style;
    char buf[96];
    std::snprintf(buf, sizeof buf, "font-size:%.2fpt;", v.st.size / 1000.0);
    style += buf;
    if (v.st.bold) style += "font-weight:bold;";
    if (v.st.italic) style += "font-style:italic;";
    if (v.st.underline || v.st.strike)
        style += std::string("text-decoration:") + (v.st.underline ? "underline " : "") +
                 (v.st.strike ? "line-through" : "") + ";";
    if (v.st.sub) style += "vertical-align:sub;";
    if (v.st.super) style += "vertical-align:super;";
    if (!v.st.colour.empty()) style += "color:" + v.st.colour + ";";
    if (!v.st.font.empty()) style += "font-family:" + v.st.font + ";";
    *v.out += "<span style=\"" + style + "\">";
    add_escaped(v.out, s);
    *v.out += "</span>";
}

void report(View& v, const std::string& cmd, int line)
{
    if (!v.reported.insert(cmd).second) return;
    show_message("DDL file \"%s\", line %d: the command \"{%s}\" is not shown.", v.name, line, cmd.c_str());
}

bool known(const std::string& cmd)
{
    for (const char* k : kKnown)
        if (cmd == k) return true;
    return false;
}

// Every name a command uses must be declared before it; unknown commands
// are reported.
bool check_tree(View& v, Reader& r, const Node& n, int line)
{
    // Lower-case words are keywords ({units mm}); capitalised ones name
    // declarations.
    if (n.kind == Node::NAME && n.text[0] >= 'A' && n.text[0] <= 'Z' && !v.decls.count(n.text))
        return r.fail("the name \"" + n.text + "\", where a name declared before it was expected");
    if (n.kind != Node::CMD) return true;
    if (!known(n.text)) report(v, n.text, line);
    for (const Node& a : n.args)
        if (!check_tree(v, r, a, line)) return false;
    return true;
}

std::string font_family(const std::string& host)
{
    std::string fam;
    const char* ex = fontmap_exporttext(host.c_str());
    if (ex && *ex) {
        for (const char* p = ex; *p; ++p)
            if (*p != '"' && *p != '<' && *p != '>' && *p != '&' && *p != ';') fam.push_back(*p);
        fam += ",";
    }
    const char* generic = "serif";
    if (host.find("Homerton") != std::string::npos || host.find("Sassoon") != std::string::npos) generic = "sans-serif";
    if (host.find("Corpus") != std::string::npos) generic = "monospace";
    return fam + generic;
}

void declare(View& v, const std::string& name, const Node& n)
{
    if (n.text == "colour") {
        Colour c;
        if (const Node* rgb = find_arg(n, "rgb")) {
            c.r = to255(num_arg(rgb, 0, 0));
            c.g = to255(num_arg(rgb, 1, 0));
            c.b = to255(num_arg(rgb, 2, 0));
        } else if (const Node* k = find_arg(n, "cmyk")) {
            long kk = num_arg(k, 3, 0);
            c.r = to255((0x10000 - num_arg(k, 0, 0)) * (0x10000 - kk) / 0x10000);
            c.g = to255((0x10000 - num_arg(k, 1, 0)) * (0x10000 - kk) / 0x10000);
            c.b = to255((0x10000 - num_arg(k, 2, 0)) * (0x10000 - kk) / 0x10000);
        }
        char buf[16];
        std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
        v.colours[name] = buf;
    } else if (n.text == "font" && !n.args.empty() && n.args[0].kind == Node::STR) {
        v.fonts[name] = font_family(n.args[0].text);
    } else if (n.text == "chapter") {
        if (const Node* frame = find_arg(n, "textframe"))
            if (const Node* fc = find_arg(*frame, "fcurve"))
                if (const Node* box = find_arg(*fc, "box")) {
                    long w = num_arg(find_arg(*box, "w"), 0, 0);
                    if (w > 0 && w < 100000000) v.width = w / 1000.0;
                }
    }
}

bool check_picture(Reader& r, const Node& n)
{
    const Node* d = find_arg(n, "data");
    if (!d) return true;
    std::string text;
    for (size_t i = 2; i < d->args.size(); ++i) text += d->args[i].text;
    std::string bytes;
    if (!decode_picture(text, static_cast<size_t>(num_arg(d, 1, 0)), &bytes))
        return r.fail("picture data that does not decode, where data of its declared size was expected");
    return true;
}

void embed(View& v, const std::string& pict)
{
    std::string num = pict.size() > 5 ? pict.substr(5) : "";
    auto it = v.decls.find("PICTURE_" + num);
    const Node& frame = v.decls[pict];
    long w = 0, h = 0;
    if (const Node* fc = find_arg(frame, "fcurve"))
        if (const Node* box = find_arg(*fc, "box")) {
            w = num_arg(find_arg(*box, "w"), 0, 0);
            h = num_arg(find_arg(*box, "h"), 0, 0);
        }
    open_line(v);
    char buf[128];
    std::snprintf(buf, sizeof buf, "<span style=\"display:inline-block;width:%.1fpt;height:%.1fpt\">", w / 1000.0,
                  h / 1000.0);
    *v.out += buf;
    if (it != v.decls.end()) {
        const Node* d = find_arg(it->second, "data");
        if (d && !d->args.empty()) {
            std::string text, bytes;
            for (size_t i = 2; i < d->args.size(); ++i) text += d->args[i].text;
            if (decode_picture(text, static_cast<size_t>(num_arg(d, 1, 0)), &bytes)) {
                std::string type = d->args[0].text == "jpeg" || d->args[0].text == "jpg" ? "jpeg" : "gif";
                *v.out += "<img alt=\"\" style=\"width:100%;height:100%\" src=\"data:image/" + type + ";base64," +
                          base64(bytes) + "\">";
            }
        }
    }
    *v.out += "</span>";
}

void apply(View& v, const Node& n)
{
    const std::string& c = n.text;
    long a0 = num_arg(&n, 0, 0);
    if (c == "newpara")
        close_line(v, true);
    else if (c == "newline")
        close_line(v, false);
    else if (c == "newpage") {
        if (v.inline_open) close_line(v, false);
        *v.out += "<hr style=\"break-after:page\">\n";
    } else if (c == "bold")
        v.st.bold = a0 != 0;
    else if (c == "italic")
        v.st.italic = a0 != 0;
    else if (c == "underline" || c == "wordunderline" || c == "doubleunderline")
        v.st.underline = a0 != 0;
    else if (c == "strikeout")
        v.st.strike = n.args.empty() || a0 != 0;
    else if (c == "sub")
        v.st.sub = a0 != 0;
    else if (c == "super")
        v.st.super = a0 != 0;
    else if (c == "textsize")
        v.st.size = a0 > 0 && a0 < 10000000 ? a0 : 12000;
    else if (c == "leading")
        v.st.leading = num_arg(&n, 1, 0);
    else if (c == "align") {
        v.align = static_cast<int>(a0 & 3);
    } else if (c == "leftindent")
        v.indent = n.args.size() > 1 ? num_arg(&n, 1, 0) : 0;
    else if (c == "foreground") {
        v.st.colour = !n.args.empty() && n.args[0].kind == Node::NAME ? v.colours[n.args[0].text] : "";
    } else if (c == "font") {
        v.st.font.clear();
        if (!n.args.empty() && n.args[0].kind == Node::NAME)
            v.st.font = v.fonts[n.args[0].text];
        else
            v.pendingfont = true;
    } else if (c == "tab") {
        open_line(v);
        *v.out += "<span style=\"display:inline-block;width:2em\"></span>";
    } else if (c == "embed" && !n.args.empty() && n.args[0].kind == Node::NAME) {
        embed(v, n.args[0].text);
    } else if (c == "adduserstyle" || c == "remuserstyle") {
        bool add = c == "adduserstyle";
        if (!n.args.empty() && v.decls.count(n.args[0].text)) {
            const Node& s = v.decls[n.args[0].text];
            for (const Node& a : s.args)
                if (a.kind == Node::CMD && (a.text == "bold" || a.text == "italic" || a.text == "underline")) {
                    Node t = a;
                    if (!add) t.args.assign(1, Node{Node::NUM, "0", {}});
                    apply(v, t);
                }
        }
    }
}

}  // namespace

bool view_render(const std::string& ddl, const char* name, std::string* html, std::string* error, int* line)
{
    Reader r;
    r.src = &ddl;
    View v;
    v.out = html;
    v.name = name;
    std::string body;
    v.out = &body;
    for (;;) {
        skip_space(r);
        if (r.pos >= ddl.size()) break;
        char c = ddl[r.pos];
        int at = r.line;
        if (c == '}') {
            r.fail("a '}' that closes no brace");
            break;
        }
        Node n;
        if (!read_item(r, &n, 0)) break;
        if (n.kind == Node::NAME && r.pos < ddl.size() && ddl[r.pos] == '=') {
            ++r.pos;
            skip_space(r);
            if (r.pos < ddl.size() && is_namechar(static_cast<unsigned char>(ddl[r.pos]))) {
                // One declaration named by another: the same thing.
                Node other;
                if (!read_item(r, &other, 0) || !check_tree(v, r, other, at)) break;
                if (other.kind == Node::NAME) {
                    Node copy = v.decls.count(other.text) ? v.decls[other.text] : Node();
                    declare(v, n.text, copy);
                    v.decls[n.text] = std::move(copy);
                    continue;
                }
            }
            if (r.pos >= ddl.size() || ddl[r.pos] != '{') {
                r.fail("a declaration of \"" + n.text + "\" with no '{' after its '='");
                break;
            }
            Node d;
            if (!read_command(r, &d, 0) || !check_tree(v, r, d, at)) break;
            if (d.text == "picture" && !check_picture(r, d)) break;
            declare(v, n.text, d);
            v.decls[n.text] = std::move(d);
            continue;
        }
        if (!check_tree(v, r, n, at)) break;
        if (n.kind == Node::STR)
            add_text(v, n.text);
        else if (n.kind == Node::CMD)
            apply(v, n);
        else if (n.kind == Node::NAME) {
            if (v.pendingfont && v.fonts.count(n.text)) v.st.font = v.fonts[n.text];
            v.pendingfont = false;
        }
    }
    if (!r.error.empty()) {
        *error = r.error;
        *line = r.errline;
        return false;
    }
    if (v.inline_open) close_line(v, false);
    char head[400];
    std::snprintf(head, sizeof head,
                  "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>DDL view</title></head>\n"
                  "<body style=\"margin:0;background:#ddd\"><div style=\"width:%.1fpt;margin:1em auto;padding:28pt;"
                  "background:#fff;color:#000;font-family:serif;font-size:12pt\">\n",
                  v.width);
    *html += head;
    *html += body;
    *html += "</div></body></html>\n";
    return true;
}
