"""Drives the application's window from outside, the way a screen reader does: through the
accessibility bus (AT-SPI) of an X display of its own. Used by the black-box test and the
benchmarks.

Needs /usr/bin/python3 with python3-pyatspi and python3-xlib, Xvfb, at-spi2-core, and a session
D-Bus (run the caller under `dbus-run-session`)."""
import array
import os
import shutil
import signal
import subprocess
import tempfile
import time

import pyatspi
from Xlib import X, display as xdisplay, protocol
from Xlib.ext import xtest

BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"


def wait_until(predicate, timeout, interval=0.05, what="condition"):
    """Polls `predicate` until it returns something true; raises TimeoutError naming `what`."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise TimeoutError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


class Desktop:
    """An Xvfb display with an accessibility bus, for as long as the `with` block lasts."""

    def __init__(self, width=1280, height=1024):
        self.size = (width, height)
        self.children = []
        self.runtime_dir = tempfile.mkdtemp(prefix="zelvorna-xdg-")
        self.name = None

    def __enter__(self):
        if "DBUS_SESSION_BUS_ADDRESS" not in os.environ:
            raise RuntimeError("no session D-Bus: run under dbus-run-session")
        os.chmod(self.runtime_dir, 0o700)
        read_fd, write_fd = os.pipe()
        xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-noreset", "-nolisten", "tcp", "-screen", "0",
             f"{self.size[0]}x{self.size[1]}x24"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.children.append(xvfb)
        os.close(write_fd)
        with os.fdopen(read_fd) as pipe:
            number = pipe.readline().strip()
        if not number:
            self.__exit__()
            raise RuntimeError("Xvfb did not start")
        self.name = ":" + number
        os.environ["DISPLAY"] = self.name
        # Qt never starts the accessibility bus itself; a screen reader's session would.
        self.children.append(subprocess.Popen(
            [BUS_LAUNCHER, "--launch-immediately", "--a11y=1"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        wait_until(self._bus_up, 10, what="the accessibility bus")
        self.x = xdisplay.Display(self.name)
        return self

    @staticmethod
    def _bus_up():
        result = subprocess.run(
            ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
             "org.a11y.Bus.GetAddress"], capture_output=True)
        return result.returncode == 0

    def env(self):
        return {
            "DISPLAY": self.name,
            "XDG_RUNTIME_DIR": self.runtime_dir,
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            # No vsync under Xvfb: the software backend keeps animations from burning a core.
            "QT_QUICK_BACKEND": "software",
        }

    def __exit__(self, *_):
        for child in reversed(self.children):
            stop_process(child)
        shutil.rmtree(self.runtime_dir, ignore_errors=True)

    # --- input and pixels -------------------------------------------------------------------

    SHIFT, CONTROL = 0xFFE1, 0xFFE3  # keysyms of the left modifier keys

    def key(self, keysym, *modifiers):
        """One key stroke, with modifier keys held, through the XTEST extension."""
        codes = [self.x.keysym_to_keycode(m) for m in modifiers]
        for code in codes:
            xtest.fake_input(self.x, X.KeyPress, code)
        code = self.x.keysym_to_keycode(keysym)
        xtest.fake_input(self.x, X.KeyPress, code)
        xtest.fake_input(self.x, X.KeyRelease, code)
        for code in reversed(codes):
            xtest.fake_input(self.x, X.KeyRelease, code)
        self.x.sync()
        time.sleep(0.02)

    def type_text(self, text):
        """Types plain ASCII letters into the focused control."""
        for char in text:
            self.key(ord(char.lower()), *([self.SHIFT] if char.isupper() else []))

    def distinct_colours(self, x, y, width, height):
        """How many different colours the screen shows in a rectangle."""
        root = self.x.screen().root
        image = root.get_image(x, y, width, height, X.ZPixmap, 0xFFFFFFFF)
        pixels = array.array("I", image.data)
        return len(set(p & 0xFFFFFF for p in pixels))

    def close_window(self, title):
        """Asks the window titled `title` to close, as a window manager's close button does."""
        window = wait_until(lambda: self.find_window(title), 10, what=f"window {title!r}")
        protocols = self.x.intern_atom("WM_PROTOCOLS")
        delete = self.x.intern_atom("WM_DELETE_WINDOW")
        event = protocol.event.ClientMessage(window=window, client_type=protocols,
                                             data=(32, [delete, X.CurrentTime, 0, 0, 0]))
        window.send_event(event)
        self.x.flush()

    def focus_window(self, title):
        """Gives the window the keyboard, as a window manager does when it is clicked."""
        window = wait_until(lambda: self.find_window(title), 10, what=f"window {title!r}")
        window.set_input_focus(X.RevertToParent, X.CurrentTime)
        self.x.sync()

    def find_window(self, title):
        """The mapped top-level window with exactly that title, or None."""
        found = self.find_windows(title)
        return found[0] if found else None

    def find_windows(self, title, window=None):
        """Every mapped window with exactly that title."""
        found = []
        for child in (window or self.x.screen().root).query_tree().children:
            name = child.get_full_property(self.x.intern_atom("_NET_WM_NAME"),
                                           self.x.intern_atom("UTF8_STRING"))
            if name and name.value.decode("utf-8", "replace") == title and \
                    child.get_attributes().map_state == X.IsViewable:
                found.append(child)
            found += self.find_windows(title, child)
        return found

    def cover_screen(self):
        """Maps a plain window over the whole screen, as another program's window would be."""
        root = self.x.screen().root
        cover = root.create_window(0, 0, self.size[0], self.size[1], 0,
                                   self.x.screen().root_depth, X.InputOutput, X.CopyFromParent,
                                   background_pixel=self.x.screen().black_pixel)
        cover.map()
        self.x.sync()
        return cover

    def is_above(self, window, other):
        """Whether top-level `window` stands above `other` in the stacking order."""
        order = [child.id for child in self.x.screen().root.query_tree().children]
        return order.index(window.id) > order.index(other.id)


