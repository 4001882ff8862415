#!/usr/bin/env python3
"""Writes the damaged-image corpus: one small image per kind of damage that
`marlin check` names, plus sound images, into this folder (or the folder
given). The expected report of each image is the .txt file of the same name,
kept by hand beside it; this script never writes those.

The images are built here byte by byte, independently of the program's own
code, so that a fault in the program's writers cannot hide a fault in its
checker. The module is also imported by fuzz/make_corpus.py.
"""
import os
import sys

SECTOR = 256
HUGO = b"Hugo"
CR = 13


def map_checksum(img, offset):
    total, carry = 255, 0
    for i in range(254, -1, -1):
        t = total + img[offset + i] + carry
        carry, total = t >> 8, t & 0xFF
    return total


def put24(img, at, value):
    img[at:at + 3] = bytes([value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF])


def put32(img, at, value):
    img[at:at + 4] = value.to_bytes(4, "little")


def padded(name):
    raw = name.encode("ascii")[:10]
    return (raw + bytes([CR]) + bytes(9))[:10]


class Image:
    """A disc image in memory: map, root and helpers to add objects."""

    def __init__(self, sectors):
        self.img = bytearray(sectors * SECTOR)
        self.sectors = sectors
        put24(self.img, 252, sectors)
        self.make_dir(2, "$", 0, "$")
        self.set_map([(7, sectors - 7)])

    def set_map(self, runs, end_pointer=None):
        for i, (start, length) in enumerate(runs):
            put24(self.img, 3 * i, start)
            put24(self.img, 256 + 3 * i, length)
        self.img[510] = (3 * len(runs) if end_pointer is None else end_pointer) & 0xFF
        self.fix_checksums()

    def fix_checksums(self):
        self.img[255] = map_checksum(self.img, 0)
        self.img[511] = map_checksum(self.img, 256)

    def make_dir(self, sector, name, parent, title, sequence=1):
        d = sector * SECTOR
        self.img[d:d + 1280] = bytes(1280)
        self.img[d] = sequence
        self.img[d + 1:d + 5] = HUGO
        self.img[d + 1228:d + 1238] = padded(name)
        put24(self.img, d + 1238, parent)
        t = title.encode("ascii")[:19]
        self.img[d + 1241:d + 1241 + len(t)] = t
        if len(t) < 19:
            self.img[d + 1241 + len(t)] = CR
        self.img[d + 1274] = sequence
        self.img[d + 1275:d + 1279] = HUGO

    def entry(self, directory, slot, name, start, length, attrs="WR", load=0, execute=0, sequence=1):
        e = directory * SECTOR + 5 + 26 * slot
        b = bytearray(padded(name))
        for bit, letter in enumerate("RWLDE"):
            if letter in attrs:
                b[bit] |= 0x80
        self.img[e:e + 10] = b
        put32(self.img, e + 10, load)
        put32(self.img, e + 14, execute)
        put32(self.img, e + 18, length)
        put24(self.img, e + 22, start)
        self.img[e + 25] = sequence
        return e

    def subdir(self, parent, slot, name, sector):
        self.entry(parent, slot, name, sector, 1280, attrs="DWR")
        self.make_dir(sector, name, parent, name)

    def fill(self, start, length, seed):
        for k in range(length):
            self.img[start * SECTOR + k] = (seed + 7 * k) & 0xFF


def base():
    """A sound 32-sector disc: $.GAMES (7-11), $.HELLO (12-13, 300 bytes),
    $.GAMES.ELITE (14-16, 600 bytes), free run 17-31."""
    im = Image(32)
    im.subdir(2, 0, "GAMES", 7)
    im.entry(2, 1, "HELLO", 12, 300, load=0x1900, execute=0x8023)
    im.fill(12, 300, 1)
    im.entry(7, 0, "ELITE", 14, 600, attrs="LWR", load=0x2000, execute=0x2000)
    im.fill(14, 600, 2)
    im.set_map([(17, 15)])
    return im


