"""The real Tarvelin program on a virtual X display, seen from outside.

Keys reach it through the X server (xdotool), as a user's keyboard would; what it
shows is read from the accessibility bus (AT-SPI), as a screen reader reads it.
Every wait is for a condition, bounded by a generous time-out.
"""

import ctypes
import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

# Bounds for waiting, far above what any step needs, so a slow machine never fails a test.
WAIT = 30
RUN_WAIT = 60


class Failure(Exception):
    pass


def check(condition, message):
    """message: a text, or a function giving one, called only on a failure."""
    if not condition:
        raise Failure(message() if callable(message) else message)


def pump():
    """Delivers accessibility events that have arrived, so listeners see them."""
    context = GLib.MainContext.default()
    while context.pending():
        context.iteration(False)


def wait_for(what, probe, timeout=WAIT):
    """Returns probe()'s first true value; controls appear and vanish under us, so a
    probe that raises is only retried. Fails naming `what` (a text, or a function giving
    one at the time of failure) when time runs out."""
    deadline = time.monotonic() + timeout
    last_error = None
    while True:
        pump()
        try:
            value = probe()
            if value:
                return value
        except Failure:
            raise
        except Exception as error:  # pylint: disable=broad-except
            last_error = error
        if time.monotonic() > deadline:
            detail = f" (last error: {last_error})" if last_error else ""
            raise Failure(f"{what() if callable(what) else what}: not within {timeout} s{detail}")
        time.sleep(0.05)


# --- What the program announced ---------------------------------------------------------

class Announcements:
    """Every text the program's status line announced, in order, as a screen reader hears it: the
    text-changed events carry the new text themselves, so what was said is a record that stays,
    whatever the program does afterwards (closing, being busy). Made before the program starts, so
    that it knows from the start that someone listens."""

    def __init__(self):
        self.texts = []
        pyatspi.Registry.registerEventListener(self._heard, "object:text-changed:insert")

    def _heard(self, event):
        if isinstance(event.any_data, str):
            self.texts.append(event.any_data)

    def wait_for(self, text, timeout=RUN_WAIT):
        """Waits until text has been announced; returns how many texts had been by then."""
        return wait_for(lambda: f"«{text}» announced (heard: {self.texts})",
                        lambda: text in self.texts and self.texts.index(text) + 1, timeout)

    def after_exit(self):
        """What was announced, once the program has ended: the events still on the way are taken."""
        deadline = time.monotonic() + 1
        while time.monotonic() < deadline:
            pump()
            time.sleep(0.05)
        return self.texts


# --- The accessibility tree -------------------------------------------------------------

def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def has_state(node, state):
    return node.getState().contains(state)


def children(node):
    return [child for child in node if child is not None]


def descendants(node):
    for child in children(node):
        yield child
        yield from descendants(child)


def describe(node):
    return f"{node.getRoleName()} «{node.name}»"


def only(nodes, what):
    nodes = list(nodes)
    check(len(nodes) == 1, f"expected exactly one {what}, found {len(nodes)}: "
          + ", ".join(describe(n) for n in nodes))
    return nodes[0]


def find(node, role, name=None, shown=True):
    """The one descendant with that role (and name); shown=None takes it either way."""
    return only((n for n in descendants(node)
                 if n.getRole() == role
                 and (name is None or n.name == name)
                 and (shown is None or showing(n) == shown)),
                f"{pyatspi.Atspi.Role(role).value_nick} «{name}»" if name is not None
                else pyatspi.Atspi.Role(role).value_nick)


def status_line(frame):
    """The status line: the one shown label that is not the list's caption."""
    labels = [n for n in children(frame)
              if n.getRole() == pyatspi.ROLE_LABEL and showing(n) and n.name != "Base de Datos"]
    check(len(labels) == 1, "expected one status line, found: "
          + ", ".join(describe(n) for n in labels))
    return labels[0]


def tree_text(node, depth=0):
    """The tree as indented lines, for failure messages."""
    try:
        line = "  " * depth + describe(node) + (" (shown)" if showing(node) else "")
        return "\n".join([line] + [tree_text(c, depth + 1) for c in children(node)])
    except Exception as error:  # pylint: disable=broad-except
        return "  " * depth + f"<gone: {error}>"


# --- The X side --------------------------------------------------------------------------

def xdotool(*args):
    return subprocess.run(["xdotool", *args], check=True, capture_output=True, text=True,
                          timeout=WAIT).stdout


class _XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class _XEvent(ctypes.Union):
    _fields_ = [("xclient", _XClientMessageEvent), ("pad", ctypes.c_long * 24)]


