#!/usr/bin/env python3
"""Generates benchmark inputs of a chosen size.

    gen.py page SIZE_MB OUT     a tag-dense article page (with two small pictures beside it)
    gen.py script SIZE_MB OUT   a long Dramaton script
    gen.py small OUT            a 2 KB page

The output is deterministic: the same arguments give the same bytes.
"""
import os
import random
import struct
import sys

WORDS = ("the of and to in is that for it as was with be by on not he this are or his from at "
         "which but have an they you were her she there been one all we their has would when if "
         "so no will more about can out up what them some could my other than then into its "
         "time only new like people over said very just years first also after well-known "
         "catalogue page printer chapter column letter paper typeface margin proof edition").split()

FACES = ["Arial", "Times New Roman", "Courier New", "Verdana", "Georgia, serif", "Helvetica"]
COLOURS = ["#ff0000", "#336699", "navy", "DarkGreen", "#808080", "maroon", "#123456"]
ENTITIES = ["&amp;", "&eacute;", "&lt;", "&gt;", "&quot;", "&copy;", "&nbsp;", "&#65;", "&#x42;", "&uuml;"]


def sentence(rng, n=None):
    n = n or rng.randint(6, 18)
    words = [rng.choice(WORDS) for _ in range(n)]
    words[0] = words[0].capitalize()
    return " ".join(words) + rng.choice([".", ".", ".", "?", "!"])


def decorate(rng, text):
    words = text.split(" ")
    out = []
    for w in words:
        r = rng.random()
        if r < 0.05:
            w = "<b>%s</b>" % w
        elif r < 0.09:
            w = "<i>%s</i>" % w
        elif r < 0.11:
            w = "<u>%s</u>" % w
        elif r < 0.13:
            w = "<em>%s</em>" % w
        elif r < 0.15:
            w = '<font face="%s" size=%s color="%s">%s</font>' % (
                rng.choice(FACES), rng.choice(["+1", "-1", "2", "4", "5"]), rng.choice(COLOURS), w)
        elif r < 0.17:
            w = '<a href="http://example.com/%d.htm">%s</a>' % (rng.randint(1, 999), w)
        elif r < 0.18:
            w = '<a href="mailto:someone@example.com">%s</a>' % w
        elif r < 0.22:
            w = w + " " + rng.choice(ENTITIES)
        elif r < 0.23:
            w = '"%s"' % w
        elif r < 0.24:
            w = "<code>%s</code>" % w
        out.append(w)
    return " ".join(out)


def block(rng, n):
    r = rng.random()
    if r < 0.08:
        return "<h%d>%s</h%d>\n" % ((n % 3) + 1, sentence(rng, 5), (n % 3) + 1)
    if r < 0.16:
        items = "".join("<li>%s\n" % decorate(rng, sentence(rng)) for _ in range(rng.randint(2, 5)))
        tag = rng.choice(["ul", "ol"])
        return "<%s>\n%s</%s>\n" % (tag, items, tag)
    if r < 0.20:
        return "<blockquote>%s</blockquote>\n" % decorate(rng, sentence(rng))
    if r < 0.24:
        return '<p align=center><img src="pic%d.%s" width=%d height=%d> %s</p>\n' % (
            n % 2, "gif" if n % 2 == 0 else "jpg", rng.randint(20, 400), rng.randint(20, 300), sentence(rng, 4))
    if r < 0.27:
        return "<center>%s<br>%s</center>\n" % (decorate(rng, sentence(rng)), sentence(rng))
    if r < 0.29:
        return "<hr>\n"
    body = " ".join(decorate(rng, sentence(rng)) for _ in range(rng.randint(2, 5)))
    return "<p>%s\n" % body


def gif_bytes():
    # A 2 x 2 GIF87a picture.
    return (b"GIF87a" + struct.pack("<HH", 2, 2) + b"\x80\x00\x00" + b"\x00\x00\x00\xff\xff\xff" +
            b",\x00\x00\x00\x00\x02\x00\x02\x00\x00\x02\x02\x84\x51\x00;")


def jpeg_bytes():
    # The markers the size reader looks at: SOI, an APP0 segment, SOF0 with 120 x 80, EOI.
    app0 = b"\xff\xe0" + struct.pack(">H", 16) + b"JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00"
    sof = b"\xff\xc0" + struct.pack(">HBHHB", 11, 8, 80, 120, 1) + b"\x01\x11\x00"
    return b"\xff\xd8" + app0 + sof + b"\xff\xd9"


def write_page(size, out):
    rng = random.Random(1)
    folder = os.path.dirname(os.path.abspath(out))
    with open(os.path.join(folder, "pic0.gif"), "wb") as f:
        f.write(gif_bytes())
    with open(os.path.join(folder, "pic1.jpg"), "wb") as f:
        f.write(jpeg_bytes())
    head = ('<html><head><title>Catalogue</title><meta name="x" content="y"></head>\n'
            '<body bgcolor="#ffffee" text="#000033" link="#0000cc" vlink="#660066">\n')
    with open(out, "w", encoding="latin-1", newline="\n") as f:
        f.write(head)
        written = len(head)
        n = 0
        while written < size - 20:
            b = block(rng, n)
            f.write(b)
            written += len(b)
            n += 1
        f.write("</body></html>\n")


def write_script(size, out):
    rng = random.Random(2)
    names = ["Anna", "Bernard", "Clara", "Desmond", "Edith", "Felix", "Grace", "Hugo"]
    head = ["<html><body><dramaton>", "<title>The Long Evening</title>", "<author>A. Writer</author>",
            "<episode>One</episode>", "<target 30:00>", "<begin>"]
    for i, n in enumerate(names):
        head.append("<%s %s>%s, a person of some standing</%s>" % (
            "defactress" if i % 2 == 0 else "defactor", n, n, "defactress" if i % 2 == 0 else "defactor"))
    text = "\n".join(head) + "\n"
    with open(out, "w", encoding="latin-1", newline="\n") as f:
        f.write(text)
        written = len(text)
        scene = 1
        while written < size - 200:
            parts = ["<scene Scene %d 1:30>" % scene, "<loc>A room, %s</loc>" % sentence(rng, 4)]
            for _ in range(rng.randint(4, 12)):
                who = rng.choice(names)
                r = rng.random()
                if r < 0.15:
                    parts.append("<dir>%s</dir>" % sentence(rng))
                elif r < 0.2:
                    parts.append("<sfx>%s</sfx>" % sentence(rng, 3))
                elif r < 0.3:
                    parts.append("##%s %s" % (who, sentence(rng)))
                else:
                    parts.append("<dia %s (quietly)>%s %s</dia>" % (who, sentence(rng), sentence(rng)))
            parts.append("</scene>")
            b = "\n".join(parts) + "\n"
            f.write(b)
            written += len(b)
            scene += 1
        f.write("<actorlist>\n<scenelist>\n<finished>\n")


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "small":
        write_page(2048, sys.argv[2])
    elif len(sys.argv) == 4 and sys.argv[1] in ("page", "script"):
        size = int(float(sys.argv[2]) * 1000000)
        (write_page if sys.argv[1] == "page" else write_script)(size, sys.argv[3])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
