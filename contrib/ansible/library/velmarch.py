#!/usr/bin/python3
# -*- coding: utf-8 -*-
# Velmarch: converts INI settings files as an XML scheme says, on the machines of a play.
# The program's own machine-readable report (-report) tells what changed.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: velmarch
short_description: Convert INI settings files with a Velmarch scheme
description:
  - Runs the C(velmarch) program on the managed host to convert the INI settings files an XML
    scheme names (sections and settings added, removed, renamed, copied or moved, values set or
    rescaled), or undoes a recorded run with I(restore).
  - The result is read from the program's JSON report, not from its console text. C(changed) is
    true exactly when a file was converted or restored; a scheme is applied to a file once, so a
    second run of the same play reports no change.
  - In check mode the program makes a dry run (C(-dryrun)) and nothing on disk changes; in diff
    mode the dry run's unified diff is returned.
version_added: "1.1.0"
author:
  - Velmarch developers (developers@velmarch.org)
requirements:
  - The C(velmarch) program on the managed host.
options:
  scheme:
    description:
      - The XML scheme to run. Required unless I(restore) is given.
    type: path
  fdir:
    description:
      - Base folder for the scheme's relative file names, and root of the backup folder (C(-fdir)).
      - Without it relative names are taken from the current folder of the module's process.
    type: path
  input:
    description:
      - The input file of the scheme's top-level C(Convert) record (C(-f)).
    type: str
  output:
    description:
      - The output file of that record (C(-o)).
    type: str
  backup:
    description:
      - Keep each input, and each output a run replaces, in a dated backup folder with the run's
        record. C(false) passes C(-nobackup); without records a rerun converts again.
    type: bool
    default: true
  force:
    description:
      - Convert files this scheme converted before; with I(restore), restore files changed since
        the run (C(-force)).
    type: bool
    default: false
  strict:
    description:
      - Take every warning, and everything the scheme says that a run would ignore, as an error
        (C(-strict)).
    type: bool
    default: false
  encoding:
    description:
      - Read every settings file in this encoding instead of telling it from the bytes
        (C(-encoding)).
    type: str
    choices: [utf-8, windows-1251]
  skip_missing:
    description:
      - Skip a record whose input file does not exist, converting the others (C(-skipmissing)).
    type: bool
    default: false
  restore:
    description:
      - Undo the run recorded in this dated backup folder (C(-restore)), for example a path from
        an earlier result's C(backup_folders). Excludes I(scheme).
      - Check mode does not run a restore (there is no dry run of one).
    type: path
  executable:
    description:
      - The program to run.
    type: str
    default: velmarch
notes:
  - The program runs with C(VELMARCH_LANG=en) and a UTF-8 locale, so that its warnings are English
    and name their file.
"""

EXAMPLES = r"""
- name: Migrate the mail client's settings
  velmarch:
    scheme: /usr/share/mailer/upgrade-3.xml
    fdir: /etc/mailer

- name: Show what the migration would change
  velmarch:
    scheme: /usr/share/mailer/upgrade-3.xml
    fdir: /etc/mailer
  check_mode: true
  diff: true

- name: Convert what is there, one file given on the command line
  velmarch:
    scheme: /usr/share/mailer/upgrade-3.xml
    fdir: /home/alice/.config/mailer
    input: settings.ini
    skip_missing: true
  register: migrated

- name: Undo that run
  velmarch:
    restore: "{{ migrated.backup_folders[0] }}"
"""

RETURN = r"""
changed:
  description: Whether a file was converted or restored (in check mode, whether one would be).
  returned: always
  type: bool
rc:
  description: The program's exit code.
  returned: always
  type: int
  sample: 0
mode:
  description: What the program did, C(run), C(dryrun) or C(restore).
  returned: success
  type: str
  sample: run
records:
  description: One entry per file of the scheme (or per file a restore puts back).
  returned: success
  type: list
  elements: dict
  contains:
    input:
      description: The input file.
      type: str
    output:
      description: The output file.
      type: str
    backup:
      description: Where the input's bytes were kept, or null.
      type: str
    status:
      description: C(converted), C(unchanged), C(already-converted), C(skipped), C(failed) or C(not-run).
      type: str
    warnings:
      description: The warnings the file gave.
      type: list
      elements: str
backup_folders:
  description: The dated backup folders the run made; give one to I(restore) to undo the run.
  returned: success
  type: list
  elements: str
  sample: [/etc/mailer/old_version/20261208101502_conv]
