#!/usr/bin/env python3
"""Benchmark runner.

    bench/run.py [BUILD_DIR] [--big] [--repeat N] [--inputs DIR] [--no-build]

Generates the inputs (a tag-dense page and a long script at 10 MB and 100 MB,
a 2 KB page; 1000 MB too with --big) in a scratch folder, then times, side by
side on the same files: Quillet on each input (writing over its last output,
as the host application does, and into a new file), the floor (reading the
input twice and writing as many bytes as Quillet wrote, through the same I/O
code), and start-up on the small page. Prints MB/s (best of N runs, with the
slowest beside it), the ratio to the floor, peak resident memory and the
growth of time from 10 MB to 100 MB.

--inputs DIR keeps the generated inputs in DIR and reuses them on later runs
(they take longer to generate than to convert). --no-build takes BUILD_DIR
as it is (quillet, bench/quillet_floor and the support files), for timing a
kept copy of an earlier build.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SUPPORT = ("config", "definits", "drmstyle", "colours", "fontmap", "fontexpt", "entities", "unierr",
           "revent", "translat")


def run(argv, cwd, rss=False):
    """Runs a command; returns (seconds, peak RSS in KB or 0, exit code).

    The peak is taken by /usr/bin/time, since the rusage of a child forked
    from this interpreter would count the interpreter's own pages."""
    if rss:
        argv = ["/usr/bin/time", "-f", "%M", "-o", os.path.join(cwd, ".rss")] + argv
    t0 = time.perf_counter()
    code = subprocess.run(argv, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
    dt = time.perf_counter() - t0
    peak = 0
    if rss:
        with open(os.path.join(cwd, ".rss")) as f:
            peak = int(f.read().split()[-1])
    return dt, peak, code


def timed(argv, cwd, repeat):
    """Best and worst time of `repeat` runs, peak RSS of one more, exit code.
    The runs write over the output of the one before, as the host's do."""
    results = [run(argv, cwd) for _ in range(repeat)]
    _, peak, _ = run(argv, cwd, rss=True)
    times = [r[0] for r in results]
    return min(times), max(times), peak, results[0][2]


def timed_new(argv, cwd, output, repeat):
    """Best time of `repeat` runs that each write a new output file (the old
    one is removed beforehand, outside the time)."""
    times = []
    for _ in range(repeat):
        path = os.path.join(cwd, output)
        if os.path.exists(path):
            os.remove(path)
        times.append(run(argv, cwd)[0])
    return min(times)


def option(name, default):
    if name in sys.argv:
        i = sys.argv.index(name)
        if i + 1 < len(sys.argv):
            return sys.argv[i + 1]
    return default


def main():
    skip = {option("--repeat", None), option("--inputs", None)}
    args = [a for a in sys.argv[1:] if not a.startswith("--") and a not in skip]
    big = "--big" in sys.argv
    repeat = int(option("--repeat", "3"))
    build = os.path.abspath(args[0] if args else os.path.join(HERE, "..", "build"))
    if "--no-build" not in sys.argv:
        subprocess.run(["cmake", "--build", build, "--target", "quillet", "quillet_floor", "quillet_support"],
                       check=True, stdout=subprocess.DEVNULL)
    work = tempfile.mkdtemp(prefix="quillet-bench-")
    inputs_dir = option("--inputs", None)
    inputs_dir = os.path.abspath(inputs_dir) if inputs_dir else work
    os.makedirs(inputs_dir, exist_ok=True)
    try:
        for f in SUPPORT:
            if os.path.exists(os.path.join(build, f)):
                shutil.copy(os.path.join(build, f), work)
        shutil.copy(os.path.join(build, "quillet"), work)
        shutil.copy(os.path.join(build, "bench", "quillet_floor"), work)
        sizes = [10, 100] + ([1000] if big else [])
        gen = os.path.join(HERE, "gen.py")
        inputs = []
        for kind in ("page", "script"):
            for mb in sizes:
                name = "%s%d.htm" % (kind, mb)
                path = os.path.join(inputs_dir, name)
                if not os.path.exists(path):
                    subprocess.run([sys.executable, gen, kind, str(mb), path], check=True)
                inputs.append((kind, mb, name))
        small = os.path.join(inputs_dir, "small.htm")
        if not os.path.exists(small):
            subprocess.run([sys.executable, gen, "small", small], check=True)
        if inputs_dir != work:
            # The inputs, and the pictures the page names beside them, are linked in.
            for f in [name for _, _, name in inputs] + ["small.htm", "pic0.gif", "pic1.jpg"]:
                os.symlink(os.path.join(inputs_dir, f), os.path.join(work, f))

        print("%-14s %7s %9s %11s %9s %9s %9s %7s %9s" % (
            "input", "MB", "quillet", "MB/s", "slowest", "new file", "floor", "ratio", "peak RSS"))
        times = {}
        for kind, mb, name in inputs:
            size = os.path.getsize(os.path.join(work, name)) / 1e6
            n = repeat if mb <= 100 else 1
            t, worst, rss, code = timed(["./quillet", name, "out.ddl"], work, n)
            out = os.path.join(work, "out.ddl")
            outbytes = os.path.getsize(out) if os.path.exists(out) else 0
            ft, _, _, _ = timed(["./quillet_floor", name, "floor.out", str(outbytes)], work, n)
            nt = timed_new(["./quillet", name, "out.ddl"], work, "out.ddl", n)
            times[(kind, mb)] = t
            print("%-14s %7.1f %8.3fs %11.1f %9.1f %9.1f %9.1f %7.2f %7.1fMB%s" % (
                name, size, t, size / t, size / worst, size / nt, size / ft, ft / t, rss / 1024.0,
                "" if code == 0 else "  (exit %d)" % code))
            for f in ("out.ddl", "floor.out"):
                if os.path.exists(os.path.join(work, f)):
                    os.remove(os.path.join(work, f))
        print("(MB/s: best of %d runs, each writing over the output of the one before, the slowest beside "
              "it; new file: best MB/s of as many runs into an output that did not exist; floor: its best "
              "MB/s; ratio: floor time / quillet time)" % repeat)
        for kind in ("page", "script"):
            if (kind, 10) in times and (kind, 100) in times:
                print("%s: 100 MB takes %.2f times as long as 10 MB" % (kind, times[(kind, 100)] / times[(kind, 10)]))
        runs = sorted(run(["./quillet", "small.htm", "small.ddl"], work)[0] for _ in range(50))
        spawn = sorted(run(["/bin/true"], work)[0] for _ in range(50))
        print("start-up, 2 KB page: median %.2f ms, best %.2f ms (50 runs; starting /bin/true the same "
              "way takes %.2f ms)" % (runs[25] * 1000, runs[0] * 1000, spawn[25] * 1000))
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
