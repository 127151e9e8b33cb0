#!/usr/bin/env python3
"""Whole runs on hostile schemes and inputs: each ends, within its time bound, with
ERROR:0 or ERROR:1 and the matching exit code, never a signal; after an error every file
is as it was. Each case runs twice: as it is, and with a 1 MiB stack (ulimit -s 1024).

Usage: hostile_test.py <velmarch>
"""
import os, shutil, subprocess, sys, tempfile

BOUND_SECONDS = 30


def scheme(section, extra="", body='section_to="-"'):
    return ('<?xml version="1.0" encoding="windows-1251"?>\n<Convert file="a.ini"><Section section_name="%s" %s %s/>'
            '</Convert>\n' % (section, body, extra))


# id, scheme, ini bytes, arguments, wanted exit code (None: either), text the console must hold
CASES = [
    ("long-template", scheme("x" * 100000 + "*"), b"[xa]\nk=1\n", [], None, ""),
    ("deep-parens-regex-name", scheme("(" * 20000 + "a" + ")" * 20000), b"[a]\n[b]\n", ["-sectionnameregex"], 1, ""),
    ("deep-parens-condition", scheme("a", 'case_section="%s.k ex"' % ("(" * 20000 + "a*" + ")" * 20000)),
     b"[a]\nk=1\n", [], 1, ""),
    ("huge-repetition-count", scheme("A{99999999999999999999}"), b"[A]\n", ["-sectionnameregex"], 1, ""),
    ("backtracking-over-budget", scheme("(a*)*\\1b"), b"[" + b"a" * 26 + b"]\n", ["-sectionnameregex"], 1,
     "regular expression too costly to match: (a*)*\\1b"),
    ("back-reference-long-name", scheme("(a)\\1.*"), b"[" + b"a" * 1500 + b"]\n[b]\nk=2\n", ["-sectionnameregex"], 0, ""),
    ("line-of-100-MB", scheme("B"), b"[A]\nk=" + b"v" * (100 << 20) + b"\n[B]\n", [], 0, ""),
]


def tree(folder):
    files = {}
    for name in sorted(os.listdir(folder)):
        if name != "velmarch":
            with open(os.path.join(folder, name), "rb") as source:
                files[name] = source.read()
    return files


def run_case(program, case, small_stack):
    name, scheme_text, ini, arguments, wanted, must_say = case
    folder = tempfile.mkdtemp(prefix="velmarch-hostile-")
    try:
        shutil.copy(program, os.path.join(folder, "velmarch"))
        with open(os.path.join(folder, "s.xml"), "w", encoding="cp1251") as out:
            out.write(scheme_text)
        with open(os.path.join(folder, "a.ini"), "wb") as out:
            out.write(ini)
        before = tree(folder)
        command = ["./velmarch", "s.xml", "-nobackup"] + arguments
        if small_stack:
            command = ["bash", "-c", 'ulimit -s 1024 && exec "$@"', "bash"] + command
        try:
            done = subprocess.run(command, cwd=folder, capture_output=True, timeout=BOUND_SECONDS)
        except subprocess.TimeoutExpired:
            return "no end within %d s" % BOUND_SECONDS
        text = done.stdout.decode("cp1251", "replace")
        if done.returncode not in (0, 1):
            return "exit %d (a signal?)" % done.returncode
        if not text.endswith("\nERROR:%d" % done.returncode):
            return "console does not end with ERROR:%d: %r" % (done.returncode, text[-200:])
        if wanted is not None and done.returncode != wanted:
            return "exit %d, wanted %d: %r" % (done.returncode, wanted, text[-300:])
        if must_say and must_say not in text:
            return "console lacks %r: %r" % (must_say, text[-300:])
        if done.returncode == 1 and tree(folder) != before:
            return "files changed after an error"
        return None
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def main():
    program = os.path.abspath(sys.argv[1])
    failed = passed = 0
    for case in CASES:
        for small_stack in (False, True):
            problem = run_case(program, case, small_stack)
            label = case[0] + (" (1 MiB stack)" if small_stack else "")
            if problem:
                failed += 1
                print("FAIL %s: %s" % (label, problem))
            else:
                passed += 1
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
