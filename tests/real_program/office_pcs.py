"""PCs of one office for tests with several real program copies: each PC is a display of its
own (so each has its own mouse pointer), one program copy on it with its own settings file,
and a fast line to that display's screen and input (x_screen). The windows are opened through
the menus with the keyboard, as a user would, and found on the screen by their colours.
"""

import os
import subprocess
import time

from oekaki_harness import Display, ProgramCopy, _wait_until
from x_screen import XScreen

MAIN = (0, 0, 1200, 960)  # left, top, width, height of every PC's main window
WHITE = (255, 255, 255)
PALE_GREEN = (192, 220, 192)  # the board's and the chat's status strips
CYAN = (0, 255, 255)  # the name balloons
CHAT_STATUS_HEIGHT = 8
CHAT_INPUT_HEIGHT = 24


def colour_value(rgb):
    """A pen colour as the settings file and the stroke rows keep it: 0x00BBGGRR."""
    r, g, b = rgb
    return r | g << 8 | b << 16


class Rect:
    def __init__(self, x, y, width, height):
        self.x, self.y, self.width, self.height = x, y, width, height

    def __repr__(self):
        return "Rect(%d, %d, %d x %d)" % (self.x, self.y, self.width, self.height)


class Pc:
    """One PC of the office with the program running on it, attached to the database."""

    def __init__(self, db, member, name, pen=(0, 5, 0), board=(420, 360), chat=(420, 250)):
        self.name = name
        self.display = Display(width=MAIN[2] + 80, height=MAIN[3] + 64)
        self.display.start()
        self.screen = None
        self.copy = None
        try:
            self.copy = ProgramCopy(self.display, db.settings(
                pc_user=member, pc_name=name, main=MAIN, image_list=(320, 240), board=board,
                pen=pen, chat=chat))
            self.copy.start()
            self.main = self.copy.wait_for_window("お絵描きソフト")
            self.screen = XScreen(self.display.name)
            self.copy.focus(self.main)
        except Exception:
            self.stop()
            raise
        self.canvas = None
        self.chat_view = None

    def stop(self):
        if self.screen:
            self.screen.close()
            self.screen = None
        if self.copy:
            self.copy.stop()
        self.display.stop()

    # --- windows ----------------------------------------------------------------------------
    def window_area(self):
        return self.screen.grab(MAIN[0], MAIN[1], MAIN[2], MAIN[3])

    def _settled(self, timeout=10):
        """Waits until the main window's pixels stop changing (a window opened and drew)."""
        last = [self.screen.grab_raw(*MAIN)]

        def still():
            time.sleep(0.3)
            now = self.screen.grab_raw(*MAIN)
            same = now == last[0]
            last[0] = now
            return same

        _wait_until(still, timeout, "the screen of %s to settle" % self.name, step=0)

    def open_board(self, width, height, like=None):
        """Opens picture 1 of the catalogue (the list's first row) on a board, switches drawing
        on and finds the picture's white canvas of width x height on the screen. A picture with
        strokes on it is found where `like`, a PC with the same windows, shows its canvas: its
        frame must look the same here."""
        before = self.screen.grab_raw(*MAIN)
        self.copy.keys("alt+i", "Right", "l")  # 画像(I) is the second menu with I: 一覧表示(L)
        _wait_until(lambda: self.screen.grab_raw(*MAIN) != before, 15,
                    "the picture list of " + self.name)
        self._settled()
        self.copy.keys("alt+d")  # 詳細(D): the current row, row 1, on a board

        def white_canvas():
            found = self.window_area().find_rect(WHITE, width, height)
            return found and Rect(MAIN[0] + found[0], MAIN[1] + found[1], width, height)

        def framed_like():
            return like.frame() == self.frame(like.canvas) and like.canvas

        self.canvas = _wait_until(framed_like if like else white_canvas, 20,
                                  "the board's canvas on " + self.name, step=0.3)
        if not like:
            # The draw button, the fourth of the tool strip left of the canvas (27 pixels
            # wide, buttons 24 apart from y 2).
            self.display.click(self.canvas.x - 15, self.canvas.y + 84)
            time.sleep(0.3)
        return self.canvas

    def frame(self, canvas=None):
        """The pixels just around the canvas: the rows above and below, the columns left and
        right."""
        c = canvas or self.canvas
        ring = self.screen.grab(c.x - 1, c.y - 1, c.width + 2, c.height + 2)
        sides = [ring.pixel(x, y) for y in range(ring.height) for x in (0, ring.width - 1)]
        return ring.row(0), ring.row(ring.height - 1), sides

    def open_chat(self):
        """Opens the chat window and finds its view (above the input strip and the pale green
        status strip of 8 pixels). The input line has the keyboard afterwards."""
        self.copy.keys("alt+c", "s")  # チャット(C) → チャット開始(S)

        def view():
            area = self.window_area()
            for x in range(0, area.width, 16):
                for top, length in area.runs_down(x, PALE_GREEN):
                    if length == CHAT_STATUS_HEIGHT:
                        return self._view_above(area, x, top)
            return None

        self.chat_view = _wait_until(view, 15, "the chat window of " + self.name, step=0.3)
        return self.chat_view

    @staticmethod
    def _view_above(area, x, strip_top):
        left = x
        while left > 0 and area.pixel(left - 1, strip_top) == PALE_GREEN:
            left -= 1
        right = x
        while right + 1 < area.width and area.pixel(right + 1, strip_top) == PALE_GREEN:
            right += 1
        bottom = strip_top - CHAT_INPUT_HEIGHT - 3  # above the view's frame
        probe = right - 24  # right of the short lines the test sends
        top = bottom
        while top > 0 and area.pixel(probe, top - 1) == WHITE:
            top -= 1
        return Rect(MAIN[0] + left + 3, MAIN[1] + top, right - left - 6, bottom - top)

    def open_pointers(self):
        self.copy.keys("alt+c", "m")  # チャット(C) → マウスポインタ(M)

    # --- input ------------------------------------------------------------------------------
    def press_stroke(self, points):
        """Presses the left button at the first canvas point and moves through the others,
        leaving the button down."""
        x, y = points[0]
        self.screen.move(self.canvas.x + x, self.canvas.y + y)
        self.screen.button(1, True)
        for x, y in points[1:]:
            time.sleep(0.01)
            self.screen.move(self.canvas.x + x, self.canvas.y + y)

    def release(self):
        """Releases the button; the moment it went."""
        self.screen.button(1, False)
        return time.monotonic()

    def type_line(self, text):
        """Types ASCII text into what has the keyboard (the chat's input line)."""
        self.display.xdotool("type", "--delay", "20", text)

    def grab_canvas(self):
        c = self.canvas
        return self.screen.grab(c.x, c.y, c.width, c.height)


def save_png(picture, path):
    """A picture as a PNG beside the test's output, for a look with an image viewer."""
    ppm = picture.save_ppm(path + ".ppm")
    subprocess.run(["convert", ppm, path], check=False)
    os.remove(ppm)
    return path

