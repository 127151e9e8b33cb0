#!/usr/bin/python3
# -*- coding: utf-8 -*-
# Velmarch: converts INI settings files as an XML scheme says, on the machines of a play.
# The program's own machine-readable report (-report) tells what changed.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: velmarch
short_description: Convert INI settings files with a Velmarch scheme, or undo a conversion
description:
  - Runs the C(velmarch) program on the managed host to convert the INI settings files an XML
    scheme names (sections and settings added, removed, renamed, copied or moved, values set or
    rescaled), or undoes a recorded run (I(state=restored)).
  - The result is read from the program's JSON report, not from its console text. C(changed) is
    true exactly when a file's bytes changed (or, in check mode, would). A scheme is applied to a
    file once, known by what it says (a reformatted scheme is the same scheme) or by its
    C(scheme_id), so a second run of the same play reports no change; undoing is repeatable too.
  - In check mode the program makes a dry run (C(-dryrun)) of the conversion or of the restore and
    nothing on disk changes; in diff mode the files' changes are returned, one entry per file.
version_added: "1.1.0"
author:
  - Velmarch developers (developers@velmarch.org)
requirements:
  - The C(velmarch) program on the managed host.
options:
  state:
    description:
      - C(converted) runs the scheme. C(restored) undoes a run given by I(restore); a run undone
        before is reported as it is, without a change.
    type: str
    choices: [converted, restored]
    default: converted
  scheme:
    description:
      - The XML scheme to run. Required with I(state=converted), and with I(restore=latest).
    type: path
  fdir:
    description:
      - Base folder for the scheme's relative file names, and root of the backup folder (C(-fdir)).
      - Without it relative names are taken from the current folder of the module's process.
      - With I(restore=latest), the folder whose C(old_version) holds the runs.
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
      - Convert files this scheme (or another version of it) converted before; with
        I(state=restored), restore files changed since the run (C(-force)).
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
        (C(-encoding)); C(utf-16le) and C(utf-16be) apply to files without a UTF-16 mark.
    type: str
    choices: [utf-8, windows-1251, utf-16le, utf-16be]
  skip_missing:
    description:
      - Skip a record whose input file does not exist, converting the others (C(-skipmissing)).
    type: bool
    default: false
  restore:
    description:
      - With I(state=restored), the dated backup folder of the run to undo (C(-restore)), for
        example a path from an earlier result's C(backup_folders); or C(latest), the newest run of
        I(scheme) in the backup root of I(fdir), by the records' C(sequence) (a restore is never
        taken for it).
    type: str
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
  register: migrated

- name: Show what the migration would change
  velmarch:
    scheme: /usr/share/mailer/upgrade-3.xml
    fdir: /etc/mailer
  check_mode: true
  diff: true

- name: Undo that run (a second time changes nothing)
  velmarch:
    state: restored
    restore: "{{ migrated.backup_folders[0] }}"

- name: Undo the newest run of the scheme, whichever play made it
  velmarch:
    state: restored
    restore: latest
    scheme: /usr/share/mailer/upgrade-3.xml
    fdir: /etc/mailer
"""

RETURN = r"""
changed:
  description: Whether a file's bytes changed (in check mode, whether they would).
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
scheme_id:
  description: The scheme's C(scheme_id), or null.
  returned: success
  type: str
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
      description: C(converted), C(unchanged) (written, the text below the stamp the input's),
        C(already-converted), C(already-undone), C(skipped), C(failed) or C(not-run).
      type: str
    converted_by:
      description: For C(already-converted), the dated folder of the run that converted the file.
      type: str
    warnings:
      description: The warnings the file gave.
      type: list
      elements: str
backup_folders:
  description: The dated backup folders of the runs that converted the files - those this run
    made, and for files left as they were, those of the runs that converted them - so that a
    registered result can always be undone; give one to I(restore).
  returned: success
  type: list
  elements: str
  sample: [/etc/mailer/old_version/20261208101502_conv]
restored:
  description: With I(state=restored), the dated folder of the run undone (or that would be).
  returned: success, with I(state=restored)
  type: str
diff:
  description: In diff mode, each file's change as the texts before and after (of the parts that
    change, with their context lines).
  returned: in diff mode, when something changes
  type: list
  elements: dict
msg:
  description: The program's error, when it failed.
  returned: failure
  type: str
