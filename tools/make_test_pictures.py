#!/usr/bin/python3
# Makes the small pictures of tests/data/pictures (Debian's python3-pil).
# Each has a red pixel at its top left, on blue, so that a decoder's
# colours and orientation can be checked; see test_picture_decode.cpp.
import os
from PIL import Image

out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "data", "pictures")
os.makedirs(out, exist_ok=True)

def red_on_blue(w=5, h=3):
    img = Image.new("RGBA", (w, h), (0, 0, 255, 255))
    img.putpixel((0, 0), (255, 0, 0, 255))
    return img

img = red_on_blue()
img.putpixel((4, 2), (0, 0, 0, 0))
img.save(os.path.join(out, "rgba.png"))
img.convert("RGB").save(os.path.join(out, "rgb-interlaced.png"), interlace=1)
pal = img.convert("RGB").convert("P", palette=Image.ADAPTIVE, colors=4)
pal.info["transparency"] = pal.getpixel((4, 2))
pal.save(os.path.join(out, "palette-trns.png"), transparency=pal.getpixel((4, 2)))
grey = Image.new("I;16", (5, 3), 0)
grey.putpixel((0, 0), 65535)
grey.save(os.path.join(out, "grey16.png"))
data = open(os.path.join(out, "rgba.png"), "rb").read()
open(os.path.join(out, "cut.png"), "wb").write(data[: len(data) - 20])
