#!/usr/bin/python3
"""One program per data folder: a later start hands its set file to the running window and ends
with status 0 having asked for no version document (so shown no box); a refused file gets its box
in the running window; starts at the same moment end with one window; a program killed with
SIGKILL leaves its socket behind, and the next start still comes up and is met by later ones."""

import glob
import hashlib
import json
import os
import stat
import sys
import tempfile

import desktop as d

SET_NAME, BROKEN_NAME = "받은 세트.velmora", "깨진 세트.velmora"
ROWS = [{"name": "건네받은 검", "kind": "검", "stats": "힘5 ", "grade": "전설", "address": ""},
        {"name": "건네받은 활", "kind": "활", "stats": "민첩3 ", "grade": "저급", "address": ""}]


def later_start(args, data_home, log, arguments=(), cwd=None):
    """A start meeting the running program: it must end by itself with status 0."""
    run = d.Velmora(args.velmora, f"{args.artifacts}/{log}.log", data_home=data_home, arguments=arguments, cwd=cwd)
    try:
        if run.wait_exit() != 0:
            raise d.Failure(f"the start {log} ended with status {run.proc.returncode}")
    finally:
        run.kill()


def handed_over(args, desk, server):
    first = d.Velmora(args.velmora, f"{args.artifacts}/first.log")
    try:
        window = first.open_window()
        asked = server.requests
        folder = tempfile.mkdtemp(prefix="velmora-e2e-set-")
        with open(os.path.join(folder, SET_NAME), "w", encoding="utf-8") as f:
            json.dump({"format": "velmora-set", "version": 1, "rows": ROWS, "bonuses": [None] * 10}, f)
        with open(os.path.join(folder, BROKEN_NAME), "w") as f:
            f.write("{")
        # Named relative to the later start's own folder, which the running window does not share.
        later_start(args, first.data_home, "second", [SET_NAME], cwd=folder)
        equipment = first.find("tree", "장비 목록", within=window)
        wanted = [[r["name"], r["kind"], r["stats"], r["grade"]] for r in ROWS]
        d.wait_for("the handed-over rows", lambda: [r[:4] for r in d.table_rows(equipment)] == wanted)
        status = first.find("status bar", within=window)
        d.wait_for("the status to name the file", lambda: status.name == f"열기: \u2068{SET_NAME}\u2069 (2개)")
        desk.screenshot("handed-over")
        later_start(args, first.data_home, "third", [BROKEN_NAME], cwd=folder)
        _, text = first.alert()
        desk.screenshot("refused-box")
        if BROKEN_NAME not in text or "파일을 열 수 없습니다" not in text:
            raise d.Failure(f"the running window's box says {text!r}")
        if server.requests != asked:
            raise d.Failure(f"the later starts asked for the version document {server.requests - asked} times")
    finally:
        first.kill()


def at_the_same_moment(args, server):
    data_home = tempfile.mkdtemp(prefix="velmora-e2e-data-")
    asked = server.requests
    runs = [d.Velmora(args.velmora, f"{args.artifacts}/together-{n}.log", data_home=data_home) for n in range(5)]
    try:
        d.wait_for("four of the five to end", lambda: sum(r.proc.poll() is not None for r in runs) == 4)
        codes = [r.proc.returncode for r in runs if r.proc.poll() is not None]
        if codes != [0] * 4:
            raise d.Failure(f"the starts that handed over ended with {codes}")
        next(r for r in runs if r.proc.poll() is None).open_window()
        if server.requests - asked != 1:
            raise d.Failure(f"the version document was asked for {server.requests - asked} times")
    finally:
        for run in runs:
            run.kill()


def after_a_kill(args, server):
    first = d.Velmora(args.velmora, f"{args.artifacts}/killed.log")
    try:
        first.open_window()
    finally:
        first.kill()
    folder_hash = hashlib.sha256((first.data_home + "/velmora").encode()).hexdigest()[:12]
    left = glob.glob(os.path.join(os.environ["XDG_RUNTIME_DIR"], f"velmora-*-{folder_hash}"))
    if len(left) != 1 or not stat.S_ISSOCK(os.stat(left[0]).st_mode):
        raise d.Failure(f"the killed program left {left}, not its socket")
    again = d.Velmora(args.velmora, f"{args.artifacts}/after-kill.log", data_home=first.data_home)
    try:
        again.open_window()
        later_start(args, first.data_home, "after-restart")
    finally:
        again.kill()


def main():
    args = d.case_arguments()
    desk = d.Desktop(args.artifacts)
    server = d.VersionServer(args.port, "3")
    try:
        return d.run_cases([
            ("a later start hands its file to the running window, a refused one gets its box there",
             lambda: handed_over(args, desk, server)),
            ("five starts at the same moment end with one window", lambda: at_the_same_moment(args, server)),
            ("a program killed with SIGKILL does not block the next start", lambda: after_a_kill(args, server)),
        ])
    finally:
        server.close()
        desk.close()


if __name__ == "__main__":
    sys.exit(main())
