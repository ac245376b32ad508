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

# fuzz_lan_datagrams: a choice byte (bit 0: a fixed reader asked, bit 1: another name looked
# up), then the datagram as the socket queues it: the sender's four address bytes, the reply.


def lan_text(body, offset, text, count):
    for i in range(count):
        body[offset + i] = text[i] if i < len(text) else 0


def record0(address, port=10001, host_bits=8, gateway=(0, 0, 0, 0), name=b""):
    body = [0] * 120
    body[0:4] = address
    body[6] = host_bits
    body[12:16] = gateway
    body[20], body[21] = port & 0xFF, port >> 8
    lan_text(body, 112, name[:8], 8)
    lan_text(body, 84, name[8:16], 8)
    return body


def queued(sender, reply_type, body):
    return list(sender) + [0x00, 0x00, 0x00, reply_type] + body


fixed = [127, 0, 0, 1]
reader = [192, 168, 1, 50]
record2 = [0] * 126
lan_text(record2, 93, b"QX-LAN", 32)
record3 = [0] * 126
lan_text(record3, 102, b"1", 8)
ping = [0] * 26
ping[11:14] = list(b"VEK")
ping[20:26] = [0x00, 0x20, 0x4A, 0x56, 0x45, 0x4B]
lan = {
    "record0-fixed": [0] + queued(fixed, 0xF9, record0(fixed)),
    "record0-reader": [1] + queued(reader, 0xF9, record0(reader, 10002, 12, (192, 168, 1, 1))),
    "record0-dhcp": [0] + queued([10, 0, 0, 7], 0xF9, record0([0, 0, 0, 0], name=b"READER-01")),
    "record0-dhcp-other": [2] + queued([10, 0, 0, 7], 0xF9, record0([0, 0, 0, 0], name=b"ANOTHER-READER-9")),
    "record2": [0] + queued(fixed, 0xD2, record2),
    "record3": [1] + queued(reader, 0xD3, record3),
    "ping": [1] + queued(reader, 0xF7, ping),
    "write-reply": [0] + queued(fixed, 0xFB, []),
    "short": [0] + list(fixed) + [0x00, 0x00],
}
for name, data in lan.items():
    write("fuzz_lan_datagrams", name, data)


# fuzz_dongle_frames: chunks (a length byte, that many bytes) of what the dongle sends.


def dongle(kind, opcode, payload):
    n = len(payload)
    head = [kind, opcode, n & 0xFF, n >> 8]
    return [0x02] + head + [sum(head) & 0xFF] + payload + [0x03]


def chunks(stream, size):
    out = []
    for at in range(0, len(stream), size):
        part = stream[at:at + size]
        out += [len(part)] + part
    return out


bt_reader = [0x00, 0x07, 0x80, 0x12, 0x34, 0x56]
identify_answer = answer(0, 0, reads["version"])
events = {
    "reset": dongle(ord("i"), 0x25, [0x00]),
    "inquiry": dongle(ord("i"), 0x01, [1, 2, 3, 4, 5, 6, 0x0C, 0x02, 0x00]) +
               dongle(ord("i"), 0x01, bt_reader + [0x00, 0x05, 0x00]) + dongle(ord("C"), 0x00, [0x00]),
    "name": dongle(ord("C"), 0x02, [0x00] + bt_reader + [9] + list(b"VEK-BT-42")),
    "name-timeout": dongle(ord("C"), 0x02, [0x04] + bt_reader + [0]),
    "connect": dongle(ord("C"), 0x0A, [0x00]) + dongle(ord("i"), 0x0B, [0x00] + bt_reader + [0x02, 0x02]),
    "data": dongle(ord("i"), 0x10, [0x02, len(identify_answer), 0] + identify_answer),
    "lost-link": dongle(ord("i"), 0x0E, [0x02, 0x08]) + dongle(ord("i"), 0x51, [0x00]),
    "stray": [0x55, 0x02, 0xFF, 0xFF] + dongle(ord("i"), 0x25, [0x00]),
}
for name, stream in events.items():
    write("fuzz_dongle_frames", name, chunks(stream, 255))
    write("fuzz_dongle_frames", name + "-split", chunks(stream, 5))


# fuzz_hid_reports: flags (bit 0: the numbered device, bits 1..7: read capacity), Report Size,
# input and output Report Counts and Report ID of a built descriptor, then segments: the
# descriptor and node name, then the input reports as hidraw delivers them.


def vendor_descriptor(in_bytes, out_bytes, report_id=None):
    d = [0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00]
    if report_id is not None:
        d += [0x85, report_id]
    return d + [0x75, 0x08, 0x95, in_bytes, 0x09, 0x01, 0x81, 0x02, 0x95, out_bytes, 0x09, 0x01,
                0x91, 0x02, 0xC0]


frame = answer(0, 0, reads["version"])
hid = {
    "unnumbered": [64 << 1, 8, 8, 8, 0] + segments(vendor_descriptor(8, 8), [len(frame[:7])] + frame[:7],
                                                    [2] + frame[7:], [0] * 8),
    "numbered": [1 | 64 << 1, 8, 64, 64, 1] + segments(vendor_descriptor(64, 64, 1),
                                                        [1, len(frame)] + frame + [0] * (63 - len(frame))),
    "node": [4 << 1, 1, 3, 9, 2] + segments(list(b"hidraw0"), [5] + frame[:5]),
    "push-pop": [9 << 1, 8, 1, 1, 0] + segments([0xA4, 0x75, 0x10, 0x95, 0x04, 0x81, 0x02, 0xB4, 0x95, 0x02, 0x91, 0x02]),
}
for name, data in hid.items():
    write("fuzz_hid_reports", name, data)


# fuzz_version_file: own version and build (a length byte each), then the version file.


def own(version, build):
    return [len(version)] + list(version) + [len(build)] + list(build)


version_files = {
    "newer": (b"1.17", b"2026-01-05", b"[VESMOR_Tagforge]\r\nVersion=1.18\r\nBuild=2026-03-02\r\n"
              b"Installer=https://updates.example.com/tagforge/VESMOR_Tagforge_Setup.exe\r\n"),
    "same": (b"1.18", b"2026-03-02", b"[vesmor_tagforge]\nversion=1.18\nbuild=2026-03-02\n"
             b"installer=http://127.0.0.1:8080/setup.exe\n"),
    "newer-build": (b"1.18", b"2026-01-05", b"[Other]\nVersion=9.99\n[VESMOR_Tagforge]\nVersion=1.18\n"
                    b"Build=2026-03-02\nInstaller=https://host.invalid/x.exe\n"),
    "malformed": (b"-.--", b"", b"[VESMOR_Tagforge]\nVersion=1.18beta\nBuild=2026-13-40\nInstaller=/\n"),
}
for name, (version, build, text) in version_files.items():
    write("fuzz_version_file", name, own(version, build) + list(text))
import shutil
shutil.copy(os.path.join(here, "corpus", "fuzz_data_file", "datafile"), os.path.join(here, "corpus", "fuzz_ini", "datafile"))
print("seeds written", file=sys.stderr)
