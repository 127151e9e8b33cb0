#!/usr/bin/env python3
"""Runs every example of the scheme guide: a block marked <!-- example -->, then an xml
block (the scheme), an ini block (the file before) and an ini block (the file after,
without the conversion stamp). Each must convert exactly so, ending with ERROR:0.

Usage: doc_examples_test.py <velmarch> <guide.md>
"""
import os, re, shutil, subprocess, sys, tempfile

EXAMPLE = re.compile(r"<!-- example -->\s*```xml\n(.*?)```\s*Before:\s*```ini\n(.*?)```\s*After:\s*```ini\n(.*?)```", re.S)
STAMP = re.compile(rb"\A;\n; The date and time to convert a settings file: \d{8}/\d{1,6}\n;\n")


def main():
    program, guide = os.path.abspath(sys.argv[1]), sys.argv[2]
    examples = EXAMPLE.findall(open(guide, encoding="utf-8").read())
    failed = 0
    for number, (scheme, before, after) in enumerate(examples, 1):
        folder = tempfile.mkdtemp(prefix="velmarch-doc-")
        try:
            shutil.copy(program, os.path.join(folder, "velmarch"))
            with open(os.path.join(folder, "s.xml"), "w", encoding="utf-8") as out:
                out.write(scheme)
            with open(os.path.join(folder, "a.ini"), "w", encoding="utf-8") as out:
                out.write(before)
            done = subprocess.run(["./velmarch", "s.xml", "-nobackup"], cwd=folder, capture_output=True, timeout=60)
            written = open(os.path.join(folder, "a.ini"), "rb").read()
            problem = None
            if done.returncode != 0 or not done.stdout.endswith(b"ERROR:0"):
                problem = "exit %d: %r" % (done.returncode, done.stdout[-300:])
            elif not STAMP.match(written):
                problem = "no stamp at the top: %r" % written[:100]
            elif STAMP.sub(b"", written) != after.encode("utf-8"):
                problem = "wrote %r, the guide says %r" % (STAMP.sub(b"", written), after)
            if problem:
                failed += 1
                print("FAIL example %d: %s" % (number, problem))
        finally:
            shutil.rmtree(folder, ignore_errors=True)
    if not examples:
        print("FAIL: no example found in %s" % guide)
        return 1
    print("%d passed, %d failed" % (len(examples) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
