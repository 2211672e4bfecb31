#!/usr/bin/python3
"""Sets that last, on the real program: the working set outlives a kill -9 and comes back without
a request, a set file named on the command line opens once the window is up, a working set that
cannot be read is moved aside whole, and --help / --version answer without a window.

Every run keeps its working set in a data folder of its own (XDG_DATA_HOME), never the player's."""

import argparse
import json
import os
import random
import re
import subprocess
import sys
import tempfile

import desktop as d

TERM = "불꽃"
GRADE = "영웅"
ITEMS = ["불꽃 수호자의 목걸이", "불꽃 깃 활", "불꽃 송곳니"]
BONUS_NAME = "공격력 % 증가 설정"
BONUS_TYPED = "10"
BONUS_CAPTION = f"공격력 {BONUS_TYPED}% 추가 완료."
VERSION_TARGET = "/version.txt"
WORKING_SET = "working-set.velmora"
ASIDE_PREFIX = WORKING_SET + ".unreadable-"
FSI, PDI = "\u2068", "\u2069"

# A set written by hand, as a player might be handed one.
HAND_SET_NAME = "받은 세트 1.velmora"
HAND_ROWS = [
    {"name": "손으로 쓴 검", "kind": "검", "stats": "힘5 공격력12 ", "grade": "전설", "address": ""},
    {"name": "빌린 목걸이", "kind": "목걸이", "stats": "정신3 ", "grade": "저급",
     "address": "http://127.0.0.1:1/dataninfo/item/detail.php?code=7"},
]


def working_set_path(data_home):
    return os.path.join(data_home, "velmora", WORKING_SET)


def read_working_set(data_home):
    """The working set file as JSON, or None while it is missing or not (yet) a whole JSON text."""
    try:
        with open(working_set_path(data_home), "rb") as f:
            return json.loads(f.read().decode("utf-8"))
    except (OSError, ValueError):
        return None


def site_requests(log_path):
    """The request lines of the sample site's log so far ("GET /target status bytes")."""
    with open(log_path, encoding="utf-8", errors="replace") as f:
        return [line.rstrip("\n") for line in f if re.match(r"^[A-Z]+ /", line)]


def shown_rows(tree):
    """The equipment list's rows as name, kind, stat text, grade."""
    return [row[:4] for row in d.table_rows(tree)]


