#!/usr/bin/env python3
"""Draws the suite's program icon (icon group 128): a microphone with a red recording light, as
one .ico file holding a 32x32 and a 16x16 image in 16 colours (4 bits per pixel). Both the Qt back
end and the resource compiler read the file this writes: shell/res/Vexmor.ico.

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
    mask_bytes = ((size + 31) // 32) * 4
    mask = b''
    for row in reversed(img):
        data = bytearray(mask_bytes)
        for x, colour in enumerate(row):
            if colour is None:
                data[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(data)
    return header + palette + xor + mask


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
    images = [image_bytes(draw(32)), image_bytes(draw(16))]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((32, 16), images):
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    with open(path, 'wb') as f:
        f.write(out + b''.join(images))


if __name__ == '__main__':
    if len(sys.argv) == 3 and sys.argv[1] == '--theme':
        write_theme(sys.argv[2])
    else:
        main(sys.argv[1] if len(sys.argv) > 1 else 'shell/res/Vexmor.ico')
