#!/usr/bin/python3
"""The window while the site is slow or silent: it keeps painting, holds back the player's input
and handles it in order after the request, and carries out a close asked for meanwhile only after
the request; once it has accepted that close, nothing held back runs and the program ends.

The site holds its search answers until the test releases them, so no step races the clock. (The
30 s time-out itself is a window test with a one-second limit: WindowSearch.ASilentSite….)"""

import http.server
import sys
import threading
import time

import desktop as d

HIT_PAGE = ("<table>" + "".join(
    f"<tr><td class=\"left itemname\"><a href = \"{{base}}/item/detail.php?code={code}\">"
    f"<span style='letter-spacing:-1px;'>{name}</span></a></td><td>1</td><td>{kind}</td>"
    f"<td class=\"left options\"><ul><li>-</li></ul></td></tr>"
    for code, name, kind in [(1, "느린 반지", "반지"), (2, "느린 검", "검")]) + "</table>")


class SlowSite(http.server.ThreadingHTTPServer):
    """An item site whose searches, while `hold()` is on, wait until `release()` (at most a
    minute), and whose later searches take `later_delay` seconds; it records when each request
    began and ended."""

    daemon_threads = True

    def __init__(self, port):
        self.requests = []
        self.lock = threading.Lock()
        self.released = threading.Event()
        self.released.set()
        self.later_delay = 0
        self.base = f"http://127.0.0.1:{port}"
        super().__init__(("127.0.0.1", port), SiteHandler)
        threading.Thread(target=self.serve_forever, daemon=True).start()

    def hold(self):
        self.released.clear()

    def release(self, later_delay=0):
        self.later_delay = later_delay
        self.released.set()

    def close(self):
        self.released.set()
        self.shutdown()
        self.server_close()

    def log(self):
        with self.lock:
            return list(self.requests)


class SiteHandler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        self.answer()

    def do_POST(self):
        self.answer()

    def answer(self):
        site = self.server
        # "answered": when the answer began to leave, the earliest the program can have it; "end":
        # when it had all left (recorded after the program may already have gone on).
        record = {"method": self.command, "target": self.path, "start": time.monotonic(), "answered": None,
                  "end": None}
        with site.lock:
            site.requests.append(record)
        if self.path.startswith("/version.txt"):
            body = "3"
        elif self.path.startswith("/dataninfo/item/list.php"):
            if site.released.is_set():
                time.sleep(site.later_delay)
            else:
                site.released.wait(60)
            body = HIT_PAGE.format(base=site.base)
        elif self.path.startswith("/item/detail.php"):
            body = "".join(f"<td class = \"left\"><a href=\"{site.base}/item/detail.php?g={g}\" velmora-tip>"
                           for g in range(1, 13))
        else:
            body = "str: 5, dps: 9, itemtype: 1, "
        data = body.encode("utf-8")
        record["answered"] = time.monotonic()
        try:
            self.send_response(200)
            self.send_header("Content-Type", "text/html; charset=utf-8")
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data)
        except OSError:
            pass
        record["end"] = time.monotonic()

    def log_message(self, *args):
        pass


def searches(log):
    return [r for r in log if "list.php" in r["target"]]


