#!/usr/bin/env python3
"""Every output of the program is a clean view.

Converts the example pages and scripts, the end-to-end test pages and the
corpus pages (beside the source tree, when present) with the shipped
settings and with each shipped setting flipped in turn, then views each
output with -tohtml: the view must exit 0, say nothing on standard error and
be one self-contained page (no script, nothing fetched).
Usage: check_views.py PROGRAM SOURCE_DIR
"""
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile


def pages(src):
    found = glob.glob(os.path.join(src, "examples", "*.htm*"))
    found += glob.glob(os.path.join(src, "tests", "data", "**", "*.htm*"), recursive=True)
    for rel in ("..", os.path.join("..", "..")):
        corpus = os.path.join(src, rel, "shared", "corpus")
        if os.path.isdir(corpus):
            found += glob.glob(os.path.join(corpus, "*", "*.htm*"))
            break
    keep = []
    for p in sorted(found):
        with open(p, "rb") as f:
            if b"ddlscript" not in f.read().lower():
                keep.append(p)
    return keep


def configs(shipped):
    """The shipped config, then each of its settings flipped."""
    lines = shipped.splitlines(True)
    yield "shipped", shipped
    for i, line in enumerate(lines):
        m = re.match(r"([a-z]) (\w+) = (true|false)\s*$", line)
        if not m:
            continue
        flipped = "false" if m.group(3) == "true" else "true"
        yield "%s %s = %s" % (m.group(1), m.group(2), flipped), "".join(
            lines[:i] + ["%s %s = %s\n" % (m.group(1), m.group(2), flipped)] + lines[i + 1:])


# Looked for inside the tags only: page text may spell anything.
TAG = re.compile(rb"<[^>]*>")
FORBIDDEN = [re.compile(rb"<script", re.I), re.compile(rb"(src|href)=\"(?!data:)", re.I), re.compile(rb"url\(", re.I)]


def main():
    program, src = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp()
    try:
        exe = os.path.join(work, "quillet")
        shutil.copy(program, exe)
        for name in os.listdir(os.path.join(src, "support")):
            shutil.copy(os.path.join(src, "support", name), work)
        shipped = open(os.path.join(src, "support", "config"), encoding="latin-1").read()
        all_pages = pages(src)
        if not all_pages:
            print("no pages to convert")
            return 1
        bad = 0
        views = 0
        ddl, html = os.path.join(work, "out.ddl"), os.path.join(work, "out.html")
        for label, text in configs(shipped):
            with open(os.path.join(work, "config"), "w", encoding="latin-1") as f:
                f.write(text)
            for page in all_pages:
                conv = subprocess.run([exe, page, ddl], capture_output=True, timeout=60)
                if conv.returncode != 0:
                    continue  # a page the conversion refuses has no output to view
                view = subprocess.run([exe, "-tohtml", ddl, html], capture_output=True, timeout=60)
                views += 1
                body = open(html, "rb").read() if view.returncode == 0 else b""
                tags = b"".join(TAG.findall(body))
                leaks = [p.pattern for p in FORBIDDEN if p.search(tags)]
                if view.returncode != 0 or view.stderr or leaks or not body.startswith(b"<!DOCTYPE html>"):
                    bad += 1
                    print("%s [%s]: exit %d %s %s" % (page, label, view.returncode,
                                                      view.stderr.decode("latin-1").strip(), leaks))
        print("%d views, %d not clean" % (views, bad))
        return 1 if bad or views == 0 else 0
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    sys.exit(main())
