#!/usr/bin/env python3
"""List the reader interfaces present, one a line: kind, name to open, description.

    python3 list_ports.py [--no-lan]

--no-lan leaves out the search for LAN readers (it sends broadcasts into the local networks).
"""
import sys

import vesmor


def main() -> int:
    ports = vesmor.list_ports(lan="--no-lan" not in sys.argv[1:])
    for port in ports:
        line = f"{port.kind}\t{port.name}\t{port.description}".rstrip()
        print("".join(c if c.isprintable() or c == "\t" else "?" for c in line))
    return 0 if ports else 1


if __name__ == "__main__":
    sys.exit(main())
