#!/usr/bin/env python3
"""The panel and the monitor as a screen reader sees them, read through the desktop's
accessibility bus (AT-SPI) with pyatspi, as Orca or any automation built on it would.

    screen-reader.py BUILD_DIR [--dump]

check-accessibility.sh runs it on a private X server, inside a session bus of its own
that starts at-spi2-core's bus and registry when first asked. The programs run one after
the other, each on pseudo-terminals, never on a real port. With --dump it also prints
the trees as a screen reader walks them. Every wait is bounded; the exit status is the
number of failed checks.
"""
import os
import pty
import subprocess
import sys
import termios
import threading
import time
import tty

import pyatspi
from gi.repository import GLib

DEADLINE = 20.0  # seconds anything may take to show
LINE_LIFETIME = 120  # seconds the panel's lines are read at most
DBUS_TIMEOUT = 25.0  # seconds a call on the bus waits for its answer
EVENT_WINDOW = 2.0  # seconds over which announcements are counted
# "A few a second", with room to spare: the window announces four rounds a second, while
# a fade steps forty times a second and the monitor may read hundreds of frames.
FEW_PER_SECOND = 8
VALUE_EVENT = "object:property-change:accessible-value"
NAME_EVENT = "object:property-change:accessible-name"

failures = []


def check(condition, what):
    print(("ok    " if condition else "FAIL  ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


def wait_for(what, probe, seconds=DEADLINE):
    """The first true value probe() gives within the time, else None."""
    end = time.monotonic() + seconds
    while True:
        try:
            found = probe()
        except Exception:  # not there yet, or gone while being read: ask again
            found = None
        if found or time.monotonic() > end:
            if not found:
                print("gave up waiting for " + what, flush=True)
            return found
        time.sleep(0.05)


class PanelLine:
    """A pseudo-terminal standing for the panel's serial line, read frame by frame by
    tests/bridge/pty-frames.py."""

    def __init__(self):
        reader = os.path.join(os.path.dirname(__file__), "..", "bridge", "pty-frames.py")
        self._reader = subprocess.Popen([sys.executable, reader, str(LINE_LIFETIME)],
                                        stdout=subprocess.PIPE, text=True)
        self.path = self._reader.stdout.readline().strip()
        self._frames = []
        self._lock = threading.Lock()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for printed in self._reader.stdout:
            _, *data = printed.split()
            if data and data[0] != "unterminated":
                with self._lock:
                    self._frames.append([int(byte) for byte in data])

    def frames(self):
        with self._lock:
            return list(self._frames)

    def forget(self):
        with self._lock:
            self._frames.clear()

    def close(self):
        self._reader.terminate()
        self._reader.wait()


class MonitorLine:
    """A pseudo-terminal the monitor reads; what is written here arrives as the boards
    would read it."""

    def __init__(self):
        self._master, slave = pty.openpty()
        # Raw, so every byte arrives as written.
        tty.setraw(slave, termios.TCSANOW)
        self.path = os.ttyname(slave)

    def write(self, data):
        os.write(self._master, bytes(data))


class Program:
    """One of the programs, its output kept for when a check fails."""

    def __init__(self, build, name, *arguments):
        self.log = os.path.join(os.environ.get("TMPDIR", "/tmp"), "%s.log" % name)
        with open(self.log, "w") as out:
            self.process = subprocess.Popen([os.path.join(build, name), *arguments],
                                            stdout=out, stderr=subprocess.STDOUT)

    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(timeout=DEADLINE)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        if failures:
            with open(self.log) as out:
                sys.stdout.write(out.read())
        os.unlink(self.log)


def walk(node):
    yield node
    for child in node:
        if child is not None:
            yield from walk(child)


def window_named(title):
    for app in pyatspi.Registry.getDesktop(0):
        for window in app or []:
            if window is not None and window.name == title:
                return window
    return None


def named(nodes, name, role=None):
    for node in nodes:
        if node.name == name and (role is None or node.getRole() == role):
            return node
    return None


def press(button):
    button.queryAction().doAction(0)


def describe(node, depth):
    parts = ["%s[%s] %r" % ("  " * depth, node.getRoleName(), node.name)]
    if node.description:
        parts.append("description %r" % node.description)
    try:
        value = node.queryValue()
        parts.append("value %g in %g..%g" % (value.currentValue, value.minimumValue,
                                             value.maximumValue))
    except NotImplementedError:
        pass
    for relation in node.getRelationSet():
        kind = {pyatspi.RELATION_LABEL_FOR: "label for",
                pyatspi.RELATION_LABELLED_BY: "labelled by"}.get(relation.getRelationType())
        if kind:
            parts.append("%s %s" % (kind, ", ".join(repr(relation.getTarget(i).name)
                                                   for i in range(relation.getNTargets()))))
    return "  ".join(parts)


def dump(title, root, keep=lambda node: True):
    print("--- %s, as a screen reader walks it" % title)

    def visit(node, depth):
        if keep(node):
            print(describe(node, depth))
        for child in node:
            if child is not None:
                visit(child, depth + 1)

    visit(root, 0)
    sys.stdout.flush()


def announcements(during):
    """The value and name changes heard while `during` runs and the main loop turns
    for EVENT_WINDOW seconds."""
    heard = {VALUE_EVENT: 0, NAME_EVENT: 0}

    def hear(event):
        for kind in heard:
            if event.type == kind:
                heard[kind] += 1

    pyatspi.Registry.registerEventListener(hear, VALUE_EVENT, NAME_EVENT)
    loop = GLib.MainLoop()
    GLib.timeout_add(int(EVENT_WINDOW * 1000), loop.quit)
    during()
    loop.run()
    pyatspi.Registry.deregisterEventListener(hear, VALUE_EVENT, NAME_EVENT)
    return heard


def check_panel(build, dumping):
    com1, com2 = PanelLine(), PanelLine()
    panel = Program(build, "dimrix", "--com1", com1.path, "--com2", com2.path)
    try:
        window = wait_for("the panel's window", lambda: window_named("Dimrix"))
        if not check(window is not None, "the panel's window is on the bus"):
            return
        if dumping:
            dump("the panel", window)
        nodes = list(walk(window))

        focusable = [n for n in nodes if n.getState().contains(pyatspi.STATE_FOCUSABLE)]
        names = [n.name for n in focusable]
        check(len(focusable) == 37 and all(names) and len(set(names)) == len(names),
              "each of the %d focusable controls has a name of its own" % len(focusable))
        for name in ("PWM3 level", "Fade PWM3 up", "Fade PWM3 down", "Board address",
                     "Master level", "Send master level to all boards",
                     "Connect to the chosen port"):
            check(name in names, "a control is named %r" % name)
        com1_choice = named(nodes, "COM1", pyatspi.ROLE_RADIO_BUTTON)
        check(com1_choice is not None and com1.path in com1_choice.description,
              "COM1 is described by its device %s" % com1.path)

        sliders = {n.name: n.queryValue() for n in nodes if n.getRole() == pyatspi.ROLE_SLIDER}
        expected = {"PWM%d level" % c: (0, 0, 100) for c in range(8)}
        expected.update({"Master level": (0, 0, 100), "Board address": (128, 128, 158)})
        read = {name: (v.currentValue, v.minimumValue, v.maximumValue)
                for name, v in sliders.items()}
        check(read == expected, "the sliders read level and address, top value largest: %s"
              % sorted(read.items()))
        readout = [n for n in nodes if n.getRole() == pyatspi.ROLE_LABEL and any(
            r.getRelationType() == pyatspi.RELATION_LABEL_FOR and
            r.getTarget(0).name == "PWM3 level" for r in n.getRelationSet())]
        check(len(readout) == 1 and readout[0].name == "0",
              "PWM3's read-out is the label of its slider")

        # The port is closed, so the move is reported. Were the call to wait for the box,
        # which stays open until dismissed below, it would take the bus's whole timeout.
        asked = time.monotonic()
        sliders["PWM5 level"].currentValue = 10
        answered = time.monotonic() - asked
        alert = wait_for("the report", lambda: next(
            (w for w in window.getApplication() if w and w.getRole() == pyatspi.ROLE_ALERT),
            None))
        check(answered < DBUS_TIMEOUT / 2, "the value interface answers before the report (%.3f s)"
              % answered)
        if check(alert is not None, "the report is an alert"):
            if dumping:
                dump("the report", alert)
            texts = [n.name for n in walk(alert)]
            check("Open com port first!" in texts, "the alert reads %r" % texts)
            press(named(walk(alert), "OK", pyatspi.ROLE_PUSH_BUTTON))
            wait_for("the report to close",
                     lambda: all(w.getRole() != pyatspi.ROLE_ALERT
                                 for w in window.getApplication() if w))

        connect = named(nodes, "Connect to the chosen port")
        press(connect)
        check(wait_for("the port to open", lambda: connect.description.startswith("Online")),
              "Connect opens COM1 (%r)" % connect.description)
        # All OFF takes PWM5 back to 0, and sends board 128 its frame last.
        press(named(nodes, "All boards off"))
        check(wait_for("All OFF", lambda: [128] + [0] * 8 + [255] in com1.frames()),
              "All OFF clears PWM5 on the line")
        com1.forget()

        asked = time.monotonic()
        sliders["PWM3 level"].currentValue = 40
        answered = time.monotonic() - asked
        frame = wait_for("PWM3's frame", lambda: com1.frames())
        print("value interface: PWM3 level set to 40, answered in %.3f s; the line carried %s"
              % (answered, frame), flush=True)
        check(frame == [[128, 0, 0, 0, 40, 0, 0, 0, 0, 255]],
              "PWM3 set to 40 sends board 128 its frame with 40 in channel 3")
        check(sliders["PWM3 level"].currentValue == 40 and readout[0].name == "40",
              "PWM3's slider and read-out read 40")

        fades = [named(nodes, "Fade PWM%d up" % c) for c in range(8)]
        heard = announcements(lambda: [press(fade) for fade in fades])
        stepped = sliders["PWM0 level"].currentValue
        print("eight fades for %.0f s, PWM0 stepped to %g: %d value and %d name changes "
              "announced" % (EVENT_WINDOW, stepped, heard[VALUE_EVENT], heard[NAME_EVENT]),
              flush=True)
        bound = 8 * FEW_PER_SECOND * EVENT_WINDOW
        check(stepped > bound / 8 and 0 < heard[VALUE_EVENT] <= bound and
              heard[NAME_EVENT] <= bound, "a fade is announced a few times a second, not at "
              "every step")
    finally:
        panel.stop()
        com1.close()
        com2.close()


def check_monitor(build, dumping):
    line = MonitorLine()
    monitor = Program(build, "dimrix-monitor", line.path)
    try:
        window = wait_for("the monitor's window", lambda: window_named("Dimrix Monitor"))
        if not check(window is not None, "the monitor's window is on the bus"):
            return
        grid = next((n for n in walk(window) if n.getRole() == pyatspi.ROLE_TABLE), None)
        if not check(grid is not None, "the monitor's grid is a table"):
            return
        table = grid.queryTable()
        check((table.nRows, table.nColumns) == (31, 8), "the table has 31 rows by 8 columns")
        check((table.getRowDescription(2), table.getColumnDescription(3)) == ("Board 130", "PWM3"),
              "rows are boards, columns channels")
        status = next((n for n in walk(window) if n.name == "Line status"), None)
        check(status is not None and line.path in status.description,
              "the status line is named and reads the line's figures")

        stream = {2: [0, 10, 20, 30, 40, 50, 60, 70], 30: [100, 90, 80, 70, 60, 50, 40, 30]}
        for row, levels in stream.items():
            line.write([128 + row] + levels + [255])

        def reads(row, column):
            return table.getAccessibleAt(row, column).name

        def shown():
            return all(reads(row, column).startswith(
                "Board %d, PWM%d: %d%%" % (128 + row, column, level))
                for row, levels in stream.items() for column, level in enumerate(levels))

        check(wait_for("the stream's levels", shown), "the cells read the levels of the stream")
        check(reads(0, 0) == "Board 128, PWM0: 0%", "a board no frame went to reads 0")

        def marked():
            line.write([158] + stream[30] + [255])
            return (reads(30, 7).endswith(", last frame") and
                    not reads(2, 7).endswith(", last frame"))

        check(wait_for("the mark", marked), "the board the last frame went to is marked")
        if dumping:
            dump("the monitor (boards 128 to 131 and 158)", window,
                 lambda n: n.getRole() != pyatspi.ROLE_TABLE_CELL or
                 n.name.startswith(("Board 128", "Board 129", "Board 130", "Board 131",
                                    "Board 158")))

        sent = 0

        def send():
            # 200 frames a second to board 131, every level changing, for the whole window.
            nonlocal sent
            sent += 1
            line.write([131] + [sent % 101] * 8 + [255])
            return sent < 200 * EVENT_WINDOW

        for column in range(8):  # board 131's cells, as a tool that has looked at them
            reads(3, column)
        heard = announcements(lambda: GLib.timeout_add(5, send))
        print("200 frames a second for %.0f s: %d name changes announced"
              % (EVENT_WINDOW, heard[NAME_EVENT]), flush=True)
        check(0 < heard[NAME_EVENT] <= 8 * FEW_PER_SECOND * EVENT_WINDOW,
              "changing cells are announced a few times a second, not at every frame")
    finally:
        monitor.stop()


def main():
    if len(sys.argv) not in (2, 3) or sys.argv[2:] not in ([], ["--dump"]):
        sys.exit("usage: screen-reader.py BUILD_DIR [--dump]")
    build, dumping = sys.argv[1], sys.argv[2:] == ["--dump"]
    check_panel(build, dumping)
    check_monitor(build, dumping)
    print("%d check(s) failed" % len(failures) if failures else "every check passed", flush=True)
    sys.exit(min(len(failures), 100))


if __name__ == "__main__":
    main()
