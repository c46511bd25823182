#!/usr/bin/env python3
"""How faithfully the view shows each DDL file, in headless Chromium.

Usage: view_fidelity.py QUILLET TOOLS_DIR PAGE.html...
TOOLS_DIR holds formatfidelity.py (its DDL reading and its browser reading
of a page). Each page is converted, its DDL shown with -tohtml, and what
Chromium shows in the view is compared with what the DDL says: words kept,
F1 per property, colour agreement (pooled over the pages).
"""
import os
import subprocess
import sys
import tempfile
from collections import Counter


def main():
    exe, tools, pages = os.path.abspath(sys.argv[1]), sys.argv[2], sys.argv[3:]
    sys.path.insert(0, tools)
    import formatfidelity as ff

    work = tempfile.mkdtemp()
    total, bad = Counter(), []
    for page in pages:
        ddl, html = os.path.join(work, "o.ddl"), os.path.join(work, "o.html")
        if subprocess.run([exe, os.path.basename(page), ddl], cwd=os.path.dirname(page) or ".",
                          capture_output=True).returncode:
            bad.append((page, "conversion"))
            continue
        v = subprocess.run([exe, "-tohtml", ddl, html], capture_output=True)
        if v.returncode or v.stderr:
            bad.append((page, v.stderr.decode("latin-1")))
            continue
        ref = ff.ddl_runs(open(ddl, "rb").read())
        got = ff.browser_runs(html, work, None)
        if got is None:
            bad.append((page, "browser"))
            continue
        total += ff.compare(ff.words(ref), ff.words(got))
    fig = ff.figures(total, {"bold", "italic", "underline", "large", "centred", "colour"})
    print("pages %d, not shown %d %s" % (len(pages), len(bad), bad))
    print("words kept %.2f %%" % ff.pct(total["n"], total["ref"]))
    for p in ff.PROPS:
        print("%-9s F1 %s" % (p, ff.fmt(fig[p][3])))
    print("colour agree %s %%" % ff.fmt(fig["colour"][0]))


if __name__ == "__main__":
    main()
