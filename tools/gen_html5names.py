#!/usr/bin/env python3
"""Writes src/resources/html5names.cpp: every named character reference of
HTML5 that ends in ';' (the list as Python's html.entities.html5 holds it),
without the ';', with its one or two code points, ordered by name (byte
order, as strcmp compares).

    python3 tools/gen_html5names.py
"""
import html.entities
import os
import sys

from gen_hostfallback import packed, write_table

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src", "resources", "html5names.cpp")


def main():
    rows = []
    for key, text in html.entities.html5.items():
        if not key.endswith(";"):
            continue
        name = key[:-1]
        assert name.isascii() and name.isalnum() and len(name) <= 32, name
        assert 1 <= len(text) <= 2, key
        cps = [ord(c) for c in text] + [0]
        rows.append((name.encode("ascii"), cps[0], cps[1]))
    rows.sort()
    legacy = sorted(k.encode("ascii") for k in html.entities.html5 if not k.endswith(";"))
    body = [('{"%s", 0x%X, 0x%X}' % (n.decode(), a, b)) if b else ('{"%s", 0x%X, 0}' % (n.decode(), a))
            for n, a, b in rows]
    write_table(OUT, "tools/gen_html5names.py from Python %d.%d's html.entities.html5" % sys.version_info[:2],
                "resources/html5names.h", "const Html5Name kHtml5Names[]", body, "kHtml5NameCount")
    with open(OUT, "a") as f:
        f.write("\n// The names read without their ';' too, ordered by name.\n")
        f.write("// clang-format off\nconst char* const kHtml5Legacy[] = {\n%s};\n// clang-format on\n"
                % packed(['"%s"' % n.decode() for n in legacy]))
        f.write("const int kHtml5LegacyCount = %d;\n" % len(legacy))
    print("%d names, %d legacy" % (len(rows), len(legacy)))


if __name__ == "__main__":
    main()
