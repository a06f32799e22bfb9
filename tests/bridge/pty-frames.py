#!/usr/bin/env python3
"""A pseudo-terminal standing for a serial line, read back frame by frame.

    pty-frames.py SECONDS

Prints the slave's path on the first line, then every frame that arrives on the master
as one line: the seconds since the start, then the frame's bytes in decimal, terminator
included ("1.234567 128 0 50 100 1 0 50 75 1 255"). Only 255 ends a frame on this line
(levels, commands and addresses all lie below it), so that is the whole of the reading:
which frame a byte belongs to is left to the test. Bytes still waiting for their 255
when it ends come last, marked "unterminated". It ends after SECONDS, or when the far
end's last writer is gone and the master reads end of file.

tests/wine/pty-capture.pl prints what came once, at the end; a test that sends one look
after another must see each frame as it lands.
"""
import os
import pty
import select
import sys
import termios
import time
import tty


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: pty-frames.py SECONDS")
    lifetime = float(sys.argv[1])
    master, slave = pty.openpty()
    # Raw, so no byte is echoed or translated; the slave stays open here so the master
    # never reads a hang-up while the bridge reopens the line.
    tty.setraw(slave, termios.TCSANOW)
    print(os.ttyname(slave), flush=True)

    started = time.monotonic()
    pending = bytearray()
    while True:
        left = started + lifetime - time.monotonic()
        if left <= 0:
            break
        ready, _, _ = select.select([master], [], [], left)
        if not ready:
            continue
        try:
            chunk = os.read(master, 4096)
        except OSError:
            break
        if not chunk:
            break
        now = time.monotonic() - started
        for byte in chunk:
            pending.append(byte)
            if byte == 255:
                print("%.6f %s" % (now, " ".join(str(b) for b in pending)), flush=True)
                pending.clear()
    if pending:
        print("%.6f unterminated %s" % (time.monotonic() - started,
                                        " ".join(str(b) for b in pending)), flush=True)


if __name__ == "__main__":
    main()
