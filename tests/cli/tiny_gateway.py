#!/usr/bin/env python3
"""A second, independent gateway for the end-to-end tests: the configuration conversation on a
pseudo-terminal, written apart from the C++ code (its own frame reader, CRC and image layout).

    tiny_gateway.py --image-out FILE [--type T] [--version TEXT] [--channel C] [--key K]
                    [--line-timing]
    tiny_gateway.py --compare EXPECTED ACTUAL

Prints the path of its pseudo-terminal on the first line, then answers until it gets SIGTERM
or SIGINT; it then writes the 97,422-byte image it holds to FILE and exits. It answers every
request at once, or with --line-timing as a line at 57,600 baud 8N1 would carry it (a
request counts as received once its last byte would have arrived; a reply goes out at that
rate), and keeps the blocks written to it the way they are laid out
in a gateway's configuration image.

--compare checks that two image files agree in every part a configuration write sets (the
ports, the radio and the four tables, page by page), prints the first difference and exits 1
when they do not.
"""

import argparse
import os
import select
import signal
import struct
import sys
import time
import tty

IMAGE_SIZE = 97_422
FIRST_PART = 17_362
PAGE_SIZE = 16_012
RECORDS_PER_PAGE = 320

# Block type: (record size, count offset on page 0, count offset within an image page)
TABLES = {4: (4, 92, 4), 5: (24, 1_374, 1_286), 6: (14, 9_056, 8_968), 7: (8, 13_538, 13_450)}
# Block type: (offset, size) of the fixed blocks.
FIXED = {0: (6, 36), 1: (42, 8), 2: (50, 32), 3: (82, 10), 10: (17_304, 6), 23: (17_310, 10)}


def crc16_arc(data):
    crc = 0
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def frame(command, payload=b""):
    body = bytes([0xFF, command]) + struct.pack("<H", len(payload)) + payload
    return body + struct.pack("<H", crc16_arc(body))


def count_offset(block, page):
    _, first, in_page = TABLES[block]
    return first if page == 0 else FIRST_PART + PAGE_SIZE * (page - 1) + in_page


