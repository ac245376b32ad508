#!/usr/bin/env python3
"""A small program on libvesmor through ctypes: open a reader, list the transponders in its
field, then write block 0 of the first one and read it back.

    python3 tag_example.py /dev/ttyUSB0 [TEXT]

The library is found as libvesmor.so.1 on the system's library path, or at $VESMOR_LIBRARY.
"""
import ctypes
import os
import sys

REQUEST_FLAGS = 1  # the ISO request-flags byte the desktop program uses
RECORD_SIZE = 11


def load_library():
    lib = ctypes.CDLL(os.environ.get("VESMOR_LIBRARY", "libvesmor.so.1"))
    i32, buf, cbuf = ctypes.c_int32, ctypes.c_char_p, ctypes.c_void_p
    lib.VESMOR_OpenPort.argtypes = [buf, i32, i32]
    lib.VESMOR_ClosePort.argtypes = [i32]
    lib.VESMOR_GetLastError.argtypes = [i32]
    lib.VESMOR_GetDeviceName.argtypes = [i32, cbuf, i32]
    lib.VESMOR_Inventory.argtypes = [i32, cbuf, i32, i32]
    lib.VESMOR_GetTagInfo.argtypes = [i32, cbuf, i32, ctypes.POINTER(i32),
                                      ctypes.POINTER(i32), ctypes.POINTER(i32), i32]
    lib.VESMOR_ReadBlock.argtypes = [i32, i32, cbuf, i32, cbuf, i32, i32]
    lib.VESMOR_WriteBlock.argtypes = [i32, i32, cbuf, i32, cbuf, i32, i32]
    return lib


def main():
    if len(sys.argv) < 2:
        print(f"usage: {sys.argv[0]} PORT [TEXT]", file=sys.stderr)
        return 2
    text = (sys.argv[2] if len(sys.argv) > 2 else "VSMR").encode()
    lib = load_library()

    handle = lib.VESMOR_OpenPort(sys.argv[1].encode(), 19200, 500)
    if handle <= 0:
        print(f"no reader at {sys.argv[1]} (result {handle})", file=sys.stderr)
        return 1
    try:
        def fail(what):
            print(f"{what} failed: error {lib.VESMOR_GetLastError(handle)}", file=sys.stderr)
            return 1

        name = ctypes.create_string_buffer(64)
        lib.VESMOR_GetDeviceName(handle, name, len(name))
        print("reader:", name.value.decode(errors="replace"))

        records = ctypes.create_string_buffer(16 * RECORD_SIZE)
        count = lib.VESMOR_Inventory(handle, records, len(records), REQUEST_FLAGS)
        if count < 0:
            return fail("VESMOR_Inventory")
        if count == 0:
            print("no transponder in the field")
            return 1
        # A record: slot status, response flags, DSFID, then the UID least significant byte first.
        raw = records.raw[:count]
        for offset in range(0, count, RECORD_SIZE):
            print("transponder:", raw[offset + 3:offset + 11][::-1].hex().upper())
        uid = raw[3:11]

        blocks, size, maker = ctypes.c_int32(), ctypes.c_int32(), ctypes.c_int32()
        if lib.VESMOR_GetTagInfo(handle, uid, 8, ctypes.byref(blocks), ctypes.byref(size),
                                 ctypes.byref(maker), REQUEST_FLAGS) != 0:
            return fail("VESMOR_GetTagInfo")
        print(f"blocks: {blocks.value} of {size.value} bytes")

        block = text[:size.value].ljust(size.value, b"\0")
        if lib.VESMOR_WriteBlock(handle, 0, block, size.value, uid, 8, REQUEST_FLAGS) != 0:
            return fail("VESMOR_WriteBlock")
        read_back = ctypes.create_string_buffer(32)
        got = lib.VESMOR_ReadBlock(handle, 0, read_back, len(read_back), uid, 8, REQUEST_FLAGS)
        if got < 0:
            return fail("VESMOR_ReadBlock")
        print("block 0:", " ".join(f"{b:02X}" for b in read_back.raw[:got]))
        return 0 if read_back.raw[:size.value] == block else 1
    finally:
        lib.VESMOR_ClosePort(handle)


if __name__ == "__main__":
    sys.exit(main())
