#!/usr/bin/env python3
"""Differential run of two builds of the program.

    tools/differential.py OLD_BUILD NEW_BUILD [--mutants N] [--big DIR] [--design]

Converts every input with both builds, each from a scratch folder holding
the build's program and the same support files, under several
configurations, and compares what a user would see: the output file's
bytes, standard error and the exit code. The inputs are the examples, the
fuzz seeds, the regression files, the pages of ../shared/corpus (when
present), N mutants of those pages (bytes flipped, cut, doubled; 300 by
default, from a fixed seed) and, with --big, the .htm files of DIR (the
benchmark's inputs). --design leaves the settings of group m out of every
configuration. Prints each difference and a count; exits 1 when any.
"""
import os
import random
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(HERE)
SUPPORT = ("config", "definits", "drmstyle", "colours", "fontmap", "fontexpt", "entities", "unierr", "revent")

# Configurations: the shipped one, every option on, every option off, and a
# translate script that applies to every page.
EXTRA_TRANSLATE = ("translate inpath ``\n{\nwhen `p`\nifin `x`\n{\nsetopt b\n}\ndone\n"
                   "when `/p`\nunsetopt b\ndone\nwhen `img`\nomit\ndone\n}\n")


def config_lines(value, design=False):
    out = []
    with open(os.path.join(TOP, "support", "config"), "rb") as f:
        for line in f.read().split(b"\n"):
            if design and line.startswith(b"m"):
                continue
            if b"=" in line and not line.startswith((b"#", b";")):
                out.append(line.split(b"=")[0].rstrip() + b" = " + value)
    return b"\n".join(out) + b"\n"


def shipped_config(design):
    with open(os.path.join(TOP, "support", "config"), "rb") as f:
        lines = f.read().split(b"\n")
    if design:
        lines = [l for l in lines if not l.startswith(b"m")]
    return b"\n".join(lines)


def inputs(mutants, big):
    found = []
    for folder, exts in ((os.path.join(TOP, "examples"), (".htm",)),
                         (os.path.join(TOP, "fuzz", "seeds"), None),
                         (os.path.join(TOP, "tests", "regress"), None),
                         (os.path.join(TOP, "..", "shared", "corpus"), (".html", ".htm", ".xhtml"))):
        for root, _, files in os.walk(folder):
            for name in sorted(files):
                if exts is None or name.endswith(exts):
                    found.append(os.path.join(root, name))
    pages = []
    for p in found:
        with open(p, "rb") as f:
            pages.append((os.path.relpath(p, TOP), f.read()))
    rng = random.Random(20261209)
    bases = [b for _, b in pages if len(b) > 16]
    for i in range(mutants if bases else 0):
        b = bytearray(rng.choice(bases))
        for _ in range(rng.randint(1, 8)):
            k = rng.randrange(4)
            at = rng.randrange(len(b)) if b else 0
            if k == 0 and b:
                b[at] = rng.randrange(256)
            elif k == 1:
                b[at:at] = rng.choice([b"<", b">", b"&", b"\"", b"<dramaton>", b"<body>", b"\x00", b"\x13"])
            elif k == 2:
                del b[at:at + rng.randrange(1, 64)]
            else:
                b[at:at] = b[at:at + rng.randrange(1, 256)]
        pages.append(("mutant %d" % i, bytes(b)))
    if big:
        for name in sorted(os.listdir(big)):
            if name.endswith(".htm"):
                with open(os.path.join(big, name), "rb") as f:
                    pages.append((name, f.read()))
    return pages


def prepare(build, config, translate, pictures):
    d = tempfile.mkdtemp(prefix="quillet-diff-")
    for f in SUPPORT:
        shutil.copy(os.path.join(TOP, "support", f), d)
    if config is not None:
        with open(os.path.join(d, "config"), "wb") as f:
            f.write(config)
    if translate:
        with open(os.path.join(d, "translat"), "w") as f:
            f.write(translate)
    shutil.copy(os.path.join(build, "quillet"), d)
    for p in pictures:
        shutil.copy(p, d)
    return d


def run(folder, page):
    with open(os.path.join(folder, "in.htm"), "wb") as f:
        f.write(page)
    out = os.path.join(folder, "out.ddl")
    if os.path.exists(out):
        os.remove(out)
    r = subprocess.run(["./quillet", "in.htm", "out.ddl"], cwd=folder, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=300)
    data = None
    if os.path.exists(out):
        with open(out, "rb") as f:
            data = f.read()
    return r.returncode, r.stderr, data


def main():
    argv = sys.argv[1:]
    mutants, big = 300, None
    if "--mutants" in argv:
        i = argv.index("--mutants")
        mutants = int(argv[i + 1])
        del argv[i:i + 2]
    if "--big" in argv:
        i = argv.index("--big")
        big = argv[i + 1]
        del argv[i:i + 2]
    # --design: the readings of group m stay off in every configuration, so
    # that a build with them can be compared with one from before them.
    design = "--design" in argv
    if design:
        argv.remove("--design")
    if len(argv) != 2:
        print(__doc__)
        return 2
    old, new = (os.path.abspath(a) for a in argv)
    pictures = [os.path.join(TOP, "examples", f) for f in os.listdir(os.path.join(TOP, "examples"))
                if f.endswith((".gif", ".jpg"))]
    configs = [("shipped", shipped_config(design), None), ("all on", config_lines(b"true", design), None),
               ("all off", config_lines(b"false", design), None),
               ("translated", shipped_config(design), EXTRA_TRANSLATE)]
    pages = inputs(mutants, big)
    runs = differences = 0
    for cname, config, translate in configs:
        a = prepare(old, config, translate, pictures)
        b = prepare(new, config, translate, pictures)
        try:
            for name, page in pages:
                ra, rb = run(a, page), run(b, page)
                runs += 1
                if ra != rb:
                    differences += 1
                    what = [w for w, x, y in zip(("exit code", "messages", "output"), ra, rb) if x != y]
                    print("DIFFERENT (%s) %s: %s" % (cname, name, ", ".join(what)))
        finally:
            shutil.rmtree(a)
            shutil.rmtree(b)
    print("%d runs (%d inputs x %d configurations), %d differences" % (runs, len(pages), len(configs),
                                                                      differences))
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main())
