#!/usr/bin/python3
"""Writes what Pillow shows of a GIF animation as raw frames. Usage: gif_rgba_frames.py IN OUT

OUT: "W H N LOOP\n", then per frame "DURATION\n" and W*H*4 bytes of RGBA, with every pixel whose
alpha is 0 written as 0 0 0 0. DURATION in milliseconds, -1 when absent; LOOP -1 without a
looping block.
"""
import sys

from PIL import Image, ImageSequence


def main(source, target):
    with Image.open(source) as im, open(target, "wb") as out:
        frames = []
        for frame in ImageSequence.Iterator(im):
            rgba = bytearray(frame.convert("RGBA").tobytes())
            for at in range(3, len(rgba), 4):
                if rgba[at] == 0:
                    rgba[at - 3:at + 1] = b"\0\0\0\0"
            frames.append((frame.info.get("duration", -1), bytes(rgba)))
        out.write(b"%d %d %d %d\n" % (im.size[0], im.size[1], len(frames), im.info.get("loop", -1)))
        for duration, rgba in frames:
            out.write(b"%d\n" % duration)
            out.write(rgba)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
