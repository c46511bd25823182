#!/usr/bin/env python3
"""Writes src/resources/letterdata.cpp: the script of every code point (from
the Unicode Scripts data, /usr/share/unicode/Scripts.txt of Debian's
unicode-data, or the file named on the command line), and the Latin
spellings of Cyrillic and Greek letters.

    python3 tools/gen_letters.py [Scripts.txt]
    python3 tools/gen_letters.py --doc      # the spellings as a Markdown table

Cyrillic follows GOST 7.79-2000 system B: the Russian column for every
letter Russian has (with ts always "cz"), the column of its own language for
the others. Greek follows ISO 843 transliteration letter by letter. Letters
with a diacritic that the tables do not list (Cyrillic e with grave, the
Greek of polytonic text) take the spelling of their base letter with the
accents the host set can hold; a spelling is written in host bytes
(Latin-1), so a macron the host lacks is left out (ISO 843's eta and omega
are i and o, with their accent where they have one).

No spelling may hold '<' or '&': the text it goes into is markup.
"""
import os
import re
import sys
import unicodedata

from gen_hostfallback import write_table

TOP = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
OUT = os.path.join(TOP, "src", "resources", "letterdata.cpp")
SCRIPTS = "/usr/share/unicode/Scripts.txt"

# Script numbers the program names (resources/letters.h); the rest follow in
# the order of their names.
FIXED = ["Unknown", "Common", "Inherited", "Han", "Hiragana", "Katakana"]

# GOST 7.79-2000 system B, small letters.
CYRILLIC = {
    "а": "a", "б": "b", "в": "v", "г": "g", "д": "d", "е": "e", "ё": "yo", "ж": "zh", "з": "z", "и": "i",
    "й": "j", "к": "k", "л": "l", "м": "m", "н": "n", "о": "o", "п": "p", "р": "r", "с": "s", "т": "t",
    "у": "u", "ф": "f", "х": "x", "ц": "cz", "ч": "ch", "ш": "sh", "щ": "shh", "ъ": "``", "ы": "y'", "ь": "`",
    "э": "e`", "ю": "yu", "я": "ya",
    # Ukrainian and Belarusian
    "ґ": "g`", "є": "ye", "і": "i", "ї": "yi", "ў": "u`",
    # Macedonian and Serbian
    "ѓ": "g`", "ѕ": "z`", "ј": "j", "љ": "l`", "њ": "n`", "ќ": "k`", "џ": "dh",
    # Serbian letters the standard leaves out, in its manner (ISO 9's d and
    # c with stroke and acute, the mark written as the grave accent)
    "ђ": "d`", "ћ": "c`",
    # the letters of the old orthography
    "ѣ": "ye", "ѳ": "fh", "ѵ": "yh",
}

# ISO 843 transliteration, small letters without accents; the accented
# ones come from their decomposition.
GREEK = {
    "α": "a", "β": "v", "γ": "g", "δ": "d", "ε": "e", "ζ": "z", "η": "\u012b", "θ": "th", "ι": "i", "κ": "k",
    "λ": "l", "μ": "m", "ν": "n", "ξ": "x", "ο": "o", "π": "p", "ρ": "r", "σ": "s", "ς": "s", "τ": "t",
    "υ": "y", "φ": "f", "χ": "ch", "ψ": "ps", "ω": "\u014d",
}

# Greek marks read as the Latin ones (perispomeni is ISO 843's circumflex).
MARKS = {0x0342: 0x0302, 0x0301: 0x0301, 0x0300: 0x0300, 0x0308: 0x0308, 0x0302: 0x0302}


def host(text):
    """The spelling in Latin-1: each letter with the marks that compose with
    it within Latin-1, the others left out."""
    out = ""
    for ch in unicodedata.normalize("NFD", text):
        if unicodedata.combining(ch):
            cand = unicodedata.normalize("NFC", out[-1:] + ch)
            if out and len(cand) == 1 and ord(cand) <= 0xFF:
                out = out[:-1] + cand
            continue
        assert ord(ch) <= 0xFF, text
        out += ch
    return out


def spelt(table, ch):
    """The spelling of a small letter: listed, or its base letter's with
    its marks."""
    if ch in table:
        return table[ch]
    parts = unicodedata.normalize("NFD", ch)
    if parts[0] not in table or len(parts) == 1:
        return None
    text = table[parts[0]]
    marks = "".join(chr(MARKS[ord(m)]) for m in parts[1:] if ord(m) in MARKS)
    return unicodedata.normalize("NFC", text + marks)


