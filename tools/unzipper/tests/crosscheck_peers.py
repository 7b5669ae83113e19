#!/usr/bin/env python3
"""Cross-checks `unzipper list` with Info-ZIP and 7-Zip: archives written by
`zip` (deflated, stored, encrypted with -P, with a comment, split with -s)
and by `7z` (deflated, ZipCrypto) must list the same entries through the
component as through `unzip -Z` (names, sizes, method, DOS date and time)
and through `7z l -slt` (names, sizes, CRC-32, encryption, folders).

  crosscheck_peers.py UNZIPPER

Exit 77 (skipped) when zip, unzip or 7z is not installed."""
import os
import re
import shutil
import subprocess
import sys
import tempfile

LINE = re.compile(r"^(\d+) (\d+) ([0-9a-f]{4}) (\d+) (\d+) ([0-9a-f]{8}) "
                  r"(\d{4})-(\d\d)-(\d\d) (\d\d):(\d\d):(\d\d) (.*)$")
ZIPINFO_METHODS = {"stor": 0, "shrk": 1, "defN": 8, "defX": 8, "defF": 8, "defS": 8}


def run(args, cwd=None):
    return subprocess.run(args, cwd=cwd, capture_output=True, timeout=120)


def ours(unzipper, path):
    result = run([unzipper, "list", path])
    if result.returncode != 0:
        raise AssertionError(f"unzipper list {path}: {result.stderr.decode('latin-1')}")
    entries = []
    for line in result.stdout.decode("latin-1").splitlines():
        m = LINE.match(line)
        if m:
            entries.append({"name": m.group(13).replace("\\", "/"), "method": int(m.group(2)),
                            "flags": int(m.group(3), 16), "csize": int(m.group(4)), "usize": int(m.group(5)),
                            "crc": m.group(6),
                            "time": "".join(m.group(7, 8, 9)) + "." + "".join(m.group(10, 11, 12))})
    return entries


def zipinfo(path):
    result = run(["unzip", "-Z", "-l", "-T", path])
    entries = []
    for line in result.stdout.decode("latin-1").splitlines():
        parts = line.split(None, 8)
        if len(parts) == 9 and re.match(r"^\d{8}\.\d{6}$", parts[7]):
            entries.append({"name": parts[8], "usize": int(parts[3]), "csize": int(parts[5]),
                            "method": ZIPINFO_METHODS.get(parts[6], -1), "time": parts[7]})
    return entries


def sevenzip(path):
    result = run(["7z", "l", "-slt", path])
    entries, current = [], None
    for line in result.stdout.decode("utf-8", "replace").splitlines():
        if line.startswith("Path = "):
            current = {"name": line[7:]}
            entries.append(current)
        elif current is not None and " = " in line:
            key, value = line.split(" = ", 1)
            current[key] = value
    return [e for e in entries if "Size" in e]


def compare(label, path, mine, theirs, fields, failures):
    if len(mine) != len(theirs):
        failures.append(f"{label}: {len(mine)} entries listed, {len(theirs)} by the peer")
        return
    by_name = {e["name"]: e for e in theirs}
    for e in mine:
        other = by_name.get(e["name"]) or by_name.get(e["name"].rstrip("/"))
        if other is None:
            failures.append(f"{label}: {e['name']} not listed by the peer")
            continue
        for field in fields:
            if field(e) != field(other, peer=True):
                failures.append(f"{label}: {e['name']}: {field.__name__} {field(e)} vs {field(other, peer=True)}")


def usize(e, peer=False): return int(e["Size"]) if peer and "Size" in e else e["usize"]
def csize(e, peer=False): return int(e["Packed Size"]) if peer and "Packed Size" in e else e["csize"]
def method(e, peer=False): return e["method"]
def dostime(e, peer=False): return e["time"]
def crc(e, peer=False): return (e.get("CRC") or "00000000").lower() if peer else e["crc"]
def encrypted(e, peer=False): return e.get("Encrypted") == "+" if peer else bool(e["flags"] & 1)
def folder(e, peer=False): return e.get("Folder") == "+" if peer else e["name"].endswith("/")


