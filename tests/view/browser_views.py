#!/usr/bin/env python3
"""Views shown in headless Chromium: computed styles and pixels.

Usage: browser_views.py PROGRAM SOURCE_DIR
Shows a DDL file that holds each family (effects, sizes, colours, alignment,
indents, pictures) and the view of the example script, reads back the
computed style and box of each word through a script injected into a test
copy (the view itself has none), and checks the pixels of a screenshot.
Skipped (exit 0 with one line) where Chromium is missing.
"""
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

READ = r"""<script>
(function () {
  var out = [];
  document.querySelectorAll('span').forEach(function (e) {
    if (!e.textContent) return;
    var s = getComputedStyle(e), r = e.getBoundingClientRect();
    var b = e.parentElement;
    out.push([e.textContent, s.fontWeight, s.fontStyle, s.textDecorationLine, s.color, s.fontSize,
              getComputedStyle(b).textAlign, r.left, r.top, r.width, r.height]);
  });
  var imgs = [];
  document.querySelectorAll('img').forEach(function (i) {
    var r = i.getBoundingClientRect();
    imgs.push([i.naturalWidth, r.left, r.top, r.width, r.height]);
  });
  var c = document.createComment('VIEWOUT' + JSON.stringify({spans: out, imgs: imgs}) + 'VIEWEND');
  document.body.appendChild(c);
})();
</script>"""

# A GIF of 2 x 2 red pixels.
GIF = bytes.fromhex("474946383961020002008000" "00ff000000000021f90400000000002c00000000020002000002028451003b")


def encode(data):
    """The DDL's six-bit picture text."""
    out = []
    for i in range(0, len(data), 3):
        b = list(data[i:i + 3])
        if len(b) == 2:
            b.append(0xFF)
        elif len(b) == 1:
            b += [0xFF, 0x00]
        vals = [b[0] >> 2, ((b[0] << 4) & 0x30) | (b[1] >> 4), ((b[1] << 2) & 0x3C) | (b[2] >> 6), b[2] & 0x3F]
        out += ["c" if v + 35 == 92 else chr(v + 35) for v in vals]
    return "".join(out)


FAMILIES = """//->DDL
COL_010={colour "Red" {cmyk 0x0 0x10000 0x10000 0x0}}
COL_011={colour "Blue" {rgb 0x0 0x0 0x10000}}
PICT_001={pictframe {fcurve {box {x 0} {y 0} {w 60000} {h 30000}}}}
PICTURE_001={picture {data "gif" %d "%s"}}
{textsize 12000}"regular "{bold 1}"regular"{bold 0}
{newpara}{italic 1}"slanted"{italic 0}" "{underline 1}"lined"{underline 0}
{newpara}{textsize 24000}"large"{textsize 12000}
{newpara}{foreground COL_010 0x10000 0}{textsize 24000}"RED"{foreground COL_011 0x10000 0}" BLUE"{foreground}{textsize 12000}
{newpara}{align 1}"centred"{newline}{align 0}
{leftindent 1 72000}"indented"{newline}{leftindent}"flush"{newline}
{embed PICT_001}{newline}
""" % (len(GIF), encode(GIF))


def png_pixels(path):
    """(width, height, rows of RGB tuples) of an 8-bit RGB or RGBA PNG."""
    data = open(path, "rb").read()
    pos, idat, w, h, ctype = 8, b"", 0, 0, 0
    while pos < len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        if kind == b"IHDR":
            w, h, depth, ctype = struct.unpack(">IIBB", body[:10])
        elif kind == b"IDAT":
            idat += body
        pos += 12 + n
    bpp = 4 if ctype == 6 else 3
    raw = zlib.decompress(idat)
    stride = w * bpp
    rows, prev = [], bytearray(stride)
    for y in range(h):
        f = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            a = line[x - bpp] if x >= bpp else 0
            b = prev[x]
            c = prev[x - bpp] if x >= bpp else 0
            if f == 1:
                line[x] = (line[x] + a) & 255
            elif f == 2:
                line[x] = (line[x] + b) & 255
            elif f == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[i:i + 3]) for i in range(0, stride, bpp)])
        prev = line
    return w, h, rows


def chromium(args, work):
    prof = tempfile.mkdtemp(dir=work)
    cmd = ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
           "--disable-background-networking", "--disable-component-update", "--disable-sync",
           "--hide-scrollbars", "--force-device-scale-factor=1", "--window-size=1000,900",
           "--user-data-dir=" + prof] + args
    return subprocess.run(cmd, capture_output=True, timeout=60).stdout


