#!/usr/bin/env python3
"""Open a reader, list the transponders in its field, then write block 0 of the first one and
read it back.

    python3 tag_example.py /dev/ttyUSB0 [TEXT]

Needs the package vesmor (Debian package python3-vesmor, or pip install ./python).
"""
import sys

import vesmor


def printable(text: str) -> str:
    """The text without control characters, which a reader's answer must not smuggle in."""
    return "".join(c if c.isprintable() else "?" for c in text)


def main() -> int:
    if len(sys.argv) < 2:
        print(f"usage: {sys.argv[0]} PORT [TEXT]", file=sys.stderr)
        return 2
    text = (sys.argv[2] if len(sys.argv) > 2 else "VSMR").encode()
    try:
        with vesmor.open(sys.argv[1], baud=19200, timeout=0.5) as reader:
            print("reader:", printable(reader.model), "firmware", printable(reader.firmware))
            tags = reader.inventory()
            if not tags:
                print("no transponder in the field")
                return 1
            for tag in tags:
                print(f"transponder: {tag.uid_text} ({tag.manufacturer} {tag.chip})")
            tag = tags[0]
            info = reader.tag_info(uid=tag)
            print(f"blocks: {info.block_count} of {info.block_size} bytes")
            block = text[:info.block_size].ljust(info.block_size, b"\0")
            reader.write_blocks(0, block, uid=tag)
            read_back = reader.read_blocks(0, 1, uid=tag)
            print("block 0:", read_back.hex(" ").upper())
            return 0 if read_back == block else 1
    except vesmor.VesmorError as error:
        print(error, file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