def ask_window_to_close(window):
    """Sends WM_DELETE_WINDOW, what a window manager sends when the user closes a window.
    There is no window manager here, and xdotool's windowclose destroys the window instead."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(_XEvent)]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    check(display, "cannot open the X display")
    try:
        event = _XEvent()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = window
        event.xclient.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        event.xclient.data[1] = 0  # CurrentTime
        check(x11.XSendEvent(display, window, 0, 0, ctypes.byref(event)), "XSendEvent failed")
        x11.XFlush(display)
    finally:
        x11.XCloseDisplay(display)


# --- The program -------------------------------------------------------------------------

class Program:
    """One Tarvelin process started from its own folder's copy."""

    def __init__(self, folder):
        # Started from elsewhere: the profile list must come from the program's own folder.
        self.process = subprocess.Popen([os.path.join(folder, "Tarvelin")], cwd="/")
        self.app = self.frame = self.window = None

    def attach(self):
        """Waits for the program's window on the accessibility bus and on the X display."""
        self.app = wait_for("Tarvelin on the accessibility bus", self._find_app)
        self.frame = wait_for("the window «Tarvelin» in the accessibility tree",
                              lambda: only((c for c in children(self.app)
                                            if c.name == "Tarvelin" and showing(c)),
                                           "shown window «Tarvelin»"))
        self.window = int(wait_for("the X window «Tarvelin»", lambda: xdotool(
            "search", "--onlyvisible", "--pid", str(self.process.pid), "--name", "^Tarvelin$"))
                          .split()[0])

    def _find_app(self):
        check(self.process.poll() is None,
              f"Tarvelin ended at start with exit code {self.process.returncode}")
        desktop = pyatspi.Registry.getDesktop(0)
        for app in children(desktop):
            if app.name == "Tarvelin" and app.get_process_id() == self.process.pid:
                return app
        return None

    def focus(self, window=None):
        # With no window manager nobody gives the window the keyboard; take it.
        xdotool("windowfocus", "--sync", str(window or self.window))

    def keys(self, *keys):
        xdotool("key", "--delay", "50", *keys)

    def click(self, x, y):
        """A left click at (x, y) of the window, through the X server's input queue."""
        xdotool("mousemove", "--window", str(self.window), str(x), str(y), "click", "1")

    def screenshot(self, path, whole_screen=False):
        target = "root" if whole_screen else str(self.window)
        subprocess.run(["import", "-window", target, path], check=True, timeout=WAIT)

    def dialogs(self):
        return [c for c in children(self.app)
                if c.getRole() in (pyatspi.ROLE_ALERT, pyatspi.ROLE_DIALOG) and showing(c)]

    def close(self):
        """Closes the window as a user would and checks that the program ends cleanly."""
        ask_window_to_close(self.window)
        self.wait_for_exit(WAIT)

    def read_text(self, node, within):
        """The node's text read through the bus, which only a program serving its events answers;
        fails when it takes longer than `within` seconds."""
        pyatspi.Atspi.set_timeout(int(within * 1000), -1)
        start = time.monotonic()
        try:
            text = node.queryText().getText(0, -1)
        except Exception as error:  # pylint: disable=broad-except
            raise Failure(f"{describe(node)} not read within {within} s: {error}") from error
        finally:
            pyatspi.Atspi.set_timeout(-1, -1)
        took = time.monotonic() - start
        check(took <= within, f"{describe(node)} read in {took:.2f} s, more than {within} s")
        return text

    def wait_for_exit(self, timeout):
        try:
            code = self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired as error:
            raise Failure(f"Tarvelin still running {timeout} s after its window was closed") from error
        check(code == 0, f"Tarvelin ended with exit code {code}")

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def print_tree(self):
        if self.app is None:
            return
        # A program blocked in a statement answers nothing; do not wait the bus's 25 s.
        pyatspi.Atspi.set_timeout(3000, -1)
        sys.stderr.write("Accessibility tree at the failure:\n" + tree_text(self.app) + "\n")


def run_program(folder, body):
    """Starts Tarvelin from folder, runs body(program), closes its window; on a failure
    shows the accessibility tree; the process never outlives this call."""
    program = Program(folder)
    try:
        program.attach()
        body(program)
        if program.process.poll() is None:
            program.close()
        else:
            check(program.process.returncode == 0, f"Tarvelin ended with exit code {program.process.returncode}")
    except Failure:
        program.print_tree()
        raise
    finally:
        program.kill()


def main(body):
    try:
        body()
    except Failure as failure:
        sys.exit(f"FAIL: {failure}")