class Window:
    """The accessibility tree of one process's window, read fresh on every query."""

    def __init__(self, pid, timeout=20):
        self.pid = pid
        self.app = wait_until(self._application, timeout, what=f"process {pid} on the bus")

    def _application(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            app = desktop.getChildAtIndex(index)
            try:
                if app is not None and app.get_process_id() == self.pid and app.childCount:
                    return app
            except Exception:  # an application leaving the bus while we look
                continue
        return None

    def all(self, role=None, name=None, under=None):
        """Every accessible below `under` (default: the application) matching role and name."""
        found = []

        def walk(node):
            for index in range(node.childCount):
                child = node.getChildAtIndex(index)
                if child is None:
                    continue
                if (role is None or child.getRole() == role) and (name is None or
                                                                  child.name == name):
                    found.append(child)
                walk(child)

        walk(under or self.app)
        return found

    def find(self, role, name, timeout=10, showing=True):
        """The first accessible with that role and name (and on screen, unless told otherwise)."""
        def look():
            for node in self.all(role, name):
                if not showing or is_showing(node):
                    return node
            return None

        return wait_until(look, timeout, what=f"{pyatspi.Role(role)} {name!r}")

    def press(self, role, name, timeout=10):
        node = self.find(role, name, timeout)
        self.act(node, "Press")
        return node

    @staticmethod
    def act(node, action_name):
        """Runs the accessible's action of that name, as a screen reader's command does."""
        action = node.queryAction()
        for index in range(action.nActions):
            if action.getName(index) == action_name:
                action.doAction(index)
                return
        raise AssertionError(f"{node.name!r} has no action {action_name!r}")


def is_showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def extents(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


class Device:
    """The sound the engine played, as SDL's disk driver wrote it: float stereo samples."""

    def __init__(self, path):
        self.path = path

    def size(self):
        try:
            return os.path.getsize(self.path)
        except FileNotFoundError:
            return 0

    def peak(self, since=0):
        """Largest sample magnitude written from byte offset `since` on."""
        with open(self.path, "rb") as f:
            f.seek(since - since % 4)
            data = f.read()
        samples = array.array("f")
        samples.frombytes(data[: len(data) - len(data) % 4])
        return max((abs(s) for s in samples), default=0.0)

    def first_sound(self, since=0, threshold=0.01):
        """Byte offset of the first audible sample from `since` on, or None."""
        with open(self.path, "rb") as f:
            f.seek(since - since % 4)
            data = f.read()
        samples = array.array("f")
        samples.frombytes(data[: len(data) - len(data) % 4])
        for index, sample in enumerate(samples):
            if abs(sample) > threshold:
                return since - since % 4 + index * 4
        return None


def stop_process(proc, timeout=5):
    if proc.poll() is None:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(timeout)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
