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
ENTITIES = ["&amp;", "&eacute;", "&lt;", "&gt;", "&quot;", "&copy;", "&nbsp;", "&#65;", "&#x42;", "&uuml;",
            "&mdash;", "&hellip;"]


def sentence(rng, n=None):
    n = n or rng.randint(6, 18)
    words = [rng.choice(WORDS) for _ in range(n)]
    words[0] = words[0].capitalize()
    return " ".join(words) + rng.choice([".", ".", ".", "?", "!"])


# ---- the page --------------------------------------------------------------

def decorate(rng, text):
    words = text.split(" ")
    out = []
    for w in words:
        r = rng.random()
        if r < 0.05:
            w = rng.choice(["<b>%s</b>", "<B>%s</B>", "<strong>%s</strong>"]) % w
        elif r < 0.09:
            w = rng.choice(["<i>%s</i>", "<I>%s</I>"]) % w
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
        elif r < 0.245:
            w = "<span class=\"note\">%s</span>" % w
        elif r < 0.25:
            w = "%s<sup>%d</sup>" % (w, rng.randint(1, 9))
        elif r < 0.255:
            w = "it's"
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
    if r < 0.18:
        items = "".join("<dt>%s<dd>%s\n" % (rng.choice(WORDS), decorate(rng, sentence(rng)))
                        for _ in range(rng.randint(2, 4)))
        return "<dl>\n%s</dl>\n" % items
    if r < 0.21:
        return "<blockquote>%s</blockquote>\n" % decorate(rng, sentence(rng))
    if r < 0.25:
        return '<p align=center><img src="pic%d.%s" width=%d height=%d alt="figure %d"> %s</p>\n' % (
            n % 2, "gif" if n % 2 == 0 else "jpg", rng.randint(20, 400), rng.randint(20, 300), n,
            sentence(rng, 4))
    if r < 0.27:
        return "<center>%s<br>%s</center>\n" % (decorate(rng, sentence(rng)), sentence(rng))
    if r < 0.28:
        return "<hr>\n"
    if r < 0.29:
        lines = "\n".join("    %s = %d;\t// %s" % (rng.choice(WORDS), rng.randint(0, 99), sentence(rng, 3))
                          for _ in range(rng.randint(2, 5)))
        return "<pre>\n%s\n</pre>\n" % lines
    if r < 0.30:
        return "<!-- %s -->\n" % sentence(rng)
    if r < 0.31:
        return '<div class="aside" align=right>%s</div>\n' % decorate(rng, sentence(rng))
    if r < 0.315:
        rows = "".join("<tr><td>%s</td><td>%d</td></tr>\n" % (sentence(rng, 3), rng.randint(1, 999))
                       for _ in range(rng.randint(2, 4)))
        return '<table border=1>\n%s</table>\n' % rows
    body = " ".join(decorate(rng, sentence(rng)) for _ in range(rng.randint(2, 5)))
    return rng.choice(["<p>%s\n", "<P>%s\n", "<p>%s</p>\n"]) % body


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
    head = ('<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01 Transitional//EN">\n'
            '<html><head><title>Catalogue</title><meta name="x" content="y">\n'
            '<script type="text/javascript">var x = "<b>not text</b>";</script></head>\n'
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


# ---- the script ------------------------------------------------------------

# (name, alias or None, female)
CAST = [("Tom Hale", "Captain", False), ("Ruth Carver", None, True), ("Sam", None, False),
        ("Edith Marsh", "Mother", True), ("Felix Grant", None, False), ("Grace", None, True),
        ("Hugo Bell", "Doctor", False), ("Clara Voss", None, True), ("Desmond", None, False),
        ("Anna Price", "Nurse", True)]
EXTRAS = ["Harbour master", "Porter", "Stranger", "Voice"]
PLACES = ["Car deck", "Open deck", "Galley", "Bridge", "Harbour at dawn", "Waiting room", "Ward",
          "Corridor", "Kitchen", "Station platform"]


def speech_text(rng):
    parts = []
    for _ in range(rng.randint(1, 4)):
        s = sentence(rng)
        r = rng.random()
        if r < 0.08:
            w = s.split(" ")
            k = rng.randrange(len(w))
            e = rng.choice("biu")
            w[k] = "<%s>%s</%s>" % (e, w[k], e)
            s = " ".join(w)
        elif r < 0.14:
            s = "<act>%s</act> %s" % (sentence(rng, 3), s)
        elif r < 0.18:
            s = '"%s," she said - or was it %d%%?' % (s.rstrip(".?!"), rng.randint(1, 99))
        elif r < 0.20:
            s = "%s <ind>%s</ind>" % (s, sentence(rng, 5))
        parts.append(s)
    # Speeches run over several lines, as typed.
    return "\n".join(parts)


def speaker(rng):
    r = rng.random()
    if r < 0.06:
        return rng.choice(EXTRAS)
    name, alias, _ = rng.choice(CAST)
    if alias and r < 0.3:
        name = alias
    if r > 0.85:
        name = name.upper()
    if rng.random() < 0.2:
        name += " (%s)" % rng.choice(["quietly", "startled", "off", "laughing"])
    return name


def business(rng):
    r = rng.random()
    if r < 0.2:
        return "<dir>%s</dir>" % sentence(rng)
    if r < 0.35:
        return "<sfx>%s</sfx>" % sentence(rng, 4)
    if r < 0.45:
        return "<loc>%s</loc> %s" % (sentence(rng, 5), sentence(rng))
    if r < 0.55:
        return "<prop>%s</prop>" % sentence(rng, 3)
    if r < 0.65:
        return "\\d%s\\\\ \\s%s\\\\" % (sentence(rng), sentence(rng, 3))
    if r < 0.7:
        return "%s<br>%s" % (sentence(rng), sentence(rng))
    return sentence(rng)


def scene(rng, number):
    place = rng.choice(PLACES)
    marks = [rng.choice(["int", "ext", ""]), rng.choice(["day", "night", ""])]
    head = '<scene "%s %d" %s duration %d %d>' % (place, number, " ".join(m for m in marks if m),
                                                 rng.randint(0, 5), rng.randint(0, 59))
    omitted = rng.random() < 0.02
    if omitted:
        head = head.replace(" duration", " omitted duration")
    parts = [head, business(rng)]
    for _ in range(rng.randint(8, 25)):
        r = rng.random()
        if r < 0.2:
            parts.append(business(rng))
        elif r < 0.45:
            # The line shorthand: a speaker line, the speech, a closing line.
            parts.append("##%s\n%s\n##" % (speaker(rng), speech_text(rng)))
        else:
            parts.append("<dia %s>\n%s\n</dia>" % (speaker(rng), speech_text(rng)))
    parts.append("</scene>")
    return "\n".join(parts) + "\n\n"


def write_script(size, out):
    rng = random.Random(2)
    head = ["<!-- A long radio play, generated for the benchmark. -->", "<dramaton>", "",
            '<title "The Long Evening" type "Radio play" status "Second draft">',
            '<episode "Three">', '<author "A. Writer">',
            '<address "12 Harbour Row, Portsmouth, Hampshire, PO1 2AB">',
            '<telephone "01234 567890" unlisted>', '<copyright year 2005 to "A. Writer">',
            "<date 25/08/2005>", "<started 2005 6 1>", "<finished 2005 8 20>", "<revised 2005 8 24>",
            "<target 600 0>", "", "<omit>", "Notes that are never printed.", "</omit>", "", "<begin>", ""]
    for name, alias, female in CAST:
        tag = "defactress" if female else "defactor"
        aka = ' alias "%s"' % alias if alias else ""
        head.append('<%s "%s"%s>\n%s\n</%s>' % (tag, name, aka, sentence(rng, 10), tag))
    head.append('<defactor "Announcer" quiet>')
    text = "\n".join(head) + "\n\n"
    tail = "<newpage>\n<actorlist>\n<scenelist>\n"
    with open(out, "w", encoding="latin-1", newline="\n") as f:
        f.write(text)
        written = len(text)
        number = 1
        while written < size - len(tail):
            b = ""
            if number % 40 == 1:
                b += '<chapter "Part %d">\n%s\n</chapter>\n\n' % (number // 40 + 1, sentence(rng))
            b += scene(rng, number)
            if number % 12 == 0:
                b += "<adbreak>\n\n"
            if number % 30 == 0:
                b += "<newpage>\n"
            if written + len(b) > size - len(tail) and number > 1:
                break
            f.write(b)
            written += len(b)
            number += 1
        f.write(tail)


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
