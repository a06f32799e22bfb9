#!/usr/bin/python3
"""The bridge's web console in a real browser, against the bytes the bridge puts on a line.

    console_browser.py BRIDGE PORT [SCREENSHOT.png]

Run by console-browser.sh inside a network namespace of its own, where only loopback is
up. The bridge drives a pseudo-terminal (pty-frames.py reads it back frame by frame) and
serves its console on 127.0.0.1:PORT; headless Chromium, driven by chromedriver, opens
the page; a hand-made sACN source sends unicast to 127.0.0.1:5568. Checks, in order:

  1. the page loads, and every request it makes goes to the bridge's own origin;
  2. opening the page, and opening it again, sends nothing: no POST, no byte on the line;
  3. the sACN source shows up in the universe's sources with its name and priority, and
     its levels in the grid;
  4. Take, then three arrow-key presses on board 130's PWM3 fader: the board's frame
     with that channel at 43 and the source's levels elsewhere, nothing else first;
  5. Release: board 130 back to the source's levels;
  6. Identify board 143: 100 % and 0 % frames for it, the grid marks it, then it returns
     to the source's levels;
  7. the bridge stopped: the page says the connection is lost and disables its controls;
     started again: the page is back by itself.

Expected frames are written out from the boards' protocol (docs/protocol.md: address,
eight levels, 255), never made by the project's code. Every wait has a deadline.
"""
import os
import sys
import tempfile
import time

from selenium.common.exceptions import TimeoutException, WebDriverException
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import Select, WebDriverWait

from console_rig import (SOURCE_LEVELS, SOURCE_NAME, SOURCE_PRIORITY, UNIVERSE, WAIT_SECONDS,
                         Bridge, Line, SacnSource, chromium, requests_made)

QUIET_SECONDS = 1.5  # how long a line that must stay quiet is watched
BOARD = 130
FADER_CHANNEL = 3
IDENTIFIED = 143


def look_frame(board):
    return f"{board} {SOURCE_LEVELS} 255"


class Checks:
    def __init__(self):
        self.results = []

    def run(self, name, check):
        started = time.monotonic()
        try:
            detail = check()
            self.results.append((name, True, detail))
            print(f"console-browser: PASS {name}: {detail} "
                  f"({time.monotonic() - started:.1f} s)", flush=True)
        except (AssertionError, TimeoutException, WebDriverException) as error:
            text = str(error).strip().splitlines()[0] if str(error).strip() else repr(error)
            self.results.append((name, False, text))
            print(f"console-browser: FAIL {name}: {text}", flush=True)

    def passed(self):
        return all(ok for _, ok, _ in self.results)


