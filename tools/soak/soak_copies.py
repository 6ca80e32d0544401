"""Real program copies for the soak, each on a display of its own: opening the catalogue and a
board by the keyboard, finding the board's picture on the screen, drawing strokes with xdotool,
closing message boxes nobody is there to close, and reading the screen back."""

import os
import subprocess
import threading
import time

import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests",
                                "real_program"))
from oekaki_harness import Display, HarnessError, ProgramCopy, Settings  # noqa: E402

MESSAGE_CAPTION = "Hesk－お絵描きソフト２"
STATUS_BAR = b"\xc0\xdc\xc0"  # the board's status bar, rgb(192, 220, 192)
WHITE = b"\xff\xff\xff"
MAIN_WINDOW = (0, 0, 1000, 900)
BOARD_WINDOW = (520, 470)
PANEL_WIDTH = 27
IMAGE_MENU = (118, 8)  # the menu bar's 画像, the main window being at (0, 0)  # the board's tool buttons, left of the picture


def pen_rgb(colour):
    """A stored pen colour (0x00BBGGRR) as the screen's bytes."""
    return bytes((colour & 255, (colour >> 8) & 255, (colour >> 16) & 255))


class Screen:
    def __init__(self, size, data):
        self.width, self.height = size
        self.data = data

    def at(self, x, y):
        i = (y * self.width + x) * 3
        return self.data[i:i + 3]

    def find(self, run, start=0):
        """(x, y) of the first pixel starting the byte run, row by row, from byte `start`."""
        while True:
            i = self.data.find(run, start)
            if i < 0:
                return None
            if i % 3 == 0:
                return (i // 3) % self.width, (i // 3) // self.width
            start = i + 1

    def board_status_bar(self):
        """(x, y) where the first board's status bar starts: the main window has one of the
        same colour, but as wide as itself."""
        start = 0
        while True:
            found = self.find(STATUS_BAR * 40, start)
            if not found:
                return None
            x, y = found
            end = x
            while end < self.width and self.at(end, y) == STATUS_BAR:
                end += 1
            if end - x < MAIN_WINDOW[2] - 100:
                return found
            start = ((y + 1) * self.width) * 3

    def crop(self, x, y, width, height):
        rows = []
        for row in range(y, y + height):
            i = (row * self.width + x) * 3
            rows.append(self.data[i:i + width * 3])
        return b"".join(rows)


class Copy:
    """One PC: a display, a copy of the program in a folder of its own, its settings file."""

    def __init__(self, name, server, pc_user, pen_colour=0):
        self.name = name
        self.display = Display()
        self.display.start()
        settings = Settings(server.prefix, server.data, "SOAK.FDB", pc_user, name, MAIN_WINDOW)
        settings.lines[27:33] = [str(BOARD_WINDOW[0]), str(BOARD_WINDOW[1]), "", "0", "1",
                                 str(pen_colour)]
        self.pen = pen_rgb(pen_colour)
        self.program = ProgramCopy(self.display, settings, os.environ["OEKAKI_PROGRAM"])
        self.stall_file = os.path.join(self.program.dir, "stall.txt")
        self.display.env["OEKAKI_STALL_LOG"] = self.stall_file
        self.canvas = None  # (x, y) of the picture's top-left pixel on the screen
        self.messages = 0
        self.main = None

    def start(self):
        self.started = time.monotonic()  # the stall log's clock begins about now
        self.program.start()
        self.main = self.program.wait_for_window("お絵描きソフト", timeout=60)
        return self

    def keys(self, *keys):
        self.program.focus(self.main)
        self.program.keys(*keys)

    def open_catalogue(self):
        # The menu 画像 (its access key is taken by 初期設定 too), then 一覧表示(&L).
        self.display.click(*IMAGE_MENU)
        time.sleep(0.5)
        self.keys("l")
        time.sleep(1.5)

    def open_board(self):
        self.keys("alt+d")  # the catalogue's 詳細(&D): row 1 is current after its load

    def screen(self):
        out = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"],
                             env=self.display.env, capture_output=True, timeout=60)
        if out.returncode != 0:
            raise HarnessError("import: " + out.stderr.decode(errors="replace"))
        return Screen(self.display.size, out.stdout)

    def find_canvas(self, width, height, timeout=30):
        """Finds the board's blank picture below its tool buttons and above its status bar."""
        deadline = time.monotonic() + timeout
        while True:
            found = self._canvas_on(self.screen(), width, height)
            if found:
                self.canvas = found
                return found
            if time.monotonic() > deadline:
                raise HarnessError("%s: no board of %dx%d on the screen" % (self.name, width,
                                                                            height))
            time.sleep(1)

    @staticmethod
    def _canvas_on(screen, width, height):
        bar = screen.board_status_bar()
        if not bar:
            return None
        left, bar_top = bar
        column = left + PANEL_WIDTH + 8
        y = bar_top - 1
        while y > 0 and screen.at(column, y) != WHITE:
            y -= 1
        while y > 0 and screen.at(column, y - 1) == WHITE:
            y -= 1
        x = left + PANEL_WIDTH
        while x < column and screen.at(x, y + 8) != WHITE:
            x += 1
        if screen.crop(x, y, width, height) != WHITE * (width * height):
            return None
        return x, y

    def switch_drawing_on(self):
        x, y = self.canvas
        frame = x - self._panel_left() - PANEL_WIDTH
        # The fourth tool button (drawing on) sits at (2, 74), 23 x 22, in the tool panel,
        # whose top is the scroll area's top.
        self.display.click(self._panel_left() + 13, y - frame + 85)

    def _panel_left(self):
        return self.screen().board_status_bar()[0]

    def stroke(self, points, pause_every=8, pause="0.004"):
        """One stroke through the points (picture coordinates), in one xdotool process. A
        program busy meanwhile gets the moves it missed as one (the display merges them)."""
        x0, y0 = self.canvas
        command = ["xdotool", "mousemove", "--sync", x0 + points[0][0], y0 + points[0][1],
                   "mousedown", "1"]
        for i, (x, y) in enumerate(points[1:]):
            command += ["mousemove", x0 + x, y0 + y]
            if i % pause_every == pause_every - 1:
                command += ["sleep", pause]
        command += ["sleep", "0.05", "mouseup", "1"]
        subprocess.run([str(c) for c in command], env=self.display.env, timeout=120,
                       capture_output=True)

    def picture(self, width, height):
        x, y = self.canvas
        return self.screen().crop(x, y, width, height)

    def close_message_boxes(self):
        """Presses OK on every message box the program shows; counts them."""
        out = self.display.run(["xdotool", "search", "--onlyvisible", "--name", MESSAGE_CAPTION],
                               check=False)
        for window in out.split():
            self.messages += 1
            self.display.run(["xdotool", "key", "--window", window, "Return"], check=False)

    def running(self):
        return self.program.running()

    def end(self):
        """Ends the copy as logout does; its exit status."""
        if self.program.running():
            self.program.signal(15)
            return self.program.wait(60)
        return self.program.process.returncode

    def stop(self):
        self.program.stop()
        self.display.stop()


def read_stalls(path, started):
    """The long gaps of a stall log as (begin, end, ms) on the monotonic clock, and the
    longest gap (-1 without a log)."""
    try:
        with open(path) as f:
            lines = f.read().split("\n")
    except OSError:
        return [], -1
    gaps = []
    for line in lines[1:]:
        parts = line.split()
        if len(parts) == 2:
            gap, end = int(parts[0]), int(parts[1])
            gaps.append((started + (end - gap) / 1000, started + end / 1000, gap))
    return gaps, int(lines[0] or -1)


class MessageBoxCloser(threading.Thread):
    """Nobody sits at the soak's PCs: message boxes are counted and closed once a second."""

    def __init__(self, copies):
        super().__init__(daemon=True)
        self.copies = copies
        self.halt = threading.Event()

    def run(self):
        while not self.halt.wait(1):
            for copy in list(self.copies):
                try:
                    copy.close_message_boxes()
                except Exception:  # noqa: BLE001 - a display being stopped
                    pass
