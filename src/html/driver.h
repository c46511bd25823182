// The HTML conversion driver.
#pragma once

// Converts the input to the output; every failure ends the process.
void convert_html();