"""

import json
import os
import tempfile

from ansible.module_utils.basic import AnsibleModule

CHANGED_STATUSES = ("converted", "unchanged")


def command_line(module, report_path, dry_run, restore_folder):
    params = module.params
    command = [params["executable"]]
    if restore_folder:
        command += ["-restore", restore_folder]
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


def run_program(module, dry_run, restore_folder=None):
    """Runs the program with a report in a temporary file; gives the exit code, the
    console text and the report (None when the program wrote none)."""
    handle, report_path = tempfile.mkstemp(prefix="velmarch-report-", suffix=".json")
    os.close(handle)
    os.unlink(report_path)
    try:
        rc, out, err = module.run_command(
            command_line(module, report_path, dry_run, restore_folder),
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


def name_of(item, key):
    """A name of the report or a record: its bytes where they are not UTF-8."""
    hexed = item.get(key + "_hex")
    if hexed:
        return os.fsdecode(bytes.fromhex(hexed))
    return item.get(key)


def file_diffs(console):
    """Each file's change in a dry run's unified diff, as the texts before and after: the
    context and removed lines, and the context and added lines, of its hunks."""
    diffs = []
    current = None
    for line in console.splitlines():
        if line.startswith("--- "):
            current = {"before_header": line[4:], "after_header": "", "before": "", "after": ""}
            diffs.append(current)
        elif line.startswith("+++ ") and current is not None and not current["after_header"]:
            current["after_header"] = line[4:]
        elif current is None or line.startswith("@@") or line.startswith("ERROR:") or line.startswith("Dry run of the "):
            continue
        elif line.startswith("-"):
            current["before"] += line[1:] + "\n"
        elif line.startswith("+"):
            current["after"] += line[1:] + "\n"
        elif line.startswith(" "):
            current["before"] += line[1:] + "\n"
            current["after"] += line[1:] + "\n"
    return [diff for diff in diffs if diff["before"] != diff["after"]]


def latest_run(module):
    """The dated folder of the newest run of the scheme under the backup root of fdir, by
    sequence (records without one first, by their folders' names); a restore is no run."""
    params = module.params
    if not params["scheme"] or not params["fdir"]:
        module.fail_json(msg="restore: latest needs scheme and fdir", rc=1)
    root = os.path.join(os.fsencode(params["fdir"]), b"old_version")
    scheme = os.fsencode(os.path.abspath(params["scheme"]))
    runs = []
    for name in os.listdir(root) if os.path.isdir(root) else []:
        folder = os.path.join(root, name)
        path = os.path.join(folder, b"velmarch.json")
        if len(name) != 19 or not name.endswith(b"_conv") or not os.path.isfile(path):
            continue
        try:
            with open(path, "rb") as source:
                record = json.loads(source.read().decode("utf-8"))
        except (OSError, ValueError):
            continue
        named = record.get("scheme_hex")
        recorded = bytes.fromhex(named) if named else os.fsencode(record.get("scheme") or "")
        if recorded != scheme or record.get("restore_of"):
            continue
        runs.append((record.get("sequence") or 0, name, folder))
    if not runs:
        module.fail_json(msg="no run of %s is recorded under %s" % (params["scheme"], os.fsdecode(root)), rc=1)
    return os.fsdecode(max(runs)[2])


def main():
    module = AnsibleModule(
        argument_spec=dict(
            state=dict(type="str", choices=["converted", "restored"], default="converted"),
            scheme=dict(type="path"),
            fdir=dict(type="path"),
            input=dict(type="str"),
            output=dict(type="str"),
            backup=dict(type="bool", default=True),
            force=dict(type="bool", default=False),
            strict=dict(type="bool", default=False),
            encoding=dict(type="str", choices=["utf-8", "windows-1251", "utf-16le", "utf-16be"]),
            skip_missing=dict(type="bool", default=False),
            restore=dict(type="str"),
            executable=dict(type="str", default="velmarch"),
        ),
        required_if=[("state", "converted", ("scheme",)), ("state", "restored", ("restore",))],
        supports_check_mode=True,
    )
    params = module.params
    restoring = params["state"] == "restored"
    if not restoring and params["restore"]:
        module.fail_json(msg="restore is given with state=restored", rc=1)
    if restoring and (params["input"] or params["output"] or params["encoding"]):
        module.fail_json(msg="state=restored takes restore, force and (for restore=latest) scheme and fdir", rc=1)
    restore_folder = None
    if restoring:
        restore_folder = latest_run(module) if params["restore"] == "latest" else os.path.abspath(params["restore"])

    diff_console = ""
    if module._diff and not module.check_mode:
        rc, console, report = run_program(module, True, restore_folder)
        if rc == 0:
            diff_console = console

    rc, console, report = run_program(module, module.check_mode, restore_folder)
    if rc != 0 or report is None or report.get("outcome") != "ok":
        error = report.get("error") if report else None
        module.fail_json(msg=error or console_error(console), rc=rc)
    if module.check_mode:
        diff_console = console

    records = report.get("records", [])
    for record in records:
        for warning in record.get("warnings", []):
            # The program's own prefix goes: Ansible puts its own in front.
            for prefix in ("[WARNING!] ", "[WARNING] "):
                if warning.startswith(prefix):
                    warning = warning[len(prefix):]
            module.warn(warning)
    if restoring:
        changed = any(record.get("status") == "converted" for record in records)
        if module.check_mode:
            changed = any(record.get("status") != "already-undone" for record in records) and bool(
                file_diffs(console))
    else:
        changed = any(record.get("status") in CHANGED_STATUSES for record in records)
    folders = [name_of({"f": folder, "f_hex": hexed}, "f")
               for folder, hexed in zip(report.get("backup_folders", []),
                                        report.get("backup_folders_hex", []) + [None] * 1000)]
    for record in records:
        if record.get("converted_by"):
            record["converted_by"] = name_of(record, "converted_by")
            if record["converted_by"] not in folders:
                folders.append(record["converted_by"])
    result = dict(
        changed=changed,
        rc=rc,
        mode=report.get("mode"),
        scheme_id=report.get("scheme_id"),
        records=records,
        backup_folders=folders,
    )
    if restoring:
        result["restored"] = restore_folder
    diffs = file_diffs(diff_console) if module._diff else []
    if changed and diffs:
        result["diff"] = diffs
    module.exit_json(**result)


if __name__ == "__main__":
    main()
