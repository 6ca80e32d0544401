"""Two real program copies draw crossing strokes on one picture at the same moment, one with a
large pen and one with a small one, and store them together (their numbers collide). After
their next refresh both boards show, pixel for pixel, what a third copy shows when it opens the
picture afresh; the stroke table is numbered from 1 without a gap and holds each point once, in
the order it was drawn."""

import os
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from oekaki_harness import Database  # noqa: E402
from office_pcs import Pc, colour_value, save_png  # noqa: E402

PICTURE = (240, 180)
LARGE = (0, 15, colour_value((255, 0, 0)))  # a red disc of 15 pixels
SMALL = (2, 3, colour_value((0, 0, 255)))  # a blue square of 3
REFRESH_BOUND = 8.0  # the boards' 5-s poll on a busy machine, should an event not come
STEPS = 24


def crossing_strokes(round_number):
    """A's stroke across and B's stroke down for one round, as lists of canvas points; the
    last round both go along the same diagonal."""
    if round_number == 3:
        line = [(20 + 8 * k, 10 + 6 * k) for k in range(STEPS)]
        return line, list(line)
    y = 40 + 50 * round_number
    x = 60 + 60 * round_number
    across = [(16 + 9 * k, y) for k in range(STEPS)]
    down = [(x, 8 + 7 * k) for k in range(STEPS)]
    return across, down


class BoardsConverge(unittest.TestCase):
    def test_two_copies_drawing_at_once_end_as_a_fresh_board(self):
        db = Database()
        db.create()
        self.addCleanup(db.drop)
        db.office([(1, "A"), (2, "B"), (3, "C")], [(1, "P1", PICTURE[0], PICTURE[1])])
        a = self.pc(db, 1, "A", LARGE)
        b = self.pc(db, 2, "B", SMALL)
        for pc in (a, b):
            pc.open_board(*PICTURE)

        strokes = []
        for round_number in range(4):
            across, down = crossing_strokes(round_number)
            self.draw_together(a, across, b, down)
            strokes.append((across, down))
            # The next round starts once both strokes are stored.
            db.wait_for_rows("SELECT COUNT(DISTINCT MN * 1000 + DN) FROM IMG_1",
                             [[str(2 * len(strokes))]], 10)
            time.sleep(0.3)
        total = self.stored_when_settled(db)

        c = self.pc(db, 3, "C", LARGE)
        c.open_board(*PICTURE, like=a)
        fresh = c.grab_canvas()
        for pc in (a, b):
            deadline = time.monotonic() + REFRESH_BOUND
            while pc.grab_canvas().rgb != fresh.rgb and time.monotonic() < deadline:
                time.sleep(0.1)
            shown = pc.grab_canvas()
            differences = shown.differences(fresh)
            if differences:
                folder = tempfile.mkdtemp(prefix="oekaki-converge.")
                save_png(fresh, os.path.join(folder, "fresh.png"))
                save_png(shown, os.path.join(folder, pc.name + ".png"))
                self.fail("board %s differs from a fresh one in %d pixels (pictures in %s)"
                          % (pc.name, differences, folder))
        self.assertGreater(fresh.count((255, 0, 0)), 1000)
        self.assertGreater(fresh.count((0, 0, 255)), 100)

        self.assertEqual(db.rows("SELECT COUNT(*), MIN(N), MAX(N), COUNT(DISTINCT N) FROM IMG_1"),
                         [[str(total), "1", str(total), str(total)]])
        self.assertEqual(db.rows("SELECT COUNT(*) FROM (SELECT MN, DN, X, Y FROM IMG_1 "
                                 "GROUP BY MN, DN, X, Y HAVING COUNT(*) > 1)"), [["0"]])
        spans = {(int(mn), int(dn)): (int(lo), int(hi)) for mn, dn, lo, hi in db.rows(
            "SELECT MN, DN, MIN(N), MAX(N) FROM IMG_1 GROUP BY MN, DN")}
        crossed = sum(1 for dn in range(1, 5)
                      if spans[(1, dn)][0] < spans[(2, dn)][1]
                      and spans[(2, dn)][0] < spans[(1, dn)][1])
        print("rounds whose two strokes were stored interleaved: %d of 4" % crossed, flush=True)
        # A busy program may merge mouse moves, never reorder or invent them: each stroke is
        # what was drawn, in order, from the press to the last move.
        for member, which in ((1, 0), (2, 1)):
            for dn, pair in enumerate(strokes, start=1):
                drawn = pair[which]
                stored = [(int(x), int(y)) for x, y in db.rows(
                    "SELECT X, Y FROM IMG_1 WHERE MN=%d AND DN=%d ORDER BY N" % (member, dn))]
                where = "member %d, stroke %d: %s" % (member, dn, stored)
                self.assertEqual((stored[0], stored[-1]), (drawn[0], drawn[-1]), where)
                positions = [drawn.index(p) for p in stored]
                self.assertEqual(positions, sorted(set(positions)), where)

    @staticmethod
    def stored_when_settled(db):
        """The number of stored points once all eight strokes are in and no more come."""
        last, since = None, time.monotonic()
        deadline = since + 30
        while time.monotonic() < deadline:
            count, strokes = db.rows(
                "SELECT COUNT(*), COUNT(DISTINCT MN * 1000 + DN) FROM IMG_1")[0]
            if (count, strokes) != last:
                last, since = (count, strokes), time.monotonic()
            elif strokes == "8" and time.monotonic() - since > 1.0:
                return int(count)
            time.sleep(0.2)
        raise AssertionError("the strokes were not all stored: %s" % (last,))

    def pc(self, db, member, name, pen):
        pc = Pc(db, member, name, pen=pen, board=(420, 360))
        self.addCleanup(pc.stop)
        return pc

    @staticmethod
    def draw_together(a, a_points, b, b_points):
        """Both buttons down, the moves interleaved, both released at once."""
        a.press_stroke(a_points[:1])
        b.press_stroke(b_points[:1])
        for (ax, ay), (bx, by) in zip(a_points[1:], b_points[1:]):
            a.screen.move(a.canvas.x + ax, a.canvas.y + ay)
            b.screen.move(b.canvas.x + bx, b.canvas.y + by)
            time.sleep(0.015)
        a.release()
        b.release()


if __name__ == "__main__":
    if len(sys.argv) > 1:
        os.environ["OEKAKI_PROGRAM"] = sys.argv.pop(1)
    unittest.main(verbosity=2)
