#!/usr/bin/env python3
"""Kills runs of the program at random moments and checks that no settings file is lost.

Usage: kill_test.py <velmarch> [runs]

Each run converts a large a.ini in place and b.ini into c.ini, with backups. After a
SIGKILL at a random moment: a.ini holds its old or its new text whole; b.ini holds its
old text, or it is gone and c.ini holds its new text and a backup holds b.ini's old
text; every backup that exists is whole.
"""
import glob, os, random, re, shutil, signal, subprocess, sys, tempfile, time

STAMP = re.compile(rb"; The date and time to convert a settings file: [0-9/]+")
SCHEME = ('<Convert><File name="a.ini"><Section section_name="S*"><Setting setting_name="k*" multiplier="2"/>'
          '</Section></File><File name="b.ini" output_file="c.ini"><Section section_name="S*">'
          '<Setting setting_name="k*" multiplier="3"/></Section></File></Convert>')


def masked(data):
    return STAMP.sub(b"STAMP", data)


def make_inputs(folder):
    lines = []
    for section in range(1500):
        lines.append("[S%d]" % section)
        lines.extend("k%d=%d" % (key, section + key) for key in range(20))
    old_a = ("\n".join(lines) + "\n").encode()
    old_b = old_a.replace(b"k1=", b"kb=")
    with open(os.path.join(folder, "s.xml"), "w") as scheme:
        scheme.write(SCHEME)
    for name, data in (("a.ini", old_a), ("b.ini", old_b)):
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)
    return old_a, old_b


def read(path):
    with open(path, "rb") as source:
        return source.read()


def main():
    program = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 40
    root = tempfile.mkdtemp(prefix="velmarch-kill-")
    try:
        reference = os.path.join(root, "reference")
        os.mkdir(reference)
        old_a, old_b = make_inputs(reference)
        started = time.monotonic()
        subprocess.run([program, "s.xml", "-fdir", reference], cwd=reference, check=True, stdout=subprocess.DEVNULL)
        duration = time.monotonic() - started
        new_a, new_c = masked(read(os.path.join(reference, "a.ini"))), masked(read(os.path.join(reference, "c.ini")))
        failures = 0
        random.seed(os.getpid())
        for run in range(runs):
            folder = os.path.join(root, "run%d" % run)
            os.mkdir(folder)
            make_inputs(folder)
            process = subprocess.Popen([program, "s.xml", "-fdir", folder], cwd=folder, stdout=subprocess.DEVNULL)
            time.sleep(random.uniform(0, duration * 1.2))
            process.send_signal(signal.SIGKILL)
            process.wait()
            problems = []
            a = masked(read(os.path.join(folder, "a.ini")))
            if a not in (old_a, new_a):
                problems.append("a.ini is neither old nor new")
            backups = glob.glob(os.path.join(folder, "old_version", "*", "*.ini"))
            for backup in backups:
                if read(backup) not in (old_a, old_b):
                    problems.append("backup %s is not whole" % os.path.relpath(backup, folder))
            if os.path.exists(os.path.join(folder, "b.ini")):
                if read(os.path.join(folder, "b.ini")) != old_b:
                    problems.append("b.ini changed")
            elif not any(read(backup) == old_b for backup in backups):
                problems.append("b.ini is gone without a backup")
            if os.path.exists(os.path.join(folder, "c.ini")) and masked(read(os.path.join(folder, "c.ini"))) != new_c:
                problems.append("c.ini is not whole")
            if problems:
                failures += 1
                print("run %d: %s" % (run, "; ".join(problems)))
            shutil.rmtree(folder)
        print("%d passed, %d failed" % (runs - failures, failures))
        return 1 if failures else 0
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
