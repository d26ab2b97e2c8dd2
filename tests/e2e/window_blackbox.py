#!/usr/bin/python3
"""The installed application, from outside, as a listener with a screen reader uses it.

The build is installed into a scratch prefix and started against the demo station (stream on
port 8000 and website on 8080, the values the default build is made for) on an Xvfb display of
its own. Every step goes through the accessibility bus, the screen and the sound device: no
hook into the application.

Usage (the CTest entry runs it so): dbus-run-session -- tests/e2e/window_blackbox.py --build DIR
Exits 77 (skipped) when the ports are taken or the build was made for other hosts."""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import warnings

TOP = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(TOP, "scripts"))

warnings.filterwarnings("ignore", category=DeprecationWarning)  # pyatspi's own calls
import pyatspi  # noqa: E402
import demo_station  # noqa: E402
from icecast_station import port_taken  # noqa: E402
from window_driver import (Desktop, Device, Window, extents, is_showing,  # noqa: E402
                           stop_process, wait_until)

SKIPPED = 77
TITLE = "Rádio Zelvorna - A Melhor"
BUTTON, LABEL, LIST, ITEM = (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_LABEL, pyatspi.ROLE_LIST,
                             pyatspi.ROLE_LIST_ITEM)


def cache_value(build, name):
    with open(os.path.join(build, "CMakeCache.txt"), encoding="utf-8") as cache:
        for line in cache:
            if line.startswith(name + ":"):
                return line.split("=", 1)[1].strip()
    return None


def reason_to_skip(build):
    taken = [p for p in (8000, 8080) if port_taken(p)]
    if taken:
        return f"port(s) {taken} in use: the demo station needs them"
    hosts = (cache_value(build, "ZELVORNA_STREAM_HOST"), cache_value(build, "ZELVORNA_SITE_HOST"))
    if hosts != ("localhost", "localhost:8080"):
        return f"the build is made for {hosts}, not for the demo station"
    return None


