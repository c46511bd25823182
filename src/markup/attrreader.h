// The attributes of the tag just read, as the HTML standard's tokenizer
// reads them (for html5tags): each by its whole name, with its value whole
// (from the tag's long copy when it passed the parameter buffer) and its
// character references decoded to host characters.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Whether the tag has an attribute of this name (given in lower case;
// the tag's names are compared without case).
bool attr_has(std::string_view name);

// Whether the tag has an attribute of either name: one look at the tag.
bool attr_haseither(std::string_view a, std::string_view b);

// The value of the attribute, references decoded; null when the tag has
// none of that name, or when only its name is there: "" then. The first
// of a repeated name counts, as in a browser. Valid until the next call.
const std::string* attr_value(std::string_view name);

// The value of the first attribute whose name begins with `prefix` and
// ends with `suffix` (say "data-" and "src"), as attr_value gives it.
const std::string* attr_valuelike(std::string_view prefix, std::string_view suffix);

// Every attribute of the tag in its order: the name lower-cased, the value
// as attr_value gives it.
void attr_all(std::vector<std::pair<std::string, std::string>>* out);

// Decodes the character references in the n bytes at p as the HTML
// standard does in an attribute's value (a legacy name without its ';' is
// read only where no '=', letter or digit follows), appending to out; a
// reference whose characters have no host form stays as it is.
void attr_decode(const char* p, size_t n, std::string* out);
