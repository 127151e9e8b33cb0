#!/usr/bin/env python3
"""Kills runs of the program at random moments and checks that no settings file is lost.

Usage: kill_test.py <velmarch> [runs] [KILL|TERM|OTHERS]

Each run converts a large a.ini in place and b.ini into c.ini, with backups; every
other run is instead a -restore of such a conversion. After the signal at a random
moment: a.ini holds its old or its new text whole; b.ini holds its old text, or it is
gone and a backup holds b.ini's old text; c.ini, where it is, holds its new text; every
backup that exists is whole. After SIGTERM (which the program handles) no temporary
file is left either, and the program ended itself. OTHERS sends, at random, one of the
other signals that end a process by default (SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGPIPE):
the program ends itself or finishes, never killed by them; and first it converts with
its standard output a pipe no one reads any more, whole, exit code 0.
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
    kind = sys.argv[3] if len(sys.argv) > 3 else "KILL"
    handled = kind != "KILL"
    others = [signal.SIGQUIT, signal.SIGUSR1, signal.SIGUSR2, signal.SIGALRM, signal.SIGPIPE]
    root = tempfile.mkdtemp(prefix="velmarch-kill-")
    try:
        reference = os.path.join(root, "reference")
        os.mkdir(reference)
        old_a, old_b = make_inputs(reference)
        started = time.monotonic()
        subprocess.run([program, "s.xml", "-fdir", reference], cwd=reference, check=True, stdout=subprocess.DEVNULL)
        duration = time.monotonic() - started
        new_a, new_c = masked(read(os.path.join(reference, "a.ini"))), masked(read(os.path.join(reference, "c.ini")))
        backup_folder = glob.glob(os.path.join(reference, "old_version", "*_conv"))[0]
        started = time.monotonic()
        subprocess.run([program, "-restore", backup_folder], cwd=reference, check=True, stdout=subprocess.DEVNULL)
        restore_duration = time.monotonic() - started
        failures = 0
        random.seed(os.getpid())
        if kind == "OTHERS":
            folder = os.path.join(root, "closed-pipe")
            os.mkdir(folder)
            make_inputs(folder)
            reader, writer = os.pipe()
            os.close(reader)
            finished = subprocess.run([program, "s.xml", "-fdir", folder], cwd=folder, stdout=writer)
            os.close(writer)
            if finished.returncode != 0 or masked(read(os.path.join(folder, "a.ini"))) != new_a:
                failures += 1
                print("a closed standard output: exit %d, a.ini %s" % (
                    finished.returncode, "converted" if masked(read(os.path.join(folder, "a.ini"))) == new_a else "not converted"))
            shutil.rmtree(folder)
        for run in range(runs):
            folder = os.path.join(root, "run%d" % run)
            os.mkdir(folder)
            make_inputs(folder)
            restore = run % 2 == 1
            if restore:
                subprocess.run([program, "s.xml", "-fdir", folder], cwd=folder, check=True, stdout=subprocess.DEVNULL)
                dated = glob.glob(os.path.join(folder, "old_version", "*_conv"))[0]
                command, wait = [program, "-restore", dated], restore_duration
            else:
                command, wait = [program, "s.xml", "-fdir", folder], duration
            process = subprocess.Popen(command, cwd=folder, stdout=subprocess.DEVNULL)
            time.sleep(random.uniform(0, wait * 1.2))
            signal_number = {"KILL": signal.SIGKILL, "TERM": signal.SIGTERM}.get(kind) or random.choice(others)
            process.send_signal(signal_number)
            process.wait()
            problems = []
            # Before the program takes its signals (the first moments of the process)
            # nothing has changed yet, and ending by the signal is harmless; after, never.
            if handled and process.returncode < 0 and os.path.exists(os.path.join(folder, "old_version")) and not restore:
                problems.append("killed by signal %d" % -process.returncode)
            if handled and process.returncode < 0 and restore and len(os.listdir(os.path.join(folder, "old_version"))) > 1:
                problems.append("killed by signal %d" % -process.returncode)
            if handled:
                left = [os.path.relpath(os.path.join(where, name), folder)
                        for where, _, names in os.walk(folder) for name in names if "velmarch-" in name]
                if left:
                    problems.append("left behind: %s" % ", ".join(left))
            a = masked(read(os.path.join(folder, "a.ini")))
            if a not in (old_a, new_a):
                problems.append("a.ini is neither old nor new")
            backups = glob.glob(os.path.join(folder, "old_version", "*", "*.ini"))
            for backup in backups:
                # A restore backs up the converted texts it replaces.
                if read(backup) not in (old_a, old_b) and masked(read(backup)) not in (new_a, new_c):
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
