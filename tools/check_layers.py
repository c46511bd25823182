#!/usr/bin/env python3
"""Checks that the folders of src/ form the stack HACKING.md describes.

    tools/check_layers.py [SRC]

Each folder may include (#include "folder/...") only the folders of a lower
rank; folders of one rank do not include each other. Prints every include
that breaks the order and exits 1 when there is one."""
import os
import re
import sys

# Lowest first.
RANKS = [["base"], ["ddl"], ["resources"], ["markup"], ["pictures", "script", "translate", "css"], ["html", "view"], ["app"]]


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src")
    rank = {f: i for i, group in enumerate(RANKS) for f in group}
    bad = 0
    for folder in sorted(os.listdir(src)):
        path = os.path.join(src, folder)
        if not os.path.isdir(path):
            continue
        if folder not in rank:
            print("src/%s: a folder the stack does not place" % folder)
            bad += 1
            continue
        for root, _, files in os.walk(path):
            for name in sorted(files):
                text = open(os.path.join(root, name), encoding="latin-1").read()
                for m in re.finditer(r'^\s*#\s*include\s+"([a-z]+)/', text, re.M):
                    other = m.group(1)
                    if other != folder and (other not in rank or rank[other] >= rank[folder]):
                        print("%s includes %s/, which is not below it" % (os.path.join(root, name), other))
                        bad += 1
    print("the folders of src/ form the stack" if not bad else "%d includes break the stack" % bad)
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