def spellings():
    """{code point: (spelling as written, in capitals)} in host bytes."""
    rows = {}
    blocks = [(0x0370, 0x03FF, GREEK), (0x1F00, 0x1FFF, GREEK), (0x0400, 0x04FF, CYRILLIC)]
    for lo, hi, table in blocks:
        for cp in range(lo, hi + 1):
            ch = chr(cp)
            cat = unicodedata.category(ch)
            if cat not in ("Lu", "Ll", "Lt"):
                continue
            small = ch.lower() if cat != "Ll" else ch
            if len(small) != 1:
                continue
            text = spelt(table, small)
            if text is None:
                continue
            if cat == "Ll":
                rows[cp] = (host(text), host(text.upper()), False)
            else:
                first = next((i for i, c in enumerate(text) if c.isalpha()), None)
                cap = text if first is None else text[:first] + text[first].upper() + text[first + 1:]
                rows[cp] = (host(cap), host(text.upper()), True)
    for cp, (a, b, _) in rows.items():
        assert "<" not in a + b and "&" not in a + b and 1 <= len(a) <= 4 and len(b) == len(a), hex(cp)
    return rows


def scripts(path):
    """The Unicode version, and the merged ranges [(first, last, name)]."""
    version = "?"
    ranges = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            m = re.match(r"# Scripts-(\S+)\.txt", line)
            if m:
                version = m.group(1)
            line = line.split("#")[0].strip()
            if not line:
                continue
            cps, name = [s.strip() for s in line.split(";")]
            lo, _, hi = cps.partition("..")
            ranges.append((int(lo, 16), int(hi or lo, 16), name))
    ranges.sort()
    merged = []
    for lo, hi, name in ranges:
        if merged and merged[-1][2] == name and merged[-1][1] + 1 == lo:
            merged[-1] = (merged[-1][0], hi, name)
        else:
            merged.append((lo, hi, name))
    return version, merged


def literal(text):
    return '"' + "".join(c if 32 <= ord(c) < 127 and c not in '"\\' else "\\%03o" % ord(c) for c in text) + '"'


def doc(rows):
    """The spelling table of docs/config.md."""
    def line(lo, hi):
        cells = ["%s %s" % (chr(cp), rows[cp][0])
                 for cp in sorted(rows) if lo <= cp <= hi and chr(cp).islower()]
        return ", ".join(cells)
    print("Cyrillic: " + line(0x0400, 0x04FF))
    print()
    print("Greek: " + line(0x0370, 0x03FF))


def main():
    args = sys.argv[1:]
    rows = spellings()
    if args[:1] == ["--doc"]:
        doc(rows)
        return
    version, merged = scripts(args[0] if args else SCRIPTS)
    names = sorted({n for _, _, n in merged} - set(FIXED))
    order = FIXED + names
    index = {n: i for i, n in enumerate(order)}
    # Unknown is every code point no range names: left out of the table.
    body = ["{0x%X, 0x%X, %d}" % (lo, hi, index[n]) for lo, hi, n in merged if n != "Unknown"]
    write_table(OUT, "tools/gen_letters.py from Unicode %s's Scripts.txt" % version, "resources/letters.h",
                "const ScriptRange kScriptRanges[]", body, "kScriptRangeCount")
    spell = ["{0x%04X, %s, %s, %s}" % (cp, literal(rows[cp][0]), literal(rows[cp][1]), "true" if rows[cp][2] else "false")
             for cp in sorted(rows)]
    with open(OUT, "a") as f:
        f.write("\n// clang-format off\nconst char* const kScriptNames[] = {\n")
        f.write(",\n".join("    \"%s\"" % n.replace("_", " ") for n in order))
        f.write("};\n// clang-format on\nconst int kScriptNameCount = %d;\n" % len(order))
    tmp = OUT + ".spell"
    write_table(tmp, "", "", "const LetterSpelling kLetterSpellings[]", spell, "kLetterSpellingCount")
    with open(tmp) as t, open(OUT, "a") as f:
        f.write("\n" + "".join(t.readlines()[3:]))
    os.remove(tmp)
    print("%d ranges, %d scripts, %d spellings" % (len(body), len(order), len(rows)))


if __name__ == "__main__":
    main()
