#!/usr/bin/env python3
"""Lists every peer ZIP fixture with `unzipper list` and compares the result
with the fixture manifest (which records what Python's zipfile reads from the
central directory).

  check_peer_fixtures.py UNZIPPER FIXTURE_DIR

Archives marked malformed in SOURCES.md, and archives the manifest lists no
entries for, must end in one of the component's errors (exit 2 with its
message) or in a clean listing: no crash, no hang. Every other archive must
list exactly the manifest's entries: name (Directory + FileName, stored
bytes with backslashes), method, flags, sizes and CRC.

Exit 77 (skipped) when the fixtures are absent, as in a user's clone."""
import json
import os
import re
import subprocess
import sys

COMPONENT_ERRORS = (
    "Incomplete Zip File",
    "Not a valid zip file!",
    "User canceled loading new disk.",
    "Cannot open file ",
)
MALFORMED_WORDS = re.compile(
    r"malformed|must fail|must be rejected|open must fail|fuzzed|truncated|no CD|no EOCD|"
    r"no usable CD|not a zip|must not crash|claims a multi-disk", re.I)
# Archives the table does not word as malformed but that are, for a reader of
# the central directory, or that lie outside the supported subset. They must
# still end cleanly.
NOT_LISTABLE = {
    "commons-compress/bla-stored-dd.zip": "end record points 16 bytes before the real directory",
    "commons-compress/bla-stored-dd-nosig.zip": "end record points before the real directory",
    "commons-compress/bla-stored-dd-sizes-differ.zip": "end record points before the real directory",
    "libarchive/test_read_format_zip_with_invalid_traditional_eocd.zip": "ZIP64 end record only",
    "sharpcompress/Zip.deflate.split.006": "a byte-wise cut without disk numbers (7-Zip joins such pieces)",
}
LINE = re.compile(rb"^(\d+) (\d+) ([0-9a-f]{4}) (\d+) (\d+) ([0-9a-f]{8}) "
                  rb"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d (.*)$")


def malformed_files(sources):
    marked = set()
    for row in open(sources, encoding="utf-8"):
        cells = [c.strip() for c in row.split("|")]
        if len(cells) < 7 or not cells[1].startswith("`"):
            continue
        name = cells[1].strip("`")
        if MALFORMED_WORDS.search(cells[4]) or MALFORMED_WORDS.search(cells[5]):
            marked.add(name)
    return marked


def stored_name(entry):
    # zipfile decodes names as UTF-8 when flag bit 11 is set, else as CP437.
    flags = int(entry["flags"], 16)
    raw = entry["name"].encode("utf-8" if flags & 0x800 else "cp437")
    return raw.replace(b"/", b"\\")


def run_list(unzipper, path):
    return subprocess.run([unzipper, "list", path], capture_output=True, timeout=60)


def parse_listing(stdout):
    entries = []
    for line in stdout.split(b"\n"):
        m = LINE.match(line)
        if m:
            entries.append((m.group(7), int(m.group(2)), int(m.group(3), 16), int(m.group(4)),
                            int(m.group(5)), m.group(6).decode()))
    return entries


def main():
    unzipper, fixtures = sys.argv[1], sys.argv[2]
    if not os.path.isdir(fixtures):
        print(f"SKIP: peer fixtures not found at {fixtures} (they live beside the repository)")
        return 77
    manifest = json.load(open(os.path.join(fixtures, "manifest.json"), encoding="utf-8"))
    malformed = malformed_files(os.path.join(fixtures, "SOURCES.md"))
    failures, exact, clean = [], 0, 0
    for name, info in sorted(manifest.items()):
        path = os.path.join(fixtures, name)
        try:
            result = run_list(unzipper, path)
        except subprocess.TimeoutExpired:
            failures.append(f"{name}: hang")
            continue
        if result.returncode not in (0, 2):
            failures.append(f"{name}: exit {result.returncode} {result.stderr[-300:]!r}")
            continue
        if result.returncode == 2:
            message = result.stderr.decode("latin-1").strip()
            if not message.startswith(COMPONENT_ERRORS):
                failures.append(f"{name}: unexpected error {message!r}")
                continue
        if name in malformed or name in NOT_LISTABLE or "entries" not in info:
            clean += 1
            continue
        if result.returncode != 0:
            failures.append(f"{name}: {result.stderr.decode('latin-1').strip()}")
            continue
        want = sorted((stored_name(e), e["method"], int(e["flags"], 16), e["csize"], e["usize"], e["crc"])
                      for e in info["entries"])
        got = sorted(parse_listing(result.stdout))
        if got != want:
            missing = [w for w in want if w not in got][:3]
            extra = [g for g in got if g not in want][:3]
            failures.append(f"{name}: listing differs; expected but absent {missing}; listed but unexpected {extra}")
            continue
        exact += 1
    print(f"{exact} archives listed exactly, {clean} malformed or unlisted archives ended cleanly")
    for f in failures:
        print("FAIL", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
