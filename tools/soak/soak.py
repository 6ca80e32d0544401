"""The soak: the whole program the way a busy office uses it, while its server is stopped,
killed and frozen. Run it with scripts/soak.sh, which builds first and says which build to use
(OEKAKI_PROGRAM, SOAK_MEMBER).

Three program copies draw on one picture while a fourth watches and a fifth loads catalogue
pages; ten chat members send their lines and ten members share their pointers (processes of
tools/soak_member, the program's own windows offscreen). Then it checks every stored row, every
board's pixels, every chat window's lines and every balloon, and prints one table."""

import argparse
import os
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from soak_copies import Copy, MessageBoxCloser, pen_rgb, read_stalls  # noqa: E402
from soak_server import Faults, OwnServer  # noqa: E402
from oekaki_harness import Database, HarnessError  # noqa: E402  (on the path soak_copies set)

PICTURE = (380, 330)
STROKE = 60  # points per stroke: a drag of about a second
COLOURS = (0x0000FF, 0x00A000, 0xFF0000)  # red, green, blue (0x00BBGGRR)
DRAWERS, WATCHER, READER = (1, 2, 3), 4, 5
CHAT_BASE, POINTER_BASE = 10, 20


def log(text):
    print("[%s] %s" % (time.strftime("%H:%M:%S"), text), flush=True)


