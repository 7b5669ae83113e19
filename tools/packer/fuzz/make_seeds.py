#!/usr/bin/env python3
"""Writes the seed stubs of pe_resources_fuzzer into corpus/: a PE32 and a
PE32+ image of three sections (.text, .rsrc with three resources, .reloc),
laid out like the images of the writer's unit test, file and section
alignment 512. Run again to remake them; the output is always the same."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def stub(plus):
    a = 512
    b = bytearray(4 * a)
    b[0:2] = b"MZ"
    struct.pack_into("<I", b, 0x3C, 0x40)
    b[0x40:0x44] = b"PE\0\0"
    struct.pack_into("<HH", b, 0x44, 0x8664 if plus else 0x14C, 3)
    struct.pack_into("<H", b, 0x54, 240 if plus else 224)
    opt = 0x58
    struct.pack_into("<H", b, opt, 0x20B if plus else 0x10B)
    struct.pack_into("<II", b, opt + 32, a, a)
    struct.pack_into("<II", b, opt + 56, 4 * a, a)
    struct.pack_into("<I", b, opt + (108 if plus else 92), 16)
    dirs = opt + (112 if plus else 96)
    struct.pack_into("<II", b, dirs + 16, 2 * a, 512)
    table = opt + (240 if plus else 224)
    for i, name in enumerate([b".text", b".rsrc", b".reloc"]):
        struct.pack_into("<8sIIII", b, table + 40 * i, name, a, (i + 1) * a, a, (i + 1) * a)
    r = 2 * a
    struct.pack_into("<HH", b, r + 12, 1, 2)
    contents = [b"button pixels", b"old version", b"<assembly/>"]
    types = [0x80000000 | 232, 16, 24]
    names = [0x80000000 | 242, 1, 1]
    for i in range(3):
        names_at, langs_at, leaf_at = 40 + 24 * i, 112 + 24 * i, 184 + 16 * i
        struct.pack_into("<II", b, r + 16 + 8 * i, types[i], 0x80000000 | names_at)
        struct.pack_into("<H", b, r + names_at + (12 if i == 0 else 14), 1)
        struct.pack_into("<II", b, r + names_at + 16, names[i], 0x80000000 | langs_at)
        struct.pack_into("<H", b, r + langs_at + 14, 1)
        struct.pack_into("<II", b, r + langs_at + 16, 2052, leaf_at)
        struct.pack_into("<II", b, r + leaf_at, 2 * a + 256 + 64 * i, len(contents[i]))
        b[r + 256 + 64 * i:r + 256 + 64 * i + len(contents[i])] = contents[i]
    b[r + 232:r + 242] = struct.pack("<H", 4) + "SKIN".encode("utf-16-le")
    b[r + 242:r + 250] = struct.pack("<H", 3) + "BTN".encode("utf-16-le")
    return bytes(b)


os.makedirs(os.path.join(HERE, "corpus"), exist_ok=True)
for plus, name in [(False, "pe32.exe"), (True, "pe32plus.exe")]:
    with open(os.path.join(HERE, "corpus", name), "wb") as f:
        f.write(stub(plus))
