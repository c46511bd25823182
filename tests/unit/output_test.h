// A fixture for tests of the writer's users: the style state made fresh for
// each test and the output captured in memory.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <memory>
#include <string>

#include "ddl/ddlout.h"
#include "ddl/template.h"
#include "html/preamble.h"
#include "html/style.h"
#include "markup/tagreader.h"
#include "resources/config.h"
#include "base/runstate.h"
#include "support.h"

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
        ddlout_reset();
        capture_.reset();  // before the new one opens its sink
        capture_ = std::make_unique<test_support::Capture>();
        ddlout_suppress(0);
    }

    void TearDown() override { capture_.reset(); }

    // Everything written since the last call, pending text included.
    std::string out() { return capture_->text(); }

    // The tag being handled: its name and parameter text.
    static void set_tag(const char* name, const std::string& params) { test_support::set_tag(name, params); }
    static void set_params(const std::string& params) { test_support::set_params(params); }

    std::unique_ptr<test_support::Capture> capture_;
};
