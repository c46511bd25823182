// The program's name and version, as every text that names them gives
// them. The version comes from the build (CMake's QUILLET_VERSION).
#pragma once

#ifndef QUILLET_VERSION
#error "QUILLET_VERSION is set by the build"
#endif

const char* const kProgramName = "QuilletW";
const char* const kVersion = QUILLET_VERSION;
const char* const kReleaseDate = "25th August 2005";
const char* const kBuildTime = "16:47:20";
const char* const kBuildDate = "Aug 25 2005";
const char* const kCopyright = "Copyright (c) 2005 the Quillet developers";
