// The named character references of HTML5 (generated:
// tools/gen_html5names.py), for names that the entity tables do not hold.
#pragma once

#include <cstddef>
#include <cstdint>

struct Html5Name {
    const char* name;  // without the ';'
    uint32_t first, second;  // second 0 for a single character
};

extern const Html5Name kHtml5Names[];  // ordered by name, as strcmp orders
extern const int kHtml5NameCount;

// The characters of a reference's name (case counts); false when HTML5
// has no such name.
bool html5_findname(const char* name, uint32_t* first, uint32_t* second);

// The names that are read without their ';' as well (ordered by name).
extern const char* const kHtml5Legacy[];
extern const int kHtml5LegacyCount;

// The length of the longest of those names that the n bytes at p start
// with (0 for none): "&notit;" is read as "&not;" and "it;".
size_t html5_legacy(const char* p, size_t n);
// The named reference at the start of the n bytes at p (those after its
// '&'), read as the HTML standard reads one: a name with its ';', or the
// longest name that is read without it. Its length and characters; 0 when
// it is none. In an attribute's value (in_attribute) a name without ';'
// that '=', a letter or a digit follows is none.
size_t entity_reference(const char* p, size_t n, bool in_attribute, uint32_t* first, uint32_t* second);
