// A fixture for tests of the writer's users: the style state made fresh for
// each test and a scratch output file whose contents can be read back.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "ddl/ddlout.h"
#include "ddl/template.h"
#include "html/preamble.h"
#include "html/style.h"
#include "markup/tagreader.h"
#include "resources/config.h"
#include "base/runstate.h"

class OutputTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        StyleStackDepth = 16;
        if (!g_style.font_stack) style_createstacks();
    }

    void SetUp() override
    {
        config_defaults();
        ddlout_setsmartquotes(settings.usesmartquotes);
        template_setvaluewriter(preamble_writevalue);
        style_initstate();
        style_resetstacks();
        char tmpl[] = "/tmp/quillet-output-XXXXXX";
        int fd = mkstemp(tmpl);
        ASSERT_GE(fd, 0);
        close(fd);
        path_ = tmpl;
        ddlout_reset();
        ASSERT_TRUE(ddlout_open(path_.c_str()));
        ddlout_suppress(0);
    }

    void TearDown() override
    {
        ddlout_drop();
        std::remove(path_.c_str());
    }

    // Everything written since the last call, pending text included.
    std::string out()
    {
        ddlout_flush();
        ddlout_commit();
        std::ifstream in(path_, std::ios::binary);
        std::ostringstream ss;
        ss << in.rdbuf();
        ddlout_open(path_.c_str());
        return ss.str();
    }

    // The tag being handled: its name and parameter text.
    static void set_tag(const char* name, const std::string& params)
    {
        std::snprintf(g_tag.name, sizeof g_tag.name, "%s", name);
        set_params(params);
    }
    static void set_params(const std::string& params)
    {
        std::snprintf(g_tag.params, sizeof g_tag.params, "%s", params.c_str());
        g_tag.paramlen = static_cast<int>(std::strlen(g_tag.params));
    }

    std::string path_;
};
