// Helpers of the script unit tests: a command's parameter text, an input
// stream from a string, and an output file read back.
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

inline void set_params(const std::string& p)
{
    std::snprintf(g_tag.params, sizeof g_tag.params, "%s", p.c_str());
    g_tag.paramlen = static_cast<int>(std::strlen(g_tag.params));
}

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

// Output written between start_output() and end_output().
inline void start_output()
{
    ddlout_reset();
    ddlout_open(scratch_path("out").c_str());
}

inline std::string end_output()
{
    ddlout_commit();
    std::string path = scratch_path("out");
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    std::remove(path.c_str());
    return ss.str();
}
