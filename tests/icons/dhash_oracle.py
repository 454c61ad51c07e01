"""The icon difference hash as malware sandboxes compute it with Pillow, for the tests.

For each .ico named on the command line, one line: the hash of the image the sandboxes choose
(16 hex digits), or "none" where they publish none. The sandbox takes the group directory of a
program's first icon, chooses an entry, writes that entry and its image as a one-image .ico and
gives it to Pillow; a .ico file's own directory plays the group directory here.
"""
import itertools
import struct
import sys
import warnings
from io import BytesIO

from PIL import Image

LANCZOS = getattr(Image, "Resampling", Image).LANCZOS
BILINEAR = getattr(Image, "Resampling", Image).BILINEAR
ADAPTIVE = getattr(Image, "Palette", Image).ADAPTIVE


def one_image_ico(data):
    """The chosen entry: the last whose width, height and bit count are each at least the
    largest seen before it, with its image, as a one-image .ico."""
    count = struct.unpack_from("<H", data, 4)[0]
    big = (0, 0, 0)
    chosen = None
    for i in range(count):
        entry = data[6 + 16 * i : 22 + 16 * i]
        width, height, bits = entry[0], entry[1], struct.unpack_from("<H", entry, 6)[0]
        if width >= big[0] and height >= big[1] and bits >= big[2]:
            big = (width, height, bits)
            chosen = entry
    if chosen is None:
        return None
    size, offset = struct.unpack_from("<II", chosen, 8)
    return struct.pack("<HHH", 0, 1, 1) + chosen[:12] + struct.pack("<I", 22) + data[offset : offset + size]


def dhash(image, hash_size=8):
    image = image.convert("L").resize((hash_size + 1, hash_size), LANCZOS)
    bits = [
        image.getpixel((col, row)) > image.getpixel((col + 1, row))
        for row, col in itertools.product(range(hash_size), range(hash_size))
    ]
    return "".join(
        format(sum(1 << i for i in range(8) if bits[byte * 8 + i]), "02x") for byte in range(hash_size)
    )


def icon_dhash(ico):
    # The whole of the sandbox's work on the image: any failure in it loses the hash.
    try:
        with Image.open(BytesIO(ico)) as img, BytesIO() as output:
            img.save(output, format="PNG")
            result = dhash(img)
            small = img.resize((8, 8), BILINEAR).convert("RGB").convert("P", palette=ADAPTIVE, colors=2)
            small = small.convert("L")
            low = small.getextrema()[0]
            bytearray(small.point(lambda i: 255 if i > low else 0).convert("1").getdata())
            return result
    except Exception:
        return None


def main():
    warnings.simplefilter("ignore")
    for path in sys.argv[1:]:
        with open(path, "rb") as f:
            ico = one_image_ico(f.read())
        print((ico and icon_dhash(ico)) or "none")


if __name__ == "__main__":
    main()