class Soak:
    def __init__(self, options):
        self.o = options
        self.server = OwnServer()
        self.copies = []
        self.members = []
        self.control = tempfile.mkdtemp(prefix="oekaki-soak.")
        self.sent = {m: [] for m in DRAWERS}  # every pixel each drawer moved through, in order
        self.strokes_in_outage = 0
        self.catalogue_loads = [0, 0]  # all, while the server was away
        self.recoveries = []  # (kind, seconds until every pointer member wrote again)
        self.problems = []
        self.topped_up = 0
        self.started = time.monotonic()

    # --- the database, read with isql --------------------------------------------------------
    def db(self):
        db = Database(self.server.prefix, self.server.data)
        db.file = "SOAK.FDB"
        db.path = self.server.prefix + self.server.data + db.file
        return db

    def rows(self, select, timeout=60):
        deadline = time.monotonic() + timeout
        while True:
            try:
                return self.db().rows(select)
            except (HarnessError, subprocess.TimeoutExpired):
                if time.monotonic() > deadline:
                    raise
                time.sleep(1)

    # --- setting up ---------------------------------------------------------------------------
    def setup(self):
        port = self.server.start()
        log("own server on port %d (%s)" % (port, self.server.dir))
        path = self.server.prefix + self.server.data + "SOAK.FDB"
        subprocess.run([os.environ["SOAK_MEMBER"], "setup", path, str(PICTURE[0]),
                        str(PICTURE[1])], check=True, env=self.member_env(), timeout=120)
        for member, colour in zip(DRAWERS, COLOURS):
            self.copies.append(Copy("pc%d" % member, self.server, member, colour))
        self.copies.append(Copy("pc%d" % WATCHER, self.server, WATCHER))
        self.copies.append(Copy("pc%d" % READER, self.server, READER))
        for copy in self.copies:
            copy.start()
        for copy in self.copies:
            copy.open_catalogue()
        for copy in self.copies[:4]:
            copy.open_board()
        for copy in self.copies[:4]:
            copy.find_canvas(*PICTURE)
            log("%s: picture at %s" % (copy.name, copy.canvas))
        for copy in self.copies[:3]:
            copy.switch_drawing_on()
        self.start_members(path)

    def member_log(self):
        # Qt's offscreen platform says at every balloon that it cannot raise it.
        return open(os.path.join(self.control, "members.log"), "ab")

    def member_env(self):
        env = dict(os.environ)
        env["QT_QPA_PLATFORM"] = "offscreen"
        return env

    def start_members(self, path):
        member = os.environ["SOAK_MEMBER"]
        total = self.o.chat_members * self.o.chat_lines
        self.members_started = time.monotonic()
        for i in range(1, self.o.chat_members + 1):
            self.members.append(("chat", CHAT_BASE + i, subprocess.Popen(
                [member, "chat", path, str(CHAT_BASE + i), self.control, str(self.o.chat_lines),
                 str(total), str(int(self.fault_seconds()))], env=self.member_env(),
                stdout=self.member_log(), stderr=subprocess.STDOUT)))
        numbers = [str(POINTER_BASE + i) for i in range(1, self.o.pointers + 1)]
        for number in numbers:
            self.members.append(("pointer", int(number), subprocess.Popen(
                [member, "pointer", path, number, self.control] + numbers,
                env=self.member_env(), stdout=self.member_log(), stderr=subprocess.STDOUT)))
        time.sleep(5)

    def fault_seconds(self):
        return self.o.rounds * (3 * self.o.calm + 2 * self.o.down + self.o.freeze + 6)

    # --- the load, while the server comes and goes --------------------------------------------
    def pixels(self, index):
        """Every pixel of drawer `index`'s band, once, along a serpentine."""
        top = 5 + index * 108
        for row, y in enumerate(range(top, top + 100)):
            xs = range(5, PICTURE[0] - 5)
            for x in (xs if row % 2 == 0 else reversed(xs)):
                yield x, y

    def draw(self, index, copy, points, spread, source):
        strokes = max(1, (points + STROKE - 1) // STROKE)
        begin = time.monotonic()
        for k in range(strokes):
            due = begin + spread * k / strokes
            if time.monotonic() < due:
                time.sleep(due - time.monotonic())
            count = min(STROKE, points - k * STROKE)
            stroke = [next(source) for _ in range(count)]
            self.sent[DRAWERS[index]].extend(stroke)
            if not self.server.up or self.frozen:
                self.strokes_in_outage += 1
            copy.stroke(stroke)

    def load_catalogue(self, copy, halt):
        while not halt.wait(3):
            away = not self.server.up or self.frozen
            copy.keys("alt+u")  # 更新(&U): the first page again
            self.catalogue_loads[0] += 1
            self.catalogue_loads[1] += 1 if away else 0

    def pointer_positions(self):
        return {r[0]: (r[1], r[2]) for r in self.rows(
            "SELECT MN, MX, MY FROM MOUSEPOS WHERE MN > %d" % POINTER_BASE, timeout=30)}

    def watch_return(self, kind, returned):
        """Seconds from the server's return until every pointer member has written anew."""
        def watch():
            try:
                before = self.pointer_positions()
                while True:
                    now = self.pointer_positions()
                    if all(now.get(m) != p for m, p in before.items()):
                        self.recoveries.append((kind, time.monotonic() - returned))
                        return
                    if time.monotonic() - returned > 60:
                        self.recoveries.append((kind, None))
                        return
                    time.sleep(0.25)
            except Exception as error:  # noqa: BLE001
                self.problems.append("pointer watch after %s: %s" % (kind, error))
        threading.Thread(target=watch, daemon=True).start()

    def run_load(self):
        self.frozen = False
        faults = Faults(self.server, self.o.rounds, self.o.down, self.o.freeze, self.o.calm,
                        on_return=self.watch_return)
        original_inject = faults.inject

        def inject(kind):
            self.frozen = kind == "freeze"
            try:
                original_inject(kind)
            finally:
                self.frozen = False
        faults.inject = inject
        closer = MessageBoxCloser(self.copies)
        closer.start()
        halt = threading.Event()
        reader = threading.Thread(target=self.load_catalogue, args=(self.copies[4], halt),
                                  daemon=True)
        spread = self.fault_seconds() - 10
        self.sources = [self.pixels(i) for i in range(3)]
        drawers = [threading.Thread(target=self.draw, daemon=True,
                                    args=(i, self.copies[i], self.o.points, spread,
                                          self.sources[i])) for i in range(3)]
        open(os.path.join(self.control, "go"), "w").close()
        self.load_began = time.monotonic()
        log("load and faults begin (about %d s)" % self.fault_seconds())
        faults.start()
        reader.start()
        for t in drawers:
            t.start()
        faults.join()
        log("faults done: %s" % ", ".join(k for k, _, _ in faults.done))
        if faults.error:
            self.problems.append("fault injection: %s" % faults.error)
        for t in drawers:
            t.join()
        halt.set()
        reader.join()
        # The catalogue has no poll: a page that failed to load stays empty until the next
        # load, which the reader asks for as anyone would.
        self.copies[4].keys("alt+u")
        self.faults = faults
        self.closer = closer
        self.last_return = faults.done[-1][2] if faults.done else time.monotonic()

    # --- bringing every drawer to its number of points ----------------------------------------
    def counts(self):
        rows = self.rows("SELECT MN, COUNT(*) FROM IMG_1 GROUP BY MN")
        return {int(r[0]): int(r[1]) for r in rows}

    def wait_until_stored(self):
        """The counts once every board has stored what waits (unchanged over 12 s)."""
        stable, previous = 0, None
        while stable < 3:
            time.sleep(4)
            now = self.counts()
            stable = stable + 1 if now == previous else 0
            previous = now
        return previous

    def top_up(self):
        """Moves a busy program missed were merged by the display and never became points;
        draw, slowly now, until each drawer has exactly its number stored."""
        deadline = time.monotonic() + 20 * 60
        while True:
            counts = self.wait_until_stored()
            short = {m: self.o.points - counts.get(m, 0) for m in DRAWERS}
            if all(v <= 0 for v in short.values()) or time.monotonic() > deadline:
                return counts
            self.topped_up += sum(max(v, 0) for v in short.values())
            for index, member in enumerate(DRAWERS):
                left = short[member]
                while left > 0:
                    stroke = [next(self.sources[index]) for _ in range(min(STROKE, left))]
                    self.sent[member].extend(stroke)
                    self.copies[index].stroke(stroke, pause_every=1, pause="0.008")
                    left -= len(stroke)

    # --- checking ----------------------------------------------------------------------------
    def check_rows(self):
        rows = [list(map(int, r)) for r in self.rows(
            "SELECT N, MN, DN, X, Y, PCOL FROM IMG_1 ORDER BY N", timeout=120)]
        numbers = [r[0] for r in rows]
        result = {"rows": len(rows), "gapless": numbers == list(range(1, len(rows) + 1))}
        doubled = foreign = disordered = 0
        for index, member in enumerate(DRAWERS):
            order = {p: i for i, p in enumerate(self.sent[member])}
            mine = [r for r in rows if r[1] == member]
            seen = set()
            last_in_stroke = {}
            for n, _, dn, x, y, colour in mine:
                if (x, y) in seen:
                    doubled += 1
                seen.add((x, y))
                if (x, y) not in order or colour != COLOURS[index]:
                    foreign += 1
                    continue
                if order[(x, y)] < last_in_stroke.get(dn, -1):
                    disordered += 1
                last_in_stroke[dn] = order[(x, y)]
            result["rows_%d" % member] = len(mine)
        result.update(doubled=doubled, foreign=foreign, disordered=disordered)
        self.stroke_rows = rows
        return result

    def expected_picture(self):
        width, height = PICTURE
        picture = bytearray(b"\xff" * (width * height * 3))
        for _, _, _, x, y, colour in self.stroke_rows:
            if 0 <= x < width and 0 <= y < height:
                i = (y * width + x) * 3
                picture[i:i + 3] = pen_rgb(colour)
        return bytes(picture)

    def differing(self, copies, expected):
        differing = {}
        for copy in copies:
            got = copy.picture(*PICTURE)
            diff = sum(1 for i in range(0, len(got), 3) if got[i:i + 3] != expected[i:i + 3])
            if diff:
                differing[copy.name] = diff
        return differing

    def check_boards(self):
        """The four boards open throughout within one poll (5 s, and a little for the busy
        machine), then a fifth opened now on everything stored."""
        expected = self.expected_picture()
        began = time.monotonic()
        while True:
            differing = self.differing(self.copies[:4], expected)
            if not differing or time.monotonic() - began > 15:
                break
            time.sleep(0.5)
        seconds = time.monotonic() - began
        reader = self.copies[4]
        reader.keys("alt+d")  # 詳細(&D) on the catalogue's row 1
        time.sleep(3)
        reader.canvas = self.copies[3].canvas  # same screen, same windows, same place
        differing.update(self.differing([reader], expected))
        for copy in self.copies:
            if copy.name in differing:
                shot = os.path.join(tempfile.gettempdir(), "oekaki-soak-%s.png" % copy.name)
                copy.display.screenshot(shot)
                self.problems.append("%s differs: screenshot %s" % (copy.name, shot))
        return differing, seconds

    def check_chat(self):
        total = self.o.chat_members * self.o.chat_lines
        rows = self.rows("SELECT N, CTEXT FROM CHAT ORDER BY N")
        numbers = [int(r[0]) for r in rows]
        texts = [" ".join(r[1:]) for r in rows]
        wanted = ["soak m%d line %d" % (CHAT_BASE + m, i)
                  for m in range(1, self.o.chat_members + 1)
                  for i in range(1, self.o.chat_lines + 1)]
        result = {
            "lines": len(rows), "gapless": numbers == list(range(1, len(rows) + 1)),
            "doubled": len(texts) - len(set(texts)),
            "lost": len(set(wanted) - set(texts)), "windows_right": 0, "windows": 0,
            "doubled_lines": sorted({t for t in texts if texts.count(t) > 1}),
        }
        for kind, number, _ in self.members:
            if kind != "chat":
                continue
            result["windows"] += 1
            try:
                with open(os.path.join(self.control, "chat_%d.lines" % number)) as f:
                    shown = [line for line in f.read().split("\n") if line]
            except OSError:
                shown = []
            if shown == texts:  # every line of the table, in number order
                result["windows_right"] += 1
        return result

    def member_results(self, kind):
        results = []
        for k, number, process in self.members:
            if k != kind:
                continue
            path = os.path.join(self.control, "%s_%d.txt" % (kind, number))
            values = {}
            try:
                with open(path) as f:
                    values = dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)
            except OSError:
                pass
            values["exit"] = process.poll()
            results.append(values)
        return results

    def wait_for_files(self, kind, timeout):
        deadline = time.monotonic() + timeout
        for k, number, process in self.members:
            if k != kind:
                continue
            path = os.path.join(self.control, "%s_%d.txt" % (kind, number))
            while not os.path.exists(path) and process.poll() is None:
                if time.monotonic() > deadline:
                    break
                time.sleep(1)

    # --- the whole run -----------------------------------------------------------------------
    def run(self):
        try:
            self.setup()
            self.run_load()
            log("drawing each copy's last points")
            self.top_up()
            log("checking")
            rows = self.check_rows()
            boards, board_seconds = self.check_boards()
            open(os.path.join(self.control, "settle"), "w").close()
            self.wait_for_files("pointer", 120)
            self.wait_for_files("chat", 300)
            chat = self.check_chat()
            open(os.path.join(self.control, "stop"), "w").close()
            for _, _, process in self.members:
                try:
                    process.wait(60)
                except subprocess.TimeoutExpired:
                    process.kill()
                    self.problems.append("a member process did not end")
            pointers = self.member_results("pointer")
            chats = self.member_results("chat")
            self.closer.halt.set()
            ends = {c.name: c.end() for c in self.copies}
            self.read_all_stalls()
            self.report(rows, boards, board_seconds, chat, chats, pointers, ends)
        finally:
            for _, _, process in self.members:
                if process.poll() is None:
                    process.kill()
            for copy in self.copies:
                copy.stop()
            self.server.remove()

    def read_all_stalls(self):
        """Every long gap of every UI thread, by group: (name, begin, end, ms)."""
        self.stalls = {"program copies": [], "chat members": [], "pointer members": []}
        for copy in self.copies:
            gaps, longest = read_stalls(copy.stall_file, copy.started)
            self.stalls["program copies"] += [(copy.name,) + g for g in gaps]
        for kind, number, _ in self.members:
            path = os.path.join(self.control, "%s_%d.stall" % (kind, number))
            gaps, _ = read_stalls(path, self.members_started)
            self.stalls[kind + " members"] += [("m%d" % number,) + g for g in gaps]

    def during(self, begin, end):
        """What the server went through while a gap lasted."""
        for kind, started, returned in self.faults.done:
            if begin <= returned + 1 and end >= started:
                return kind
        return "server up"

    def handler_lines(self):
        lines = []
        for group, gaps in self.stalls.items():
            run = [g for g in gaps if g[1] >= self.load_began - 1]
            start = [g for g in gaps if g[1] < self.load_began - 1]
            longest = max(run, key=lambda g: g[3], default=None)
            text = "%s: %s" % (group, "under 1000 ms" if not longest else "%d ms (%s, %s)" % (
                longest[3], longest[0], self.during(longest[1], longest[2])))
            if start:
                text += ", at start-up %d ms" % max(g[3] for g in start)
            lines.append(text)
        return lines

    def report(self, rows, boards, board_seconds, chat, chats, pointers, ends):
        kinds = [k for k, _, _ in self.faults.done]
        crashed = [n for n, status in ends.items() if status != 0] + [
            "member (exit %s)" % r["exit"] for r in chats + pointers if r["exit"] != 0]
        recovered = [s for _, s in self.recoveries if s is not None]
        failed_sends = sum(int(r.get("failed_sends", 0)) for r in chats)
        placed = sum(1 for r in pointers if r.get("all_placed") == "1")
        print()
        print("| Soak (%s) | |" % ("quick" if self.o.quick else "full"))
        print("|---|---|")
        expected_rows = self.o.points * len(DRAWERS)
        print("| stroke rows | %d of %d, N gapless from 1: %s, per copy %s |" % (
            rows["rows"], expected_rows, "yes" if rows["gapless"] else "NO",
            " / ".join(str(rows["rows_%d" % m]) for m in DRAWERS)))
        print("| strokes drawn while the server was away | %d (of 60 moves; %d moves sent again "
              "at the end for moves the busy display merged) |" % (self.strokes_in_outage,
                                                                   self.topped_up))
        print("| boards equal to the rows, pixel for pixel | %d of 5 (4 open throughout, 1 opened"
              " afresh)%s |" % (5 - len(boards), "" if not boards else ": differing pixels %s"
                                 % boards))
        print("| chat lines | %d of %d, N gapless: %s; sends refused and typed again: %d |" % (
            chat["lines"], self.o.chat_members * self.o.chat_lines,
            "yes" if chat["gapless"] else "NO", failed_sends))
        print("| chat windows showing every line in number order | %d of %d |" % (
            chat["windows_right"], chat["windows"]))
        print("| pointer members with every balloon where it belongs | %d of %d |" % (
            placed, len(pointers)))
        print("| catalogue page loads (while the server was away) | %d (%d) |" % tuple(
            self.catalogue_loads))
        print("| faults injected | %d: stop %d, kill %d, freeze %d s %d |" % (
            len(kinds), kinds.count("stop"), kinds.count("kill"), self.o.freeze,
            kinds.count("freeze")))
        print("| back to normal after the server returned | pointers: longest %s s; boards: "
              "%.1f s after the last stroke |" % ("%.1f" % max(recovered) if recovered else "-",
                                                  board_seconds))
        print("| message boxes shown (closed by the soak) | %d |" % sum(
            c.messages for c in self.copies))
        print("| longest UI handler during the run (bound 5000 ms) | %s |" % "; ".join(
            self.handler_lines()))
        print("| crashed or unclean exit | %s |" % (", ".join(crashed) or "none"))
        # A point drawn but never stored shows on its own board and in no row.
        lost = sum(boards.get("pc%d" % m, 0) for m in DRAWERS)
        print("| lost / doubled | points %d / %d (foreign or out of order %d), chat lines %d / %d |"
              % (lost, rows["doubled"], rows["foreign"] + rows["disordered"], chat["lost"],
                 chat["doubled"]))
        print("| run time | %.0f min |" % ((time.monotonic() - self.started) / 60))
        print()
        over = sorted((g for gaps in self.stalls.values() for g in gaps if g[3] >= 5000),
                      key=lambda g: g[1])
        for name, begin, end, ms in over:
            print("handler of %d ms: %s, %.0f s into the load, %s" % (
                ms, name, begin - self.load_began, self.during(begin, end)))
        print("pointer recovery per fault: %s" % ", ".join(
            "%s %s" % (k, "-" if s is None else "%.1f s" % s) for k, s in self.recoveries))
        for line in chat["doubled_lines"]:
            self.problems.append("chat line stored twice: %s" % line)
        for problem in self.problems:
            print("problem: %s" % problem)
        sys.stdout.flush()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--quick", action="store_true", help="fewer points, lines and faults")
    parser.add_argument("--points", type=int, help="points each drawing copy draws (5000)")
    parser.add_argument("--chat-members", type=int, default=10)
    parser.add_argument("--chat-lines", type=int, help="lines each chat member sends (100)")
    parser.add_argument("--pointers", type=int, default=10, help="members sharing pointers")
    parser.add_argument("--rounds", type=int, help="stop, kill and freeze, each this often (3)")
    parser.add_argument("--freeze", type=int, default=20, help="seconds a freeze lasts")
    parser.add_argument("--down", type=int, default=6, help="seconds a stopped server stays down")
    parser.add_argument("--calm", type=int, default=12, help="seconds between two faults")
    o = parser.parse_args()
    o.points = o.points or (500 if o.quick else 5000)
    o.chat_lines = o.chat_lines or (20 if o.quick else 100)
    o.rounds = o.rounds or (1 if o.quick else 3)
    Soak(o).run()


if __name__ == "__main__":
    main()
