#!/usr/bin/python3
"""Writes GIF files with Pillow for the decoder's oracle tests. Usage: make_pillow_gifs.py DIR

Files: odd sizes (1x1, 3x7, 641x1), a 1-bit image, an animation whose frames carry their own
palettes, transparency, disposals and delays, and a large noisy image whose data needs many
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


if __name__ == "__main__":
    main(sys.argv[1])
