#!/usr/bin/env python3
"""Draws the suite's program icon (icon group 128): a microphone with a red recording light, as
one .ico file holding 48x48, 32x32 and 16x16 images, each in 256 colours (8 bits per pixel, shaded)
and in 16 colours (4 bits per pixel), so that the system draws the icon from an image of the size
it asks for (48 pixels at 144 DPI) in the colours the display has. Both the Qt back end and the
resource compiler read the file this writes: shell/res/Vexmor.ico.

With --theme FOLDER it writes the same drawing at each size of THEME_SIZES as PNG files laid out
as an icon theme, FOLDER/hicolor/NxN/apps/vexmor-recording.png: the build runs it for the launcher
icon the install step puts in the user's hicolor theme, and for the Qt window icon."""
import struct
import sys
import zlib

# The 16-colour VGA palette, as (r, g, b).
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, NAVY, GREY, SILVER, RED, WHITE, TEAL = 0, 4, 8, 7, 9, 15, 6
CLEAR = None


def draw(size):
    s = size / 32.0
    img = [[CLEAR] * size for _ in range(size)]

    def box(x0, y0, x1, y1, colour):
        for y in range(int(y0 * s), max(int(y0 * s) + 1, int(y1 * s))):
            for x in range(int(x0 * s), max(int(x0 * s) + 1, int(x1 * s))):
                if 0 <= x < size and 0 <= y < size:
                    img[y][x] = colour

    # Rounded dark tile.
    box(1, 2, 31, 30, NAVY)
    box(2, 1, 30, 31, NAVY)
    # Microphone capsule with its grille.
    box(11, 4, 21, 19, SILVER)
    box(12, 3, 20, 20, SILVER)
    for y in (7, 10, 13, 16):
        box(12, y, 20, y + 1, GREY)
    box(11, 4, 12, 19, WHITE)
    # Cradle, stand and base.
    box(8, 15, 9, 21, SILVER)
    box(23, 15, 24, 21, SILVER)
    box(8, 21, 24, 22, SILVER)
    box(15, 22, 17, 26, SILVER)
    box(10, 26, 22, 28, WHITE)
    # Recording light.
    box(24, 3, 29, 8, RED)
    box(25, 2, 28, 9, RED)
    return img


def transparency_mask(img):
    """The AND mask of an icon image: one bit a pixel, set where img is clear, rows bottom up."""
    size = len(img)
    mask_bytes = ((size + 31) // 32) * 4
    mask = b''
    for row in reversed(img):
        data = bytearray(mask_bytes)
        for x, colour in enumerate(row):
            if colour is None:
                data[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(data)
    return mask


def image_bytes(img):
    size = len(img)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('BBBB', b, g, r, 0) for r, g, b in PALETTE)
    xor = b''
    row_bytes = ((size * 4 + 31) // 32) * 4
    for row in reversed(img):
        data = bytearray(row_bytes)
        for x, colour in enumerate(row):
            value = colour if colour is not None else 0
            data[x // 2] |= value << (4 if x % 2 == 0 else 0)
        xor += bytes(data)
    return header + palette + xor + transparency_mask(img)


def shade(colour, light):
    """colour (a palette index) lit by light (-1 darkest .. 1 lightest), as (r, g, b)."""
    r, g, b = PALETTE[colour]
    if light >= 0:
        return tuple(int(c + (255 - c) * light * 0.5) for c in (r, g, b))
    return tuple(int(c * (1 + light * 0.5)) for c in (r, g, b))


def draw_shaded(size):
    """The 16-colour drawing of draw() in true colours: the tile darkens towards its foot, the
    capsule and the base are lit from the left, the recording light glows from its middle."""
    flat = draw(size)
    img = [[None] * size for _ in range(size)]
    for y, row in enumerate(flat):
        for x, colour in enumerate(row):
            if colour is None:
                continue
            u, v = (x + 0.5) / size, (y + 0.5) / size
            if colour == NAVY:
                light = 0.35 - 0.7 * v
            elif colour == RED:
                d = ((u - 26.5 / 32) ** 2 + (v - 5.5 / 32) ** 2) ** 0.5 * 32 / 3.5
                light = 0.8 - 1.2 * min(d, 1.0)
            elif colour in (SILVER, WHITE, GREY):
                light = 0.4 - 0.8 * u
            else:
                light = 0.0
            img[y][x] = shade(colour, max(-1.0, min(1.0, light)))
    return img


def image_bytes_256(img):
    """An icon image of 8 bits per pixel: its own palette of the colours img holds (at most
    256), the pixels and the transparency mask."""
    size = len(img)
    colours = sorted({c for row in img for c in row if c is not None})
    if len(colours) > 256:
        raise SystemExit('make_icon.py: %d colours at %d pixels, more than 256' % (len(colours), size))
    index = {c: i for i, c in enumerate(colours)}
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    palette = b''.join(struct.pack('BBBB', b, g, r, 0) for r, g, b in colours)
    palette += b'\0' * (4 * (256 - len(colours)))
    row_bytes = ((size * 8 + 31) // 32) * 4
    xor = b''.join(bytes(index.get(c, 0) if c is not None else 0 for c in row).ljust(row_bytes, b'\0')
                   for row in reversed(img))
    return header + palette + xor + transparency_mask(img)


def ico_images():
    """The images of the .ico file as (size, colour count as the directory gives it (0 for 256),
    bits per pixel, bytes), largest first, the 256-colour one of each size before its 16-colour
    one."""
    images = []
    for size in (48, 32, 16):
        images.append((size, 0, 8, image_bytes_256(draw_shaded(size))))
        images.append((size, 16, 4, image_bytes(draw(size))))
    return images


THEME_SIZES = (16, 24, 32, 48, 64, 128, 256)
THEME_ICON_NAME = 'vexmor-recording'


def png_bytes(img):
    """The drawing as an 8-bit RGBA PNG, clear pixels transparent."""
    size = len(img)
    rows = b''
    for row in img:
        rows += b'\0' + b''.join(bytes(PALETTE[c]) + b'\xff' if c is not None else b'\0\0\0\0'
                                 for c in row)

    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data +
                struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff))

    header = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(rows, 9)) +
            chunk(b'IEND', b''))


def write_theme(folder):
    import os
    for size in THEME_SIZES:
        apps = os.path.join(folder, 'hicolor', '%dx%d' % (size, size), 'apps')
        os.makedirs(apps, exist_ok=True)
        path = os.path.join(apps, THEME_ICON_NAME + '.png')
        with open(path + '.tmp', 'wb') as f:
            f.write(png_bytes(draw(size)))
        os.replace(path + '.tmp', path)


def main(path):
    images = ico_images()
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, colours, bits, data in images:
        out += struct.pack('<BBBBHHII', size, size, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
    images = [data for _, _, _, data in images]
    with open(path, 'wb') as f:
        f.write(out + b''.join(images))


if __name__ == '__main__':
    if len(sys.argv) == 3 and sys.argv[1] == '--theme':
        write_theme(sys.argv[2])
    else:
        main(sys.argv[1] if len(sys.argv) > 1 else 'shell/res/Vexmor.ico')
