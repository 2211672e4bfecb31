"""Driving the real velmora binary on an X display the way a player does.

Input goes through the X server (xdotool: real key and mouse events); what the window shows is
read back through the accessibility bus (AT-SPI), the same way a screen reader reads it. The
caller provides the display and a D-Bus session (xvfb-run and dbus-run-session); a Desktop then
starts the accessibility bus on it.
"""

import argparse
import http.server
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

import pyatspi
from Xlib import X, display as xdisplay, protocol

MAIN_TITLE = "벨모라 아이템 시뮬레이터 - ver 1.3"


class Failure(Exception):
    pass


_started = time.monotonic()


def log(message):
    """One line of the script's own record: seconds since the script started, then `message`.
    Read beside the screenshots, it shows which step a slow or failed run spent its time on."""
    print(f"[{time.monotonic() - _started:8.3f}] {message}", flush=True)


def wait_for(what, probe, timeout=20.0, interval=0.1, show=None):
    """Polls `probe` until it returns something true, and returns that. `show`, when given,
    describes what the window shows while the script waits: each change of it is logged."""
    log(f"waiting for {what}")
    deadline = time.monotonic() + timeout
    shown = None
    while True:
        value = probe()
        if show is not None:
            now = show()
            if now != shown:
                log(f"  the window shows {now}")
                shown = now
        if value:
            log(f"done waiting for {what}")
            return value
        if time.monotonic() > deadline:
            log(f"gave up waiting for {what}")
            raise Failure(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)


def port_answers(port):
    with socket.socket() as s:
        s.settimeout(0.2)
        return s.connect_ex(("127.0.0.1", port)) == 0


class VersionServer:
    """Serves one version document on 127.0.0.1:<port> (None: the document is not served at all,
    the port stays closed)."""

    def __init__(self, port, document):
        self.server = None
        self.requests = 0
        if document is None:
            return
        body = document.encode("utf-8")
        owner = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                owner.requests += 1
                self.send_response(200)
                self.send_header("Content-Type", "text/plain; charset=utf-8")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def close(self):
        if self.server:
            self.server.shutdown()
            self.server.server_close()


class SampleSite:
    """velmora-sample-site on 127.0.0.1:<port>, for as long as the object lives. With `reuse`, a
    site that already answers there is used instead."""

    def __init__(self, binary, port, log_path, reuse=False):
        self.proc = None
        if port_answers(port):
            if reuse:
                return
            raise Failure(f"something already answers on 127.0.0.1:{port}; stop it first")
        self.log = open(log_path, "w")
        self.proc = subprocess.Popen([binary, "--host", "127.0.0.1", "--port", str(port)],
                                     stdout=self.log, stderr=subprocess.STDOUT)
        wait_for("the sample site", lambda: port_answers(port), timeout=10)

    def close(self):
        if self.proc is None:
            return
        self.proc.send_signal(signal.SIGTERM)
        self.proc.wait(timeout=10)
        self.log.close()


