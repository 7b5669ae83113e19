#!/usr/bin/env python3
"""Writes the demo product that the installer carries: one folder per payload
type (LumoSc, LumoPos, WmSvr, SaasKds, LumoPosSy, UnInstall) with what such a
product holds -- its program, libraries, configuration INI files, report
templates, images, the local databases, GBK file names, sub-folders, a
read-only file, files larger than 32 KB and one empty file.

Every file's content, modification time and attributes are set here
explicitly, so a clone writes (and the packer packs) the same bytes as the
machine that wrote them: contents come from a seeded generator, times are
local times set through the local clock (read back the same way by the
packer, whatever the time zone), and read-only is the only attribute.

  make_product.py OUTPUT_FOLDER [--full] [--programs FOLDER] [--uninstaller FILE]

--programs: a folder holding the real programs (OvErp.exe, LumoPos.exe,
PWMSvr.exe, PSaasKds.exe, LumoPos_Sy.exe); without it stand-in files of the
same names are written. --uninstaller: the real UnInstall.exe, likewise.
--full: the same shape at full size (about 150 MB, for benchmarks).

Entry counts: 483 files in all; LumoSc 200, LumoPos 120, WmSvr 60,
SaasKds 35, UnInstall 1 (416 for the catering edition with every system),
LumoPosSy 67.
"""
import argparse
import os
import random
import shutil
import stat
import sys
import time

# (type word, program file name, file count, database file or None)
PAYLOADS = [
    ("LumoSc", "OvErp.exe", 200, None),
    ("LumoPos", "LumoPos.exe", 120, "LumoPosBaseData.db"),
    ("WmSvr", "PWMSvr.exe", 60, "WmCacheData.db"),
    ("SaasKds", "PSaasKds.exe", 35, None),
    ("LumoPosSy", "LumoPos_Sy.exe", 67, "LumoPosBaseData.db"),
    ("UnInstall", "UnInstall.exe", 1, None),
]

SUBJECTS = ["销售", "库存", "采购", "财务", "会员", "营业", "菜品", "桌台", "厨房", "外卖", "结算", "班次"]
REPORT_KINDS = ["日报表", "月报表", "明细表", "汇总表", "分析表", "对账单"]
IMAGE_NAMES = ["按钮", "背景", "图标", "标志", "菜品图", "桌台图"]
LIBRARIES = ["LumoCore", "LumoData", "LumoPrint", "LumoNet", "midas", "borlndmm", "dbxsqlite", "libeay32",
             "ssleay32", "LumoReport", "LumoSkin", "LumoCard", "LumoScale", "LumoPay", "LumoSync", "LumoLog"]


