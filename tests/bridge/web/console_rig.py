"""What the console's browser test runs against: the line as a pseudo-terminal read back by
pty-frames.py, a hand-made sACN source, the bridge, and headless Chromium kept on this
machine."""
import json
import os
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request
import uuid

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

HERE = os.path.dirname(os.path.abspath(__file__))
WAIT_SECONDS = 10
UNIVERSE = 1
SOURCE_NAME = "Browser test desk"
SOURCE_PRIORITY = 50  # below the console's 100, so the console's channels win
# DMX values per channel of every board and the levels they stand for (x * 100 / 255,
# rounded): a look with no two channels alike, so the line carries board frames.
SOURCE_DMX = [255, 204, 153, 102, 51, 0, 255, 204]
SOURCE_LEVELS = "100 80 60 40 20 0 100 80"


class Line:
    """The pseudo-terminal, read back by pty-frames.py: every frame, as text, in order."""

    def __init__(self, seconds):
        self.process = subprocess.Popen(
            [sys.executable, "-u", os.path.join(HERE, "..", "pty-frames.py"), str(seconds)],
            stdout=subprocess.PIPE, text=True)
        self.path = self.process.stdout.readline().strip()
        self.frames = []  # (seconds since the reader started, "128 0 ... 255")
        self.unterminated = []
        self.lock = threading.Lock()
        threading.Thread(target=self.read, daemon=True).start()

    def read(self):
        for text in self.process.stdout:
            fields = text.split(maxsplit=1)
            if len(fields) == 2:
                with self.lock:
                    if fields[1].startswith("unterminated"):
                        self.unterminated.append(fields[1])
                    else:
                        self.frames.append((float(fields[0]), fields[1].strip()))

    def mark(self):
        with self.lock:
            return len(self.frames)

    def since(self, mark):
        with self.lock:
            return [text for _, text in self.frames[mark:]]

    def timed_since(self, mark):
        with self.lock:
            return self.frames[mark:]

    def wait_for(self, what, condition, seconds=WAIT_SECONDS):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if condition():
                return
            time.sleep(0.02)
        raise AssertionError(f"{what}: not within {seconds} s")


class SacnSource:
    """An E1.31 data source, built by hand, sending every 100 ms to 127.0.0.1:5568."""

    def __init__(self):
        self.cid = uuid.uuid4()
        self.socket = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sequence = 0
        self.running = False
        self.thread = None

    def packet(self):
        slots = bytes(SOURCE_DMX * 31) + bytes(512 - 248)
        total = 126 + len(slots)
        root = struct.pack("!HH12sHI16s", 0x0010, 0, b"ASC-E1.17\0\0\0", 0x7000 | (total - 16),
                           0x00000004, self.cid.bytes)
        framing = struct.pack("!HI64sBHBBH", 0x7000 | (total - 38), 0x00000002,
                              SOURCE_NAME.encode(), SOURCE_PRIORITY, 0, self.sequence, 0,
                              UNIVERSE)
        dmp = struct.pack("!HBBHHHB", 0x7000 | (total - 115), 0x02, 0xa1, 0, 1,
                          len(slots) + 1, 0)
        return root + framing + dmp + slots

    def start(self):
        self.running = True
        self.thread = threading.Thread(target=self.send, daemon=True)
        self.thread.start()

    def send(self):
        while self.running:
            self.socket.sendto(self.packet(), ("127.0.0.1", 5568))
            self.sequence = (self.sequence + 1) % 256
            time.sleep(0.1)

    def stop(self):
        self.running = False
        if self.thread:
            self.thread.join(timeout=1)


class Bridge:
    def __init__(self, program, port, device, log):
        self.program, self.port, self.device, self.log = program, port, device, log
        self.process = None
        self.origin = f"http://127.0.0.1:{port}"

    def start(self):
        self.process = subprocess.Popen(
            [self.program, "--bind", "127.0.0.1", "--http", f"127.0.0.1:{self.port}",
             self.device], stdout=self.log, stderr=subprocess.STDOUT)
        deadline = time.monotonic() + WAIT_SECONDS
        while time.monotonic() < deadline:
            if self.process.poll() is not None:
                raise AssertionError(f"the bridge ended with status {self.process.returncode}")
            try:
                with urllib.request.urlopen(self.origin + "/api/state", timeout=1) as answer:
                    if answer.status == 200:
                        return json.load(answer)
            except OSError:
                pass
            time.sleep(0.05)
        raise AssertionError(f"the bridge served no /api/state within {WAIT_SECONDS} s")

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=WAIT_SECONDS)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


def chromium(width, height):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                     "--no-first-run", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync",
                     "--disable-dev-shm-usage", f"--window-size={width},{height}",
                     f"--user-data-dir={tempfile.mkdtemp(prefix='dimrix-chromium-')}"]:
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"performance": "ALL", "browser": "ALL"})
    browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    browser.set_page_load_timeout(WAIT_SECONDS)
    browser.set_script_timeout(WAIT_SECONDS)
    return browser


def requests_made(browser):
    """(method, url) of every request the browser sent since the log was last read."""
    sent = []
    for entry in browser.get_log("performance"):
        message = json.loads(entry["message"])["message"]
        if message.get("method") == "Network.requestWillBeSent":
            request = message["params"]["request"]
            sent.append((request["method"], request["url"]))
    return sent
