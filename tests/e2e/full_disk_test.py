#!/usr/bin/python3
"""The working set on a full disk, on the real program: the data folder lives on a tiny tmpfs of
its own (mounted in a private mount namespace, so nothing stays mounted after the test). With
the disk full a change cannot be kept: the standing warning shows, and the file on disk is still
the old set byte for byte. Once there is room again the program keeps the new set by itself,
with no further change from the player, and the warning goes; the next start brings it back.

Mounting needs root (CI runs as root); anyone else gets a clear skip (status 77)."""

import errno
import json
import os
import subprocess
import sys
import tempfile

import desktop as d

SKIP = 77
WARNING = "목록을 보관하지 못하고 있습니다: "
ROWS = [
    {"name": f"보관 시험 반지 {n}", "kind": "반지", "stats": f"힘{n} ", "grade": "전설", "address": ""}
    for n in range(1, 4)
]


def private_namespace():
    """Runs this script again in a mount namespace of its own, unless it already is in one."""
    if os.environ.get("VELMORA_E2E_PRIVATE_MOUNTS") == "1":
        return
    if os.geteuid() != 0:
        print("1..0 # SKIP mounting a tmpfs needs root")
        sys.exit(SKIP)
    env = dict(os.environ, VELMORA_E2E_PRIVATE_MOUNTS="1")
    sys.exit(subprocess.call(["unshare", "--mount", "--propagation", "private", sys.executable, *sys.argv],
                             env=env))


def warning_label(window):
    """The standing warning's text as the window shows it, or None."""
    for node in d.walk(window):
        try:
            if node.getRoleName() == "label" and node.name.startswith(WARNING) and d.on_screen(node):
                return node.name
        except Exception:
            continue
    return None


def fill(folder):
    """Writes a file until the disk is full; returns its path."""
    path = os.path.join(folder, "filler")
    with open(path, "wb", buffering=0) as f:
        try:
            while f.write(b"\0" * 4096):
                pass
        except OSError as error:
            if error.errno != errno.ENOSPC:
                raise
    return path


def main():
    private_namespace()
    args = d.case_arguments()
    mount = tempfile.mkdtemp(prefix="velmora-e2e-disk-")
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=256k,mode=0700", "velmora-e2e", mount], check=True)
    data_home = os.path.join(mount, "data")
    working = os.path.join(data_home, "velmora", "working-set.velmora")
    os.makedirs(os.path.dirname(working))
    old = json.dumps({"format": "velmora-set", "version": 1, "rows": ROWS}, ensure_ascii=False).encode("utf-8")
    with open(working, "wb") as f:
        f.write(old)
    names = [row["name"] for row in ROWS]

    def kept():
        with open(working, "rb") as f:
            return f.read()

    desk = d.Desktop(args.artifacts)
    server = d.VersionServer(args.port, "3")
    runs = []

    def start():
        run = d.Velmora(args.velmora, os.path.join(args.artifacts, f"velmora-{len(runs) + 1}.log"), data_home=data_home)
        runs.append(run)
        return run, run.open_window()

    def case():
        run, window = start()
        equipment = run.find("tree", "장비 목록", within=window)
        d.wait_for("the kept rows", lambda: [r[0] for r in d.table_rows(equipment)] == names)

        filler = fill(mount)
        d.click(d.row_cell(equipment, 0))
        d.key("Delete")
        d.wait_for("the row to go", lambda: len(d.table_rows(equipment)) == 2)
        said = d.wait_for("the standing warning", lambda: warning_label(window))
        d.log(f"the window says {said!r}; screenshot {desk.screenshot('keep-warning')}")
        if kept() != old:
            raise d.Failure("the old set was not kept whole on the full disk")

        # Room again: kept with no further change from the player, and the warning goes.
        os.remove(filler)
        d.wait_for("the new set on disk", lambda: [r["name"] for r in json.loads(kept())["rows"]] == names[1:],
                   timeout=30)
        d.wait_for("the warning to go", lambda: warning_label(window) is None)
        desk.close_request(run.x_window_id())
        if run.wait_exit() != 0:
            raise d.Failure("the window did not end with status 0")

        run, window = start()
        equipment = run.find("tree", "장비 목록", within=window)
        d.wait_for("the new set at the next start", lambda: [r[0] for r in d.table_rows(equipment)] == names[1:])
        desk.close_request(run.x_window_id())
        run.wait_exit()

    try:
        return d.run_cases([("a full disk keeps the old set, says so, and the new one once there is room", case)])
    finally:
        for run in runs:
            run.kill()
        server.close()
        desk.close()
        subprocess.run(["umount", mount])


if __name__ == "__main__":
    sys.exit(main())
