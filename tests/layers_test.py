#!/usr/bin/env python3
"""Fails when a program file includes a header of a layer above its own.

Layers, top to bottom: run > history > scheme > actions > condition > ini, xml > engine
> console, match > platform > text, support.
Usage: layers_test.py <source root>
"""
import os, re, sys

RANK = {"run": 9, "history": 8, "scheme": 7, "actions": 6, "condition": 5, "ini": 4, "xml": 4, "engine": 3,
        "console": 2, "match": 2, "platform": 1, "text": 0, "support": 0}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z]+)/', re.M)


def main():
    root = sys.argv[1]
    problems = []
    for layer, rank in RANK.items():
        for name in sorted(os.listdir(os.path.join(root, layer))):
            if not name.endswith((".h", ".cpp")):
                continue
            with open(os.path.join(root, layer, name), encoding="utf-8", errors="replace") as source:
                for included in INCLUDE.findall(source.read()):
                    if included in RANK and included != layer and RANK[included] >= rank:
                        problems.append("%s/%s includes %s/" % (layer, name, included))
    for problem in problems:
        print(problem)
    print("%d upward includes" % len(problems))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
