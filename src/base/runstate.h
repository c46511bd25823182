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
// The same for the output path.
bool run_setoutputpath(const char* path);
// Releases both paths' copies.
void run_releasepaths();
int run_mode();
void run_setmode(int mode);
void run_setprogramdir(const std::string& folder);

// Where a bare support file name is read from: QUILLET_SUPPORT/<leaf>
// when that folder holds it as a regular file, else the program folder
// plus the name.
std::string run_supportpath(const char* leaf);

// The program folder of a program path: cut after its last separator, the
// whole path when it ends in one, empty without one.
std::string run_programdir_from(const std::string& path);
