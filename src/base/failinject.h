// Fault injection for tests: with the build option QUILLET_FAILINJECT, the
// environment variables QUILLET_FAIL_CLAIM=N and QUILLET_FAIL_MESSAGE=N make
// the Nth tracked claim, or the Nth message buffer, fail, and
// QUILLET_FAIL_TRACKER=1 the claim tracker's own table; QUILLET_FAIL_SPILL=N
// makes the Nth move of scene records to the temporary file fail, and
// QUILLET_FAIL_READ=N the Nth read of the input. Without the option
// nothing of this is compiled in.
#pragma once

#ifdef QUILLET_FAILINJECT
// True when this call of the given kind ("QUILLET_FAIL_CLAIM",
// "QUILLET_FAIL_MESSAGE", "QUILLET_FAIL_SPILL", "QUILLET_FAIL_READ" or
// "QUILLET_FAIL_TRACKER")
// is the one to fail.
bool failinject_now(const char* which);
#define QUILLET_INJECT(which) failinject_now(which)
// With QUILLET_INJECT_REPORT naming a file, writes there how many claims
// and message buffers the run asked for (called at the very end).
void failinject_report();
#else
#define QUILLET_INJECT(which) false
#endif