def check_repaints(desk, run, window):
    """Covers the 계산 button while the window waits: it must paint itself again."""
    button = run.find("push button", "계산", within=window)
    box = button.queryComponent().getExtents(d.pyatspi.DESKTOP_COORDS)
    covered = desk.cover(box.x, box.y, box.width, box.height)
    if covered != (255, 0, 0):
        raise d.Failure(f"the cover did not show ({covered})")
    d.wait_for("the window to repaint while it waits for the site",
               lambda: desk.pixel(box.x + box.width // 2, box.y + box.height // 2) != (255, 0, 0))


def held_back_input(args, desk, site):
    run = d.Velmora(args.velmora, f"{args.artifacts}/held-back.log")
    try:
        window = run.open_window()
        search_box = run.find("text", "검색어", within=window)
        results = run.find("tree", "검색 결과", within=window)
        equipment = run.find("tree", "장비 목록", within=window)
        grade = run.find("combo box", within=window)
        d.click(search_box)
        d.type_text("a")
        d.key("Return")
        d.wait_for("the first results", lambda: len(d.table_rows(results)) == 2)
        # Picked from the drop-down with the mouse (typing Hangul through xdotool remaps a key
        # for a moment, which a busy machine can lose), and waited for: a double-click without
        # a grade would bring up the grade message instead of adding the hit.
        d.click(grade, at_right=True)
        entry = run.find("list item", "영웅", within=grade)
        d.wait_for("the grade list to open", lambda: d.on_screen(entry))
        d.click(entry)
        d.wait_for("the grade 영웅", lambda: grade.name == "영웅")
        first_row = d.centre(d.row_cell(results, 0))
        search_button = d.centre(run.find("push button", "검색하기", within=window))

        site.hold()
        d.click(search_box)
        d.type_text("b")
        d.key("Return")
        d.wait_for("the slow search", lambda: len(searches(site.log())) == 2)
        # Meanwhile: a double-click on the first row, a key, a click on 검색하기.
        d.move_mouse(*first_row)
        d.xdotool("click", "--repeat", 2, "--delay", 60, 1)
        d.click(search_box)
        d.type_text("c")
        d.move_mouse(*search_button)
        d.xdotool("click", 1)
        check_repaints(desk, run, window)
        desk.screenshot("held-back-while-waiting")
        site.release()

        d.wait_for("the held-back click's search", lambda: len(searches(site.log())) == 3, timeout=30)
        d.wait_for("the held-back double-click's row", lambda: len(d.table_rows(equipment)) == 1)
        desk.screenshot("held-back-after")
        log = site.log()
        slow = searches(log)[1]
        later = log[log.index(slow) + 1:]
        targets = [r["target"] for r in later]
        expected = ["/item/detail.php?code=1", "/item/item_layer.inc.php?g=6",
                    "/dataninfo/item/list.php?datagroup=list4&sname=%63"]
        if targets != expected:
            raise d.Failure(f"after the slow search the site got {targets}, expected {expected}")
        if any(r["start"] < slow["answered"] for r in later):
            raise d.Failure("a held-back action ran while the slow search was still waiting")
        desk.close_request(run.x_window_id())
        if run.wait_exit() != 0:
            raise d.Failure("the program did not end normally")
    finally:
        run.kill()


def close_while_waiting(args, desk, site):
    run = d.Velmora(args.velmora, f"{args.artifacts}/close.log")
    try:
        window = run.open_window()
        window_id = run.x_window_id()
        site.hold()
        d.click(run.find("text", "검색어", within=window))
        d.type_text("x")
        d.key("Return")
        d.wait_for("the held search", lambda: any(r["end"] is None for r in searches(site.log())))
        desk.close_request(window_id)
        # The close waits for the request, which waits for the test.
        time.sleep(1)
        if run.proc.poll() is not None:
            raise d.Failure("the program ended while its request was still running")
        site.release()
        code = run.wait_exit(timeout=20)
        ended = time.monotonic()
        slow = searches(site.log())[-1]
        if code != 0:
            raise d.Failure(f"closing during a request ended with status {code}")
        if slow["answered"] is None or slow["answered"] > ended:
            raise d.Failure("the program ended before its request did")
    finally:
        site.release()
        run.kill()


def close_then_input(args, desk, site, name, follow_up, later_delay=0):
    """Asks the window to close while a search is held, then gives it `follow_up` input; once the
    search ends, the program must end with status 0 having run nothing of that input: no second
    request, no box, no dialog."""
    run = d.Velmora(args.velmora, f"{args.artifacts}/close-then-{name}.log")
    try:
        window = run.open_window()
        window_id = run.x_window_id()
        search_box = run.find("text", "검색어", within=window)
        site.hold()
        d.click(search_box)
        d.type_text("x")
        d.key("Return")
        d.wait_for("the held search", lambda: any(r["end"] is None for r in searches(site.log())))
        before = len(searches(site.log()))
        desk.close_request(window_id)
        follow_up(run, window, search_box)
        desk.screenshot(f"close-then-{name}-waiting")
        site.release(later_delay)
        code = run.wait_exit(timeout=20)
        if code != 0:
            raise d.Failure(f"the program ended with status {code}")
        sent = len(searches(site.log())) - before
        if sent:
            raise d.Failure(f"{sent} search(es) were sent after the close")
    finally:
        site.release()
        run.kill()


def enter_in_search_box(run, window, search_box):
    d.click(search_box)
    d.type_text("y")
    d.key("Return")


def usage_button(run, window, search_box):
    d.click(run.find("push button", "추가 사용법", within=window))


def bonus_box(run, window, search_box):
    d.click(run.find("check box", "공격력 % 증가 설정", within=window))


def close_cases(args, desk, site):
    return [
        ("close_then_enter", lambda: close_then_input(args, desk, site, "enter", enter_in_search_box)),
        ("close_then_usage", lambda: close_then_input(args, desk, site, "usage", usage_button)),
        ("close_then_bonus_box", lambda: close_then_input(args, desk, site, "bonus", bonus_box)),
        # The search that Enter would start takes a second: it must not be sent at all.
        ("close_then_slow_follow_up",
         lambda: close_then_input(args, desk, site, "slow-follow-up", enter_in_search_box, later_delay=1)),
    ]


def main():
    args = d.case_arguments()
    site = SlowSite(args.port)
    desk = d.Desktop(args.artifacts)
    try:
        return d.run_cases([(case.__name__, lambda case=case: case(args, desk, site))
                            for case in (held_back_input, close_while_waiting)]
                           + close_cases(args, desk, site))
    finally:
        desk.close()
        site.close()


if __name__ == "__main__":
    sys.exit(main())