class Gateway:
    def __init__(self, args):
        self.image = bytearray(IMAGE_SIZE)
        self.device_type = args.type
        self.version = args.version.encode()[:13]
        self.channel = args.channel
        struct.pack_into("<I", self.image, FIXED[10][0], args.key)

    def block_bytes(self, block, page):
        if block in TABLES:
            if page > 5:
                return None
            size = TABLES[block][0]
            at = count_offset(block, page)
            count = min(struct.unpack_from("<H", self.image, at)[0], RECORDS_PER_PAGE)
            return bytes(self.image[at + 2:at + 2 + count * size])
        if block in FIXED:
            offset, size = FIXED[block]
            return bytes(self.image[offset:offset + size])
        if block in (9, 24):
            return b""
        return None

    def store(self, block, page, data):
        if block in TABLES:
            size = TABLES[block][0]
            if page > 5 or len(data) % size or len(data) > RECORDS_PER_PAGE * size:
                return False
            at = count_offset(block, page)
            struct.pack_into("<H", self.image, at, len(data) // size)
            self.image[at + 2:at + 2 + RECORDS_PER_PAGE * size] = bytes(RECORDS_PER_PAGE * size)
            self.image[at + 2:at + 2 + len(data)] = data
            return True
        if block == 10 and len(data) == 4:
            self.image[FIXED[10][0]:FIXED[10][0] + 4] = data
            return True
        if block in (0, 1) and len(data) == FIXED[block][1]:
            offset = FIXED[block][0]
            self.image[offset:offset + len(data)] = data
            return True
        return False

    def answer(self, command, payload):
        if command == 5:  # enquire
            return frame(6)
        if command == 1:  # identify
            identity = struct.pack("<H", self.device_type) + self.version
            return frame(14, identity.ljust(16, b"\0"))
        if command == 37:  # read radio
            return frame(38, struct.pack("<H", self.channel).ljust(8, b"\0"))
        if command == 65 and len(payload) in (4, 6):  # read block
            block, page = struct.unpack_from("<HH", payload)
            data = self.block_bytes(block, page)
            if len(payload) == 6 and block == 10:
                data = data[:4]
            if data is None:
                return frame(21)
            return frame(65, struct.pack("<HHH", block, page, len(data)) + data)
        if command == 66 and len(payload) >= 6:  # write block
            block, page, count = struct.unpack_from("<HHH", payload)
            data = payload[6:]
            if count != len(data) or not self.store(block, page, data):
                return frame(21)
            return frame(6)
        if command == 29:  # store the configuration
            return frame(6)
        return frame(21)


def kept_parts(image):
    """The parts of an image a configuration write sets, by name."""
    parts = [("ports", image[6:42]), ("radio", image[42:50])]
    for block, (size, _, _) in TABLES.items():
        for page in range(6):
            at = count_offset(block, page)
            count = min(struct.unpack_from("<H", image, at)[0], RECORDS_PER_PAGE)
            parts.append((f"block {block} page {page}", image[at:at + 2 + count * size]))
    return parts


def compare(expected_path, actual_path):
    with open(expected_path, "rb") as f:
        expected = f.read()
    with open(actual_path, "rb") as f:
        actual = f.read()
    if len(expected) != IMAGE_SIZE or len(actual) != IMAGE_SIZE:
        print(f"images must be {IMAGE_SIZE} bytes: {len(expected)}, {len(actual)}")
        return 1
    for (name, want), (_, got) in zip(kept_parts(expected), kept_parts(actual)):
        if want != got:
            at = next((i for i, (a, b) in enumerate(zip(want, got)) if a != b),
                      min(len(want), len(got)))
            print(f"{name} differs at byte {at}: {len(want)} bytes expected, {len(got)} held")
            return 1
    print("same")
    return 0


CHARACTER_S = 10 / 57_600


def send_paced(fd, data):
    start = time.monotonic()
    for offset in range(0, len(data), 64):
        chunk = data[offset:offset + 64]
        due = start + (offset + len(chunk)) * CHARACTER_S
        time.sleep(max(0.0, due - time.monotonic()))
        os.write(fd, chunk)


def serve(gateway, fd, stop, line_timing):
    pending = b""
    arrived_at = 0.0  # when the last byte read so far has come off the line
    while not stop:
        try:
            ready, _, _ = select.select([fd], [], [], 0.1)
        except InterruptedError:
            continue
        if not ready:
            continue
        try:
            received = os.read(fd, 4096)
        except OSError:
            continue  # the other end closed; it may open the port again
        pending += received
        if line_timing:
            arrived_at = max(time.monotonic(), arrived_at) + len(received) * CHARACTER_S
        while True:
            start = pending.find(b"\xff")
            if start < 0:
                pending = b""
                break
            pending = pending[start:]
            if len(pending) < 4:
                break
            length = struct.unpack_from("<H", pending, 2)[0]
            if len(pending) < length + 6:
                break
            body, crc = pending[:length + 4], struct.unpack_from("<H", pending, length + 4)[0]
            pending = pending[length + 6:]
            if crc16_arc(body) == crc:
                reply = gateway.answer(body[1], bytes(body[4:]))
                if line_timing:
                    time.sleep(max(0.0, arrived_at - time.monotonic()))
                    send_paced(fd, reply)
                else:
                    os.write(fd, reply)


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "--compare":
        return compare(sys.argv[2], sys.argv[3])
    parser = argparse.ArgumentParser()
    parser.add_argument("--image-out", required=True)
    parser.add_argument("--type", type=int, default=12)
    parser.add_argument("--version", default="1.5.0.14")
    parser.add_argument("--channel", type=int, default=5)
    parser.add_argument("--key", type=lambda text: int(text, 0), default=0)
    parser.add_argument("--line-timing", action="store_true")
    args = parser.parse_args()

    master, slave = os.openpty()
    tty.setraw(slave)  # bytes pass untouched until the client sets the line up itself
    print(os.ttyname(slave), flush=True)

    stop = []
    for signum in (signal.SIGTERM, signal.SIGINT):
        signal.signal(signum, lambda *_: stop.append(True))
    gateway = Gateway(args)
    serve(gateway, master, stop, args.line_timing)
    with open(args.image_out, "wb") as out:
        out.write(gateway.image)
    os.close(slave)  # kept open until now so the client may close and reopen the port
    return 0


if __name__ == "__main__":
    sys.exit(main())
