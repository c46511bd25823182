// The named character references of HTML5 (generated:
// tools/gen_html5names.py), for names that the entity tables do not hold.
#pragma once

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
