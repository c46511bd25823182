// Memory claim tracker: every working buffer is claimed and released through
// it, and claims never released are reported when the run ends.
#pragma once

#include <cstddef>
#include <cstdio>

void memtrace_init();
void* mem_claimzero(size_t count, size_t size);
void* mem_claim(size_t size);
void* mem_reclaim(void* block, size_t size);
void mem_release(void* block);
void memtrace_removeentry(void* block);
// At the end of the run (registered with atexit by memtrace_init): calls the
// function given to memtrace_setfinish, which closes the run's files and
// releases its own claims, then reports the claims still in use.
void memtrace_finish();
void memtrace_setfinish(void (*finish)());

// Writes the report of claims still in use; nothing when there are none.
void memtrace_report(FILE* out);
// Number of live claims (for tests and checks).
int memtrace_live();
