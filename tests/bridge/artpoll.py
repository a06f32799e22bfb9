#!/usr/bin/env python3
"""One ArtPoll, as a console sends it, and the first ArtPollReply that comes back.

    artpoll.py FROM TO SECONDS

Sends one ArtPoll from address FROM (any port) to TO, port 6454, with SO_BROADCAST set
so TO may be a broadcast address; prints the first reply's bytes in decimal on one line,
its sender's address on the next, and the milliseconds from poll to reply on the third.
Status 1 when nothing came within SECONDS.
"""
import socket
import sys
import time

# "Art-Net" NUL, OpCode 0x2000 (low byte first), protocol 14, flags 0, priority 0.
ART_POLL = bytes([65, 114, 116, 45, 78, 101, 116, 0, 0, 32, 0, 14, 0, 0])
ART_NET_PORT = 6454


def main():
    if len(sys.argv) != 4:
        sys.exit("usage: artpoll.py FROM TO SECONDS")
    source, destination, seconds = sys.argv[1], sys.argv[2], float(sys.argv[3])
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sock:
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
        sock.bind((source, 0))
        sent = time.monotonic()
        sock.sendto(ART_POLL, (destination, ART_NET_PORT))
        deadline = sent + seconds
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                sys.exit("artpoll.py: no ArtPollReply within %g s" % seconds)
            sock.settimeout(left)
            try:
                data, sender = sock.recvfrom(2048)
            except socket.timeout:
                continue
            # OpCode 0x2100, low byte first; any other datagram is not the answer.
            if data[8:10] == bytes([0, 33]):
                print(" ".join(str(b) for b in data))
                print(sender[0])
                print("%.1f" % ((time.monotonic() - sent) * 1000))
                return


if __name__ == "__main__":
    main()
