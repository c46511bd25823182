// libFuzzer target of the tag reader under html5tags: every tag of the
// input read as the converter reads it (from the buffer at once, or a byte
// at a time once a byte is pushed back, the first input byte choosing),
// each tag's attributes asked for, raw-text elements read past; and the
// run-at-a-time attribute scan held against the states stepped byte by
// byte on the input itself.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/infile.h"
#include "ddl/ddlout.h"
#include "html/driver.h"
#include "html/tags.h"
#include "markup/attrreader.h"
#include "markup/rawtext.h"
#include "markup/tagreader.h"
#include "markup/tagstate.h"
#include "resources/config.h"

namespace {

void check_scan(const uint8_t* data, size_t size)
{
    size_t end = size;
    int state = TAGSTATE_BEFORENAME;
    for (size_t i = 0; i < size; ++i) {
        state = tagstate_step(state, data[i]);
        if (state == TAGSTATE_END) {
            end = i;
            break;
        }
    }
    std::vector<TagAttr> attrs;
    if (tagstate_scan(data, size, &attrs) != end) std::abort();
    for (const TagAttr& a : attrs)
        if (a.name + a.namelen > end || (a.hasvalue && a.value + a.valuelen > end)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    check_scan(data, size);
    static const std::string path = "/tmp/quillet-markup-fuzz-" + std::to_string(::getpid());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    config_defaults();
    settings.html5tags = 1;
    tags_install();
    tagreader_setprebody(1);
    ddlout_reset();
    if (!infile_open(path.c_str())) return 0;
    bool bytewise = size && (data[0] & 1);
    for (int c; (c = infile_getc()) != EOF;) {
        if (c != '<') continue;
        if (bytewise) infile_ungetc(infile_getc());
        int t = read_tag();
        if (t == TOK_NOTHING || g_tag.closing) continue;
        if (g_tag.paramlen > kParamLimit) std::abort();
        for (const char* name : {"src", "href", "title", "style", "class", "alt", "data-x"}) {
            const std::string* v = attr_value(name);
            if (v && v->size() > 4 * kAttrValueLimit) std::abort();
            if (bool(v) != attr_has(name)) std::abort();
        }
        attr_valuelike("data-", "src");
        int kind = rawtext_kind(g_tag.name);
        if (kind == RAW_SCRIPT || kind == RAW_HIDDEN) rawtext_skip(kind, g_tag.name);
    }
    infile_close();
    ddlout_reset();
    return 0;
}