def entry_at(im, directory, slot):
    return directory * SECTOR + 5 + 26 * slot


def damaged():
    """(file name, image) for each kind of damage, and the sound images."""
    out = []

    def case(name, change):
        im = base()
        change(im)
        out.append((name, im))

    out.append(("sound_base", base()))
    out.append(("sound_blank", Image(16)))

    def bad_checksum0(im):
        im.img[255] ^= 0x5A

    def bad_checksum1(im):
        im.img[511] ^= 0x01

    def end_pointer_odd(im):
        im.img[510] = 4
        im.fix_checksums()

    def end_pointer_too_many(im):
        im.img[510] = 255
        im.fix_checksums()

    def runs_out_of_order(im):
        im.set_map([(22, 10), (17, 5)])

    def runs_overlap(im):
        im.set_map([(17, 10), (20, 12)])

    def runs_adjacent(im):
        im.set_map([(17, 5), (22, 10)])

    def run_past_end(im):
        im.set_map([(17, 20)])

    def dir_unsigned(im):
        im.img[7 * SECTOR + 1:7 * SECTOR + 5] = b"Hugh"

    def dir_end_unsigned(im):
        im.img[7 * SECTOR + 1275] = 0

    def dir_sequence_differs(im):
        im.img[7 * SECTOR + 1274] = 0x05

    def entry_past_end(im):
        put24(im.img, entry_at(im, 2, 1) + 22, 31)

    def objects_overlap(im):
        put24(im.img, entry_at(im, 2, 1) + 22, 14)

    def object_overlaps_free(im):
        put32(im.img, entry_at(im, 7, 0) + 18, 1000)

    def dir_lists_itself(im):
        im.entry(7, 1, "LOOP", 7, 1280, attrs="DWR")

    def dir_lists_ancestor(im):
        im.entry(7, 1, "UP", 2, 1280, attrs="DWR")

    def parent_field_wrong(im):
        put24(im.img, 7 * SECTOR + 1238, 5)

    def own_name_wrong(im):
        im.img[7 * SECTOR + 1228:7 * SECTOR + 1238] = padded("PLAY")

    def entries_out_of_order(im):
        a, b = entry_at(im, 2, 0), entry_at(im, 2, 1)
        first, second = bytes(im.img[a:a + 26]), bytes(im.img[b:b + 26])
        im.img[a:a + 26], im.img[b:b + 26] = second, first

    def entries_duplicated(im):
        im.entry(2, 2, "hello", 17, 256)
        im.set_map([(18, 14)])

    def lost_space(im):
        im.set_map([(20, 12)])

    def entry_after_end(im):
        im.entry(2, 3, "ZOMBIE", 17, 256)

    def entry_empty_name(im):
        # An empty name sorts first, so the entry goes before ELITE.
        e = entry_at(im, 7, 0)
        im.img[e + 26:e + 52] = im.img[e:e + 26]
        im.entry(7, 0, "", 17, 100)
        im.set_map([(18, 14)])

    def dir_listed_twice(im):
        im.entry(2, 2, "SAME", 7, 1280, attrs="DWR")

    def file_over_map(im):
        put24(im.img, entry_at(im, 2, 1) + 22, 0)

    for f in (bad_checksum0, bad_checksum1, end_pointer_odd, end_pointer_too_many, runs_out_of_order,
              runs_overlap, runs_adjacent, run_past_end, dir_unsigned, dir_end_unsigned,
              dir_sequence_differs, entry_past_end, objects_overlap, object_overlaps_free,
              dir_lists_itself, dir_lists_ancestor, parent_field_wrong, own_name_wrong,
              entries_out_of_order, entries_duplicated, lost_space, entry_after_end,
              entry_empty_name, dir_listed_twice, file_over_map):
        case(f.__name__, f)
    return out


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    os.makedirs(folder, exist_ok=True)
    for name, im in damaged():
        with open(os.path.join(folder, name + ".dat"), "wb") as f:
            f.write(im.img)


if __name__ == "__main__":
    main()
