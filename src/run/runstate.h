// Process-wide run state: the two file names, the run mode, the program
// folder in which every support file lives.
#pragma once

#include <string>

enum RunMode { RUNMODE_CONVERT = 0, RUNMODE_CONVERTHTML = 1, RUNMODE_TOHTML = 2 };

const char* run_inputpath();
// Makes a claimed copy of path the input path, releasing the old one;
// false when the copy cannot be claimed (the old path stays).
bool run_setinputpath(const char* path);
const char* run_outputpath();
int run_mode();
const std::string& run_programdir();

// Program folder plus a bare support file name.
std::string run_supportpath(const char* leaf);

// The program folder of a program path: cut after its last separator, the
// whole path when it ends in one, empty without one.
std::string run_programdir_from(const std::string& path);

// Entry used by main(); never returns.
[[noreturn]] void run_main(int argc, char** argv);

// Run-end clean-up used by the claim tracker.
void run_closefiles();
void run_releasebuffers();

// Capacity of every style stack.
extern int StyleStackDepth;
