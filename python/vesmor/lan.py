"""LAN readers: finding them on the local networks, reading and changing their settings."""

from __future__ import annotations

import ctypes
from dataclasses import dataclass

from . import errors
from ._library import lib, names_of

_TEXT = 32  # VESMOR_GetLanConfig writes at most this many bytes into each text


@dataclass(frozen=True)
class LanConfig:
    """A LAN reader's network settings as it reports them: dotted IPv4 texts, the address
    followed by "-" and the reader's TCP port ("10.0.0.7-10001"); a reader that takes its
    address by DHCP reports its DHCP name in ``name``."""

    name: str
    address: str
    mask: str
    gateway: str


def search(readers_only: bool = False) -> list[str]:
    """The devices on the local networks that answer the search (broadcasts on every network
    interface that is up). ``readers_only`` uses the second search variant
    (VESMOR_FindLanDevicesEx)."""
    return names_of(lib.VESMOR_FindLanDevicesEx if readers_only else lib.VESMOR_FindLanDevices)


def reachable(reader: str) -> bool:
    """Whether the reader's configuration channel can be opened."""
    return lib.VESMOR_TestLanDevice(reader.encode()) == 1


def show(reader: str) -> LanConfig:
    """The network settings of the reader at ``reader`` ("a.b.c.d" or "[dhcp-name]")."""
    texts = [ctypes.create_string_buffer(_TEXT) for _ in range(4)]
    result = lib.VESMOR_GetLanConfig(reader.encode(), *texts)
    if result != 0:
        raise errors.LanError(result, "VESMOR_GetLanConfig", reader)
    return LanConfig(*(t.value.decode("ascii", "replace") for t in texts))


def set(reader: str, address: str, mask: str, gateway: str) -> None:  # noqa: A001
    """Gives the reader at ``reader`` a new address ("a.b.c.d", or "[dhcp-name]" for DHCP),
    subnet mask and gateway. The reader restarts and answers at its new address afterwards."""
    result = lib.VESMOR_SetLanConfig(reader.encode(), address.encode(), mask.encode(),
                                     gateway.encode())
    if result != 0:
        raise errors.LanError(result, "VESMOR_SetLanConfig", reader, errors.LAN_SET_FAILED_TEXT)
