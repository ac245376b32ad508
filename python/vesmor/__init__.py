"""VESMOR HF RFID readers and ISO 15693 transponders from Python.

    import vesmor

    with vesmor.open("/dev/ttyUSB0") as reader:
        tag = reader.inventory()[0]
        reader.write_blocks(0, b"VSMR", uid=tag)
        print(reader.read_blocks(0, 1, uid=tag))

A thin layer over the C library libvesmor.so.1 (found beside this package, at $VESMOR_LIBRARY,
or on the system's library path). Failures raise :class:`VesmorError` subclasses that carry the
library's error code and the application's message, German unless ``set_language("en")``.
"""

from __future__ import annotations

from dataclasses import dataclass

from . import lan
from ._library import lib as _lib
from ._library import names_of as _names_of
from .lan import search as _lan_search
from .errors import (
    ArgumentError,
    CollisionError,
    ConnectionLostError,
    IsoError,
    LanError,
    NoTransponderError,
    NotSingleTransponderError,
    OpenError,
    PortClosedError,
    ProtocolError,
    ReaderTimeoutError,
    TransponderError,
    VesmorError,
    error_text,
    get_language,
    set_language,
)
from .reader import REQUEST_FLAGS, Dump, Reader, Tag, TagInfo, open  # noqa: A004

__version__ = "1.0.0"

#: Kinds of interfaces list_ports() reports.
SERIAL, USB, BLUETOOTH, LAN = "serial", "usb", "bluetooth", "lan"


@dataclass(frozen=True)
class Port:
    """An interface a reader can be opened at: ``vesmor.open(port.name)``. ``description`` is
    what follows the device path of a serial port ("Vek Virtual COM", a product name), if any."""

    name: str
    kind: str
    description: str = ""

    def __str__(self) -> str:
        return self.name


def _serial_port(listed: str) -> Port:
    # "/dev/ttyACM0 [Vek Virtual COM]": the device path, then the description in brackets.
    path, _, rest = listed.partition(" [")
    return Port(path, SERIAL, rest[:-1] if rest.endswith("]") else rest)


def list_ports(lan: bool = True) -> list[Port]:
    """The reader interfaces present: serial ports, USB readers (FTDI and HID), Bluetooth
    readers through a dongle, and, unless ``lan`` is False, LAN readers that answer a search on
    the local networks (which sends broadcasts and takes a moment)."""
    ports = [_serial_port(name) for name in _names_of(_lib.VESMOR_GetComPorts)]
    ports += [Port(name, USB) for name in _names_of(_lib.VESMOR_GetHidPorts)]
    ports += [Port(name, BLUETOOTH) for name in _names_of(_lib.VESMOR_GetBluetoothPorts)]
    if lan:
        ports += [Port(name, LAN) for name in _lan_search(readers_only=True)]
    return ports


__all__ = [
    "ArgumentError", "BLUETOOTH", "CollisionError", "ConnectionLostError", "Dump", "IsoError",
    "LAN", "LanError", "NoTransponderError", "NotSingleTransponderError", "OpenError", "Port",
    "PortClosedError", "ProtocolError", "REQUEST_FLAGS", "Reader", "ReaderTimeoutError",
    "SERIAL", "Tag", "TagInfo", "TransponderError", "USB", "VesmorError", "error_text",
    "get_language", "lan", "list_ports", "open", "set_language",
]
