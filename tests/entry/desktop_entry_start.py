#!/usr/bin/env python3
"""Starts the installed desktop entry's command as a desktop would and closes the window it opens
with Ctrl+Q, pressed through Qt's evdev keyboard input fed from a pipe (presses that come before
the window is up are lost, so they are repeated until the program ends).
  desktop_entry_start.py PREFIX DESKTOP_FILE
Exit status 0 when the command ran from PREFIX/bin, opened the host window (which keeps its
placement in FORM.INI when it closes) and ended with status 0."""
import os
import shlex
import struct
import subprocess
import sys
import time

prefix, desktop_file = sys.argv[1], sys.argv[2]
exec_line = next(line.split("=", 1)[1].strip() for line in open(desktop_file)
                 if line.startswith("Exec="))
words = shlex.split(exec_line)
program = os.path.join(prefix, "bin", words[0])
if words[:2] != ["zebhost", "gui"] or not os.access(program, os.X_OK):
    sys.exit(f"FAIL: the desktop entry runs {exec_line!r}, not {prefix}/bin/zebhost gui")

read_end, write_end = os.pipe()
os.set_blocking(read_end, False)
env = dict(os.environ, QT_QPA_PLATFORM="offscreen",
           QT_QPA_GENERIC_PLUGINS=f"evdevkeyboard:/dev/fd/{read_end}")
host = subprocess.Popen([program] + words[1:], env=env, pass_fds=(read_end,))

KEY_LEFTCTRL, KEY_Q, EV_KEY, EV_SYN = 29, 16, 1, 0
def event(kind, code, value):
    return struct.pack("llHHi", 0, 0, kind, code, value)
def ctrl_q():
    keys = b""
    for code, value in ((KEY_LEFTCTRL, 1), (KEY_Q, 1), (KEY_Q, 0), (KEY_LEFTCTRL, 0)):
        keys += event(EV_KEY, code, value) + event(EV_SYN, 0, 0)
    os.write(write_end, keys)

deadline = time.time() + 60
time.sleep(1)
while host.poll() is None and time.time() < deadline:
    ctrl_q()
    time.sleep(0.5)
if host.poll() is None:
    host.kill()
    sys.exit("FAIL: the host window did not close on Ctrl+Q")
sys.exit(0 if host.returncode == 0 else f"FAIL: exit status {host.returncode}")
