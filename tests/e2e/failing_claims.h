// Runs that make one tracked claim fail (the test-only fault injection
// build): the program is run once per claim it makes, each time with that
// claim failing, and the runs that showed a given message are kept.
#pragma once

#ifdef QUILLET_FAILINJECT

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "harness.h"

// The results of the runs, one claim failing in each, that `wanted`
// accepts; only the first unless `all`. Each run starts with out.ddl
// holding `earlier`, or with no out.ddl.
inline std::vector<RunResult> failing_runs(ScratchDir& d, const std::vector<std::string>& args,
                                           const std::function<bool(const RunResult&)>& wanted, bool all,
                                           const std::string* earlier = nullptr)
{
    d.clear_env();
    d.set_env("QUILLET_INJECT_REPORT", d.path(".count"));
    d.run(args);
    long claims = 0;
    std::ifstream(d.path(".count")) >> claims;
    d.remove(".count");
    std::vector<RunResult> found;
    for (long n = 1; n <= claims; ++n) {
        d.clear_env();
        d.set_env("QUILLET_FAIL_CLAIM", std::to_string(n));
        if (earlier)
            d.write("out.ddl", *earlier);
        else
            d.remove("out.ddl");
        RunResult r = d.run(args, "out.ddl");
        if (!wanted(r)) continue;
        found.push_back(r);
        if (!all) break;
    }
    d.clear_env();
    return found;
}

// Those whose standard error holds `message` as one whole message.
inline std::vector<RunResult> runs_showing(ScratchDir& d, const std::vector<std::string>& args,
                                           const std::string& message, bool all = false,
                                           const std::string* earlier = nullptr)
{
    const std::string box = "QuilletW: " + message + "\n";
    return failing_runs(
        d, args, [&](const RunResult& r) { return r.err.find(box) != std::string::npos; }, all, earlier);
}

#endif  // QUILLET_FAILINJECT