class Desktop:
    """The accessibility bus on the current display, screenshots, and the raw X connection."""

    def __init__(self, artifacts):
        self.artifacts = artifacts
        os.makedirs(artifacts, exist_ok=True)
        self.bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(0.5)  # the bus must be up before a program starts, or it never registers
        self.x = xdisplay.Display()

    def bind_keys(self, text):
        """Gives every character of `text` that no key of the keyboard types a spare key of its
        own, for as long as the display lives. Call it before the program starts, which then
        reads a keyboard that has them from the outset.

        Without it `xdotool type` maps such a character (Hangul, say) onto a spare key just for
        its key press and takes the mapping away again at once. The program looks the key up
        only when it gets to the mapping's announcement, and on a busy machine that can be after
        the mapping has gone: the key then types nothing at all."""
        first = self.x.display.info.min_keycode
        mapping = self.x.get_keyboard_mapping(first, self.x.display.info.max_keycode - first + 1)
        spare = [first + i for i, keysyms in enumerate(mapping) if not any(keysyms)]
        for char in dict.fromkeys(text):
            keysym = ord(char) if ord(char) < 0x100 else 0x01000000 + ord(char)
            if self.x.keysym_to_keycode(keysym):
                continue
            if not spare:
                raise Failure(f"no spare key left for {char!r}")
            self.x.change_keyboard_mapping(spare.pop(), [(keysym, keysym)])
            log(f"bound {char!r} to a key of its own")
        self.x.sync()

    def close(self):
        self.bus.terminate()
        self.bus.wait(timeout=10)

    def screenshot(self, name):
        path = os.path.join(self.artifacts, name + ".png")
        subprocess.run(["import", "-window", "root", "-crop", "1100x640+0+0", "+repage", path], check=True)
        return path

    def pixel(self, x, y):
        """The colour of one screen pixel as (r, g, b), 0-255."""
        raw = self.x.screen().root.get_image(x, y, 1, 1, X.ZPixmap, 0xFFFFFFFF).data
        return raw[2], raw[1], raw[0]

    def cover(self, x, y, width, height):
        """Maps a plain red window over a screen area and takes it away again: whatever was under
        it must repaint itself."""
        screen = self.x.screen()
        colour = screen.default_colormap.alloc_color(0xFFFF, 0, 0).pixel
        window = screen.root.create_window(x, y, width, height, 0, screen.root_depth,
                                           background_pixel=colour, override_redirect=True)
        window.map()
        self.x.sync()
        time.sleep(0.3)
        covered = self.pixel(x + width // 2, y + height // 2)
        window.destroy()
        self.x.sync()
        return covered

    def close_request(self, window_id):
        """Asks a window to close the way a window manager does (WM_DELETE_WINDOW)."""
        window = self.x.create_resource_object("window", window_id)
        protocols = self.x.intern_atom("WM_PROTOCOLS")
        delete = self.x.intern_atom("WM_DELETE_WINDOW")
        event = protocol.event.ClientMessage(window=window, client_type=protocols,
                                             data=(32, [delete, X.CurrentTime, 0, 0, 0]))
        window.send_event(event, event_mask=X.NoEventMask)
        self.x.flush()


def xdotool(*args):
    log("xdotool " + " ".join(map(str, args)))
    subprocess.run(["xdotool", *map(str, args)], check=True)
    log("  xdotool done")


def centre(accessible):
    box = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x + box.width // 2, box.y + box.height // 2


def move_mouse(x, y):
    """Moves the pointer and waits until it is there (xdotool's --sync would wait forever for a
    move to where the pointer already is)."""
    here = subprocess.run(["xdotool", "getmouselocation", "--shell"], capture_output=True, text=True).stdout
    position = dict(line.split("=", 1) for line in here.split())
    if (int(position["X"]), int(position["Y"])) != (x, y):
        xdotool("mousemove", "--sync", x, y)


def click(accessible, double=False, at_right=False):
    """Clicks the middle of a control (or, with at_right, just inside its right edge, where a
    drop-down box has its arrow)."""
    x, y = centre(accessible)
    if at_right:
        box = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        x = box.x + box.width - 6
    move_mouse(x, y)
    if double:
        xdotool("click", "--repeat", 2, "--delay", 60, 1)
    else:
        xdotool("click", 1)


def on_screen(accessible):
    """Whether the control is showing (a drop-down's entries exist before the list opens)."""
    box = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.width > 0 and box.height > 0 and accessible.getState().contains(pyatspi.STATE_SHOWING)


def type_text(text):
    xdotool("type", "--delay", 40, text)


def key(*names):
    xdotool("key", *names)


def walk(node, depth=0, max_depth=12):
    yield node
    if depth >= max_depth:
        return
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, depth + 1, max_depth)


