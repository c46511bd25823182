// Helpers of the script unit tests: a command's parameter text, an input
// stream from a string, and the output captured.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "ddl/ddlout.h"
#include "markup/tagreader.h"
#include "base/infile.h"
#include "support.h"

using test_support::set_params;

inline std::string scratch_path(const char* leaf)
{
    return "/tmp/quillet-unit-" + std::to_string(getpid()) + "-" + leaf;
}

// Makes `text` the input stream.
inline void feed(const std::string& text)
{
    std::string path = scratch_path("in");
    std::ofstream(path, std::ios::binary) << text;
    infile_open(path.c_str());
    std::remove(path.c_str());  // stays readable while open
}

// The rest of the input stream.
inline std::string rest_of_input()
{
    std::string s;
    for (int c; (c = infile_getc()) != EOF;) s += static_cast<char>(c);
    return s;
}

// Output written between start_output() and end_output(), in memory.
inline std::string& captured_output()
{
    static std::string bytes;
    return bytes;
}

inline void start_output()
{
    ddlout_reset();
    ddlout_opensink(&captured_output());
}

inline std::string end_output()
{
    ddlout_commit();
    std::string t;
    t.swap(captured_output());
    return t;
}
