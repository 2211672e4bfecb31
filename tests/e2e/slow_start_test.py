#!/usr/bin/python3
"""Start-up against a version site that is slow to answer: a small window says the check is under
way and goes away before the box shows; a site that answers at once shows nothing but the box.

What reaches the screen is followed at the X server (every top-level window mapped and unmapped,
in order) as well as through the accessibility bus."""

import http.server
import sys
import threading
import time

from Xlib import X, display as xdisplay
from Xlib.error import XError

import desktop as d

PROGRESS_TEXT = "버전 확인 중…"
CURRENT = "최신버전 입니다."
# How long the slow site holds the version document back at the least: the scenario, a site
# that takes about two seconds. The answer also waits until the small window has been seen, so
# nothing here depends on how quickly the program or the machine gets there.
SLOW_ANSWER_SECONDS = 2.0


class VersionSite(http.server.ThreadingHTTPServer):
    """Serves the version document "3" on 127.0.0.1:<port>; with `held`, each answer waits until
    release() is called."""

    daemon_threads = True

    def __init__(self, port, held):
        self.released = threading.Event()
        if not held:
            self.released.set()
        self.arrived = threading.Event()
        self.arrival = None
        super().__init__(("127.0.0.1", port), VersionHandler)
        threading.Thread(target=self.serve_forever, daemon=True).start()

    def release(self):
        self.released.set()

    def close(self):
        self.released.set()
        self.shutdown()
        self.server_close()


class VersionHandler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        site = self.server
        site.arrival = time.monotonic()
        site.arrived.set()
        site.released.wait(60)
        body = b"3"
        try:
            self.send_response(200)
            self.send_header("Content-Type", "text/plain; charset=utf-8")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
        except OSError:
            pass

    def log_message(self, *args):
        pass


class MapLog:
    """Every top-level window mapped, unmapped or destroyed on the display from now on, in the
    order the X server did it, with the name a mapped window had when it was mapped."""

    def __init__(self):
        self.x = xdisplay.Display()
        self.net_wm_name = self.x.intern_atom("_NET_WM_NAME")
        self.utf8 = self.x.intern_atom("UTF8_STRING")
        self.x.screen().root.change_attributes(event_mask=X.SubstructureNotifyMask)
        self.x.sync()
        self.lock = threading.Lock()
        self.events = []
        threading.Thread(target=self.follow, daemon=True).start()

    def name_of(self, window):
        try:
            prop = window.get_full_property(self.net_wm_name, self.utf8)
        except XError:
            return None  # already gone
        return prop.value.decode("utf-8") if prop else ""

    def follow(self):
        kinds = {X.MapNotify: "map", X.UnmapNotify: "unmap", X.DestroyNotify: "destroy"}
        while True:
            event = self.x.next_event()
            kind = kinds.get(event.type)
            if kind is None:
                continue
            name = self.name_of(event.window) if kind == "map" else None
            with self.lock:
                self.events.append((kind, event.window.id, name))

    def log(self):
        with self.lock:
            return list(self.events)

    def save(self, path):
        """Writes what was seen so far, one event a line, for a look after a failure."""
        with open(path, "w", encoding="utf-8") as out:
            for kind, window, name in self.log():
                out.write(f"{kind} 0x{window:x}" + (f" {name!r}" if kind == "map" else "") + "\n")


def progress_windows(run):
    """The program's top-level accessibles that are the small window."""
    found = []
    for top in run.top_levels():
        try:
            if top is not None and top.name == PROGRESS_TEXT:
                found.append(top)
        except Exception:
            continue
    return found


def windows_mapped_before_box(log):
    """(windows mapped, the box's window): the box is the last window mapped and not taken away
    since, for the box is still up when this is asked."""
    gone = set()
    mapped = []
    for kind, window, name in log:
        if kind == "map":
            mapped.append((window, name))
            gone.discard(window)
        else:
            gone.add(window)
    showing = [window for window, _ in mapped if window not in gone]
    if not showing:
        raise d.Failure(f"no window is mapped while the box shows: {log}")
    return mapped, showing[-1]


def finish_normally(run, desk, name):
    """Passes the box of a current release, then closes the main window: the start goes on."""
    d.key("Return")
    run.main_window()
    desk.screenshot(f"{name}-window")
    desk.close_request(run.x_window_id())
    code = run.wait_exit()
    if code != 0:
        raise d.Failure(f"closing the window ended with status {code}, expected 0")


def slow_site(args, desk):
    site = VersionSite(args.port, held=True)
    maps = MapLog()
    run = d.Velmora(args.velmora, f"{args.artifacts}/slow.log")
    try:
        d.wait_for("the version request", site.arrived.is_set)
        d.wait_for("the small window", lambda: progress_windows(run))
        desk.screenshot("slow-progress")
        if run.has_main_window():
            raise d.Failure("the main window is up during the check")
        remaining = SLOW_ANSWER_SECONDS - (time.monotonic() - site.arrival)
        if remaining > 0:
            time.sleep(remaining)
        site.release()

        _, text = run.alert()
        desk.screenshot("slow-box")
        maps.save(f"{args.artifacts}/slow-windows.txt")
        if text != CURRENT:
            raise d.Failure(f"the box says {text!r}, expected {CURRENT!r}")
        if progress_windows(run):
            raise d.Failure("the small window is still there while the box shows")

        log = maps.log()
        _, box = windows_mapped_before_box(log)
        progress = [window for kind, window, name in log if kind == "map" and name == PROGRESS_TEXT]
        if len(progress) != 1:
            raise d.Failure(f"the small window was mapped {len(progress)} times: {log}")
        position = {event: i for i, event in enumerate(log)}
        shown = position[("map", progress[0], PROGRESS_TEXT)]
        taken_away = [i for i, (kind, window, _) in enumerate(log) if window == progress[0] and kind != "map"]
        box_shown = max(i for i, (kind, window, _) in enumerate(log) if kind == "map" and window == box)
        if not taken_away or not shown < taken_away[0] < box_shown:
            raise d.Failure(f"the small window was not taken away before the box was mapped: {log}")
        finish_normally(run, desk, "slow")
    finally:
        run.kill()
        site.close()


def quick_site(args, desk):
    site = VersionSite(args.port, held=False)
    maps = MapLog()
    run = d.Velmora(args.velmora, f"{args.artifacts}/quick.log")
    try:
        _, text = run.alert()
        desk.screenshot("quick-box")
        maps.save(f"{args.artifacts}/quick-windows.txt")
        if text != CURRENT:
            raise d.Failure(f"the box says {text!r}, expected {CURRENT!r}")
        log = maps.log()
        mapped, box = windows_mapped_before_box(log)
        if [window for window, _ in mapped] != [box]:
            raise d.Failure(f"windows other than the box were mapped before it: {log}")
        finish_normally(run, desk, "quick")
    finally:
        run.kill()
        site.close()


def main():
    args = d.case_arguments()
    desk = d.Desktop(args.artifacts)
    try:
        return d.run_cases([
            ("a site that answers after about two seconds: the small window, then the box",
             lambda: slow_site(args, desk)),
            ("a site that answers at once: the box alone", lambda: quick_site(args, desk)),
        ])
    finally:
        desk.close()


if __name__ == "__main__":
    sys.exit(main())
