// The HTML conversion driver.
#pragma once

// Converts the input to the output; every failure ends the process.
void convert_html();

// Acts on a token as the body loop does (opening tokens 1-127, closing
// tokens 128 and up); used by the translate script's option switches.
void driver_dispatch(int token);
