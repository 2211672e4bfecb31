#!/usr/bin/python3
"""Start-up of the real program against version documents served on loopback: which box shows,
whether the main window ever appears, and the exit status."""

import sys

import desktop as d

UPDATE_NEEDED = "업데이트가 필요합니다. 자료실에서 다시 받아주세요."
CHECK_FAILED = "버전을 확인하지 못해 프로그램을 시작할 수 없습니다."

# document (None: nothing listens), the box's text (start), exit status (None: the window opens)
CASES = [
    ("3", "최신버전 입니다.", None),
    ("3.0//note", "최신버전 입니다.", None),
    (" 03 ", "최신버전 입니다.", None),
    ("4", UPDATE_NEEDED, 1),
    ("2.9", UPDATE_NEEDED, 1),
    ("", CHECK_FAILED, 2),
    ("abc", CHECK_FAILED, 2),
    (None, CHECK_FAILED, 2),
]


def run_case(args, desk, number, document, box_text, status):
    server = d.VersionServer(args.port, document)
    run = d.Velmora(args.velmora, f"{args.artifacts}/startup-{number}.log")
    try:
        box, text = run.alert()
        desk.screenshot(f"startup-{number}-box")
        if not text.startswith(box_text):
            raise d.Failure(f"the box says {text!r}, expected {box_text!r}")
        if run.has_main_window():
            raise d.Failure("the main window is up while the box shows")
        d.key("Return")
        if status is None:
            run.main_window()
            desk.screenshot(f"startup-{number}-window")
            desk.close_request(run.x_window_id())
            code = run.wait_exit()
            if code != 0:
                raise d.Failure(f"closing the window ended with status {code}, expected 0")
        else:
            d.wait_for("the program to end", lambda: run.proc.poll() is not None or run.has_main_window())
            if run.proc.poll() is None:
                raise d.Failure("the main window appeared")
            if run.proc.returncode != status:
                raise d.Failure(f"exit status {run.proc.returncode}, expected {status}")
    finally:
        run.kill()
        server.close()


def main():
    args = d.case_arguments()
    desk = d.Desktop(args.artifacts)
    try:
        return d.run_cases([(f"version document {'no server' if document is None else repr(document)}",
                             lambda n=number, c=(document, text, status): run_case(args, desk, n, *c))
                            for number, (document, text, status) in enumerate(CASES, 1)])
    finally:
        desk.close()


if __name__ == "__main__":
    sys.exit(main())
