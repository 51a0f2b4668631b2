#!/usr/bin/python3
"""Writes GIF files with Pillow for the decoder's oracle tests. Usage: make_pillow_gifs.py DIR

Files: odd sizes (1x1, 3x7, 641x1), a 1-bit image, an animation whose frames carry their own
palettes, transparency, disposals and delays, one that Pillow frame-optimises itself, and a
large noisy image whose data needs many
LZW table resets. Deterministic: fixed seeds only.
"""
import os
import random
import sys

from PIL import Image


def palette_image(width, height, colors, rng, palette=None):
    im = Image.new("P", (width, height))
    im.putdata([rng.randrange(colors) for _ in range(width * height)])
    if palette is None:
        palette = [rng.randrange(256) for _ in range(colors * 3)]
    im.putpalette(palette + [0] * (768 - len(palette)))
    return im


def main(out):
    rng = random.Random(11)
    for width, height, name in ((1, 1, "pil_1x1.gif"), (3, 7, "pil_3x7.gif"),
                                (641, 1, "pil_641x1.gif")):
        palette_image(width, height, 16, rng).save(os.path.join(out, name), optimize=False)

    mono = Image.new("1", (37, 11))
    mono.putdata([rng.randrange(2) * 255 for _ in range(37 * 11)])
    mono.save(os.path.join(out, "pil_1bit.gif"))

    noise = palette_image(400, 300, 256, rng)
    noise.save(os.path.join(out, "pil_noise.gif"), optimize=False, interlace=False)
    noise.save(os.path.join(out, "pil_noise_interlaced.gif"), optimize=False, interlace=True)

    frames = [palette_image(48, 32, 32, random.Random(i)) for i in range(5)]
    frames[0].save(os.path.join(out, "pil_anim.gif"), save_all=True, append_images=frames[1:],
                   duration=[30, 70, 110, 20, 50], disposal=[1, 2, 3, 1, 2], transparency=5,
                   loop=0, optimize=False)

    # Frame-optimised by Pillow itself: after the first, each frame is only the box that changed
    # (a square moving over a fixed background).
    background = palette_image(64, 48, 8, random.Random(3)).convert("RGB")
    moving = []
    for i in range(6):
        frame = background.copy()
        frame.paste((250, 40 * i, 20), (6 + 8 * i, 10, 18 + 8 * i, 22))
        moving.append(frame)
    moving[0].save(os.path.join(out, "pil_optimised.gif"), save_all=True,
                   append_images=moving[1:], duration=60, loop=0, optimize=True)


if __name__ == "__main__":
    main(sys.argv[1])
