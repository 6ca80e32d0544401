"""Runs the real program as an office PC would: a display of its own (Xvfb, optionally a window
manager and the accessibility bus), copies of the program each in a folder of its own beside
their settings file, a database on the test run's Firebird server, and the keyboard, mouse and
screen of that display.

    with Display() as display, Database() as db:
        pc = ProgramCopy(display, db.settings(pc_user=1, pc_name="A"))
        pc.start()
        pc.wait_for_window()
        pc.keys("alt+c", "m")
        ...
        pc.signal(signal.SIGTERM)
        assert pc.wait() == 0

Every process started here is stopped again when its `with` block or `stop()` ends.
"""

import os
import shutil
import signal
import subprocess
import tempfile
import time

ISQL = "isql-fb"
USER, PASSWORD = "SYSDBA", "quillnest"


class HarnessError(RuntimeError):
    """Something the harness needs did not work: no display, no server, no window."""


def _wait_until(condition, timeout, what, step=0.1):
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise HarnessError("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(step)


class Display:
    """An Xvfb display with a number of its own, optionally with a window manager (openbox,
    which draws captions) and the accessibility bus (at-spi over a session D-Bus)."""

    def __init__(self, width=1280, height=1024, window_manager=False, accessibility=False):
        self.size = (width, height)
        self.window_manager = window_manager
        self.accessibility = accessibility
        self.name = None
        self.env = dict(os.environ)
        self._processes = []
        self._dir = None

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()

    def start(self):
        if shutil.which("Xvfb") is None:
            raise HarnessError("Xvfb is not installed (scripts/setup.sh installs it)")
        self._dir = tempfile.mkdtemp(prefix="oekaki-display.")
        read_end, write_end = os.pipe()
        log = os.path.join(self._dir, "xvfb.txt")
        # -displayfd: the server takes a free display number itself and says which.
        with open(log, "wb") as errors:
            xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                 "%dx%dx24" % self.size, "-nolisten", "tcp", "-noreset"],
                pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=errors)
        os.close(write_end)
        self._processes.append(xvfb)
        number = b""
        with os.fdopen(read_end, "rb") as reader:
            number = reader.readline().strip()
        if not number:
            with open(log, "rb") as errors:
                err = errors.read().decode(errors="replace")
            self.stop()
            raise HarnessError("Xvfb did not start: " + err.strip())
        self.name = ":" + number.decode()
        self.env["DISPLAY"] = self.name
        self.env["QT_QPA_PLATFORM"] = "xcb"
        self.env.pop("WAYLAND_DISPLAY", None)
        if self.accessibility:
            self._start_accessibility()
        if self.window_manager:
            self._spawn(["openbox", "--sm-disable"])
            _wait_until(lambda: self._has_window_manager(), 10, "the window manager")

    def _spawn(self, command):
        process = subprocess.Popen(command, env=self.env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self._processes.append(process)
        return process

    def _has_window_manager(self):
        out = self.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check=False)
        return "window id" in out

    def _start_accessibility(self):
        out = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1",
                              "--print-pid=1"], env=self.env, capture_output=True, text=True,
                             check=True).stdout.split()
        self.env["DBUS_SESSION_BUS_ADDRESS"] = out[0]
        self._dbus_pid = int(out[1])
        self.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        self.env["NO_AT_BRIDGE"] = "0"
        self._spawn(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
        time.sleep(0.5)

    def stop(self):
        for process in reversed(self._processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        self._processes = []
        pid = getattr(self, "_dbus_pid", None)
        if pid:
            try:
                os.kill(pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
            self._dbus_pid = None
        if self._dir:
            shutil.rmtree(self._dir, ignore_errors=True)
            self._dir = None

    # --- the display's keyboard, mouse and screen ------------------------------------------
    def run(self, command, check=True):
        result = subprocess.run(command, env=self.env, capture_output=True, text=True)
        if check and result.returncode != 0:
            raise HarnessError("%s failed: %s" % (" ".join(command), result.stderr.strip()))
        return result.stdout

    def xdotool(self, *arguments):
        return self.run(["xdotool"] + [str(a) for a in arguments])

    def click(self, x, y, button=1):
        self.xdotool("mousemove", "--sync", x, y, "click", button)

    def screenshot(self, path):
        """The whole screen as a PNG file."""
        self.run(["import", "-window", "root", path])
        return path

    def pixel(self, x, y):
        """The colour (r, g, b) of one screen pixel."""
        out = self.run(["import", "-window", "root", "-crop", "1x1+%d+%d" % (x, y),
                        "-depth", "8", "txt:-"])
        rgb = out.splitlines()[-1].split("(")[1].split(")")[0].split(",")[:3]
        return tuple(int(float(v)) for v in rgb)

    def windows(self, pid, name=None):
        """Ids of the visible top-level windows of a process, optionally by caption."""
        command = ["xdotool", "search", "--onlyvisible", "--pid", str(pid)]
        if name:
            command += ["--name", name]
        else:
            command += ["--name", ""]
        out = self.run(command, check=False)
        return [int(w) for w in out.split()]

    def geometry(self, window):
        """(x, y, width, height) of a window on the screen."""
        values = {}
        for line in self.xdotool("getwindowgeometry", "--shell", window).splitlines():
            key, _, value = line.partition("=")
            values[key] = int(value)
        return values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]

    # --- the accessibility tree (needs accessibility=True) ---------------------------------
    def accessible(self, pid, role, name, timeout=10):
        """The first accessible of the process with that role name ("menu item" for the top
        menus and their items alike, "push button", "text", ...) and name (access keys show as
        "(I)"), waiting for it to appear."""
        import pyatspi  # Debian's python3-pyatspi, for /usr/bin/python3

        os.environ["DBUS_SESSION_BUS_ADDRESS"] = self.env["DBUS_SESSION_BUS_ADDRESS"]
        os.environ["DISPLAY"] = self.name

        def find():
            desktop = pyatspi.Registry.getDesktop(0)
            for app in desktop:
                if app is None or app.get_process_id() != pid:
                    continue
                found = pyatspi.findDescendant(
                    app, lambda a: a.getRoleName() == role and a.name == name)
                if found:
                    return found
            return None

        return _wait_until(find, timeout, "%s %r" % (role, name), step=0.3)

    @staticmethod
    def press(accessible):
        """Runs an accessible's first action: a menu item is chosen, a button pressed, with no
        need for it to be visible. The program answers only when the action's handler returns:
        click items that open a modal dialog or message box instead (click_accessible)."""
        accessible.queryAction().doAction(0)

    def click_accessible(self, accessible):
        import pyatspi

        box = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        self.click(box.x + box.width // 2, box.y + box.height // 2)


class Database:
    """A database of its own on the test run's Firebird server (OEKAKI_TEST_SERVER and
    OEKAKI_TEST_DATA, set by scripts/test.sh), dropped at the end."""

    counter = 0

    def __init__(self, server=None, data=None):
        self.server = server or os.environ.get("OEKAKI_TEST_SERVER")
        self.data = data or os.environ.get("OEKAKI_TEST_DATA")
        if not self.server or not self.data:
            raise HarnessError("no test server: run the tests with bash scripts/test.sh")
        Database.counter += 1
        self.file = "R%d_%d.FDB" % (os.getpid(), Database.counter)
        self.path = self.server + self.data + self.file

    def __enter__(self):
        self.create()
        return self

    def __exit__(self, *exc):
        self.drop()

    def _isql(self, script, database=None):
        command = [ISQL, "-q", "-user", USER, "-password", PASSWORD]
        if database:
            command.append(database)
        result = subprocess.run(command, input=script.encode("cp932"), capture_output=True,
                                timeout=60)
        out = result.stdout.decode("cp932", errors="replace")
        err = result.stderr.decode("cp932", errors="replace")
        if result.returncode != 0 or "Statement failed" in err or "SQLSTATE" in err:
            raise HarnessError("isql: " + (err or out).strip())
        return out

    def create(self):
        self._isql("CREATE DATABASE '%s' PAGE_SIZE 4096;\n" % self.path)

    def drop(self):
        try:
            self._isql("DROP DATABASE;\n", self.path)
        except HarnessError:
            pass

    def execute(self, sql):
        """Runs statements (each ending in ';') and commits."""
        self._isql(sql.rstrip() + "\nCOMMIT;\n", self.path)

    def rows(self, select):
        """The rows of a select, each a list of text fields split on blanks."""
        out = self._isql("SET HEADING OFF;\n%s;\n" % select.rstrip(";"), self.path)
        return [line.split() for line in out.splitlines() if line.strip()]

    def wait_for_rows(self, select, expected, timeout=10):
        """Whether the select gives the expected rows within the time (a table that does not
        exist yet counts as not yet)."""
        def matches():
            try:
                return self.rows(select) == expected
            except HarnessError:
                return False

        try:
            return _wait_until(matches, timeout, select, step=0.2)
        except HarnessError:
            return False

    def settings(self, pc_user=0, pc_name="", main=(192, 107, 347, 246), **windows):
        """The values of a settings file that points at this database (window sizes and the
        pen as Settings takes them)."""
        return Settings(self.server, self.data, self.file, pc_user, pc_name, main, **windows)

    def office(self, members, pictures=()):
        """The tables an older build makes, as it makes them, with members (number, name) and
        pictures (number, name, width, height) in them."""
        script = [MEMBER_TABLE, IMGLIST_TABLE]
        for number, name in members:
            script.append("INSERT INTO MEMBER (N, SN, PNAME) VALUES (%d, 0, '%s');"
                          % (number, name))
        for number, name, width, height in pictures:
            script.append("INSERT INTO IMGLIST (N, MN, INAME, SX, SY, DATE1, DATE2) VALUES "
                          "(%d, 1, '%s', %d, %d, '20260101', '20260101');"
                          % (number, name, width, height))
        self.execute("\n".join(script))

    def shared_tables(self, picture=1):
        """A picture's stroke table, CHAT and MOUSEPOS as an older build makes them, with the
        triggers this build adds beside them (each posting an event named after its table),
        all there before any PC opens a window on them."""
        script = [STROKE_TABLE % picture, CHAT_TABLE, MOUSEPOS_TABLE, "COMMIT;", "SET TERM ^ ;"]
        for table, when in (("IMG_%d" % picture, "INSERT"), ("CHAT", "INSERT"),
                            ("MOUSEPOS", "INSERT OR UPDATE")):
            script.append("CREATE TRIGGER %s_EVENT FOR %s ACTIVE AFTER %s POSITION 0 "
                          "AS BEGIN POST_EVENT '%s'; END^" % (table, table, when, table))
        script.append("SET TERM ; ^")
        self.execute("\n".join(script))

    def triggers(self, names):
        """How many of the named triggers the catalogue holds."""
        return int(self.rows("SELECT COUNT(*) FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME IN ('%s')"
                             % "','".join(names))[0][0])

    def drop_trigger(self, name, timeout=30):
        """Drops a trigger as an older build's database lacks it. A PC reading the table holds
        it for a moment: the drop asks without waiting and is tried again."""
        def dropped():
            try:
                self.execute("SET AUTODDL OFF;\nSET TRANSACTION NO WAIT;\nDROP TRIGGER %s;"
                             % name)
                return True
            except HarnessError as error:
                if "does not exist" in str(error) or "not found" in str(error):
                    return True
                return False

        _wait_until(dropped, timeout, "the drop of trigger " + name, step=0.3)


# The creation scripts of the shared tables, as every build makes them.
MEMBER_TABLE = """CREATE TABLE MEMBER (
  N  INTEGER NOT NULL UNIQUE,
  SN INTEGER,
  PNAME VARCHAR(16)
  );"""
STROKE_TABLE = """CREATE TABLE IMG_%d (
  N    INTEGER NOT NULL UNIQUE,
  MN   INTEGER,
  DN   INTEGER,
  PTYP INTEGER,
  PSIZ INTEGER,
  PCOL INTEGER,
  X    INTEGER,
  Y    INTEGER
  );"""
CHAT_TABLE = """CREATE TABLE CHAT (
  N  INTEGER NOT NULL UNIQUE,
  MN    INTEGER,
  CTEXT VARCHAR(80),
  CDATE VARCHAR(8),
  CTIME VARCHAR(6)
  );"""
MOUSEPOS_TABLE = """CREATE TABLE MOUSEPOS (
  MN  INTEGER,
  ST  INTEGER,
  MX  INTEGER,
  MY  INTEGER
  );"""
IMGLIST_TABLE = """CREATE TABLE IMGLIST (
  N  INTEGER NOT NULL UNIQUE,
  MN    INTEGER,
  INAME VARCHAR(64),
  MEMO1 VARCHAR(80),
  MEMO2 VARCHAR(80),
  MEMO3 VARCHAR(80),
  SX    INTEGER,
  SY    INTEGER,
  DATE1 VARCHAR(8),
  DATE2 VARCHAR(8)
  );"""


class Settings:
    """The program's 39-line settings file (CP932, CRLF), written beside a program copy."""

    def __init__(self, prefix="localhost:", folder="", file="PAINT.FDB", pc_user=0, pc_name="",
                 main=(192, 107, 347, 246), image_list=(320, 240), board=(320, 240),
                 pen=(0, 1, 0), chat=(320, 240)):
        """main: left, top, width, height; pen: shape, size, colour (0x00BBGGRR); the other
        windows: width, height."""
        self.lines = [prefix, folder, file, str(pc_user), pc_name] + [str(v) for v in main]
        dialogs = ["200", "200"] * 4  # TForm2, TForm3, TForm4, TForm5
        image_list = [str(v) for v in image_list] + ["64"] * 7 + ["32"]
        # size, bitmap folder, pen, TForm9
        board = [str(v) for v in board] + [""] + [str(v) for v in pen] + ["200", "200"]
        chat = [str(v) for v in chat] + ["200", "200"]  # size, TForm11
        self.lines += dialogs + image_list + board + chat
        assert len(self.lines) == 39

    def write(self, path):
        with open(path, "wb") as f:
            f.write("".join(line + "\r\n" for line in self.lines).encode("cp932"))

    @staticmethod
    def read(path):
        with open(path, "rb") as f:
            return f.read().decode("cp932").split("\r\n")[:-1]


class ProgramCopy:
    """One copy of the program in a folder of its own with its settings file, on a display."""

    def __init__(self, display, settings, program=None):
        self.display = display
        self.settings = settings
        self.program = program or os.environ.get("OEKAKI_PROGRAM")
        if not self.program or not os.path.exists(self.program):
            raise HarnessError("no program to run: pass its path or set OEKAKI_PROGRAM")
        self.dir = tempfile.mkdtemp(prefix="oekaki-pc.")
        self.binary = os.path.join(self.dir, "oekaki")
        self.settings_file = os.path.join(self.dir, "oekaki.dat")
        shutil.copy2(self.program, self.binary)
        settings.write(self.settings_file)
        self.process = None
        self.output = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()

    def start(self):
        self.output = open(os.path.join(self.dir, "output.txt"), "wb")
        self.process = subprocess.Popen([self.binary], cwd=self.dir, env=self.display.env,
                                        stdout=self.output, stderr=subprocess.STDOUT)
        return self

    @property
    def pid(self):
        return self.process.pid

    def running(self):
        return self.process is not None and self.process.poll() is None

    def wait_for_window(self, name=None, timeout=20):
        """The id of the first visible top-level window (by caption) of this copy."""
        def find():
            if not self.running():
                raise HarnessError("the program ended early:\n" + self.log())
            found = self.display.windows(self.pid, name)
            return found[0] if found else None

        return _wait_until(find, timeout, "a window %r of the program" % (name or ""))

    def focus(self, window):
        """Gives a window the keyboard (works without a window manager too)."""
        self.display.xdotool("windowfocus", "--sync", window)

    def keys(self, *keys, window=None):
        """Presses keys (xdotool names: "alt+c", "m", "Return") one after the other."""
        for key in keys:
            if window:
                self.display.xdotool("key", "--window", window, key)
            else:
                self.display.xdotool("key", key)
            time.sleep(0.2)

    def signal(self, number):
        self.process.send_signal(number)

    def wait(self, timeout=20):
        """The exit status, or None when it is still running after the time-out."""
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def log(self):
        if self.output:
            self.output.flush()
        try:
            with open(os.path.join(self.dir, "output.txt"), "rb") as f:
                return f.read().decode(errors="replace")
        except OSError:
            return ""

    def stop(self):
        if self.running():
            self.process.kill()
            self.process.wait()
        if self.output:
            self.output.close()
            self.output = None
        shutil.rmtree(self.dir, ignore_errors=True)
