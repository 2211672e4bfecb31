#!/usr/bin/python3
"""The main job of the program, end to end, on the real binary: search with a Korean term, pick a
grade, add three items (one of them ranged), switch on a bonus, click 계산, and compare the stat
labels with the calculation for the stat texts the window shows. A screenshot of every step.

With --tour the screenshots are named NN-step.png and their paths printed: `make run` shows the
program this way on a machine without a display."""

import argparse
import os
import subprocess
import sys

import desktop as d

TERM = "불꽃"
GRADE = "영웅"
# Each item with the label its attack power must carry: the bow is ranged, the sword is not, the
# necklace has no attack power at all.
ITEMS = {"불꽃 수호자의 목걸이": None, "불꽃 깃 활": "원공", "불꽃 송곳니": "공격력"}
BONUS_BOX = 0  # 공격력 % 증가
BONUS_TYPED = "10"


class Journey:
    def __init__(self, args):
        self.args = args
        self.desk = d.Desktop(args.artifacts)
        self.shots = []

    def shot(self, step):
        name = f"{len(self.shots) + 1:02d}-{step}"
        self.shots.append(self.desk.screenshot(name))
        d.log(f"screenshot {self.shots[-1]}")

    def run(self):
        args = self.args
        site = d.SampleSite(args.site, args.port, os.path.join(args.artifacts, "sample-site.log"),
                            reuse=args.tour)
        self.desk.bind_keys(TERM)
        run = d.Velmora(args.velmora, os.path.join(args.artifacts, "velmora.log"))
        try:
            self.steps(run)
        except d.Failure:
            self.shot("failed")  # what the window showed when the script gave up
            raise
        finally:
            run.kill()
            site.close()
            self.desk.close()

    def steps(self, run):
        run.alert()
        self.shot("version-check")
        window = run.open_window()
        self.shot("window")

        # Search: type the term and press Enter.
        search_box = run.find("text", "검색어", within=window)
        d.click(search_box)
        d.type_text(TERM)
        # An empty search lists every item, these three among them: make sure of the term.
        d.wait_for(f"{TERM} in the search box", lambda: d.text_of(search_box) == TERM,
                   show=lambda: repr(d.text_of(search_box)))
        d.key("Return")
        results = run.find("tree", "검색 결과", within=window)
        rows = d.wait_for("the search results", lambda: d.table_rows(results))
        names = [row[0] for row in rows]
        if not all(item in names for item in ITEMS):
            raise d.Failure(f"the search for {TERM} listed {names}")
        self.shot("search")

        # Pick the grade from the drop-down list.
        grade_box = run.find("combo box", within=window)
        d.click(grade_box, at_right=True)
        entry = run.find("list item", GRADE, within=grade_box)
        d.wait_for("the grade list to open", lambda: d.on_screen(entry))
        d.click(entry)
        d.wait_for(f"the grade {GRADE}", lambda: grade_box.name == GRADE)
        self.shot("grade")

        # Add three hits with double-clicks.
        equipment = run.find("tree", "장비 목록", within=window)
        status = run.find("status bar", within=window)
        shows = lambda: (f"{len(d.table_rows(equipment))} equipment rows, status {status.name!r}, "
                         f"selected hits {d.selected_rows(results)}")
        for count, item in enumerate(ITEMS, 1):
            d.log(f"adding {item}")
            d.click(d.row_cell(results, names.index(item)), double=True)
            # The add is over when its row is there and the status bar names the item: only then
            # does the next double-click meet a window that takes input.
            add_over = lambda: (len(d.table_rows(equipment)) == count
                                and status.name.startswith(f"추가: \u2068{item}\u2069"))
            d.wait_for(f"{item} in the equipment list", add_over, show=shows)
        added = d.table_rows(equipment)
        self.shot("equipment")
        for row, (item, attack) in zip(added, ITEMS.items()):
            if row[0] != item or row[3] != GRADE or not row[2]:
                raise d.Failure(f"equipment row {row} for {item}")
            labels = {label for label in ("원공", "공격력") if label in row[2]}
            if labels != ({attack} if attack else set()):
                raise d.Failure(f"the stat text of {item} is {row[2]!r}")

        # Switch a bonus on and answer its dialog.
        box = run.find("check box", "공격력 % 증가 설정", within=window)
        d.click(box)
        dialog = run.find("dialog")
        self.shot("bonus-dialog")
        d.click(run.find("text", within=dialog))
        d.key("ctrl+a")
        d.type_text(BONUS_TYPED)
        d.key("Return")
        d.wait_for("the bonus caption", lambda: box.name == f"공격력 {BONUS_TYPED}% 추가 완료.")

        # 계산, then compare every label with the calculation for the rows as shown.
        d.click(run.find("push button", "계산", within=window))
        panel = run.find("panel", "예상 스탯치", within=window)
        shown = lambda: [panel.getChildAtIndex(i).name for i in range(panel.childCount)]
        if self.args.expected_stats:
            stat_texts = "".join(row[2] + "\n" for row in d.table_rows(equipment))
            expected = subprocess.run([self.args.expected_stats, f"{BONUS_BOX}={BONUS_TYPED}"],
                                      input=stat_texts, capture_output=True, text=True,
                                      check=True).stdout.splitlines()
            # The labels' new names reach the accessibility bus one by one: wait for all of them.
            try:
                d.wait_for("the calculated stats", lambda: shown() == expected)
            except d.Failure:
                raise d.Failure(f"the window shows {shown()}, the calculation gives {expected}")
        else:
            d.wait_for("the calculated stats", lambda: panel.getChildAtIndex(0).name != "힘 :")
        self.shot("stats")
        d.wait_for("계산 완료 in the status bar", lambda: status.name == "계산 완료")

        # Where a number comes from: the melee attack's breakdown, shown on hover.
        d.move_mouse(*d.centre(panel.getChildAtIndex(5)))
        d.wait_for("the breakdown tooltip", lambda: run.find_tooltip())
        self.shot("stats-tooltip")

        # Switch the bonus off and calculate again: the status bar says what changed.
        d.click(box)
        d.wait_for("the bonus caption", lambda: box.name == "공격력 % 증가 설정")
        d.click(run.find("push button", "계산", within=window))
        d.wait_for("the change report", lambda: status.name.startswith("계산: 근공력 -"))
        self.shot("second-calculation")

        # Close the window as a window manager would: the program ends normally.
        self.desk.close_request(run.x_window_id())
        code = run.wait_exit()
        if code != 0:
            raise d.Failure(f"closing the window ended with status {code}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--velmora", required=True)
    parser.add_argument("--site", required=True)
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--expected-stats", help="velmora-expected-stats, to check the stat labels")
    parser.add_argument("--artifacts", required=True)
    parser.add_argument("--tour", action="store_true", help="print the screenshots' paths")
    args = parser.parse_args()
    d.require_tools()
    d.prepare_environment()
    journey = Journey(args)
    try:
        journey.run()
    except d.Failure as failure:
        print(f"journey failed: {failure}")
        print("screenshots so far: " + " ".join(journey.shots))
        return 1
    if args.tour:
        for path in journey.shots:
            print(path)
    else:
        print(f"ok - journey: {len(journey.shots)} screenshots in {args.artifacts}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
