#!/usr/bin/env python3
"""Benchmark runner.

    bench/run.py [BUILD_DIR] [--big]

Generates the inputs (a tag-dense page and a long script at 10 MB and 100 MB,
a 2 KB page; 1000 MB too with --big) in a scratch folder, then times, side by
side on the same files: Quillet on each input, the floor (reading the input
twice and writing as many bytes as Quillet wrote, through the same I/O
code), and start-up on the small page. Prints MB/s, the ratio to the floor,
peak resident memory and the growth of time from 10 MB to 100 MB.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))


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


def best(argv, cwd, repeat):
    results = [run(argv, cwd) for _ in range(repeat)]
    _, peak, _ = run(argv, cwd, rss=True)
    return min(r[0] for r in results), peak, results[0][2]


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    big = "--big" in sys.argv
    build = os.path.abspath(args[0] if args else os.path.join(HERE, "..", "build"))
    subprocess.run(["cmake", "--build", build, "--target", "quillet", "quillet_floor", "quillet_support"],
                   check=True, stdout=subprocess.DEVNULL)
    work = tempfile.mkdtemp(prefix="quillet-bench-")
    try:
        for f in os.listdir(build):
            if f in ("config", "definits", "drmstyle", "colours", "fontmap", "fontexpt",
                     "entities", "unierr", "revent"):
                shutil.copy(os.path.join(build, f), work)
        shutil.copy(os.path.join(build, "quillet"), work)
        shutil.copy(os.path.join(build, "bench", "quillet_floor"), work)
        sizes = [10, 100] + ([1000] if big else [])
        gen = os.path.join(HERE, "gen.py")
        inputs = []
        for kind in ("page", "script"):
            for mb in sizes:
                name = "%s%d.htm" % (kind, mb)
                subprocess.run([sys.executable, gen, kind, str(mb), os.path.join(work, name)], check=True)
                inputs.append((kind, mb, name))
        subprocess.run([sys.executable, gen, "small", os.path.join(work, "small.htm")], check=True)

        print("%-12s %9s %9s %9s %9s %7s %9s" % ("input", "MB", "quillet", "MB/s", "floor", "ratio", "peak RSS"))
        times = {}
        for kind, mb, name in inputs:
            size = os.path.getsize(os.path.join(work, name)) / 1e6
            repeat = 3 if mb <= 100 else 1
            t, rss, code = best(["./quillet", name, "out.ddl"], work, repeat)
            out = os.path.join(work, "out.ddl")
            outbytes = os.path.getsize(out) if os.path.exists(out) else 0
            ft, _, _ = best(["./quillet_floor", name, "floor.out", str(outbytes)], work, repeat)
            times[(kind, mb)] = t
            print("%-12s %9.1f %8.3fs %9.1f %8.3fs %7.2f %7.1fMB%s" % (
                name, size, t, size / t, ft, ft / t, rss / 1024.0, "" if code == 0 else "  (exit %d)" % code))
            for f in ("out.ddl", "floor.out"):
                if os.path.exists(os.path.join(work, f)):
                    os.remove(os.path.join(work, f))
        for kind in ("page", "script"):
            if (kind, 10) in times and (kind, 100) in times:
                print("%s: 100 MB takes %.2f times as long as 10 MB" % (kind, times[(kind, 100)] / times[(kind, 10)]))
        runs = sorted(run(["./quillet", "small.htm", "small.ddl"], work)[0] for _ in range(50))
        print("start-up, 2 KB page: median %.2f ms, best %.2f ms (50 runs)" % (runs[25] * 1000, runs[0] * 1000))
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
