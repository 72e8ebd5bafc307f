"""The X display as a user sees it: what is on the screen where a window is, and another window
put over it and taken away again. Used on Linux (e2e_drive.py) and under Wine
(scripts/windows/check.py): a window whose program serves its events paints itself again when it
is uncovered; one whose thread is held in a statement stays as the cover left it.
"""

import ctypes
import subprocess
import time

WAIT = 30


class _Xlib:
    def __init__(self):
        x11 = ctypes.CDLL("libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XDefaultRootWindow.restype = ctypes.c_ulong
        x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x11.XCreateSimpleWindow.restype = ctypes.c_ulong
        x11.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                            ctypes.c_uint, ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong,
                                            ctypes.c_ulong]
        for name in ("XMapRaised", "XDestroyWindow"):
            getattr(x11, name).argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.x11 = x11


def geometry(window):
    """(x, y, width, height) of an X window on the screen."""
    out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", str(window)], check=True,
                         capture_output=True, text=True, timeout=WAIT).stdout
    values = dict(line.split("=", 1) for line in out.split())
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def capture(box):
    """The pixels on the screen inside box, as raw RGB bytes."""
    x, y, width, height = box
    return subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{x}+{y}", "-depth", "8", "rgb:-"],
                          check=True, capture_output=True, timeout=WAIT).stdout


def wait_until(probe, timeout):
    deadline = time.monotonic() + timeout
    while not probe():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.05)
    return True


def covered_and_uncovered(box, repaint_within=2.0):
    """Puts a window of one colour over box and takes it away again. Returns (covered, repainted):
    whether the cover was seen in the box's place, and whether what was there before came back
    within repaint_within seconds of taking the cover away."""
    before = capture(box)
    xlib = _Xlib()
    display = xlib.x11.XOpenDisplay(None)
    if not display:
        raise RuntimeError("cannot open the X display")
    try:
        x, y, width, height = box
        # Magenta, which the program never paints. No window manager: it goes exactly there.
        cover = xlib.x11.XCreateSimpleWindow(display, xlib.x11.XDefaultRootWindow(display), x, y, width, height,
                                             0, 0, 0xFF00FF)
        xlib.x11.XMapRaised(display, cover)
        xlib.x11.XSync(display, 0)
        solid = bytes([0xFF, 0x00, 0xFF]) * (width * height)
        covered = wait_until(lambda: capture(box) == solid, WAIT)
        xlib.x11.XDestroyWindow(display, cover)
        xlib.x11.XSync(display, 0)
    finally:
        xlib.x11.XCloseDisplay(display)
    repainted = wait_until(lambda: capture(box) == before, repaint_within)
    return covered, repainted