def show(program, work, ddl_text=None, ddl_path=None):
    if ddl_text is not None:
        ddl_path = os.path.join(work, "in.ddl")
        open(ddl_path, "w", encoding="latin-1").write(ddl_text)
    html = os.path.join(work, "view.html")
    r = subprocess.run([program, "-tohtml", ddl_path, html], capture_output=True)
    assert r.returncode == 0 and not r.stderr, r.stderr
    page = open(html, encoding="utf-8").read()
    copy = os.path.join(work, "copy.html")
    open(copy, "w", encoding="utf-8").write(page.replace("</body>", READ + "</body>"))
    dom = chromium(["--dump-dom", "file://" + copy], work)
    m = re.search(rb"<!--VIEWOUT(.*?)VIEWEND-->", dom, re.S)
    assert m, "no reading from the browser"
    shot = os.path.join(work, "shot.png")
    chromium(["--screenshot=" + shot, "file://" + html], work)
    return json.loads(m.group(1)), png_pixels(shot)


def span(reading, text):
    for s in reading["spans"]:
        if s[0] == text:
            return s
    raise AssertionError("no word %r in the view" % text)


def count(rows, box, test):
    left, top, width, height = [int(v) for v in box]
    n = 0
    for y in range(max(top, 0), min(top + height, len(rows))):
        for x in range(max(left, 0), min(left + width, len(rows[y]))):
            n += test(rows[y][x])
    return n


def dark(p):
    return sum(p) < 300


def main():
    if not shutil.which("chromium"):
        print("skipped: headless Chromium is missing (Debian package chromium)")
        return 0
    program, src = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp()
    failures = []

    def check(what, ok):
        if not ok:
            failures.append(what)

    try:
        reading, (w, h, rows) = show(program, work, FAMILIES)
        regular = [s for s in reading["spans"] if s[0] == "regular "][0]
        bold = [s for s in reading["spans"] if s[0] == "regular"][0]
        # effects
        check("bold weight", int(bold[1]) >= 700 and int(regular[1]) < 700)
        check("italic", span(reading, "slanted")[2] == "italic")
        check("underline", "underline" in span(reading, "lined")[3])
        check("bold is wider in pixels", count(rows, bold[7:], dark) > count(rows, regular[7:], dark))
        # sizes: 24 points are 32 CSS pixels
        check("size 24pt", span(reading, "large")[5] == "32px")
        check("large is taller", span(reading, "large")[10] > 1.6 * regular[10])
        # colours: CMYK magenta and yellow full is red; RGB blue
        red, blue = span(reading, "RED"), span(reading, " BLUE")
        check("red computed", red[4] == "rgb(255, 0, 0)")
        check("blue computed", blue[4] == "rgb(0, 0, 255)")
        check("red pixels", count(rows, red[7:], lambda p: p[0] > 180 and p[1] < 90 and p[2] < 90) > 20)
        check("blue pixels", count(rows, blue[7:], lambda p: p[2] > 180 and p[0] < 90 and p[1] < 90) > 20)
        # alignment: the centred word's middle lies near the middle of its line
        cen, flush = span(reading, "centred"), span(reading, "flush")
        check("centred computed", cen[6] == "center")
        check("centred on screen", cen[7] > flush[7] + 100 and count(rows, cen[7:], dark) > 20)
        # indents: 72 points are 96 CSS pixels
        ind = span(reading, "indented")
        check("indent", abs((ind[7] - flush[7]) - 96) < 2 and count(rows, ind[7:], dark) > 20)
        # pictures: the frame is 60 x 30 points (80 x 40 pixels), red
        imgs = reading["imgs"]
        check("picture decoded", len(imgs) == 1 and imgs[0][0] == 2)
        if imgs:
            check("picture frame size", abs(imgs[0][3] - 80) < 1 and abs(imgs[0][4] - 40) < 1)
            check("picture pixels", count(rows, imgs[0][1:], lambda p: p[0] > 200 and p[1] < 60) > 2000)
        # a script: the example screenplay converted and shown
        ddl = os.path.join(work, "play.ddl")
        subprocess.run([program, os.path.join(src, "examples", "play.htm"), ddl], capture_output=True, check=True)
        reading, (w, h, rows) = show(program, work, ddl_path=ddl)
        words = [s for s in reading["spans"] if s[0].strip()]
        check("script has text", len(words) > 20)
        boldwords = [s for s in words if int(s[1]) >= 700]
        check("script has bold", len(boldwords) > 0)
        if boldwords:
            check("script pixels", count(rows, boldwords[0][7:], dark) > 10)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for f in failures:
        print("FAILED:", f)
    print("%d browser checks failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
