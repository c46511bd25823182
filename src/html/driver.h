// The HTML conversion driver.
#pragma once

// Converts the input to the output; every failure ends the process.
void convert_html();

// Called just after a "<" was read: reads the tag and returns the token to
// act on. In the body, a comment line is written for it and an unknown
// tag marked as the settings ask, and the translate rules have their say.
int read_tag();

// Acts on a token as the body loop does (opening tokens 1-127, closing
// tokens 128 and up); the translate script's option switches act through
// it.
void driver_dispatch(int token);
