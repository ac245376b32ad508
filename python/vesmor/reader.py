"""An open reader and the transponders in its field."""

from __future__ import annotations

import ctypes
import weakref
from dataclasses import dataclass

from . import errors
from ._library import lib
from ._messages import MAKERS

#: The ISO 15693 request-flags byte the desktop program sends by default (sub-carrier bit).
REQUEST_FLAGS = 0x01
UID_LENGTH = 8
_RECORD = 11  # inventory record: slot status, response flags, DSFID, UID
_MAX_TAGS = 256  # the most records an inventory can find (16 slots, nested passes)
_ANSWER = 255  # a transponder answer never exceeds one frame


@dataclass(frozen=True)
class Tag:
    """A transponder found by an inventory.

    ``uid`` holds the 8 bytes as the transponder sends them (least significant first), the form
    every call takes; ``uid_text`` the same UID as people read it, most significant first.
    """

    uid: bytes
    dsfid: int = 0

    @property
    def uid_text(self) -> str:
        return self.uid[::-1].hex().upper()

    @property
    def manufacturer_code(self) -> int:
        """IC manufacturer code (UID byte 6): 0x02 STMicroelectronics, 0x04 NXP, 0x07 TI ..."""
        return self.uid[6]

    @property
    def manufacturer(self) -> str | None:
        """Maker's name as the window shows it, None for a maker it has no name for."""
        known = MAKERS.get(self.manufacturer_code)
        return known[0] if known else None

    @property
    def chip(self) -> str | None:
        """Chip family as the window shows it ("ICode2", "TagIt2" ...), None when unknown."""
        known = MAKERS.get(self.manufacturer_code)
        return known[1] if known else None

    @property
    def chip_type(self) -> int:
        """The maker's chip-type byte (UID byte 5)."""
        return self.uid[5]

    def __str__(self) -> str:
        return self.uid_text


@dataclass(frozen=True)
class TagInfo:
    """Geometry of a transponder's memory; None for what the transponder did not tell."""

    block_count: int | None
    block_size: int | None
    manufacturer_code: int | None


@dataclass(frozen=True)
class Dump:
    """Every block of one transponder; None for a block that could not be read (locked)."""

    tag: Tag
    info: TagInfo
    blocks: list[bytes | None]


def _uid_argument(uid: bytes | bytearray | str | Tag | None) -> bytes | None:
    """The 8 UID bytes (least significant first) from bytes, a Tag or a UID text."""
    if uid is None:
        return None
    if isinstance(uid, Tag):
        return uid.uid
    if isinstance(uid, str):
        try:
            uid = bytes.fromhex(uid)[::-1]
        except ValueError:
            raise ValueError(f"a UID text has 16 hexadecimal digits, not {uid!r}") from None
    uid = bytes(uid)
    if len(uid) != UID_LENGTH:
        raise ValueError(f"a UID has {UID_LENGTH} bytes, not {len(uid)}")
    return uid


def _close_handle(handle: int) -> None:
    lib.VESMOR_ClosePort(handle)


