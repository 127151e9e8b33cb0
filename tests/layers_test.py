#!/usr/bin/env python3
"""Fails when a program file includes a header of a layer above its own.

Layers, top to bottom: run > history > scheme > actions > condition > ini, xml > engine
> platform > text.
Usage: layers_test.py <source root>
"""
import os, re, sys

RANK = {"run": 8, "history": 7, "scheme": 6, "actions": 5, "condition": 4, "ini": 3, "xml": 3, "engine": 2,
        "platform": 1, "text": 0}
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
