// The Dramaton script converter; it takes over the run at <dramaton>.
#pragma once

// Converts the rest of the input as a script and ends the process.
[[noreturn]] void dramaton_convert();
