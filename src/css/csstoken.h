// The tokenizer of CSS Syntax Level 3 ("Tokenization"): comments dropped,
// escapes read, numbers with their units, strings, url(), and the
// punctuation the parser needs. Code points stay UTF-8 (or whatever 8-bit
// bytes the sheet holds): every byte at or past 0x80 is a name byte, as
// the specification's non-ASCII code points are.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

enum CssTokenType {
    CSS_IDENT,
    CSS_FUNCTION,  // name followed by "(": `text` is the name
    CSS_ATKEYWORD,  // `text` without the "@"
    CSS_HASH,  // `text` without the "#"; `idhash` when it would be an identifier
    CSS_STRING,
    CSS_BADSTRING,
    CSS_URL,
    CSS_BADURL,
    CSS_DELIM,  // `text` holds the one character
    CSS_NUMBER,
    CSS_PERCENTAGE,
    CSS_DIMENSION,  // `text` is the unit
    CSS_WHITESPACE,
    CSS_CDO,
    CSS_CDC,
    CSS_COLON,
    CSS_SEMICOLON,
    CSS_COMMA,
    CSS_LBRACKET,
    CSS_RBRACKET,
    CSS_LPAREN,
    CSS_RPAREN,
    CSS_LBRACE,
    CSS_RBRACE,
    CSS_EOF
};

struct CssToken {
    CssTokenType type = CSS_EOF;
    std::string text;
    double number = 0;
    bool integer = false;  // the number had no fraction or exponent
    bool idhash = false;
};

// Reads the whole sheet into tokens (the last is CSS_EOF). At most
// `limit` tokens are made; a longer sheet ends there, as if it ended.
std::vector<CssToken> css_tokenize(const char* p, size_t n, size_t limit);
