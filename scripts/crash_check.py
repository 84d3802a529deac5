#!/usr/bin/env python3
"""The checker of scripts/crash_harness.sh.

  crash_check.py manifest ROOT > FILE
      One line per path below ROOT (folders and links included): kind, SHA-256, path.
      The trace files and the lock file's note are left out: they change with every run.
  crash_check.py compare ROOT BEFORE AFTER --whole|--per-file
      Compares ROOT with the manifests taken before and after a clean run of the command
      and prints one line "state=before|after|mixed torn=N torn_ppd=N lost=N extra=N".
      torn: a file whose bytes are neither its bytes before nor after (PPD and INF files
      counted apart as torn_ppd); lost: a path both manifests hold that is missing;
      extra: a path neither manifest holds (debris). --whole: the installation must equal
      one of the two states (journaled operations); --per-file: each path must (commands
      that replace files one by one). Exit code 0 when nothing failed.
"""
import hashlib
import os
import re
import sys

IGNORED = re.compile(r"(^|/)(trace_rvc[^/]*\.txt|rvc_installation\.lock)$")


def manifest(root):
    entries = {}
    for folder, folders, files in os.walk(root):
        for name in folders + files:
            path = os.path.join(folder, name)
            relative = os.path.relpath(path, root)
            if IGNORED.search(relative):
                continue
            if os.path.islink(path):
                entries[relative] = "link:" + os.readlink(path)
            elif os.path.isdir(path):
                entries[relative] = "dir"
            else:
                with open(path, "rb") as handle:
                    entries[relative] = "file:" + hashlib.sha256(handle.read()).hexdigest()
        folders[:] = [f for f in folders if not os.path.islink(os.path.join(folder, f))]
    return entries


def read_manifest(file):
    entries = {}
    with open(file, encoding="utf-8", errors="surrogateescape") as handle:
        for line in handle:
            kind, path = line.rstrip("\n").split("\t", 1)
            entries[path] = kind
    return entries


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "manifest":
        for path, kind in sorted(manifest(sys.argv[2]).items()):
            sys.stdout.write(f"{kind}\t{path}\n")
        return 0
    if len(sys.argv) != 6 or sys.argv[1] != "compare" or sys.argv[5] not in ("--whole", "--per-file"):
        sys.stderr.write(__doc__)
        return 2
    now = manifest(sys.argv[2])
    before, after = read_manifest(sys.argv[3]), read_manifest(sys.argv[4])
    torn = torn_ppd = lost = extra = 0
    for path in sorted(set(now) | set(before) | set(after)):
        here, old, new = now.get(path), before.get(path), after.get(path)
        if here is None:
            if old is not None and new is not None:
                lost += 1
                sys.stderr.write(f"lost: {path}\n")
        elif here not in (old, new):
            if old is None and new is None:
                extra += 1
                sys.stderr.write(f"extra: {path}\n")
            elif path.lower().endswith((".ppd", ".inf")):
                torn_ppd += 1
                sys.stderr.write(f"torn PPD/INF: {path}\n")
            else:
                torn += 1
                sys.stderr.write(f"torn: {path}\n")
    state = "before" if now == before else "after" if now == after else "mixed"
    print(f"state={state} torn={torn} torn_ppd={torn_ppd} lost={lost} extra={extra}")
    failed = torn or lost or extra or (sys.argv[5] == "--whole" and state == "mixed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
