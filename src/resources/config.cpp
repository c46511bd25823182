#include "resources/config.h"

#include <cstddef>
#include <cstring>
#include <string>

#include "base/messages.h"
#include "base/platform.h"
#include "base/runstate.h"

Settings settings;

namespace {

struct KeyInfo {
    const char* name;
    char group;
    int fallback;
    int Settings::*field;
};

// In the order of the record; a group's keys are tried in this order.
const KeyInfo kKeys[] = {
    {"ignoreeffects", 't', 0, &Settings::ignoreeffects},
    {"ignorefonts", 't', 0, &Settings::ignorefonts},
    {"ignorealignment", 't', 0, &Settings::ignorealignment},
    {"justified", 't', 1, &Settings::justified},
    {"ignoreheadings", 't', 0, &Settings::ignoreheadings},
    {"headingsinbold", 't', 0, &Settings::headingsinbold},
    {"nonbreakhyphens", 't', 1, &Settings::nonbreakhyphens},
    {"disableimages", 'i', 0, &Settings::disableimages},
    {"underline", 'u', 1, &Settings::underline},
    {"highlightinblue", 'u', 1, &Settings::highlightinblue},
    {"nonurlsingreen", 'u', 1, &Settings::nonurlsingreen},
    {"warnunsupported", 'g', 1, &Settings::warnunsupported},
    {"processblind", 'g', 0, &Settings::processblind},
    {"disableaddtlents", 'g', 0, &Settings::disableaddtlents},
    {"disabledoccols", 'g', 0, &Settings::disabledoccols},
    {"usesmartquotes", 'g', 1, &Settings::usesmartquotes},
    {"markembedded", 'g', 1, &Settings::markembedded},
    {"includeunknown", 'a', 0, &Settings::includeunknown},
    {"includeprocessed", 'a', 0, &Settings::includeprocessed},
    {"trytorecover", 'a', 1, &Settings::trytorecover},
    {"resetstylesonp", 'a', 0, &Settings::resetstylesonp},
    {"omitunknownents", 'a', 0, &Settings::omitunknownents},
    {"debug", 'a', 0, &Settings::debug},
    {"picplus", 'p', 1, &Settings::picplus},
    {"abscols", 'p', 0, &Settings::abscols},
    {"usett", 'p', 0, &Settings::usett},
    {"charsets", 'm', 0, &Settings::charsets},
    {"html5tags", 'm', 0, &Settings::html5tags},
    {"keepspaces", 'm', 0, &Settings::keepspaces},
};

}  // namespace

void config_defaults()
{
    for (const KeyInfo& k : kKeys) settings.*k.field = k.fallback;
}

bool config_readline(FILE* f, char line[80])
{
    int n = 0;
    bool any = false;
    line[0] = '\0';
    while (n < 79) {
        int c = std::fgetc(f);
        if (c == EOF) break;
        any = true;
        if (c == '\n' || c == '\r') break;
        if (c == ' ') continue;
        line[n++] = static_cast<char>(c | 0x20);
    }
    line[n] = '\0';
    return any;
}

int config_value(const char* line)
{
    const char* eq = std::strchr(line, '=');
    return (eq && eq[1] == 't') ? 1 : 0;
}

void config_readstream(FILE* f)
{
    char line[80];
    while (config_readline(f, line)) {
        if (!line[0]) continue;
        char group = line[0];
        for (const KeyInfo& k : kKeys)
            if (k.group == group && std::strstr(line, k.name)) settings.*k.field = config_value(line);
    }
}

int config_load()
{
    config_defaults();
    std::string path = run_supportpath("config");
    FILE* f = platform_openregular(path.c_str());
    if (!f) {
        show_message("Warning: %s - using defaults.\n", "unable to open configuration file");
        return 0;
    }
    config_readstream(f);
    std::fclose(f);
    return 1;
}