class ConsoleTest:
    """The checks, in order, on one bridge, one line, one browser and one source."""

    def __init__(self, bridge, line, browser, source):
        self.bridge, self.line, self.browser, self.source = bridge, line, browser, source
        self.origin = bridge.origin

    def wait(self, what, condition, seconds=WAIT_SECONDS):
        return WebDriverWait(self.browser, seconds, poll_frequency=0.05).until(
            lambda _: condition(), message=f"{what}: not within {seconds} s")

    def element(self, selector):
        return self.browser.find_element(By.CSS_SELECTOR, selector)

    def text(self, selector):
        found = self.browser.find_elements(By.CSS_SELECTOR, selector)
        return found[0].text if found else None

    def connected(self):
        self.wait("the page shows the bridge's state",
                  lambda: self.text("#connection") == "Connected" and
                  self.text(f"#line-0-b{BOARD}-c0") is not None)

    def frames_before(self, mark, expected, allowed, what):
        """Waits for `expected` after mark; before it only frames in `allowed` may come."""
        self.line.wait_for(what, lambda: expected in self.line.since(mark))
        frames = self.line.since(mark)
        stray = [f for f in frames[:frames.index(expected)] if f not in allowed]
        assert not stray, f"{what}: before it the line got {stray}"
        return frames.index(expected)

    def page_loads_from_the_bridge_alone(self):
        # The browser's own start page goes first, and what it loaded with it.
        self.browser.get("about:blank")
        requests_made(self.browser)
        self.browser.get(self.origin + "/")
        self.connected()
        self.sent_on_load = requests_made(self.browser)
        resources = self.browser.execute_script(
            "return performance.getEntriesByType('resource').map((e) => e.name)")
        urls = [url for _, url in self.sent_on_load] + resources
        foreign = sorted({url for url in urls if not url.startswith(self.origin + "/")})
        assert not foreign, f"requests beyond the bridge: {foreign}"
        paths = sorted({url[len(self.origin):] for url in urls})
        return f"{len(self.sent_on_load)} requests, all to {self.origin}: {' '.join(paths)}"

    def opening_sends_nothing(self):
        self.browser.refresh()
        self.connected()
        time.sleep(QUIET_SECONDS)  # a window in which nothing may come
        sent = self.sent_on_load + requests_made(self.browser)
        posts = [url for method, url in sent if method != "GET"]
        assert not posts, f"the page sent {posts}"
        assert self.line.mark() == 0 and not self.line.unterminated, \
            f"the line got {self.line.since(0)}"
        return (f"opened twice: {len(sent)} requests, all GET; no byte on the line in "
                f"{QUIET_SECONDS} s after each")

    def source_shows(self):
        self.source.start()
        rows = f"#universe-{UNIVERSE}-sources tr"

        def source_row():
            for row in self.browser.find_elements(By.CSS_SELECTOR, rows):
                cells = [cell.text for cell in row.find_elements(By.TAG_NAME, "td")]
                if cells and cells[0] == SOURCE_NAME:
                    return cells
            return None

        self.wait(f"a source row named {SOURCE_NAME!r}", source_row)
        self.wait(f"its priority {SOURCE_PRIORITY}",
                  lambda: source_row()[3] == str(SOURCE_PRIORITY))
        self.wait(f"board {BOARD} PWM{FADER_CHANNEL} at 40 in the grid",
                  lambda: self.text(f"#line-0-b{BOARD}-c{FADER_CHANNEL}") == "40")
        self.line.wait_for(f"board {BOARD}'s look on the line",
                           lambda: look_frame(BOARD) in self.line.since(0))
        return (f"row {source_row()[:4]}; grid board {BOARD} PWM{FADER_CHANNEL} 40; "
                f"line: {look_frame(BOARD)}")

    def take_and_fader(self):
        looks = {look_frame(board) for board in range(128, 159)}
        mark = self.line.mark()
        self.element(f"#take-{UNIVERSE}").click()
        fader = f"#fader-0-c{FADER_CHANNEL}"
        self.wait("the console taken", lambda: self.element(f"#release-{UNIVERSE}").is_displayed()
                  and self.element(fader).is_enabled())
        Select(self.element("#board-0")).select_by_value(str(BOARD))
        self.wait(f"{fader} at the line's 40",
                  lambda: self.element(fader).get_attribute("value") == "40")
        label = self.element(fader).get_attribute("aria-label")
        assert label == f"PWM{FADER_CHANNEL} level, board {BOARD}", f"{fader} is named {label!r}"
        taken_frames = self.line.since(mark)
        assert set(taken_frames) <= looks, f"taking the console sent {set(taken_frames) - looks}"
        pressed = time.monotonic()
        for _ in range(3):
            self.element(fader).send_keys(Keys.ARROW_RIGHT)
        expected = f"{BOARD} 100 80 60 43 20 0 100 80 255"
        steps = {f"{BOARD} 100 80 60 {level} 20 0 100 80 255" for level in (41, 42)}
        self.frames_before(mark, expected, looks | steps, "the fader's frame")
        took = (time.monotonic() - pressed) * 1000
        self.wait(f"{fader} shows 43 %",
                  lambda: self.element(fader).get_attribute("value") == "43")
        return f"3 x ArrowRight on {fader}: {expected} on the line {took:.0f} ms after the first key"

    def release_hands_back(self):
        held = f"{BOARD} 100 80 60 43 20 0 100 80 255"
        last = [f for f in self.line.since(0) if f.startswith(f"{BOARD} ")][-1:]
        assert last == [held], f"before Release board {BOARD} is not the console's: {last}"
        mark = self.line.mark()
        self.element(f"#release-{UNIVERSE}").click()
        looks = {look_frame(board) for board in range(128, 159)}
        console = {f"{BOARD} 100 80 60 {level} 20 0 100 80 255" for level in (41, 42, 43)}
        self.frames_before(mark, look_frame(BOARD), looks | console, "the source's look back")
        self.wait("Take offered again", lambda: self.element(f"#take-{UNIVERSE}").is_displayed())
        return f"{look_frame(BOARD)} on the line again; Take offered again"

    def identify_flashes(self):
        Select(self.element("#board-0")).select_by_value(str(IDENTIFIED))
        full = f"{IDENTIFIED} " + "100 " * 8 + "255"
        dark = f"{IDENTIFIED} " + "0 " * 8 + "255"
        mark = self.line.mark()
        self.element("#identify-0").click()
        self.line.wait_for("both flash frames", lambda: {full, dark} <= set(self.line.since(mark)))
        cell = self.element(f"#line-0-b{IDENTIFIED}-c0")
        self.wait(f"board {IDENTIFIED} marked in the grid",
                  lambda: "identify" in cell.find_element(By.XPATH, "..").get_attribute("class"))
        back = look_frame(IDENTIFIED)

        def returned():
            frames = self.line.since(mark)
            return back in frames[frames.index(full):] if full in frames else False

        self.line.wait_for(f"board {IDENTIFIED} back to its look", returned, 10)
        frames = self.line.timed_since(mark)
        flashes = [(t, f) for t, f in frames if f in (full, dark)]
        returned_at = next(t for t, f in frames if f == back and t > flashes[0][0])
        late = [f for t, f in flashes if t > returned_at]
        assert not late, f"flash frames after the board returned: {late}"
        return (f"{len(flashes)} flash frames ({full} / {dark}) over "
                f"{flashes[-1][0] - flashes[0][0]:.2f} s, then {back} "
                f"{returned_at - flashes[-1][0]:.2f} s after the last")

    def reconnects(self):
        self.bridge.stop()
        self.wait("Connection lost shown",
                  lambda: self.text("#connection") == "Connection lost; reconnecting…")
        self.wait("controls disabled", lambda: not self.element("#identify-0").is_enabled() and
                  not self.element("#board-0").is_enabled())
        self.bridge.start()
        answered = time.monotonic()
        self.connected()
        took = time.monotonic() - answered
        self.wait("controls enabled again", lambda: self.element("#identify-0").is_enabled())
        assert took < 2.0, f"the page came back {took:.2f} s after the bridge answered"
        return f"lost shown, controls disabled; back {took:.2f} s after the bridge answered"

    def phone_layout(self, screenshot):
        """At a phone's width: one column, nothing wider than the screen, every control
        at least 44 px each way; the screenshot, when asked for, then."""
        self.browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": 390, "height": 844, "deviceScaleFactor": 1, "mobile": True})
        try:
            self.wait("the phone's width", lambda: self.browser.execute_script(
                "return window.innerWidth") == 390)
            layout = self.browser.execute_script("""
                const shown = [...document.querySelectorAll('button, input, select')]
                    .filter((e) => e.offsetParent !== null);
                const small = shown.map((e) => [e, e.getBoundingClientRect()])
                    .filter(([, r]) => r.width < 44 || r.height < 44)
                    .map(([e, r]) => `${e.id || e.textContent.trim()} ${r.width}x${r.height}`);
                const body = document.querySelector('.line-body');
                return {shown: shown.length, small,
                        columns: getComputedStyle(body).gridTemplateColumns.split(' ').length,
                        width: document.documentElement.scrollWidth};""")
            assert layout["columns"] == 1, f"{layout['columns']} columns at 390 px"
            assert layout["width"] <= 390, f"the page is {layout['width']} px wide at 390 px"
            assert not layout["small"], f"controls under 44 px: {layout['small']}"
            if screenshot:
                # The sources just below the sticky header, then the console.
                self.browser.execute_script(f"""
                    const sources = document.getElementById('universe-{UNIVERSE}-sources');
                    const header = document.querySelector('header').offsetHeight;
                    const top = sources.closest('.sources').getBoundingClientRect().top;
                    window.scrollTo(0, window.scrollY + top - header - 8);""")
                self.browser.save_screenshot(screenshot)
        finally:
            self.browser.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
            self.browser.execute_script("window.scrollTo(0, 0)")
        saved = f"; saved as {screenshot}" if screenshot else ""
        return f"one column, {layout['shown']} controls all at least 44 x 44 px{saved}"


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit("usage: console_browser.py BRIDGE PORT [SCREENSHOT.png]")
    program, port = sys.argv[1], int(sys.argv[2])
    screenshot = sys.argv[3] if len(sys.argv) == 4 else None
    work = tempfile.mkdtemp(prefix="dimrix-console-")
    line = Line(600)
    log_path = os.path.join(work, "bridge.log")
    checks = Checks()
    source = SacnSource()
    bridge = browser = None
    with open(log_path, "w") as log:
        bridge = Bridge(program, port, line.path, log)
        try:
            bridge.start()
            browser = chromium(1280, 900)
            test = ConsoleTest(bridge, line, browser, source)
            checks.run("the page loads from the bridge alone", test.page_loads_from_the_bridge_alone)
            checks.run("opening the page sends nothing", test.opening_sends_nothing)
            checks.run("the sACN source shows with its name and priority", test.source_shows)
            checks.run("Take and a fader moved by keyboard reach the line", test.take_and_fader)
            checks.run("a phone's width: one column, touch-sized controls",
                       lambda: test.phone_layout(screenshot))
            checks.run("Release hands the board back", test.release_hands_back)
            checks.run("Identify flashes the board and it returns", test.identify_flashes)
            checks.run("the page reconnects by itself", test.reconnects)
        except (AssertionError, WebDriverException) as error:
            checks.results.append(("setting up", False, str(error).strip().splitlines()[0]))
            print(f"console-browser: FAIL setting up: {error}", flush=True)
        finally:
            source.stop()
            if browser:
                if not checks.passed():
                    for entry in browser.get_log("browser"):
                        print(f"console-browser: browser: {entry['message']}", flush=True)
                browser.quit()
            bridge.stop()
    if not checks.passed():
        print("console-browser: what the bridge said:", flush=True)
        with open(log_path) as log:
            sys.stdout.write("".join(f"  {text}" for text in log))
    passed = sum(ok for _, ok, _ in checks.results)
    print(f"console-browser: {passed} of {len(checks.results)} checks passed", flush=True)
    sys.exit(0 if checks.passed() else 1)


if __name__ == "__main__":
    main()
