"""Runs one command on a display of its own and answers with its exit status:
    python3 on_display.py [--window-manager] COMMAND [ARGUMENTS...]
For tests that need real windows (clicks, stacking, screen pixels) rather than offscreen ones."""

import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from oekaki_harness import Display  # noqa: E402

if __name__ == "__main__":
    arguments = sys.argv[1:]
    window_manager = arguments[:1] == ["--window-manager"]
    if window_manager:
        arguments = arguments[1:]
    with Display(window_manager=window_manager) as display:
        sys.exit(subprocess.run(arguments, env=display.env).returncode)