class Velmora:
    """One run of the velmora binary."""

    def __init__(self, binary, log_path, data_home=None, arguments=(), cwd=None):
        """`data_home`: the XDG_DATA_HOME the program keeps its working set in; a fresh empty
        folder unless given, so that a test never meets a player's files or another run's.
        `cwd`: the folder the program starts in."""
        self.data_home = data_home or tempfile.mkdtemp(prefix="velmora-e2e-data-")
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", XDG_DATA_HOME=self.data_home,
                   XDG_CONFIG_HOME=os.path.join(self.data_home, "config"),
                   XDG_CACHE_HOME=os.path.join(self.data_home, "cache"))
        env.pop("QT_QPA_PLATFORM", None)
        self.log = open(log_path, "w")
        self.proc = subprocess.Popen([binary, *arguments], env=env, stdout=self.log,
                                     stderr=subprocess.STDOUT, cwd=cwd)

    def app(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            try:
                if app is not None and app.get_process_id() == self.proc.pid:
                    return app
            except Exception:
                continue
        return None

    def top_levels(self):
        app = self.app()
        if app is None:
            return []
        return [app.getChildAtIndex(i) for i in range(app.childCount)]

    def find(self, role, name=None, within=None, timeout=20):
        """The first accessible of `role` (and `name`), waiting until it shows up."""
        def probe():
            roots = [within] if within is not None else self.top_levels()
            for root in roots:
                for node in walk(root):
                    try:
                        if node.getRoleName() == role and (name is None or node.name == name):
                            return node
                    except Exception:
                        continue
            return None
        return wait_for(f"a {role} {name or ''}".strip(), probe, timeout)

    def alert(self, timeout=20):
        """The message box on screen: (its accessible, its text)."""
        box = self.find("alert", timeout=timeout)
        text = next((n.name for n in walk(box) if n.getRoleName() == "label" and n.name), "")
        return box, text

    def main_window(self, timeout=20):
        return self.find("frame", MAIN_TITLE, timeout=timeout)

    def open_window(self):
        """Passes the start-up box of a current release and returns the main window."""
        _, text = self.alert()
        if text != "최신버전 입니다.":
            raise Failure(f"the start-up box says {text!r}")
        key("Return")
        return self.main_window()

    def find_tooltip(self):
        """The text of the tooltip on screen, or None."""
        for top in self.top_levels():
            try:
                if top.getRoleName() == "tool tip":
                    return top.name or next((n.name for n in walk(top) if n.name), "") or "(tooltip)"
            except Exception:
                continue
        return None

    def has_main_window(self):
        return any(t.getRoleName() == "frame" and t.name == MAIN_TITLE for t in self.top_levels())

    def x_window_id(self):
        out = subprocess.run(["xdotool", "search", "--pid", str(self.proc.pid), "--name", MAIN_TITLE],
                             capture_output=True, text=True).stdout.split()
        if not out:
            raise Failure("the main window has no X window")
        return int(out[0])

    def wait_exit(self, timeout=20):
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"velmora did not end within {timeout} s")

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self.log.close()


def table_rows(tree):
    """Every row of a list as its column texts."""
    table = tree.queryTable()
    return [[table.getAccessibleAt(r, c).name for c in range(table.nColumns)] for r in range(table.nRows)]


def selected_rows(tree):
    """The row numbers of a list's selected rows."""
    table = tree.queryTable()
    return [r for r in range(table.nRows) if table.isRowSelected(r)]


def row_cell(tree, row, column=0):
    """A cell of a list, to be clicked: it must be in view, or a click at its place would land
    on whatever the list's scrolled-off rows lie under."""
    cell = tree.queryTable().getAccessibleAt(row, column)
    box = cell.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    area = tree.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    if not (area.y <= box.y and box.y + box.height <= area.y + area.height):
        raise Failure(f"row {row} of {tree.name} is scrolled out of view")
    return cell


def text_of(accessible):
    """The text a text box holds."""
    return accessible.queryText().getText(0, -1)


def prepare_environment():
    """Qt wants a private runtime directory; give it one instead of letting it complain."""
    if not os.environ.get("XDG_RUNTIME_DIR"):
        os.environ["XDG_RUNTIME_DIR"] = tempfile.mkdtemp(prefix="velmora-e2e-")


def case_arguments():
    """The arguments every test script takes, parsed, with the display's tools checked and the
    port found free (the scripts serve the program's built-in addresses there)."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--velmora", required=True)
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--artifacts", required=True)
    args = parser.parse_args()
    require_tools()
    prepare_environment()
    if port_answers(args.port):
        sys.exit(f"something already answers on 127.0.0.1:{args.port}; stop it first")
    return args


def run_cases(cases):
    """Runs (label, function) pairs, printing one TAP line each; the exit status for the script."""
    failures = 0
    for number, (label, case) in enumerate(cases, 1):
        try:
            case()
            print(f"ok {number} - {label}")
        except Failure as failure:
            failures += 1
            print(f"not ok {number} - {label}: {failure}")
    return 1 if failures else 0


def require_tools():
    missing = [t for t in ("xdotool", "import") if shutil.which(t) is None]
    if missing:
        raise Failure("missing tools: " + ", ".join(missing))