def main():
    unzipper = sys.argv[1]
    missing = [t for t in ("zip", "unzip", "7z") if shutil.which(t) is None]
    if missing:
        print("SKIP: not installed: " + ", ".join(missing))
        return 77
    work = tempfile.mkdtemp(prefix="unzipper-crosscheck-")
    try:
        src = os.path.join(work, "src")
        os.makedirs(os.path.join(src, "docs", "empty"))
        with open(os.path.join(src, "small.txt"), "w") as f:
            f.write("hello\n")
        with open(os.path.join(src, "docs", "lines.txt"), "w") as f:
            f.write("".join(f"line {i}\n" for i in range(5000)))
        with open(os.path.join(src, "noise.bin"), "wb") as f:
            state = 12345
            data = bytearray()
            for _ in range(150000):
                state = (state * 1103515245 + 12345) & 0x7FFFFFFF
                data.append(state >> 16 & 0xFF)
            f.write(data)
        with open(os.path.join(src, "empty.dat"), "w"):
            pass
        os.utime(os.path.join(src, "small.txt"), (1500000001, 1500000001))  # odd second
        files = ["small.txt", "docs", "docs/empty", "docs/lines.txt", "noise.bin", "empty.dat"]
        out = os.path.join(work, "out")
        os.makedirs(out)
        made = []

        def infozip(name, *options):
            run(["zip", "-q", "-X", *options, os.path.join(out, name), *files], cwd=src)
            made.append((name, True))

        infozip("deflated.zip")
        infozip("stored.zip", "-0")
        infozip("encrypted.zip", "-P", "secret")
        infozip("best.zip", "-9")
        infozip("split.zip", "-s", "64k")
        # Enough entries that the central directory itself spans volumes, so
        # reading it swaps disks through the default handler.
        many = os.path.join(src, "many")
        os.makedirs(many)
        for i in range(1200):
            with open(os.path.join(many, f"a-file-with-a-rather-long-name-to-fill-the-directory-{i:04d}.txt"), "w") as f:
                f.write(str(i))
        run(["zip", "-q", "-X", "-r", "-s", "64k", os.path.join(out, "split-many.zip"), "many"], cwd=src)
        made.append(("split-many.zip", None))  # unzip -Z cannot read a directory spanning disks
        subprocess.run(["zip", "-q", "-z", os.path.join(out, "deflated.zip")], input=b"archive comment\n",
                       capture_output=True, timeout=60)
        for name, options in (("seven.zip", []), ("seven-crypto.zip", ["-psecret", "-mem=ZipCrypto"]),
                              ("seven-stored.zip", ["-mx=0"])):
            run(["7z", "a", "-tzip", *options, os.path.join(out, name), *files], cwd=src)
            made.append((name, False))

        failures = []
        for stem, least in (("split", 2), ("split-many", 2)):
            volumes = [v for v in os.listdir(out) if v.startswith(stem + ".z") and v != stem + ".zip"]
            if len(volumes) < least:
                failures.append(f"zip -s wrote {len(volumes)} extra volumes for {stem}; the case tests too little")
        for name, dos_times in made:
            path = os.path.join(out, name)
            mine = ours(unzipper, path)
            fields = [usize, csize, method] + ([dostime] if dos_times else [])
            if dos_times is not None:
                compare(f"{name} vs unzip -Z", path, mine, zipinfo(path), fields, failures)
            compare(f"{name} vs 7z", path, mine, sevenzip(path), [usize, crc, encrypted, folder], failures)
            print(f"{name}: {len(mine)} entries")
        print(f"{len(made)} archives cross-checked")
        for f in failures:
            print("FAIL", f)
        return 1 if failures else 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
