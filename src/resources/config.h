// Every conversion option, one flag per key of the configuration file.
#pragma once

#include <cstdio>

struct Settings {
    int ignoreeffects;
    int ignorefonts;
    int ignorealignment;
    int justified;
    int ignoreheadings;
    int headingsinbold;
    int nonbreakhyphens;
    int disableimages;
    int underline;
    int highlightinblue;
    int nonurlsingreen;
    int warnunsupported;
    int processblind;
    int disableaddtlents;
    int disabledoccols;
    int usesmartquotes;
    int markembedded;
    int includeunknown;
    int includeprocessed;
    int trytorecover;
    int resetstylesonp;
    int omitunknownents;
    int debug;
    int picplus;
    int abscols;
    int usett;
    // Readings beyond the original design (group m); off unless a config
    // switches them on, so an existing installation keeps its output.
    int charsets;  // decode UTF-8, UTF-16 and Windows-1252 pages into the host set
    int html5tags;  // today's tags: self-closing names, HTML5 blocks, tables
    int pictures;  // pictures as saved pages hold them: every format, names as browsers write them
    int css;  // the page's own style sheets
    int keepspaces;  // a space between two tags is kept, not dropped
};

extern Settings settings;

void config_defaults();
// Applies the defaults, then reads "config" from the program folder.
// 1 when the file was read, 0 when it could not be opened (after a warning).
int config_load();
// Reads the settings from an open stream (the main loop of config_load).
void config_readstream(FILE* f);
// Reads one folded line of at most 79 characters; false at end of file
// with nothing read.
bool config_readline(FILE* f, char line[80]);
// 1 when the character after the first "=" is "t".
int config_value(const char* line);
// The folders of "m resourcefolders" whose files a page may read besides
// its own folder's: the line's text after its first "=", as written
// (capitals and spaces kept, any length); empty without the line.
const char* config_resourcefolders();
