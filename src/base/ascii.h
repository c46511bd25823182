// Character classes and case of ASCII letters, the same in every locale
// and for every byte (bytes from 128 on are in no class).
#pragma once

#include <string>

inline bool ascii_isdigit(int c) { return c >= '0' && c <= '9'; }
inline bool ascii_isalpha(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool ascii_isalnum(int c) { return ascii_isalpha(c) || ascii_isdigit(c); }
inline bool ascii_ishex(int c) { return ascii_isdigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
// The C white-space bytes: space, tab, line feed, vertical tab, form
// feed, carriage return.
inline bool ascii_isspace(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline int ascii_lower(int c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }
inline char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
// The text with the letters A to Z made lower case.
inline std::string ascii_lowered(std::string s)
{
    for (char& c : s) c = ascii_lower(c);
    return s;
}
