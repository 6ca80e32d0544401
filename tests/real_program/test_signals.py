"""Logout, shutdown, kill and Ctrl+C end the real program as 終了 does: the pointer row says the
sharing stopped, the settings file is written, and the exit status is 0 — attached to the
database or not."""

import os
import signal
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from oekaki_harness import Database, Display, ProgramCopy, Settings  # noqa: E402

OLD = 978307200  # 2001-01-01: the settings file's time before the program runs


class SignalsEndTheProgramInOrder(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.display = Display()
        cls.display.start()  # fails the test, with Xvfb's own words, when there is no display

    @classmethod
    def tearDownClass(cls):
        cls.display.stop()

    def start(self, settings):
        pc = ProgramCopy(self.display, settings)
        self.addCleanup(pc.stop)
        os.utime(pc.settings_file, (OLD, OLD))
        pc.start()
        return pc, pc.wait_for_window("お絵描きソフト")

    def assertEndedInOrder(self, pc, number):
        pc.signal(number)
        status = pc.wait(20)
        self.assertIsNotNone(status, "still running 20 s after signal %d" % number)
        self.assertEqual(status, 0, pc.log())
        self.assertGreater(os.path.getmtime(pc.settings_file), OLD, "settings file not written")
        self.assertEqual(len(Settings.read(pc.settings_file)), 39)

    def test_attached_with_the_pointer_window_open(self):
        for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            with self.subTest(signal=number), Database() as db:
                pc, main = self.start(db.settings(pc_user=1, pc_name="A"))
                pc.focus(main)
                pc.keys("alt+c", "m")  # チャット(C) → マウスポインタ(M)
                self.assertTrue(db.wait_for_rows("SELECT ST FROM MOUSEPOS WHERE MN=1", [["1"]]),
                                "the pointer window never shared")
                self.assertEndedInOrder(pc, number)
                self.assertEqual(db.rows("SELECT ST FROM MOUSEPOS WHERE MN=1"), [["0"]])

    def test_without_a_database(self):
        for number in (signal.SIGTERM, signal.SIGHUP):
            with self.subTest(signal=number):
                pc, _ = self.start(Settings())  # no data folder: never attached
                self.assertEndedInOrder(pc, number)


if __name__ == "__main__":
    if len(sys.argv) > 1:
        os.environ["OEKAKI_PROGRAM"] = sys.argv.pop(1)
    unittest.main(verbosity=2)
