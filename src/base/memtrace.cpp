#include "base/memtrace.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/bytescan.h"
#include "base/failinject.h"
#include "base/messages.h"

namespace {

const int kClaimEntries = 32;
const size_t kSmallClaim = 1024;

// How a recorded block was claimed; 0 is an entry recording none.
enum ClaimMethod { CLAIM_NONE = 0, CLAIM_ZEROED = 1, CLAIM_PLAIN = 2, CLAIM_RESIZED = 3 };

struct ClaimEntry {
    void* address;
    int extent;
    unsigned char method;  // a ClaimMethod
    char claimant[24];
};

ClaimEntry* g_table = nullptr;
void (*g_finish)() = nullptr;
// Bit i set while entry i records a block: the searches below look at
// those entries only, highest first (the order the design's searches of
// the whole table give).
uint32_t g_used = 0;
static_assert(kClaimEntries <= 32, "a bit for each entry");

unsigned addr32(const void* p) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p) & 0xFFFFFFFFu); }

// The entries not recording a block.
uint32_t free_entries() { return ~g_used & (kClaimEntries == 32 ? ~0u : (1u << kClaimEntries) - 1); }

void record(void* address, size_t extent, unsigned char method)
{
    if (!g_table) return;
    uint32_t free = free_entries();
    if (!free) fatal_message(1, "Too many claims for memtrace to follow.");
    int i = bytescan::first(free);  // the first free entry
    g_used |= 1u << i;
    g_table[i].address = address;
    g_table[i].extent = static_cast<int>(extent);
    g_table[i].method = method;
    static const char kClaimant[] = "<unavailable>";  // copied, not formatted: claims are frequent
    static_assert(sizeof kClaimant <= sizeof g_table[i].claimant, "claimant fits");
    std::memcpy(g_table[i].claimant, kClaimant, sizeof kClaimant);
}

void hexdump(FILE* out, const unsigned char* base, int extent)
{
    std::fputs("Address  : 00 01 02 03 04 05 06 07 : ASCII data\n", out);
    for (int row = 0; row < 8; ++row) {
        int off = row * 8;
        if (off >= extent) break;  // never read past the claimed block
        std::fprintf(out, "%08X : ", addr32(base + off));
        for (int i = 0; i < 8; ++i) {
            if (off + i < extent)
                std::fprintf(out, "%02X ", base[off + i]);
            else
                std::fputs("   ", out);
        }
        std::fputs(": ", out);
        for (int i = 0; i < 8 && off + i < extent; ++i) {
            unsigned char c = base[off + i];
            std::fputc((c < 32 || c == 127) ? '.' : c, out);
        }
        std::fputc('\n', out);
    }
}

// The entry recording a block (the last one when several match); an
// unknown block ends the run.
int find_entry(uintptr_t address)
{
    // A null block matches the highest free entry, whose record stays empty.
    if (uint32_t free = address == 0 ? free_entries() : 0) return bytescan::last(free);
    for (uint32_t used = g_used; used;) {
        int i = bytescan::last(used);
        if (reinterpret_cast<uintptr_t>(g_table[i].address) == address) return i;
        used &= ~(1u << i);
    }
    fatal_message(1, "memtrace_removeentry() called with address &%08X, unknown claim!",
                  static_cast<unsigned>(address & 0xFFFFFFFFu));
}

// Empties entry i.
void forget(int i)
{
    g_table[i].address = nullptr;
    g_used &= ~(1u << i);
    g_table[i].extent = 0;
    g_table[i].method = CLAIM_NONE;
}

// Forgets the record of a block.
void remove_address(uintptr_t address)
{
    if (!g_table) return;
    forget(find_entry(address));
}

}  // namespace

void memtrace_init()
{
    g_table = QUILLET_INJECT("QUILLET_FAIL_TRACKER")
                  ? nullptr
                  : static_cast<ClaimEntry*>(std::calloc(kClaimEntries, sizeof(ClaimEntry)));
    g_used = 0;
    if (!g_table) fatal_message(1, "Couldn't perform memtrace_init, out of memory.");
    std::atexit(memtrace_finish);
}

