"""Loads libvesmor.so.1 and declares the C functions the package calls."""

from __future__ import annotations

import ctypes
import os
from pathlib import Path

LIBRARY_NAME = "libvesmor.so.1"

_i32 = ctypes.c_int32
_text = ctypes.c_char_p
_bytes = ctypes.c_void_p
_i32_out = ctypes.POINTER(ctypes.c_int32)

# name: (result type, argument types), as vesmor.h declares them.
_PROTOTYPES: dict[str, tuple[object, list[object]]] = {
    "VESMOR_GetBluetoothPorts": (_i32, [_bytes, _i32]),
    "VESMOR_GetComPorts": (_i32, [_bytes, _i32]),
    "VESMOR_GetHidPorts": (_i32, [_bytes, _i32]),
    "VESMOR_OpenPort": (_i32, [_text, _i32, _i32]),
    "VESMOR_ClosePort": (_i32, [_i32]),
    "VESMOR_GetVersion": (_i32, [_i32, _bytes, _i32]),
    "VESMOR_GetDeviceName": (_i32, [_i32, _bytes, _i32]),
    "VESMOR_GetLastError": (_i32, [_i32]),
    "VESMOR_IsProgrammer": (_i32, [_i32]),
    "VESMOR_IsUSB": (_i32, [_i32]),
    "VESMOR_IsConnected": (_i32, [_i32]),
    "VESMOR_GetProtocolType": (_i32, [_i32]),
    "VESMOR_SetLanConfig": (_i32, [_text, _text, _text, _text]),
    "VESMOR_FindLanDevices": (_i32, [_bytes, _i32]),
    "VESMOR_FindLanDevicesEx": (_i32, [_bytes, _i32]),
    "VESMOR_GetLanConfig": (_i32, [_text, _bytes, _bytes, _bytes, _bytes]),
    "VESMOR_TestLanDevice": (_i32, [_text]),
    "VESMOR_GetTagInfo": (_i32, [_i32, _bytes, _i32, _i32_out, _i32_out, _i32_out, _i32]),
    "VESMOR_Inventory": (_i32, [_i32, _bytes, _i32, _i32]),
    "VESMOR_ReadBlocks": (_i32, [_i32, _i32, _i32, _bytes, _i32, _bytes, _i32, _i32]),
    "VESMOR_WriteBlock": (_i32, [_i32, _i32, _bytes, _i32, _bytes, _i32, _i32]),
}


def _candidates() -> list[str]:
    """Where the library is looked for, in this order."""
    found = []
    if os.environ.get("VESMOR_LIBRARY"):
        found.append(os.environ["VESMOR_LIBRARY"])
    beside = Path(__file__).resolve().parent / LIBRARY_NAME
    if beside.exists():
        found.append(str(beside))
    found.append(LIBRARY_NAME)  # the system's library path (ld.so.cache, LD_LIBRARY_PATH)
    return found


def load() -> ctypes.CDLL:
    """The loaded library with its prototypes; ImportError naming every place tried."""
    tried = []
    for candidate in _candidates():
        try:
            library = ctypes.CDLL(candidate)
        except OSError as error:
            tried.append(f"  {candidate}: {error}")
            continue
        missing = [name for name in _PROTOTYPES if not hasattr(library, name)]
        if missing:
            tried.append(f"  {candidate}: lacks {', '.join(missing)} (an older libvesmor?)")
            continue
        for name, (result, arguments) in _PROTOTYPES.items():
            function = getattr(library, name)
            function.restype = result
            function.argtypes = arguments
        return library
    raise ImportError(
        "vesmor needs the C library libvesmor.so.1 and found none. Install the Debian package "
        "libvesmor1, or set VESMOR_LIBRARY to the file. Tried:\n" + "\n".join(tried),
        name="vesmor",
    )


lib = load()


def names_of(list_function, size: int = 64 * 1024) -> list[str]:
    """The names a list function of the library writes (NUL after each, one more NUL at the end)."""
    buffer = ctypes.create_string_buffer(size)
    written = list_function(buffer, size)
    raw = buffer.raw[: max(written, 0)]
    return [name.decode("utf-8", "replace") for name in raw.split(b"\0") if name]
