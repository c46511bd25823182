// The view: a DDL file read strictly and shown as one self-contained HTML
// page (UTF-8, inline CSS, pictures as data: URIs, no script).
#pragma once

#include <string>

// Reads the DDL text `ddl` (named `name` in messages) and appends the page
// to *html. A structural error returns false with *error set to the text
// "what was found, what was expected" and *line to its line; a command the
// view does not know is reported once per name through show_message and
// shown past.
bool view_render(const std::string& ddl, const char* name, std::string* html, std::string* error, int* line);