void* mem_claimzero(size_t count, size_t size)
{
    if (QUILLET_INJECT("QUILLET_FAIL_CLAIM")) return nullptr;
    size_t n = count ? count : 1, each = size ? size : 1;
    void* p;
    if (n <= kSmallClaim && each <= kSmallClaim && n * each <= kSmallClaim) {
        // Small blocks, such as the copies of tag parameters that every
        // attribute takes, come from malloc's per-size caches, which
        // calloc passes by; large ones keep calloc's zero pages. The
        // barrier keeps the compiler from making the pair a calloc again.
        p = std::malloc(n * each);
#if defined(__GNUC__)
        __asm__ volatile("" : : "r"(p) : "memory");
#endif
        if (p) std::memset(p, 0, n * each);
    } else {
        p = std::calloc(n, each);
    }
    if (p) record(p, count * size, CLAIM_ZEROED);
    return p;
}

void* mem_claim(size_t size)
{
    if (QUILLET_INJECT("QUILLET_FAIL_CLAIM")) return nullptr;
    void* p = std::malloc(size ? size : 1);
    if (p) record(p, size, CLAIM_PLAIN);
    return p;
}

void* mem_reclaim(void* block, size_t size)
{
    if (QUILLET_INJECT("QUILLET_FAIL_CLAIM")) return nullptr;
    // The old record is found first, so that an unknown block is refused
    // before realloc can touch it.
    int old = (block && g_table) ? find_entry(reinterpret_cast<uintptr_t>(block)) : -1;
    void* p = std::realloc(block, size ? size : 1);
    if (!p) return nullptr;
    if (old >= 0) {
        forget(old);
    }
    record(p, size, CLAIM_RESIZED);
    return p;
}

void mem_release(void* block)
{
    if (!block) return;
    // The record is checked before the block is given back, so that an
    // unknown or second release never frees memory we do not own.
    memtrace_removeentry(block);
    std::free(block);
}

void memtrace_removeentry(void* block) { remove_address(reinterpret_cast<uintptr_t>(block)); }

int memtrace_live()
{
    int n = 0;
    if (g_table)
        for (int i = 0; i < kClaimEntries; ++i)
            if (g_table[i].address) ++n;
    return n;
}

void memtrace_report(FILE* out)
{
    if (!g_table) return;
    bool first = true;
    for (int i = 0; i < kClaimEntries; ++i) {
        const ClaimEntry& e = g_table[i];
        if (!e.address) continue;
        if (first) {
            std::fputs("memtrace claims not released:\n=============================\n\n", out);
            first = false;
        }
        std::fprintf(out, "Claim entry %d:\n", i);
        std::fprintf(out, "  Base address : &%08X\n  Area extent  : %d bytes\n  Claimed with : ", addr32(e.address),
                     e.extent);
        switch (e.method) {
        case CLAIM_NONE: std::fputs("!unknown!\n", out); break;
        case CLAIM_ZEROED: std::fputs("calloc()\n", out); break;
        case CLAIM_PLAIN: std::fputs("malloc()\n", out); break;
        case CLAIM_RESIZED: std::fputs("realloc()\n", out); break;
        default: std::fprintf(out, "!error - method %d!\n", e.method); break;
        }
        std::fprintf(out, "  Claimed by   : %s\n\n", e.claimant);
        hexdump(out, static_cast<const unsigned char*>(e.address), e.extent);
        std::fputs("\n\n", out);
    }
}

void memtrace_setfinish(void (*finish)()) { g_finish = finish; }

void memtrace_finish()
{
    if (!g_table) return;
    if (g_finish) g_finish();
    memtrace_report(stderr);
    std::fflush(stderr);
#ifdef QUILLET_FAILINJECT
    failinject_report();
#endif
    std::free(g_table);
    g_table = nullptr;
    g_used = 0;
}