class Reader:
    """An open reader. Use :func:`vesmor.open`, preferably in a ``with`` statement; the
    connection is closed by :meth:`close`, at the end of the ``with`` block, or when the object
    is collected. Make all calls of one reader from one thread."""

    def __init__(self, name: str, baud: int = 19200, timeout: float = 0.5,
                 address: int | None = None, flags: int = REQUEST_FLAGS) -> None:
        if timeout < 0:
            raise ValueError("timeout must not be negative")
        self.name = name
        self.flags = flags
        full_name = name if address is None else f"{name}:{int(address)}"
        handle = lib.VESMOR_OpenPort(full_name.encode(), int(baud), round(timeout * 1000))
        if handle <= 0:
            raise errors.OpenError(lib.VESMOR_GetLastError(handle), "VESMOR_OpenPort", handle,
                                   full_name)
        self._handle = handle
        self._finalizer = weakref.finalize(self, _close_handle, handle)
        try:
            self._identification = self._read_identification()
        except BaseException:
            self.close()
            raise

    # -- life cycle --------------------------------------------------------------------------

    def close(self) -> None:
        """Closes the connection; later calls raise PortClosedError. Closing twice is harmless."""
        self._finalizer()
        self._handle = 0

    @property
    def is_open(self) -> bool:
        return self._handle > 0

    @property
    def connected(self) -> bool:
        """False once the connection to the reader is lost for good (device unplugged)."""
        return self.is_open and lib.VESMOR_IsConnected(self._handle) == 1

    def __enter__(self) -> Reader:
        return self

    def __exit__(self, *exc_info: object) -> None:
        self.close()

    def __repr__(self) -> str:
        state = f"handle {self._handle}" if self.is_open else "closed"
        return f"<vesmor.Reader {self.name!r}, {state}>"

    # -- the reader ----------------------------------------------------------------------------

    @property
    def handle(self) -> int:
        """The library's handle, for calling a VESMOR_ function this package does not cover."""
        self._check_open()
        return self._handle

    @property
    def model(self) -> str:
        """The reader's model designation ("QX-#125" for a code the model table lacks)."""
        name = ctypes.create_string_buffer(64)
        lib.VESMOR_GetDeviceName(self.handle, name, len(name))
        return name.value.decode("utf-8", "replace")

    @property
    def device_code(self) -> int:
        """The reader's device type code (odd: a programmer that writes transponders)."""
        return int(self._identification[:3], 16)

    @property
    def firmware(self) -> str:
        """The firmware version character of the reader's identification ("7", "A" ...)."""
        return self._identification[3:4].decode("ascii", "replace")

    @property
    def is_programmer(self) -> bool:
        return lib.VESMOR_IsProgrammer(self.handle) == 1

    @property
    def is_usb(self) -> bool:
        return lib.VESMOR_IsUSB(self.handle) == 1

    @property
    def protocol_type(self) -> int:
        return lib.VESMOR_GetProtocolType(self.handle)

    # -- transponders ------------------------------------------------------------------------

    def inventory(self, flags: int | None = None) -> list[Tag]:
        """The transponders in the field (an empty list when none answers)."""
        records = ctypes.create_string_buffer(_MAX_TAGS * _RECORD)
        try:
            written = self._call("VESMOR_Inventory", lib.VESMOR_Inventory, self.handle, records,
                                 len(records), self._flags(flags))
        except errors.NoTransponderError:
            return []  # the reader's status for an empty field
        raw = records.raw[:written]
        return [Tag(uid=raw[at + 3:at + _RECORD], dsfid=raw[at + 2])
                for at in range(0, written, _RECORD)]

    def tag_info(self, uid: bytes | str | Tag | None = None, flags: int | None = None) -> TagInfo:
        """Block count, block size and maker of a transponder (the single one in the field when
        no UID is given)."""
        uid_bytes = _uid_argument(uid)
        values = [ctypes.c_int32(-1) for _ in range(3)]
        self._call("VESMOR_GetTagInfo", lib.VESMOR_GetTagInfo, self.handle, uid_bytes,
                   len(uid_bytes or b""), *(ctypes.byref(v) for v in values), self._flags(flags))
        count, size, maker = (v.value if v.value >= 0 else None for v in values)
        return TagInfo(block_count=count, block_size=size, manufacturer_code=maker)

    def read_blocks(self, first: int, count: int = 1, uid: bytes | str | Tag | None = None,
                    flags: int | None = None) -> bytes:
        """``count`` blocks from block ``first`` on, one after another (Read Multiple Blocks
        where the chip allows it). With the option flag 0x40 each block begins with its security
        status byte."""
        if count < 1:
            raise ValueError("count must be at least 1")
        uid_bytes = _uid_argument(uid)
        buffer = ctypes.create_string_buffer(count * (_ANSWER + 1))
        written = self._call("VESMOR_ReadBlocks", lib.VESMOR_ReadBlocks, self.handle, first,
                             count, buffer, len(buffer), uid_bytes, len(uid_bytes or b""),
                             self._flags(flags))
        return buffer.raw[:written]

    def write_blocks(self, first: int, data: bytes, uid: bytes | str | Tag | None = None,
                     block_size: int | None = None, flags: int | None = None) -> None:
        """Writes ``data`` into consecutive blocks from block ``first`` on. Its length must be a
        multiple of the block size (asked from the transponder unless given)."""
        uid_bytes = _uid_argument(uid)
        data = bytes(data)
        if block_size is None:
            block_size = self.tag_info(uid_bytes, flags).block_size
            if not block_size:
                raise errors.NoTransponderError(errors.ERR_NO_TRANSPONDER, "VESMOR_GetTagInfo",
                                                0, "the transponder tells no block size")
        if not data or len(data) % block_size:
            raise ValueError(f"data of {len(data)} bytes is no whole number of "
                             f"{block_size}-byte blocks")
        for index in range(len(data) // block_size):
            block = data[index * block_size:(index + 1) * block_size]
            try:
                self._call("VESMOR_WriteBlock", lib.VESMOR_WriteBlock, self.handle,
                           first + index, block, len(block), uid_bytes, len(uid_bytes or b""),
                           self._flags(flags))
            except errors.VesmorError as error:
                error.detail = f"block {first + index}, {index} of {len(data) // block_size} written"
                error.args = (error.text(),)
                raise

    def dump(self, uid: bytes | str | Tag | None = None, flags: int | None = None) -> Dump:
        """Every block of a transponder: the given one, else the single one in the field (its
        UID is found first, so that the maker's rules apply to the reads). Blocks that refuse
        reading (locked ones) are None."""
        if uid is None:
            tags = self.inventory(flags)
            if len(tags) != 1:
                cls = errors.NoTransponderError if not tags else errors.NotSingleTransponderError
                code = errors.ERR_NO_TRANSPONDER if not tags else errors.ERR_NOT_SINGLE
                raise cls(code, "VESMOR_Inventory", len(tags), f"{len(tags)} transponders found")
            tag = tags[0]
        else:
            tag = Tag(_uid_argument(uid))
        info = self.tag_info(tag, flags)
        count, size = info.block_count or 0, info.block_size or 0
        try:
            data = self.read_blocks(0, count, tag, flags) if count else b""
            blocks: list[bytes | None] = [data[i:i + size] for i in range(0, len(data), size)]
        except errors.IsoError:
            blocks = []
            for number in range(count):
                try:
                    blocks.append(self.read_blocks(number, 1, tag, flags))
                except errors.IsoError:
                    blocks.append(None)
        return Dump(tag, info, blocks)

    # -- helpers -----------------------------------------------------------------------------

    def _flags(self, flags: int | None) -> int:
        return self.flags if flags is None else flags

    def _check_open(self) -> None:
        if not self.is_open:
            raise errors.PortClosedError(errors.ERR_UNKNOWN_HANDLE, "Reader", -1,
                                         f"{self.name} is closed")

    def _call(self, operation: str, function, *arguments) -> int:
        result = function(*arguments)
        if result < 0:
            raise self._error(operation, result)
        return result

    def _error(self, operation: str, result: int) -> errors.VesmorError:
        code = lib.VESMOR_GetLastError(self._handle)
        if code == errors.ERR_TIMEOUT and lib.VESMOR_IsConnected(self._handle) == 0:
            return errors.ConnectionLostError(code, operation, result, f"{self.name} is gone")
        return errors.error_for(code, operation, result)

    def _read_identification(self) -> bytes:
        answer = ctypes.create_string_buffer(16)
        written = self._call("VESMOR_GetVersion", lib.VESMOR_GetVersion, self.handle, answer,
                             len(answer))
        return answer.raw[:written]


def open(name: str, baud: int = 19200, timeout: float = 0.5, address: int | None = None,
         flags: int = REQUEST_FLAGS) -> Reader:  # noqa: A001 - the package's entry point
    """Opens the reader at ``name`` ("/dev/ttyUSB0", "<serial> HID", "192.168.1.20", ...).

    ``baud`` is the line speed (plus a line code in its last two digits, as the library takes
    it), ``timeout`` the limit of each wait for an answer in seconds, ``address`` the reader's
    bus address (default 1), ``flags`` the request flags of the transponder calls. Raises
    :class:`vesmor.OpenError` when no reader answers."""
    return Reader(name, baud=baud, timeout=timeout, address=address, flags=flags)