diff:
  description: The dry run's unified diff, in diff mode.
  returned: in diff mode, when something would change
  type: dict
  contains:
    prepared:
      description: The diff text.
      type: str
msg:
  description: The program's error, when it failed.
  returned: failure
  type: str
"""

import json
import os
import tempfile

from ansible.module_utils.basic import AnsibleModule

CHANGED_STATUSES = ("converted",)


def command_line(module, report_path, dry_run):
    params = module.params
    command = [params["executable"]]
    if params["restore"]:
        command += ["-restore", params["restore"]]
        if params["force"]:
            command.append("-force")
    else:
        command.append(params["scheme"])
        for option, name in (("-f", "input"), ("-o", "output"), ("-fdir", "fdir"), ("-encoding", "encoding")):
            if params[name]:
                command += [option, params[name]]
        for option, name in (("-force", "force"), ("-strict", "strict"), ("-skipmissing", "skip_missing")):
            if params[name]:
                command.append(option)
        if not params["backup"]:
            command.append("-nobackup")
        if dry_run:
            command.append("-dryrun")
    return command + ["-report", report_path]


def run_program(module, dry_run):
    """Runs the program with a report in a temporary file; gives the exit code, the
    console text and the report (None when the program wrote none)."""
    handle, report_path = tempfile.mkstemp(prefix="velmarch-report-", suffix=".json")
    os.close(handle)
    os.unlink(report_path)
    try:
        rc, out, err = module.run_command(
            command_line(module, report_path, dry_run),
            environ_update={"LC_ALL": "C.UTF-8", "VELMARCH_LANG": "en"},
            errors="surrogate_or_replace",
        )
        report = None
        if os.path.exists(report_path):
            with open(report_path, "rb") as source:
                report = json.loads(source.read().decode("utf-8"))
        return rc, out + err, report
    finally:
        if os.path.exists(report_path):
            os.unlink(report_path)


def console_error(text):
    lines = [line for line in text.splitlines() if line.startswith("[EXCEPTION]")]
    return lines[-1][len("[EXCEPTION] "):] if lines else text.strip()


def dry_run_diff(console):
    """The unified diff of a dry run's console text: every line from the first '--- '
    header up to the closing lines."""
    lines = console.splitlines()
    start = next((index for index, line in enumerate(lines) if line.startswith("--- ")), None)
    if start is None:
        return ""
    kept = [line for line in lines[start:] if not line.startswith("Dry run of the ") and not line.startswith("ERROR:")]
    return "\n".join(kept) + "\n"


def main():
    module = AnsibleModule(
        argument_spec=dict(
            scheme=dict(type="path"),
            fdir=dict(type="path"),
            input=dict(type="str"),
            output=dict(type="str"),
            backup=dict(type="bool", default=True),
            force=dict(type="bool", default=False),
            strict=dict(type="bool", default=False),
            encoding=dict(type="str", choices=["utf-8", "windows-1251"]),
            skip_missing=dict(type="bool", default=False),
            restore=dict(type="path"),
            executable=dict(type="str", default="velmarch"),
        ),
        required_one_of=[("scheme", "restore")],
        mutually_exclusive=[
            ("scheme", "restore"),
            ("restore", "input"),
            ("restore", "output"),
            ("restore", "fdir"),
            ("restore", "encoding"),
        ],
        supports_check_mode=True,
    )
    restore = bool(module.params["restore"])
    if restore and module.check_mode:
        module.exit_json(changed=False, skipped=True, rc=0, msg="check mode: a restore has no dry run")

    diff_text = ""
    if module._diff and not module.check_mode and not restore:
        rc, console, report = run_program(module, True)
        if rc == 0:
            diff_text = dry_run_diff(console)

    rc, console, report = run_program(module, module.check_mode and not restore)
    if rc != 0 or report is None or report.get("outcome") != "ok":
        error = report.get("error") if report else None
        module.fail_json(msg=error or console_error(console), rc=rc)

    if module.check_mode and module._diff:
        diff_text = dry_run_diff(console)
    records = report.get("records", [])
    for record in records:
        for warning in record.get("warnings", []):
            module.warn(warning)
    changed = any(record.get("status") in CHANGED_STATUSES for record in records)
    result = dict(
        changed=changed,
        rc=rc,
        mode=report.get("mode"),
        records=records,
        backup_folders=report.get("backup_folders", []),
    )
    if module._diff and changed and diff_text:
        result["diff"] = dict(prepared=diff_text)
    module.exit_json(**result)


if __name__ == "__main__":
    main()
