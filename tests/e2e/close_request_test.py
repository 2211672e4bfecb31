#!/usr/bin/python3
"""A close request that arrives while the window waits for the site is carried out once the wait is
over, every time, with no further input to stir the window: the request is the last thing the
window system sends. And a window destroyed by another program ends the program too. Each situation is tried --tries times on a fresh program, since a request
that slips through does so only now and then.

The site holds its searches until the test releases them (see busy_window_test.py), so no step
races the clock."""

import argparse
import sys
import urllib.parse

import busy_window_test as busy
import desktop as d


LONG_LIST_HITS = 200_000


class LongListSite(busy.SlowSite):
    """The slow site, whose searches for "long" answer with LONG_LIST_HITS hits (rows cut down to
    what the page cutting needs, so that the page stays under the program's size limit)."""

    def __init__(self, port):
        super().__init__(port)
        self.RequestHandlerClass = LongListHandler
        row = ("<td class=\"left itemname\"><a href = \"/i?{0}\"><span style='letter-spacing:-1px;'>"
               "h{0}</span></td><td>1</td><td>k</td><td class=\"left options\"><ul><li>-</li></ul>")
        self.long_page = "".join(row.format(n) for n in range(LONG_LIST_HITS)).encode("utf-8")


class LongListHandler(busy.SiteHandler):
    def answer(self):
        if "list.php" not in self.path or not urllib.parse.unquote(self.path).endswith("sname=long"):
            return super().answer()
        data = self.server.long_page
        with self.server.lock:
            self.server.requests.append({"method": self.command, "target": self.path,
                                         "start": None, "answered": None, "end": None})
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)
        self.server.requests[-1]["end"] = True


def start(args, desk, name):
    run = d.Velmora(args.velmora, f"{args.artifacts}/{name}.log")
    window = run.open_window()
    return run, window, run.x_window_id()


def held_search(run, window, site):
    """Starts a search that the site holds, and waits until the site has it."""
    site.hold()
    d.click(run.find("text", "검색어", within=window))
    d.type_text("x")
    d.key("Return")
    d.wait_for("the held search", lambda: any(r["end"] is None for r in busy.searches(site.log())))
    return len(busy.searches(site.log()))


def expect_end(run, site, sent_before, what):
    code = run.wait_exit(timeout=30)
    if code != 0:
        raise d.Failure(f"{what}: the program ended with status {code}")
    sent = len(busy.searches(site.log())) - sent_before
    if sent:
        raise d.Failure(f"{what}: {sent} search(es) were sent after the close")


def close_during_search(args, desk, site, try_number, follow_up):
    """Close during a held search, then `follow_up` (Enter, or nothing), then the search ends."""
    name = f"close-{follow_up}-{try_number}"
    run, window, window_id = start(args, desk, name)
    try:
        before = held_search(run, window, site)
        desk.close_request(window_id)
        if follow_up == "enter":
            d.key("Return")
        site.release()
        expect_end(run, site, before, name)
    finally:
        site.release()
        run.kill()


def close_as_search_ends(args, desk, site, try_number):
    """Input held back during a search, then the close sent the moment the search is let go: it
    reaches the window during the wait's last moments or just after it."""
    name = f"close-as-search-ends-{try_number}"
    run, window, window_id = start(args, desk, name)
    try:
        before = held_search(run, window, site)
        d.type_text("z")
        site.release()
        desk.close_request(window_id)
        expect_end(run, site, before, name)
    finally:
        site.release()
        run.kill()


def close_after_long_list(args, desk, site, try_number):
    """Close while idle right after a search that listed LONG_LIST_HITS hits."""
    name = f"close-after-long-list-{try_number}"
    run, window, window_id = start(args, desk, name)
    try:
        d.click(run.find("text", "검색어", within=window))
        d.type_text("long")
        d.key("Return")
        status = run.find("status bar", within=window)
        d.wait_for("the long list", lambda: status.name == f"검색 결과 {LONG_LIST_HITS}건", timeout=120)
        before = len(busy.searches(site.log()))
        desk.close_request(window_id)
        expect_end(run, site, before, name)
    finally:
        run.kill()


def window_destroyed(args, desk, site):
    """Another program destroys the main window's X window: the program ends."""
    run, window, window_id = start(args, desk, "window-destroyed")
    try:
        desk.x.create_resource_object("window", window_id).destroy()
        desk.x.flush()
        code = run.wait_exit(timeout=30)
        if code != 0:
            raise d.Failure(f"the program ended with status {code}")
    finally:
        run.kill()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--velmora", required=True)
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--artifacts", required=True)
    parser.add_argument("--tries", type=int, default=5, help="how often each situation is tried")
    parser.add_argument("--only", help="only the situations whose description contains this")
    args = parser.parse_args()
    d.require_tools()
    d.prepare_environment()
    if d.port_answers(args.port):
        sys.exit(f"something already answers on 127.0.0.1:{args.port}; stop it first")
    site = LongListSite(args.port)
    desk = d.Desktop(args.artifacts)
    situations = [
        ("close during a search, then Enter", lambda n: close_during_search(args, desk, site, n, "enter")),
        ("close during a search, nothing after", lambda n: close_during_search(args, desk, site, n, "none")),
        ("close as a search that held input back ends", lambda n: close_as_search_ends(args, desk, site, n)),
        ("close when idle after a long list", lambda n: close_after_long_list(args, desk, site, n)),
    ]
    if args.only:
        situations = [s for s in situations if args.only in s[0]]
    try:
        cases = [(f"{label} (try {n})", lambda run=run, n=n: run(n))
                 for label, run in situations for n in range(1, args.tries + 1)]
        if not args.only:
            cases.append(("window destroyed by another program", lambda: window_destroyed(args, desk, site)))
        return d.run_cases(cases)
    finally:
        desk.close()
        site.close()


if __name__ == "__main__":
    sys.exit(main())
