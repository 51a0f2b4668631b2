#!/usr/bin/python3
"""Prints what Pillow shows of a GIF animation. Usage: gif_composite_frames.py FILE

One line per frame: "frame K DURATION SHA1", the SHA1 over the composited RGBA frame in which
every fully transparent pixel counts as (0, 0, 0, 0); DURATION in milliseconds, -1 when absent.
Then "loop L" (L: the looping block's count, -1 when there is none).
"""
import hashlib
import sys

from PIL import Image, ImageSequence


def main(path):
    with Image.open(path) as im:
        loop = im.info.get("loop", -1)
        for k, frame in enumerate(ImageSequence.Iterator(im)):
            rgba = frame.convert("RGBA")
            data = bytearray(rgba.tobytes())
            for at in range(0, len(data), 4):
                if data[at + 3] == 0:
                    data[at:at + 4] = b"\0\0\0\0"
            duration = frame.info.get("duration", -1)
            print("frame %d %d %s" % (k, duration, hashlib.sha1(bytes(data)).hexdigest()))
        print("loop %d" % loop)


if __name__ == "__main__":
    main(sys.argv[1])
