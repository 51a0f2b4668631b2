#!/usr/bin/python3
"""Writes dfnwim.dxt: the blank-picture GIF a new frame is made from.

A GIF89a stream of exactly 187 bytes: a 100 x 100 logical screen with a two-entry global table
(white, black), a graphic control (do not dispose, 50 centiseconds, no transparency), one
100 x 100 image of index 0 (white) and a comment that pads the stream to its fixed length.
Standard library only. Usage: make_dfnwim.py [output path]
"""
import struct
import sys

SIZE = 100
LENGTH = 187
MIN_CODE_SIZE = 2


def lzw_codes(indices, min_code_size):
    clear = 1 << min_code_size
    codes = [clear]
    table = {}
    next_free = clear + 2
    current = None
    for index in indices:
        if current is None:
            current = index
            continue
        if (current, index) in table:
            current = table[(current, index)]
            continue
        codes.append(current)
        table[(current, index)] = next_free
        next_free += 1
        if next_free == 4096:
            codes.append(clear)
            table = {}
            next_free = clear + 2
        current = index
    codes.append(current)
    codes.append(clear + 1)
    return codes


def pack(codes, min_code_size):
    """LSB-first packing with the reader's width rule."""
    clear = 1 << min_code_size
    width, next_free, after_clear = min_code_size + 1, clear + 2, True
    acc, bits, out = 0, 0, bytearray()
    for code in codes:
        acc |= code << bits
        bits += width
        while bits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            bits -= 8
        if code == clear:
            width, next_free, after_clear = min_code_size + 1, clear + 2, True
        elif code == clear + 1:
            pass
        elif after_clear:
            after_clear = False
            if next_free >= (1 << width):  # minimum code size 1 only
                width += 1
        elif next_free < 4096:
            next_free += 1
            if next_free >= (1 << width) and width < 12:
                width += 1
    if bits:
        out.append(acc & 0xFF)
    return bytes(out)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out.append(0)
    return bytes(out)


def build():
    head = b"GIF89a" + struct.pack("<HHBBB", SIZE, SIZE, 0xF0, 0, 0)
    head += bytes([255, 255, 255, 0, 0, 0])
    control = b"\x21\xF9\x04" + struct.pack("<BHB", 1 << 2, 50, 0) + b"\x00"
    image = b"," + struct.pack("<HHHHB", 0, 0, SIZE, SIZE, 0)
    image += bytes([MIN_CODE_SIZE]) + sub_blocks(pack(lzw_codes([0] * SIZE * SIZE, MIN_CODE_SIZE),
                                                       MIN_CODE_SIZE))
    body = head + control + image
    # A comment of n text bytes takes n + 4 bytes (introducer, label, length, terminator).
    pad = LENGTH - len(body) - 1
    if pad < 5:
        raise SystemExit("image data too long for %d bytes" % LENGTH)
    comment = b"\x21\xFE" + bytes([pad - 4]) + b"blank picture".ljust(pad - 4, b" ")[:pad - 4] + b"\x00"
    data = body + comment + b";"
    assert len(data) == LENGTH, len(data)
    return data


if __name__ == "__main__":
    path = sys.argv[1] if len(sys.argv) > 1 else "dfnwim.dxt"
    with open(path, "wb") as f:
        f.write(build())
