#!/usr/bin/python3
"""One program per data folder, on the real program: a later start hands its set file to the
running window and ends with status 0, having asked the site nothing and so shown no box; a file
the window refuses gets its box there; starts at the same moment end with one window; a program
killed with SIGKILL leaves its socket behind and the next start still comes up."""

import glob
import hashlib
import json
import os
import stat
import sys
import tempfile

import desktop as d

FSI, PDI = "\u2068", "\u2069"
SET_NAME = "받은 세트.velmora"
ROWS = [{"name": "건네받은 검", "kind": "검", "stats": "힘5 ", "grade": "전설", "address": ""},
        {"name": "건네받은 활", "kind": "활", "stats": "민첩3 ", "grade": "저급", "address": ""}]


def handed_over(args, desk, server):
    first = d.Velmora(args.velmora, f"{args.artifacts}/first.log")
    starts = []
    try:
        window = first.open_window()
        folder = tempfile.mkdtemp(prefix="velmora-e2e-set-")
        with open(os.path.join(folder, SET_NAME), "w", encoding="utf-8") as f:
            json.dump({"format": "velmora-set", "version": 1, "rows": ROWS, "bonuses": [None] * 10}, f)
        with open(os.path.join(folder, "깨진 세트.velmora"), "w") as f:
            f.write("{")
        asked = server.requests
        # Named relative to the second start's own folder, which the running window does not share.
        for number, name in enumerate([SET_NAME, "깨진 세트.velmora"]):
            starts.append(d.Velmora(args.velmora, f"{args.artifacts}/second-{number}.log",
                                    data_home=first.data_home, arguments=[name], cwd=folder))
            code = starts[-1].wait_exit()
            if code != 0:
                raise d.Failure(f"the start handing over {name} ended with status {code}")
            if number == 0:
                equipment = first.find("tree", "장비 목록", within=window)
                wanted = [[r["name"], r["kind"], r["stats"], r["grade"]] for r in ROWS]
                d.wait_for("the handed-over rows", lambda: [r[:4] for r in d.table_rows(equipment)] == wanted)
                status = first.find("status bar", within=window)
                expected = f"열기: {FSI}{SET_NAME}{PDI} ({len(ROWS)}개)"
                d.wait_for(f"the status bar to say {expected}", lambda: status.name == expected)
                desk.screenshot("handed-over")
        _, text = first.alert()
        desk.screenshot("refused-box")
        if "깨진 세트.velmora" not in text or "파일을 열 수 없습니다" not in text:
            raise d.Failure(f"the running window's box says {text!r}")
        d.key("Return")
        if server.requests != asked:
            raise d.Failure(f"the later starts asked for the version document {server.requests - asked} times")
    finally:
        for run in [first, *starts]:
            run.kill()


def at_the_same_moment(args, desk, server):
    data_home = tempfile.mkdtemp(prefix="velmora-e2e-data-")
    asked = server.requests
    runs = [d.Velmora(args.velmora, f"{args.artifacts}/together-{n}.log", data_home=data_home) for n in range(5)]
    try:
        d.wait_for("four of the five to end", lambda: sum(r.proc.poll() is not None for r in runs) == 4)
        codes = [r.proc.returncode for r in runs if r.proc.poll() is not None]
        if codes != [0] * 4:
            raise d.Failure(f"the starts that handed over ended with {codes}")
        running = next(r for r in runs if r.proc.poll() is None)
        running.open_window()
        desk.screenshot("together")
        if server.requests - asked != 1:
            raise d.Failure(f"the version document was asked for {server.requests - asked} times")
    finally:
        for run in runs:
            run.kill()


def after_a_kill(args, desk, server):
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
    later = None
    try:
        again.open_window()
        # It took the place over: a start after it meets it instead of opening a window.
        later = d.Velmora(args.velmora, f"{args.artifacts}/after-restart.log", data_home=first.data_home)
        if later.wait_exit() != 0:
            raise d.Failure(f"the start after the restart ended with {later.proc.returncode}")
    finally:
        for run in [again, later]:
            if run:
                run.kill()


def main():
    args = d.case_arguments()
    desk = d.Desktop(args.artifacts)
    server = d.VersionServer(args.port, "3")
    try:
        return d.run_cases([
            ("a later start hands its file to the running window, a refused one gets its box there",
             lambda: handed_over(args, desk, server)),
            ("five starts at the same moment end with one window", lambda: at_the_same_moment(args, desk, server)),
            ("a program killed with SIGKILL does not block the next start", lambda: after_a_kill(args, desk, server)),
        ])
    finally:
        server.close()
        desk.close()


if __name__ == "__main__":
    sys.exit(main())