class Writer:
    def __init__(self, root, full, seed):
        self.root = root
        self.scale = 21 if full else 1
        self.rng = random.Random(seed)
        self.clock = 0
        self.count = 0

    def next_time(self):
        # Midday hours of June 2024: never near a daylight-saving change, so
        # a local time survives the round trip through the file system.
        self.clock += 1
        day = 3 + (self.clock // 150) % 20
        seconds = (self.clock * 74) % (5 * 3600)
        return (2024, 6, day, 10 + seconds // 3600, (seconds // 60) % 60, (seconds % 60) // 2 * 2)

    def text(self, size, words):
        out = bytearray()
        while len(out) < size:
            line = "%s=%s%d;%s\r\n" % (self.rng.choice(words), self.rng.choice(SUBJECTS),
                                       self.rng.randrange(100000), self.rng.choice(REPORT_KINDS))
            out += line.encode("gbk")
        return bytes(out[:size])

    def binary(self, size, random_share):
        """Bytes like a program's or a picture's: runs of random bytes between
        runs of repeated structure, random_share of them random."""
        out = bytearray()
        while len(out) < size:
            run = self.rng.randrange(256, 4096)
            if self.rng.random() < random_share:
                out += self.rng.randbytes(run)
            else:
                unit = self.rng.randbytes(self.rng.randrange(4, 32))
                out += (unit * (run // len(unit) + 1))[:run]
        return bytes(out[:size])

    def size(self, small, large):
        return self.rng.randrange(small, large) * self.scale

    def put(self, relative, data, read_only=False):
        path = os.path.join(self.root, *relative.split("\\"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        t = time.mktime(self.next_time() + (0, 0, -1))
        os.utime(path, (t, t))
        if read_only:
            os.chmod(path, stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)
        self.count += 1


def program_bytes(writer, name, programs):
    if programs:
        with open(os.path.join(programs, name), "rb") as f:
            return f.read()
    # A stand-in of the same name: a DOS stub and code-like bytes.
    return b"MZ" + b"\0" * 58 + b"\x80\0\0\0" + writer.binary(writer.size(40000, 90000), 0.5)


def database(writer):
    # The shape of an SQLite file: its header, then pages.
    header = b"SQLite format 3\0" + bytes([16, 0, 1, 1, 0, 64, 32, 32])
    return (header + writer.binary(writer.size(60000, 120000), 0.3))


def fill(writer, type_word, count, prefix_files):
    """Adds files to a payload folder until it holds count files: libraries,
    INI files, report templates, images, in sub-folders and with GBK names."""
    made = prefix_files
    n = 0
    while made < count:
        kind = n % 5
        subject = SUBJECTS[n % len(SUBJECTS)]
        if kind == 0:
            lib = LIBRARIES[(n // 5) % len(LIBRARIES)]
            name = "%s%s.dll" % (lib, "" if n < 80 else str(n))
            writer.put("%s\\%s" % (type_word, name), writer.binary(writer.size(8000, 60000), 0.55))
        elif kind == 1:
            name = "Config\\%s%d.ini" % (subject, n)
            writer.put("%s\\%s" % (type_word, name), writer.text(writer.size(300, 3000), ["Server", "Port", "打印机", "名称"]))
        elif kind == 2:
            name = "报表\\%s\\%s%s%d.fr3" % (subject, subject, REPORT_KINDS[n % len(REPORT_KINDS)], n)
            writer.put("%s\\%s" % (type_word, name), writer.text(writer.size(2000, 24000), ["Memo", "Band", "字段", "标题"]))
        elif kind == 3:
            ext = [".bmp", ".png", ".jpg"][n % 3]
            name = "Images\\%s%d%s" % (IMAGE_NAMES[n % len(IMAGE_NAMES)], n, ext)
            share = 0.2 if ext == ".bmp" else 0.95
            writer.put("%s\\%s" % (type_word, name), writer.binary(writer.size(1000, 20000), share))
        else:
            name = "Lang\\zh-CN\\%s%d.txt" % (subject, n)
            writer.put("%s\\%s" % (type_word, name), writer.text(writer.size(200, 2000), ["提示", "错误", "确认"]))
        made += 1
        n += 1


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("output")
    parser.add_argument("--full", action="store_true")
    parser.add_argument("--programs")
    parser.add_argument("--uninstaller")
    args = parser.parse_args()

    if os.path.exists(args.output):
        # Files written read-only before must become writable to go.
        for folder, _, files in os.walk(args.output):
            for name in files:
                os.chmod(os.path.join(folder, name), stat.S_IRUSR | stat.S_IWUSR)
        shutil.rmtree(args.output)
    os.makedirs(args.output)

    writer = Writer(args.output, args.full, seed=20240603)
    for type_word, program, count, db in PAYLOADS:
        before = writer.count
        if type_word == "UnInstall":
            if args.uninstaller:
                with open(args.uninstaller, "rb") as f:
                    data = f.read()
            else:
                data = program_bytes(writer, program, None)
            writer.put("UnInstall\\UnInstall.exe", data)
            continue
        writer.put("%s\\%s" % (type_word, program), program_bytes(writer, program, args.programs))
        made = 1
        if db:
            writer.put("%s\\%s" % (type_word, db), database(writer))
            made += 1
        # Large files: a help file and a data package over 32 KB.
        writer.put("%s\\Help\\%s帮助.chm" % (type_word, type_word), writer.binary(writer.size(40000, 120000), 0.7))
        writer.put("%s\\Data\\基础资料.dat" % type_word, writer.text(writer.size(33000, 80000), ["编号", "名称", "单价"]))
        writer.put("%s\\Config\\運行參數.ini" % type_word, writer.text(600, ["Server", "端口"]))
        made += 3
        if type_word in ("LumoSc", "LumoPos"):
            writer.put("%s\\Config\\License.dat" % type_word, writer.binary(512, 1.0), read_only=True)
            made += 1
        if type_word == "LumoSc":
            writer.put("LumoSc\\Logs\\empty.log", b"")
            made += 1
        fill(writer, type_word, count, made)
        assert writer.count - before == count, (type_word, writer.count - before)

    total = sum(len(files) for _, _, files in os.walk(args.output))
    if total != 483:
        sys.exit("make_product: %d files, expected 483" % total)
    print("make_product: %d files in %s" % (total, args.output))


if __name__ == "__main__":
    main()