class Sets:
    def __init__(self, args):
        self.args = args
        self.desk = d.Desktop(args.artifacts)
        # The term's Hangul gets keys of its own before any program starts: typed through keys
        # mapped for one press, a busy program can miss it and search for nothing.
        self.desk.bind_keys(TERM)
        self.site_log = os.path.join(args.artifacts, "sample-site.log")
        self.site = d.SampleSite(args.site, args.port, self.site_log)
        self.runs = 0

    def close(self):
        self.site.close()
        self.desk.close()

    def start(self, data_home=None, arguments=()):
        self.runs += 1
        return d.Velmora(self.args.velmora, os.path.join(self.args.artifacts, f"velmora-{self.runs}.log"),
                         data_home=data_home, arguments=arguments)

    # -- the working set survives kill -9 ------------------------------------------------------

    def build_set(self, run, window):
        """Adds the three items at GRADE and switches the bonus on, as a player does."""
        search_box = run.find("text", "검색어", within=window)
        d.click(search_box)
        d.type_text(TERM)
        # An empty search lists every item, these three among them: make sure of the term.
        d.wait_for(f"{TERM} in the search box", lambda: d.text_of(search_box) == TERM)
        d.key("Return")
        results = run.find("tree", "검색 결과", within=window)
        rows = d.wait_for("the search results", lambda: d.table_rows(results))
        names = [row[0] for row in rows]
        if not all(item in names for item in ITEMS):
            raise d.Failure(f"the search for {TERM} listed {names}")

        grade_box = run.find("combo box", within=window)
        d.click(grade_box, at_right=True)
        entry = run.find("list item", GRADE, within=grade_box)
        d.wait_for("the grade list to open", lambda: d.on_screen(entry))
        d.click(entry)
        d.wait_for(f"the grade {GRADE}", lambda: grade_box.name == GRADE)

        equipment = run.find("tree", "장비 목록", within=window)
        for count, item in enumerate(ITEMS, 1):
            d.click(d.row_cell(results, names.index(item)), double=True)
            d.wait_for(f"{item} in the equipment list", lambda: len(d.table_rows(equipment)) == count)

        box = run.find("check box", BONUS_NAME, within=window)
        d.click(box)
        dialog = run.find("dialog")
        d.click(run.find("text", within=dialog))
        d.key("ctrl+a")
        d.type_text(BONUS_TYPED)
        d.key("Return")
        d.wait_for("the bonus caption", lambda: box.name == BONUS_CAPTION)
        return shown_rows(equipment)

    def survives_kill(self):
        run = self.start()
        data_home = run.data_home
        try:
            window = run.open_window()
            before = self.build_set(run, window)
            if [row[0] for row in before] != ITEMS or any(row[3] != GRADE or not row[2] for row in before):
                raise d.Failure(f"the equipment list holds {before}")

            # The file on disk holds the list as shown and the bonus as typed.
            def kept():
                kept_set = read_working_set(data_home)
                if not kept_set:
                    return None
                rows = [[r.get("name"), r.get("kind"), r.get("stats"), r.get("grade")] for r in kept_set.get("rows", [])]
                bonuses = kept_set.get("bonuses") or [None] * 10
                return kept_set if rows == before and bonuses[0] == BONUS_TYPED else None
            try:
                kept_set = d.wait_for("the working set file to hold the list and the bonus", kept)
            except d.Failure:
                raise d.Failure(f"{working_set_path(data_home)} holds {read_working_set(data_home)}, "
                                f"the window shows {before}")
            if kept_set.get("format") != "velmora-set" or kept_set.get("version") != 1:
                raise d.Failure(f"the working set names format {kept_set.get('format')!r} "
                                f"version {kept_set.get('version')!r}")
            if not all(row.get("address", "").startswith("http://") for row in kept_set["rows"]):
                raise d.Failure(f"rows of the working set lack their item page: {kept_set['rows']}")
            if [b is None for b in kept_set["bonuses"]] != [False] + [True] * 9:
                raise d.Failure(f"the working set's bonuses are {kept_set['bonuses']}")
        finally:
            run.kill()  # SIGKILL: no close event, no destructor, nothing written on the way out
        if run.proc.returncode != -9:
            raise d.Failure(f"the first run ended with {run.proc.returncode}, not by SIGKILL")

        requests_before = len(site_requests(self.site_log))
        again = self.start(data_home=data_home)
        try:
            window = again.open_window()
            equipment = again.find("tree", "장비 목록", within=window)
            try:
                d.wait_for("the rows to come back", lambda: shown_rows(equipment) == before)
            except d.Failure:
                raise d.Failure(f"after the restart the list holds {shown_rows(equipment)}, before {before}")
            box = again.find("check box", BONUS_CAPTION, within=window)
            if not box.getState().contains(d.pyatspi.STATE_CHECKED):
                raise d.Failure("the bonus box came back with its caption but unchecked")
            others = [n.name for n in d.walk(window) if n.getRoleName() == "check box"
                      and n.getState().contains(d.pyatspi.STATE_CHECKED) and n.name != BONUS_CAPTION]
            if others:
                raise d.Failure(f"bonus boxes checked that were not before: {others}")
            status = again.find("status bar", within=window)
            expected = f"지난 목록을 불러왔습니다 ({len(ITEMS)}개)"
            try:
                d.wait_for("the status bar to say the list came back", lambda: status.name == expected)
            except d.Failure:
                raise d.Failure(f"the status bar says {status.name!r}, expected {expected!r}")
            # The stat captions stay as at any start: nothing is calculated on the way back.
            panel = again.find("panel", "예상 스탯치", within=window)
            if panel.getChildAtIndex(0).name != "힘 :":
                raise d.Failure(f"the first stat caption reads {panel.getChildAtIndex(0).name!r} after the restart")
            self.desk.screenshot("restored-window")

            after = site_requests(self.site_log)[requests_before:]
            if not after or any(line.split(" ")[1] != VERSION_TARGET for line in after):
                raise d.Failure(f"the site got these requests after the restart: {after}")
            if len(after) != 1:
                raise d.Failure(f"the version document was asked for {len(after)} times: {after}")
        finally:
            again.kill()

    # -- velmora FILE ----------------------------------------------------------------------------

    def opens_named_file(self):
        folder = tempfile.mkdtemp(prefix="velmora-e2e-set-")
        path = os.path.join(folder, HAND_SET_NAME)
        bonuses = [None] * 10
        bonuses[0] = BONUS_TYPED
        with open(path, "w", encoding="utf-8") as f:
            json.dump({"format": "velmora-set", "version": 1, "rows": HAND_ROWS, "bonuses": bonuses,
                       "comment": "keys we do not know are skipped"}, f, ensure_ascii=False, indent=1)
        with open(path, "rb") as f:
            handed = f.read()

        run = self.start(arguments=[path])
        try:
            window = run.open_window()
            equipment = run.find("tree", "장비 목록", within=window)
            wanted = [[r["name"], r["kind"], r["stats"], r["grade"]] for r in HAND_ROWS]
            try:
                d.wait_for("the file's rows", lambda: shown_rows(equipment) == wanted)
            except d.Failure:
                raise d.Failure(f"the list holds {shown_rows(equipment)}, the file {wanted}")
            run.find("check box", BONUS_CAPTION, within=window)
            status = run.find("status bar", within=window)
            expected = f"열기: {FSI}{HAND_SET_NAME}{PDI} ({len(HAND_ROWS)}개)"
            try:
                d.wait_for("the status bar to name the file", lambda: status.name == expected)
            except d.Failure:
                raise d.Failure(f"the status bar says {status.name!r}, expected {expected!r}")
            self.desk.screenshot("opened-from-command-line")
            # What was opened is now the working set, and the file itself is left as it was.
            d.wait_for("the opened set in the working set file",
                       lambda: (read_working_set(run.data_home) or {}).get("rows") == HAND_ROWS)
            with open(path, "rb") as f:
                if f.read() != handed:
                    raise d.Failure("opening the file changed it")
        finally:
            run.kill()

    # -- a working set that cannot be read -------------------------------------------------------

    def moves_unreadable_aside(self, label, content):
        data_home = tempfile.mkdtemp(prefix="velmora-e2e-data-")
        os.makedirs(os.path.join(data_home, "velmora"))
        with open(working_set_path(data_home), "wb") as f:
            f.write(content)
        requests_before = len(site_requests(self.site_log))

        run = self.start(data_home=data_home)
        try:
            window = run.open_window()
            equipment = run.find("tree", "장비 목록", within=window)
            status = run.find("status bar", within=window)
            d.wait_for("a message in the status bar", lambda: status.name)
            folder = os.path.join(data_home, "velmora")
            aside = [name for name in os.listdir(folder) if name.startswith(ASIDE_PREFIX)]
            if len(aside) != 1:
                raise d.Failure(f"the data folder holds {sorted(os.listdir(folder))}")
            aside_path = os.path.join(folder, aside[0])
            with open(aside_path, "rb") as f:
                if f.read() != content:
                    raise d.Failure(f"{aside[0]} does not hold the unreadable file's bytes")
            if os.path.exists(working_set_path(data_home)):
                raise d.Failure("the unreadable working set is still in place")
            if aside_path not in status.name:
                raise d.Failure(f"the status bar says {status.name!r}, not where the file went ({aside_path})")
            rows = shown_rows(equipment)
            if rows:
                raise d.Failure(f"the window opened with {rows}")
            checked = [n.name for n in d.walk(window) if n.getRoleName() == "check box"
                       and n.getState().contains(d.pyatspi.STATE_CHECKED)]
            if checked:
                raise d.Failure(f"bonus boxes checked in an empty window: {checked}")
            self.desk.screenshot(f"unreadable-{label}")
            after = site_requests(self.site_log)[requests_before:]
            if any(line.split(" ")[1] != VERSION_TARGET for line in after):
                raise d.Failure(f"the site got these requests: {after}")
        finally:
            run.kill()

    # -- --help and --version --------------------------------------------------------------------

    def answers_on_terminal(self, option, pattern):
        requests_before = len(site_requests(self.site_log))
        data_home = tempfile.mkdtemp(prefix="velmora-e2e-data-")
        # No display at all: a program that started Qt's window system would fail here.
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env.update(QT_QPA_PLATFORM="xcb", XDG_DATA_HOME=data_home, XDG_CONFIG_HOME=os.path.join(data_home, "config"),
                   XDG_CACHE_HOME=os.path.join(data_home, "cache"))
        try:
            done = subprocess.run([self.args.velmora, option], env=env, capture_output=True, timeout=60)
        except subprocess.TimeoutExpired:
            raise d.Failure(f"velmora {option} did not end")
        out = done.stdout.decode("utf-8", errors="replace")
        if done.returncode != 0:
            raise d.Failure(f"velmora {option} ended with {done.returncode}: {done.stderr!r}")
        if not re.search(pattern, out):
            raise d.Failure(f"velmora {option} printed {out!r}")
        if done.stderr:
            raise d.Failure(f"velmora {option} wrote to stderr: {done.stderr!r}")
        after = site_requests(self.site_log)[requests_before:]
        if after:
            raise d.Failure(f"velmora {option} made requests: {after}")
        if os.listdir(data_home):
            raise d.Failure(f"velmora {option} wrote into its data folder: {os.listdir(data_home)}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--velmora", required=True)
    parser.add_argument("--site", required=True)
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--artifacts", required=True)
    parser.add_argument("--seed", type=int, help="for the random bytes of the unreadable working set")
    args = parser.parse_args()
    d.require_tools()
    d.prepare_environment()
    seed = args.seed if args.seed is not None else random.randrange(1 << 32)
    print(f"# random bytes seeded with {seed} (--seed {seed} repeats them)")
    noise = random.Random(seed).randbytes(4096)

    sets = Sets(args)
    try:
        return d.run_cases([
            ("kill -9 keeps the list and the bonus, restored with no request", sets.survives_kill),
            ("velmora FILE opens the set once the window is up", sets.opens_named_file),
            ("a cut-off working set is moved aside and the window opens empty",
             lambda: sets.moves_unreadable_aside("cut-off", b"{")),
            ("a working set of random bytes is moved aside and the window opens empty",
             lambda: sets.moves_unreadable_aside("random", noise)),
            ("--help answers on the terminal", lambda: sets.answers_on_terminal("--help", r"^사용법: velmora \[FILE\]")),
            ("--version answers on the terminal",
             lambda: sets.answers_on_terminal("--version", r"^velmora \d+\.\d+(\.\d+)?\n$")),
        ])
    finally:
        sets.close()


if __name__ == "__main__":
    sys.exit(main())