class Listener(unittest.TestCase):
    """One run of the window, step by step; each test builds on the ones before it."""

    build = None
    cache = None

    @classmethod
    def setUpClass(cls):
        # Cleanups run even when a later step of the set-up fails: nothing is left running.
        cls.scratch = tempfile.mkdtemp(prefix="zelvorna-blackbox-")
        if os.environ.get("KEEP_SCRATCH") is None:
            cls.addClassCleanup(shutil.rmtree, cls.scratch, ignore_errors=True)
        prefix = os.path.join(cls.scratch, "prefix")
        subprocess.run(["cmake", "--install", cls.build, "--prefix", prefix], check=True,
                       stdout=subprocess.DEVNULL)
        cls.executable = os.path.join(prefix, "bin", "Radio_Zelvorna")
        cls.settings = os.path.join(prefix, "bin", "Configuracao.ini")
        with open(cls.settings, "wb") as f:
            f.write("[Ouvinte]\r\nNome_do_Ouvinte=Ana\r\n".encode("utf-8"))
        cls.links = os.path.join(cls.scratch, "links.txt")
        browser = os.path.join(cls.scratch, "browser")
        with open(browser, "w") as f:
            f.write(f'#!/bin/sh\nprintf "%s\\n" "$1" >> "{cls.links}"\n')
        os.chmod(browser, 0o755)

        cls.station = demo_station.launch(cls.cache, os.path.join(cls.scratch, "station.log"),
                                          title_interval=2)
        cls.addClassCleanup(stop_process, cls.station, 15)
        cls.desktop = Desktop().__enter__()
        cls.addClassCleanup(cls.desktop.__exit__)
        cls.device = Device(os.path.join(cls.scratch, "device.pcm"))
        cls.env = dict(os.environ, **cls.desktop.env())
        cls.env.update({
            "SDL_AUDIODRIVER": "disk",
            "SDL_DISKAUDIOFILE": cls.device.path,
            "BROWSER": browser,
            "QTWEBENGINE_DISABLE_SANDBOX": "1",
            # The demo website's certificate is self-signed.
            "QTWEBENGINE_CHROMIUM_FLAGS": "--ignore-certificate-errors",
        })
        cls.app = cls.start_app()
        cls.addClassCleanup(stop_process, cls.app)
        cls.window = Window(cls.app.pid)

    @classmethod
    def start_app(cls):
        with open(os.path.join(cls.scratch, "app.log"), "a") as log:
            return subprocess.Popen([cls.executable], env=cls.env, stdout=subprocess.DEVNULL,
                                    stderr=log)

    def test_01_greets_the_stored_listener(self):
        self.window.find(LABEL, "Olá, Ana")
        self.assertEqual(self.window.all(pyatspi.ROLE_TEXT, "Nome")[0].getState().contains(
            pyatspi.STATE_SHOWING), False, "the name dialog stays closed")

    def test_02_sponsors_appear_with_logos(self):
        strip = self.window.find(LIST, "Patrocinadores")
        cards = wait_until(lambda: self.window.all(ITEM, under=strip), 20, what="sponsor cards")
        self.assertGreaterEqual(len(cards), 2)
        first = cards[0]
        x, y, width, height = extents(first)
        name_top = extents(self.window.all(LABEL, first.name, under=first)[0])[1]
        # The logo fills the card above its name: a drawing shows many colours, a gap few.
        wait_until(lambda: self.desktop.distinct_colours(x, y, width, name_top - y) > 40, 10,
                   what="the first sponsor's logo on screen")

    def test_03_a_sponsor_card_opens_its_site(self):
        card = self.window.find(ITEM, "Padaria São João")
        card.queryAction().doAction(0)
        wait_until(lambda: os.path.exists(self.links), 10, what="the browser to be asked")
        with open(self.links) as f:
            self.assertEqual(f.read().split(), ["http://localhost:8080/parceiros/padaria-sao-joao"])

    def test_04_programmes_slide_in_and_out(self):
        self.window.press(BUTTON, "Programas")
        programmes = self.window.find(LIST, "Programas", timeout=20)
        rows = wait_until(lambda: self.window.all(ITEM, under=programmes), 20,
                          what="programme rows")
        self.assertGreaterEqual(len(rows), 2)
        heading = self.window.find(pyatspi.ROLE_HEADING, "Nossos Programas")
        wait_until(lambda: extents(heading)[0] < 50, 5, what="the page to finish sliding")
        self.window.press(BUTTON, "Início")
        wait_until(lambda: not is_showing(heading), 5, what="the home page to slide back")

    def test_05_play_buffers_to_full_and_the_station_is_heard(self):
        mark = self.device.size()
        self.window.press(BUTTON, "Tocar")
        progress = self.window.find(pyatspi.ROLE_PROGRESS_BAR, "Carregamento")
        wait_until(lambda: progress.description == "100 %", 20, what="buffering to 100 %")
        self.window.find(BUTTON, "Pausar")
        loading = [n.name for n in self.window.all(LABEL) if n.name.startswith("Comunicando")]
        self.assertEqual(loading, [], "the overlay's text leaves the tree with the overlay")
        wait_until(lambda: self.device.peak(mark) > 0.05, 5, what="sound at the device")

    def test_06_volume_slider_lowers_the_sound(self):
        slider = self.window.find(pyatspi.ROLE_SLIDER, "Volume").queryValue()
        self.assertEqual(slider.maximumValue, 100)
        loud = self.peak_over_a_second()
        slider.currentValue = 10
        time.sleep(0.5)
        quiet = self.peak_over_a_second()
        self.assertLess(quiet, loud * 0.5, f"peak {quiet} at volume 10 against {loud} at 50")
        slider.currentValue = 50

    def test_07_stop_silences_the_stream(self):
        self.window.press(BUTTON, "Parar")
        self.window.find(BUTTON, "Tocar")
        progress = self.window.find(pyatspi.ROLE_PROGRESS_BAR, "Carregamento")
        wait_until(lambda: progress.description == "0 %", 5, what="the progress bar to reset")
        time.sleep(0.3)
        self.assertEqual(self.peak_over_a_second(), 0.0)

    def test_07b_the_desktop_media_controls_drive_the_window(self):
        """MPRIS through playerctl, as a panel's media controls or the media keys use it."""
        def player(*args):
            result = subprocess.run(["playerctl", "-p", "radiozelvorna", *args],
                                    capture_output=True, text=True, env=self.env, timeout=10)
            return result.stdout.strip()

        wait_until(lambda: "radiozelvorna" in subprocess.run(
            ["playerctl", "-l"], capture_output=True, text=True, env=self.env).stdout, 10,
            what="the window on the session bus")
        self.assertEqual(player("status"), "Stopped")
        player("play")  # the play button's own handler: the overlay, then the stream
        progress = self.window.find(pyatspi.ROLE_PROGRESS_BAR, "Carregamento")
        wait_until(lambda: progress.description == "100 %", 20, what="buffering to 100 %")
        self.window.find(BUTTON, "Pausar")
        self.assertEqual(player("status"), "Playing")
        self.assertEqual(player("metadata", "xesam:album"), "Rádio Zelvorna")
        # The demo's titles change every 2 s: the title follows them, split from its artist.
        first = wait_until(lambda: player("metadata", "xesam:title"), 15, what="a title")
        self.assertRegex(first, r"^Canção \d+$")
        self.assertEqual(player("metadata", "xesam:artist"), "Zelvorna Trio")
        wait_until(lambda: player("metadata", "xesam:title") not in ("", first), 15,
                   what="the next title")
        self.assertTrue(player("metadata", "mpris:artUrl").startswith("file://"))

        player("pause")
        self.window.find(BUTTON, "Tocar")
        wait_until(lambda: player("status") == "Paused", 5, what="the paused status")
        player("volume", "0.2")
        slider = self.window.find(pyatspi.ROLE_SLIDER, "Volume").queryValue()
        wait_until(lambda: abs(slider.currentValue - 20) < 0.01, 5, what="the slider at 20")
        slider.currentValue = 50
        player("stop")
        wait_until(lambda: progress.description == "0 %", 5, what="the progress bar to reset")
        self.assertEqual(player("status"), "Stopped")

    def test_07c_a_second_start_raises_the_first_and_exits(self):
        """A second click on the launcher: one window, one MPRIS name, the first in front."""
        first = self.desktop.find_window(TITLE)
        cover = self.desktop.cover_screen()
        self.addCleanup(cover.destroy)
        self.assertFalse(self.desktop.is_above(first, cover))
        second = self.start_app()
        try:
            self.assertEqual(second.wait(10), 0)
        finally:
            stop_process(second)
        wait_until(lambda: self.desktop.is_above(first, cover), 5,
                   what="the first window to come to the front")
        self.assertEqual(len(self.desktop.find_windows(TITLE)), 1)
        names = subprocess.run(["playerctl", "-l"], capture_output=True, text=True,
                               env=self.env).stdout.split()
        self.assertEqual(names, ["radiozelvorna"])
        self.assertIsNone(self.app.poll(), "the first window still runs")

    def test_08_the_name_dialog_stores_a_new_name(self):
        self.window.press(BUTTON, "Editar nome do ouvinte")
        edit = self.window.find(pyatspi.ROLE_TEXT, "Nome")
        self.desktop.focus_window(TITLE)
        self.window.act(edit, "SetFocus")
        wait_until(lambda: edit.getState().contains(pyatspi.STATE_FOCUSED), 5,
                   what="the name edit to take the focus")
        self.desktop.key(ord("a"), self.desktop.CONTROL)  # the edit holds the stored name
        self.desktop.type_text("Bia")
        switch = self.window.find(pyatspi.ROLE_CHECK_BOX, "Receber programação e promoções")
        was_on = switch.getState().contains(pyatspi.STATE_CHECKED)
        self.window.act(switch, "Toggle")
        wait_until(lambda: switch.getState().contains(pyatspi.STATE_CHECKED) != was_on, 5,
                   what="the switch to turn")
        self.window.press(BUTTON, "Confirma")
        self.window.find(LABEL, "Bia")  # the bare name until the next start
        with open(self.settings, encoding="utf-8") as f:
            stored = f.read()
        self.assertRegex(stored, re.compile(r"^Nome_do_Ouvinte=Bia\r?$", re.M))
        answer = "Não" if was_on else "Sim"
        self.assertRegex(stored, re.compile(rf"^Receber_Notificacoes={answer}\r?$", re.M))

    def test_09_closing_the_window_ends_the_process(self):
        self.desktop.close_window(TITLE)
        try:
            code = self.app.wait(10)
        except subprocess.TimeoutExpired:
            self.fail("the process was still running 10 s after its window closed")
        self.assertEqual(code, 0)
        survivors = subprocess.run(["pgrep", "-f", os.path.dirname(os.path.dirname(self.executable))],
                                   capture_output=True, text=True).stdout.split()
        self.assertEqual(survivors, [], "no helper process outlives the window")

    def test_10_the_next_start_greets_the_new_name(self):
        app = self.start_app()
        try:
            Window(app.pid).find(LABEL, "Olá, Bia", timeout=20)
            self.desktop.close_window(TITLE)
            self.assertEqual(app.wait(10), 0)
        finally:
            stop_process(app)

    def test_11_every_control_works_by_keys(self):
        """Tab reaches every control in the order they stand on screen; Space and Enter press
        them, the arrows and Page keys move the volume, Enter confirms the dialog and Escape
        cancels it. Keys alone, through XTEST."""
        TAB, RETURN, ESCAPE, SPACE = 0xFF09, 0xFF0D, 0xFF1B, 0x20
        RIGHT, LEFT, PAGE_UP, PAGE_DOWN = 0xFF53, 0xFF51, 0xFF55, 0xFF56
        app = self.start_app()
        self.addCleanup(stop_process, app)
        window = Window(app.pid)
        window.find(LABEL, "Olá, Bia", timeout=20)
        self.desktop.focus_window(TITLE)

        def focused():
            nodes = [n for n in window.all() if n.getState().contains(pyatspi.STATE_FOCUSED)]
            return nodes[0].name if nodes else None

        def tab_to(name):
            for _ in range(24):
                if focused() == name:
                    return
                self.desktop.key(TAB)
                time.sleep(0.15)  # the focus event reaches the accessibility bus
            self.fail(f"Tab never reached {name!r}")

        order = []
        for _ in range(10):
            self.desktop.key(TAB)
            time.sleep(0.15)
            order.append(focused())
        self.assertEqual(order, ["Editar nome do ouvinte", "Tocar", "Parar", "Volume mínimo",
                                 "Volume", "Volume máximo", "Início", "Programas",
                                 "Pedido Musical", "Promoções"])

        tab_to("Programas")
        self.desktop.key(RETURN)
        heading = window.find(pyatspi.ROLE_HEADING, "Nossos Programas", timeout=20)
        wait_until(lambda: extents(heading)[0] < 50, 10, what="the programme page")
        tab_to("Início")
        self.desktop.key(SPACE)
        wait_until(lambda: not is_showing(heading), 5, what="the home page")

        mark = self.device.size()
        tab_to("Tocar")
        self.desktop.key(SPACE)
        window.find(BUTTON, "Pausar", timeout=20)
        wait_until(lambda: self.device.peak(mark) > 0.05, 10, what="sound at the device")

        tab_to("Volume")
        slider = window.find(pyatspi.ROLE_SLIDER, "Volume").queryValue()
        start = slider.currentValue
        for keysym, change in ((RIGHT, 1), (PAGE_UP, 11), (PAGE_DOWN, 1), (LEFT, 0)):
            self.desktop.key(keysym)
            wait_until(lambda: abs(slider.currentValue - (start + change)) < 0.01, 5,
                       what=f"the volume at {start + change}")
        self.desktop.key(SPACE)  # no edit holds the focus: Space pauses
        window.find(BUTTON, "Tocar", timeout=5)

        tab_to("Parar")
        self.desktop.key(RETURN)
        progress = window.find(pyatspi.ROLE_PROGRESS_BAR, "Carregamento")
        wait_until(lambda: progress.description == "0 %", 5, what="the progress bar to reset")

        tab_to("Editar nome do ouvinte")
        self.desktop.key(SPACE)
        edit = window.find(pyatspi.ROLE_TEXT, "Nome")
        wait_until(lambda: edit.getState().contains(pyatspi.STATE_FOCUSED), 5,
                   what="the name edit to take the focus")
        self.desktop.key(ord("a"), self.desktop.CONTROL)
        self.desktop.type_text("Cida")
        self.desktop.key(RETURN)  # Enter confirms
        window.find(LABEL, "Cida", timeout=5)
        with open(self.settings, encoding="utf-8") as f:
            self.assertRegex(f.read(), re.compile(r"^Nome_do_Ouvinte=Cida\r?$", re.M))
        for close in (ESCAPE, "Fechar"):
            tab_to("Editar nome do ouvinte")
            self.desktop.key(SPACE)
            wait_until(lambda: is_showing(edit), 5, what="the dialog")
            if close == ESCAPE:
                self.desktop.key(ESCAPE)
            else:
                tab_to("Fechar")
                self.desktop.key(SPACE)
            wait_until(lambda: not is_showing(edit), 5, what="the dialog to close")

        tab_to("Promoções")
        self.desktop.key(RETURN)
        wait_until(lambda: "promocoes" in open(self.links).read(), 10,
                   what="the promotions page to be asked for")
        self.desktop.close_window(TITLE)
        self.assertEqual(app.wait(10), 0)

    def peak_over_a_second(self):
        mark = self.device.size()
        time.sleep(1)
        return self.device.peak(mark)


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--build", required=True)
    ap.add_argument("--cache", help="folder kept between runs for the station's encoded audio")
    args, rest = ap.parse_known_args()
    why = reason_to_skip(args.build)
    if why:
        print(f"SKIP: {why}")
        return SKIPPED
    Listener.build = os.path.abspath(args.build)
    cache = args.cache or tempfile.mkdtemp(prefix="zelvorna-station-")
    os.makedirs(cache, exist_ok=True)
    os.chmod(cache, 0o755)  # Icecast drops root and must still reach its folder in here
    Listener.cache = os.path.abspath(cache)
    program = unittest.main(argv=[sys.argv[0], "-v"] + rest, exit=False)
    return 0 if program.result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
