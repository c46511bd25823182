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

# The pages' pictures of the conversion tests (test_pictures.cpp): a
# photograph (noise, so a JPEG), a few colours (a GIF), JPEGs as cameras
# and browsers write them, a WebP and a picture that is no GIF or JPEG.
import random
rnd = random.Random(5)
photo = Image.new("RGB", (40, 20))
photo.putdata([(rnd.randrange(256), rnd.randrange(256), rnd.randrange(256)) for _ in range(40 * 20)])
photo.save(os.path.join(out, "photo.png"))
photo.save(os.path.join(out, "photo.webp"), quality=80)
photo.save(os.path.join(out, "progressive.jpg"), progressive=True, quality=90)
exif = Image.Exif()
exif[274] = 1
photo.save(os.path.join(out, "camera.jpg"), exif=exif.tobytes(), quality=90)
exif[274] = 6
photo.save(os.path.join(out, "turned.jpg"), exif=exif.tobytes(), quality=90)
few = Image.new("RGB", (30, 10), (0, 0, 255))
few.putpixel((0, 0), (255, 0, 0))
few.save(os.path.join(out, "few.png"))
Image.new("RGB", (2, 2), (255, 255, 255)).save(os.path.join(out, "tiny.gif"))
open(os.path.join(out, "drawing.svg"), "w").write('<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10"/>\n')
