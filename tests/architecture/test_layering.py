"""Includes run downward only: the front ends over the engine, the engine over http and json,
and inside http and json the rooms over their floor. Reads the sources, builds nothing."""

import pathlib
import re
import unittest

ROOT = pathlib.Path(__file__).resolve().parents[2]
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^">]+)[">]', re.MULTILINE)
# Qt's window and painting headers; the engine may use Qt Core only.
QT_WINDOW_HEADER = re.compile(r"^(QtWidgets|QtGui)/|^Q(Widget|Application|Label|LineEdit|PushButton"
                              r"|MessageBox|Dialog|FileDialog|ProgressBar|ListWidget|Font|Palette"
                              r"|Pixmap|Image|Painter|GuiApplication|DesktopServices|MouseEvent|Icon)\b")


def includes(room):
    found = []
    for path in sorted((ROOT / room).rglob("*")):
        if path.suffix in (".h", ".cpp"):
            for name in INCLUDE.findall(path.read_text(encoding="utf-8")):
                found.append((path.relative_to(ROOT).as_posix(), name))
    return found


class Layering(unittest.TestCase):
    def assertNoInclude(self, room, forbidden, why):
        offending = [f"{path}: {name}" for path, name in includes(room) if forbidden(name)]
        self.assertEqual(offending, [], why)

    def test_the_engine_includes_no_front_end_and_no_window_library(self):
        self.assertNoInclude("app/core", lambda n: n.startswith(("app/window/", "app/cli/", "app/program")),
                             "the engine never includes a front end")
        self.assertNoInclude("app/core", lambda n: QT_WINDOW_HEADER.search(n) is not None,
                             "the engine uses Qt Core only")

    def test_the_front_ends_include_each_other_not(self):
        self.assertNoInclude("app/cli", lambda n: n.startswith("app/window/"), "cli over the engine")
        self.assertNoInclude("app/window", lambda n: n.startswith("app/cli/"), "window over the engine")

    def test_the_updater_reaches_no_http_internals(self):
        self.assertNoInclude("app", lambda n: n.startswith(("http/transport/", "http/detail/")),
                             "app uses the client's public headers")

    def test_http_transport_and_tls_use_only_the_floor(self):
        upward = lambda n: n.startswith("http/detail/") or re.fullmatch(r"http/[a-z_]+\.h", n)
        self.assertNoInclude("http/transport", upward, "transport sits below the client")
        self.assertNoInclude("http/tls", upward, "tls sits below the client")

    def test_http_rooms_include_only_the_rooms_they_build_on(self):
        below = {"base": (), "transport": ("base",), "tls": ("base", "transport"),
                 "charset": ("base",), "cookies": ("base",)}
        for room, allowed in below.items():
            def outside(name, room=room, allowed=allowed):
                parts = name.split("/")
                if parts[0] != "http":
                    return False
                return len(parts) < 3 or parts[1] not in (room, *allowed)
            with self.subTest(room=room):
                self.assertNoInclude(f"http/{room}", outside, f"http/{room} builds on {allowed} only")

    def test_public_headers_include_no_detail_header(self):
        for room in ("http", "json"):
            offending = [
                f"{path.name}: {name}"
                for path in sorted((ROOT / room).glob("*.h"))
                for name in INCLUDE.findall(path.read_text(encoding="utf-8"))
                if name.startswith(f"{room}/detail/")
            ]
            self.assertEqual(offending, [], f"{room}'s public headers keep detail/ inside")


if __name__ == "__main__":
    unittest.main()
