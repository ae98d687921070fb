#!/usr/bin/python3
"""Checks a FlashPix file with olefile, a structured-storage reader written by
others: the storages and streams a FlashPix image view needs, property sets
that parse, subimage headers and data streams of sane sizes, and the full
resolution's tiles against a reference picture (binary PPM or PGM).

Usage: check_fpx.py FILE REFERENCE      Prints "ok" or the first problem."""

import struct
import sys

import olefile

IMAGE_VIEW_CLSID = "56616700-C154-11CE-8553-00AA00A1F95B"
STORE = "Data Object Store 000001"
TILE = 64


def read_netpbm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields = data.split(maxsplit=4)
    magic, width, height = fields[0], int(fields[1]), int(fields[2])
    channels = 3 if magic == b"P6" else 1
    pixels = fields[4][: width * height * channels]
    return width, height, channels, pixels


def fail(message):
    print(message)
    sys.exit(1)


def main():
    path, reference = sys.argv[1], sys.argv[2]
    if not olefile.isOleFile(path):
        fail("not a structured storage file")
    ole = olefile.OleFileIO(path)
    if ole.root.clsid != IMAGE_VIEW_CLSID:
        fail("root class is %s" % ole.root.clsid)
    for stream in ["\x05SummaryInformation", "\x05Global Info", "\x05Data Object 000001",
                   STORE + "/\x05Image Contents"]:
        if not ole.exists(stream):
            fail("missing " + repr(stream))
    summary = ole.getproperties("\x05SummaryInformation")
    global_info = ole.getproperties("\x05Global Info")
    if global_info.get(0x00010101) != 1:
        fail("global info: max image index %r" % global_info.get(0x00010101))
    contents = ole.getproperties([STORE, "\x05Image Contents"])

    width, height, channels, pixels = read_netpbm(reference)
    count = contents.get(0x01000000)
    if (contents.get(0x01000002), contents.get(0x01000003)) != (width, height):
        fail("highest resolution %r x %r" % (contents.get(0x01000002), contents.get(0x01000003)))
    expected_count, side = 1, max(width, height)
    while side > TILE:
        side //= 2
        expected_count += 1
    if count != expected_count:
        fail("%r resolutions, expected %d" % (count, expected_count))

    w, h = width, height
    for number in range(count - 1, -1, -1):
        base = number << 16
        if (contents.get(0x02000000 | base), contents.get(0x02000001 | base)) != (w, h):
            fail("resolution %d described as %r x %r" % (number, contents.get(0x02000000 | base),
                                                        contents.get(0x02000001 | base)))
        colour = contents.get(0x02000002 | base)
        subimages, bands = struct.unpack_from("<II", colour)
        if subimages != 1 or bands != channels:
            fail("resolution %d colour blob %r" % (number, colour))
        storage = "%s/Resolution %04d/" % (STORE, number)
        header = ole.openstream(storage + "Subimage 0000 Header").read()
        data_size = ole.get_size(storage + "Subimage 0000 Data")
        (length, sw, sh, tiles, tw, th, ch, table, entry) = struct.unpack_from("<9I", header, 28)
        across, down = (w + TILE - 1) // TILE, (h + TILE - 1) // TILE
        if (sw, sh, tw, th, ch, entry) != (w, h, TILE, TILE, channels, 16) or tiles != across * down:
            fail("resolution %d header %r" % (number, (sw, sh, tiles, tw, th, ch, entry)))
        if len(header) != 28 + table + tiles * entry:
            fail("resolution %d header stream is %d bytes" % (number, len(header)))
        tile_bytes = TILE * TILE * channels
        if data_size != 28 + tiles * tile_bytes:
            fail("resolution %d data stream is %d bytes" % (number, data_size))
        for t in range(tiles):
            offset, size, compression, _ = struct.unpack_from("<4I", header, 28 + table + t * entry)
            if (offset, size, compression) != (t * tile_bytes, tile_bytes, 0):
                fail("resolution %d tile %d entry %r" % (number, t, (offset, size, compression)))
        if number == count - 1:
            data = ole.openstream(storage + "Subimage 0000 Data").read()
            for y in range(h):
                ty, yy = divmod(y, TILE)
                row = bytearray()
                for tx in range(across):
                    start = 28 + (ty * across + tx) * tile_bytes + yy * TILE * channels
                    row += data[start:start + min(TILE, w - tx * TILE) * channels]
                want = pixels[y * w * channels:(y + 1) * w * channels]
                if bytes(row) != want:
                    fail("full resolution line %d differs from the reference" % y)
        w, h = max(1, w // 2), max(1, h // 2)
    print("ok")


if __name__ == "__main__":
    main()
