// What the unit tests share: the writer's output captured in memory, the
// tag being handled set, a scratch folder, message boxes captured.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ddl/ddlout.h"
#include "markup/tagreader.h"

namespace test_support {

// The writer's output, in memory from construction on: text() gives what
// was written since the last call, pending text included.
class Capture {
public:
    Capture() { ddlout_opensink(&bytes_); }
    ~Capture() { ddlout_drop(); }
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;
    std::string text()
    {
        ddlout_flush();
        ddlout_commit();
        std::string t;
        t.swap(bytes_);
        ddlout_opensink(&bytes_);
        return t;
    }

private:
    std::string bytes_;
};

// The tag being handled: its name and parameter text.
inline void set_params(const std::string& params)
{
    std::snprintf(g_tag.params, sizeof g_tag.params, "%s", params.c_str());
    g_tag.paramlen = static_cast<int>(std::strlen(g_tag.params));
}
inline void set_tag(const char* name, const std::string& params)
{
    std::snprintf(g_tag.name, sizeof g_tag.name, "%s", name);
    set_params(params);
}

// A new folder under /tmp, removed with what it holds when the object goes.
class ScratchFolder {
public:
    ScratchFolder()
    {
        char tmpl[] = "/tmp/quillet-unit-XXXXXX";
        if (mkdtemp(tmpl)) dir_ = tmpl;
    }
    ~ScratchFolder()
    {
        if (dir_.empty()) return;
        std::string cmd = "rm -rf '" + dir_ + "'";
        if (std::system(cmd.c_str()) != 0) { /* left for the system's clean-up */
        }
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& dir() const { return dir_; }
    std::string path(const std::string& leaf) const { return dir_ + "/" + leaf; }

private:
    std::string dir_;
};

// A message as the message box shows it on standard error.
inline std::string box(const std::string& text) { return "QuilletW: " + text + "\n"; }

// The message boxes shown while `what` runs.
template <class F>
std::string boxes_of(F what)
{
    ::testing::internal::CaptureStderr();
    what();
    return ::testing::internal::GetCapturedStderr();
}

}  // namespace test_support
