"""The soak's own Firebird server (scripts/firebird-private.sh, without a guardian, so that a
stopped or killed server stays down until the soak starts it again) and the faults it suffers."""

import os
import subprocess
import tempfile
import threading
import time

SCRIPTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts")
PRIVATE = os.path.join(SCRIPTS, "firebird-private.sh")


def _private(*arguments):
    result = subprocess.run(["bash", PRIVATE] + [str(a) for a in arguments], capture_output=True,
                            text=True, timeout=120)
    if result.returncode != 0:
        raise RuntimeError("firebird-private.sh %s: %s" % (arguments[0], result.stderr.strip()))
    return result.stdout.strip()


class OwnServer:
    """Started in a folder of its own; only this server is ever stopped, killed or frozen."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="oekaki-soak-fb.")
        self.port = None
        self.lock = threading.Lock()
        self.up = False

    def start(self):
        self.port = int(_private("bare-start", self.dir, *( [self.port] if self.port else [])))
        self.up = True
        return self.port

    @property
    def prefix(self):
        return "127.0.0.1/%d:" % self.port

    @property
    def data(self):
        return os.path.join(self.dir, "data") + "/"

    def signal(self, name):
        _private("bare-signal", self.dir, name)

    def remove(self):
        _private("stop", self.dir)


class Faults(threading.Thread):
    """Stops (TERM), kills (KILL) and freezes (STOP for `freeze` seconds) the server in turn,
    `rounds` times each, with `calm` seconds of normal service between two faults. Each fault
    is noted with the moment the server answered again."""

    def __init__(self, server, rounds, down=6, freeze=20, calm=12, on_return=None):
        super().__init__(daemon=True)
        self.server = server
        self.rounds = rounds
        self.down = down
        self.freeze = freeze
        self.calm = calm
        self.on_return = on_return
        self.done = []  # (kind, started, returned) on the monotonic clock
        self.error = None
        self.finished = threading.Event()

    def run(self):
        try:
            for _ in range(self.rounds):
                for kind in ("stop", "kill", "freeze"):
                    time.sleep(self.calm)
                    self.inject(kind)
        except Exception as error:  # noqa: BLE001 - reported in the table, not lost
            self.error = error
        finally:
            self.finished.set()

    def inject(self, kind):
        started = time.monotonic()
        if kind == "freeze":
            self.server.signal("STOP")
            time.sleep(self.freeze)
            self.server.signal("CONT")
        else:
            self.server.signal("TERM" if kind == "stop" else "KILL")
            self.server.up = False
            time.sleep(self.down)
            self.server.start()
        returned = time.monotonic()
        self.done.append((kind, started, returned))
        if self.on_return:
            self.on_return(kind, returned)
