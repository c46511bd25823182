// The run sequence: the command line read, the support files loaded, the
// conversion started.
#pragma once

// Entry used by main(); never returns.
[[noreturn]] void run_main(int argc, char** argv);
