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
    {"pictures", 'm', 0, &Settings::pictures},
    {"css", 'm', 0, &Settings::css},
};

// The one setting that holds a text: its line is read raw, whole, and
// sets nothing else.
const char kFoldersKey[] = "resourcefolders";
const size_t kFoldersLimit = 4095;
std::string g_folders;

// Whether the folded line is the folder list's: group m, the name before
// the first "=".
bool is_folders_line(const char* line)
{
    if (line[0] != 'm') return false;
    const char* at = std::strstr(line, kFoldersKey);
    const char* eq = std::strchr(line, '=');
    return at && (!eq || at < eq);
}

// The physical line that starts at `start`, read again as written, from
// its first "=" to its end (the spaces around it dropped); the stream is
// left after the line.
void read_folders(FILE* f, long start)
{
    g_folders.clear();
    if (std::fseek(f, start, SEEK_SET) != 0) return;
    std::string raw;
    int c;
    while ((c = std::fgetc(f)) != EOF && c != '\n' && c != '\r')
        if (raw.size() < kFoldersLimit) raw += static_cast<char>(c);
    size_t eq = raw.find('=');
    if (eq == std::string::npos) return;
    size_t b = raw.find_first_not_of(" \t", eq + 1);
    size_t e = raw.find_last_not_of(" \t");
    if (b != std::string::npos) g_folders = raw.substr(b, e + 1 - b);
}

}  // namespace

void config_defaults()
{
    for (const KeyInfo& k : kKeys) settings.*k.field = k.fallback;
    g_folders.clear();
}

const char* config_resourcefolders() { return g_folders.c_str(); }

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
    long start = std::ftell(f);
    for (; config_readline(f, line); start = std::ftell(f)) {
        if (!line[0]) continue;
        if (start >= 0 && is_folders_line(line)) {
            read_folders(f, start);
            continue;
        }
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
