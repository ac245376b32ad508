#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (corpus/<target>/*): well-formed inputs of each
kind, so that mutation starts from frames and files the program really meets. Run it again
after changing a target's input layout; the files it writes are kept in the repository."""
import os
import sys
from functools import reduce

here = os.path.dirname(os.path.abspath(__file__))


def bcc(data):
    return reduce(lambda a, b: a ^ b, data, 0)


def crc16(data):
    crc = 0xFFFF
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def answer(ptype, status, data, chained=False):
    body = data
    length = 0xFF if chained else len(data)
    if ptype == 0:
        frame = [0x02, 0x01, status, length] + body
        return frame + [bcc(frame[1:])]
    if ptype == 1:
        frame = [0x01, status, length] + body
        crc = crc16(frame)
        return frame + [crc & 0xFF, crc >> 8]
    return [0x1E, status, length] + body


def chain(blocks):
    out = []
    for block in blocks:
        out += [len(block)] + block
    return out + [0xFF]


uid = [0x01, 0x02, 0x03, 0x04, 0x05, 0x02, 0x04, 0xE0]
iso_ok = [0x00]
inventory_records = [[0x00, 0x00, 0x00] + uid, [0x00, 0x00, 0x00] + uid[:7] + [0xE1]]
sysinfo = [0x00, 0x0F] + uid + [0x00, 0x00, 0x1B, 0x03, 0x01]
reads = {
    "version": [0x31, 0x32, 0x35, 0x37],
    "iso-ok": iso_ok,
    "block": iso_ok + [0x11, 0x22, 0x33, 0x44],
    "sysinfo": sysinfo,
    "iso-error": [0x01, 0x10],
}


def write(target, name, data):
    path = os.path.join(here, "corpus", target)
    os.makedirs(path, exist_ok=True)
    with open(os.path.join(path, name), "wb") as out:
        out.write(bytes(data))


# fuzz_frames: protocol type, last command, answer.
for ptype in range(4):
    command = 0x20 if ptype < 2 else 0x28
    for name, data in reads.items():
        write("fuzz_frames", f"t{ptype}-{name}", [ptype, command] + answer(ptype, 0 if ptype < 2 else command, data))
    write("fuzz_frames", f"t{ptype}-chained", [ptype, command] +
          answer(ptype, 0 if ptype < 2 else command, chain(inventory_records), chained=True))
    write("fuzz_frames", f"t{ptype}-status", [ptype, command] + answer(ptype, 0x20 if ptype < 2 else 0xCC, []))

# fuzz_reader_answers: protocol type, operation, timeout, parameter, then one segment (length,
# bytes) per request.


def segments(*answers):
    out = []
    for a in answers:
        out += [len(a)] + a
    return out


for ptype in range(4):
    # Types 2 and 3 echo the translated command 0x20 (0x28 and 0x21); type 2 puts a status
    # prefix byte before the transponder's response.
    status = {0: 0, 1: 0, 2: 0x28, 3: 0x21}[ptype]
    prefix = [0x00] if ptype == 2 else []
    inv = answer(ptype, status, chain(inventory_records), chained=True)
    one = answer(ptype, status, chain(inventory_records[:1]), chained=True)
    empty_slot = [0x00, 0x00, 0x00] + [0] * 8
    sixteen = answer(ptype, status, chain(inventory_records + [empty_slot[:1]] * 14), chained=True)
    info = answer(ptype, status, prefix + sysinfo)
    block = answer(ptype, status, prefix + reads["block"])
    write("fuzz_reader_answers", f"t{ptype}-inventory", [ptype, 0, 0, 0x06] + segments(inv))
    write("fuzz_reader_answers", f"t{ptype}-inventory16", [ptype, 0, 0, 0x06] + segments(sixteen))
    write("fuzz_reader_answers", f"t{ptype}-inventory1", [ptype, 0, 0, 0x26] + segments(one))
    write("fuzz_reader_answers", f"t{ptype}-taginfo-find", [ptype, 1, 0, 0x02] + segments(one, info))
    write("fuzz_reader_answers", f"t{ptype}-taginfo", [ptype, 1, 1, 0x82] + segments(info))
    write("fuzz_reader_answers", f"t{ptype}-read", [ptype, 2, 0, 0x81] + segments(block))
    write("fuzz_reader_answers", f"t{ptype}-runs", [ptype, 3, 2, 0x87] + segments(info, block, block, block))
    write("fuzz_reader_answers", f"t{ptype}-write", [ptype, 4, 0, 0x80] + segments(answer(ptype, status, prefix + iso_ok)))
    write("fuzz_reader_answers", f"t{ptype}-raw", [ptype, 5, 1, 0x10] + segments(block))
    write("fuzz_reader_answers", f"t{ptype}-version", [ptype, 6, 0, 0x00] + segments(answer(ptype, 0 if ptype < 2 else 0xF0, reads["version"])))

# fuzz_value_formats: format, start block, byte count (2), flags, blocks, block size, text.
for fmt, text in enumerate([b"0A1B2C3D", b"00FF", b"4294967295", b"0000123", b"DE AD BE EF", b"Hello"]):
    write("fuzz_value_formats", f"f{fmt}", [fmt, 0, 4, 0, 0x03, 28, 2] + list(text))
write("fuzz_value_formats", "f3-prefix", [3, 2, 8, 0, 0x07, 64, 3] + list(b"SN-0099"))
write("fuzz_value_formats", "f0-long", [0, 0, 20, 0, 0x01, 8, 2] + list(b"0123456789ABCDEF01234567"))

# fuzz_data_file and fuzz_ini: a data file and a profile.
write("fuzz_data_file", "datafile", list(
    b"[Settings]\r\nLastData=0000123\r\nAutoIncrement=1\r\nAutoNull=1\r\nPrefixZulassen=0\r\n"
    b"Datenformat=3\r\nStartblock=0\r\nByteanzahl=4\r\n"))
write("fuzz_ini", "profile", list(
    b"; comment\n[Schnittstelle]\nPort=/dev/ttyUSB0\nBaud=19200\n\n[Version]\nUpdate=1\n[Settings]\n"
    b"Sprache=1\nKey with spaces = value = more\n[Empty]\n"))

# fuzz_log_numbering: chunks of (header, bytes).
line = b"09.12.2026 03:10:18\tDEZ ASCII\t   0\t   4\t7\r\n"
write("fuzz_log_numbering", "appends", [len(line) & 0x3F | 0x40] + list(line[:len(line) & 0x3F]) * 1 +
      [0x05] + list(b"1\r\n2\n") + [0x83] + list(b"a\nb"))
write("fuzz_log_numbering", "rewrite", [0x84] + list(b"x\ny\n") + [0x42] + list(b"z\n") + [0x81] + list(b"q"))
import shutil
shutil.copy(os.path.join(here, "corpus", "fuzz_data_file", "datafile"), os.path.join(here, "corpus", "fuzz_ini", "datafile"))
print("seeds written", file=sys.stderr)
