"""A fast, in-process line to one X display: pictures of screen regions (XGetImage) and the
pointer and keyboard (XTest), through the system's own libX11 and libXtst with ctypes. Starting
`import` or `xdotool` costs tens of milliseconds a call; this costs well under one for a small
region, so a latency can be sampled every few milliseconds and an input's moment known exactly.

    screen = XScreen(display.name)
    before = screen.grab(x, y, w, h)
    screen.button(1, False)          # the moment of the release is time.monotonic() now
    ...
    screen.close()
"""

import ctypes
import ctypes.util
import re
import time

_x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
_xtst = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")

_ZPIXMAP = 2
_ALL_PLANES = ctypes.c_ulong(0xFFFFFFFF)


class _XImage(ctypes.Structure):
    # The head of Xlib's XImage, up to the fields read here.
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


_x11.XOpenDisplay.restype = ctypes.c_void_p
_x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
_x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
_x11.XDefaultRootWindow.restype = ctypes.c_ulong
_x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
_x11.XGetImage.restype = ctypes.POINTER(_XImage)
_x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                           ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
_x11.XFree.argtypes = [ctypes.c_void_p]
_x11.XFlush.argtypes = [ctypes.c_void_p]
_x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
_x11.XKeysymToKeycode.restype = ctypes.c_ubyte
_x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
_x11.XStringToKeysym.restype = ctypes.c_ulong
_x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
_xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                       ctypes.c_int, ctypes.c_ulong]
_xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                       ctypes.c_ulong]
_xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                    ctypes.c_ulong]


class Picture:
    """A screen region as rows of (r, g, b) bytes, three a pixel, top row first."""

    def __init__(self, x, y, width, height, rgb):
        self.x, self.y, self.width, self.height = x, y, width, height
        self.rgb = rgb  # bytes, width * height * 3

    def pixel(self, x, y):
        """The colour at region coordinates (x, y)."""
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i:i + 3])

    def row(self, y):
        return self.rgb[y * self.width * 3:(y + 1) * self.width * 3]

    def crop(self, x, y, width, height):
        rows = b"".join(self.row(y + r)[x * 3:(x + width) * 3] for r in range(height))
        return Picture(self.x + x, self.y + y, width, height, rows)

    def count(self, colour):
        """How many pixels have exactly that colour."""
        wanted = bytes(colour)
        return sum(1 for i in range(0, len(self.rgb), 3) if self.rgb[i:i + 3] == wanted)

    def differences(self, other):
        """How many pixels differ from a picture of the same size."""
        assert (self.width, self.height) == (other.width, other.height)
        a, b = self.rgb, other.rgb
        if a == b:
            return 0
        return sum(1 for i in range(0, len(a), 3) if a[i:i + 3] != b[i:i + 3])

    def find_rect(self, colour, width, height):
        """Region coordinates (x, y) of the first rectangle of exactly width x height pixels of
        one colour with other colours on its four sides (a white canvas in a grey frame), or
        None."""
        pixel = bytes(colour)
        run = pixel * width
        whole_run = re.compile(b"(?:" + re.escape(pixel) + b")+")
        for y in range(0, self.height - height + 1):
            row, pos = self.row(y), 0
            while True:
                start = row.find(run, pos)
                if start < 0:
                    break
                if start % 3:  # the colour's bytes across two pixels
                    pos = start + 1
                    continue
                end = whole_run.match(row, start).end()
                if end - start == len(run) and self._bounded(start // 3, y, width, height, run):
                    return start // 3, y
                pos = end
        return None

    def _bounded(self, x, y, width, height, run):
        for r in range(y, y + height):
            if self.row(r)[x * 3:(x + width) * 3] != run:
                return False
        for side in (y - 1, y + height):
            if 0 <= side < self.height and self.row(side)[x * 3:(x + width) * 3] == run:
                return False
        return True

    def runs_down(self, x, colour):
        """(top, length) of each vertical run of the colour in column x."""
        wanted, runs, top = tuple(colour), [], None
        for y in range(self.height + 1):
            inside = y < self.height and self.pixel(x, y) == wanted
            if inside and top is None:
                top = y
            elif not inside and top is not None:
                runs.append((top, y - top))
                top = None
        return runs

    def save_ppm(self, path):
        """For a look with an image viewer (convert it to PNG with ImageMagick)."""
        with open(path, "wb") as f:
            f.write(b"P6\n%d %d\n255\n" % (self.width, self.height) + self.rgb)
        return path


class XScreen:
    """One connection to a display, kept open: grabs and fake input without a new process."""

    def __init__(self, display_name):
        self._dpy = _x11.XOpenDisplay(display_name.encode())
        if not self._dpy:
            raise RuntimeError("cannot open display " + display_name)
        self._root = _x11.XDefaultRootWindow(self._dpy)

    def close(self):
        if self._dpy:
            _x11.XCloseDisplay(self._dpy)
            self._dpy = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    # --- pictures ---------------------------------------------------------------------------
    def grab_raw(self, x, y, width, height):
        """The region's pixels as the server keeps them (four bytes a pixel, B G R x): cheap
        to compare with an earlier grab."""
        image = _x11.XGetImage(self._dpy, self._root, x, y, width, height, _ALL_PLANES, _ZPIXMAP)
        if not image:
            raise RuntimeError("XGetImage failed for %dx%d+%d+%d" % (width, height, x, y))
        try:
            head = image.contents
            if head.bits_per_pixel != 32:
                raise RuntimeError("a display of %d bits a pixel" % head.bits_per_pixel)
            line = head.bytes_per_line
            data = ctypes.string_at(head.data, line * height)
        finally:
            # XDestroyImage is a macro; its default frees the data and the structure.
            _x11.XFree(image.contents.data)
            _x11.XFree(image)
        if line != width * 4:
            data = b"".join(data[r * line:r * line + width * 4] for r in range(height))
        return data

    def grab(self, x, y, width, height):
        raw = self.grab_raw(x, y, width, height)
        rgb = bytearray(width * height * 3)
        rgb[0::3] = raw[2::4]
        rgb[1::3] = raw[1::4]
        rgb[2::3] = raw[0::4]
        return Picture(x, y, width, height, bytes(rgb))

    def wait_for_change(self, x, y, width, height, before, timeout, step=0.004):
        """Seconds until the region's raw pixels differ from `before` (time.monotonic), or
        None after the time-out."""
        deadline = time.monotonic() + timeout
        while True:
            now = time.monotonic()
            if self.grab_raw(x, y, width, height) != before:
                return now
            if now > deadline:
                return None
            time.sleep(step)

    # --- pointer and keyboard ---------------------------------------------------------------
    def move(self, x, y):
        _xtst.XTestFakeMotionEvent(self._dpy, -1, x, y, 0)
        _x11.XSync(self._dpy, 0)

    def button(self, number, down):
        _xtst.XTestFakeButtonEvent(self._dpy, number, 1 if down else 0, 0)
        _x11.XSync(self._dpy, 0)

    def key(self, name):
        """Presses and releases one key by its keysym name ("Return", "a")."""
        code = _x11.XKeysymToKeycode(self._dpy, _x11.XStringToKeysym(name.encode()))
        if not code:
            raise RuntimeError("no key for " + name)
        _xtst.XTestFakeKeyEvent(self._dpy, code, 1, 0)
        _xtst.XTestFakeKeyEvent(self._dpy, code, 0, 0)
        _x11.XSync(self._dpy, 0)
