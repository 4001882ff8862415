#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into fuzz/seeds/<kind>/.
The image targets also start from the damaged-image corpus in
tests/data/damaged; what fuzzing adds goes to fuzz/corpus/<target>/.
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "data", "damaged"))
import make_damaged  # noqa: E402


def rich_image():
    """A sound 64-sector disc with nesting, a fragmented map and odd names."""
    im = make_damaged.Image(64)
    im.subdir(2, 0, "A", 7)
    im.subdir(7, 0, "B", 12)
    im.subdir(12, 0, "C", 17)
    im.entry(17, 0, "DEEP", 22, 10)
    im.entry(7, 1, "F1", 24, 513, attrs="LR")
    im.entry(2, 1, "Z~_", 30, 0, attrs="EWR")
    im.fill(24, 513, 9)
    # Free: 23, 27-29, 31-63.
    im.set_map([(23, 1), (27, 3), (31, 33)])
    return im


def full_directory_image():
    """The root full (47 entries), files of 1 sector each."""
    im = make_damaged.Image(64)
    for i in range(47):
        im.entry(2, i, "F%02d" % i, 7 + i, 1 + i)
    im.set_map([(54, 10)])
    return im


def images():
    out = [("rich", bytes(rich_image().img))]
    out.append(("full_directory", bytes(full_directory_image().img)))
    # A short file: opening extends it to the disc size.
    out.append(("short_file", bytes(rich_image().img[:512 + 256])))
    return out


def inf_lines():
    """Sidecar texts: both layouts, a folder line, near misses."""
    return {
        "eight_digit": b"GAME       FFFF1900 FFFF8023 00000400 LWR\r\n",
        "eight_digit_blank": b"GAME       FFFF1900 FFFF8023 00000400 WR \r\n",
        "six_digit": b"$.GAME     FF1900 FF8023 000400 L\r\n",
        "six_digit_long": b"$.GAME     FF1900 FF8023 000400 L 0400 EDLWR\r\n",
        "folder": b"GAMES      DLWR\r\n",
        "short_37": b"GAME       FFFF1900 FFFF8023 00000400",
        "lower_hex": b"a          ffff1900 ffff8023 0000040g R\nsecond line\n",
        "empty": b"",
    }


def basic_programs():
    """Tokenised BASIC: line records 13, high, low, length, text; ends 13, 255."""
    def line(number, text):
        return bytes([number >> 8, number & 0xFF, len(text) + 4]) + text + b"\r"
    # GOTO 10 with the line number encoded after token &8D.
    goto10 = bytes([0xE5, 0x8D, 0x54, 0x4A, 0x40])
    program = b"\r" + line(10, bytes([0xF1]) + b' "HELLO", \x07') + line(20, goto10) + \
        line(30, bytes([0xF4]) + b" \x80\x81 inside" + b'"\xF1"') + b"\xff"
    return {
        "hello": program,
        "minimal": b"\r\xff",
        "unterminated": b"\r\x00\x0a\x10\xf1\x8d",
    }


def machine_code():
    """6502 code: the first 2 bytes are the load address for the target."""
    code = bytes([
        0xA9, 0x41,        # LDA #&41
        0x20, 0xEE, 0xFF,  # JSR OSWRCH
        0xA2, 0x00,        # LDX #0
        0xBD, 0x00, 0x19,  # LDA &1900,X
        0xF0, 0x06,        # BEQ +6
        0x20, 0xE3, 0xFF,  # JSR OSASCI
        0xE8,              # INX
        0xD0, 0xF5,        # BNE -11
        0x60,              # RTS
        0x02, 0xFF, 0x80,  # undefined opcode, 65C02 BRA
        0x6C, 0xFC, 0xFF,  # JMP (&FFFC)
        0x4C,              # JMP cut short
    ])
    return {
        "routine": bytes([0x00, 0x19]) + code,
        "all_opcodes": bytes([0x00, 0x30]) + bytes(range(256)) + bytes(3),
        "top_of_memory": bytes([0xF0, 0xFF]) + code,
    }


def write(kind, name, data):
    folder = os.path.join(HERE, "seeds", kind)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def main():
    for name, data in images():
        write("images", name, data)
    for kind, table in (("inf", inf_lines()), ("basic", basic_programs()), ("dis", machine_code())):
        for name, data in table.items():
            write(kind, name, data)


if __name__ == "__main__":
    main()
