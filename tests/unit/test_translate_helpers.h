// Shared by the translate unit tests: scripts given as text, compiled from a
// temporary stream, and the messages they caused.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "html/tags.h"
#include "support.h"
#include "translate/script.h"

// A stream holding the bytes, at its start.
inline FILE* script_stream(const std::string& bytes)
{
    FILE* f = std::tmpfile();
    if (f) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::rewind(f);
    }
    return f;
}

// Compiles a script whose block starts at its first byte; stderr collects
// the messages. 1 on success.
inline int compile_script(const std::string& bytes, std::string* messages = nullptr)
{
    translate_reset();
    keyword_sethtml(kHtmlKeywords);  // the design's tags
    FILE* f = script_stream(bytes);
    if (!f) return -1;
    testing::internal::CaptureStderr();
    int ok = translate_compilestream(f, 0);
    std::string err = testing::internal::GetCapturedStderr();
    if (messages) *messages = err;
    std::fclose(f);
    return ok;
}

// The compiled entries as bytes.
inline std::vector<int> program_bytes()
{
    const TranslateScript& s = translate_script();
    return std::vector<int>(s.program, s.program + s.length);
}

using test_support::box;

inline bool backslash_only(char c) { return c == '\\'; }
