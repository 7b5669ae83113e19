#!/usr/bin/env python3
"""Makes the extraction benchmark's corpus: six encrypted deflate archives
shaped like the installer's payloads (C0 ... C5).

483 entries in all, about 150 MB uncompressed and 67 MB compressed: program-
like data that deflates to about 45 %, text to about 25 %, some incompressible
data, a few empty files and some GBK names; every entry encrypted with the
traditional cipher under the password 青松白云 (its GBK bytes), as Info-ZIP
`zip -P` writes it. No folder entries.

The output is deterministic: a seeded generator makes the files, their times
are fixed, and zip runs with TZ=UTC and -X.

    make_bench_corpus.py OUTPUT_FOLDER [--scale S]

--scale shrinks every file (for a quick trial); 1 is the full corpus.
"""
import argparse
import itertools
import os
import random
import shutil
import subprocess
import sys

PASSWORD = "青松白云".encode("gbk")
# Entries per archive; 483 in all.
ARCHIVE_ENTRIES = [120, 100, 90, 80, 60, 33]
EMPTY_FILES = 6
FIXED_TIME = 1_700_000_000  # 2023-11-14 22:13:20 UTC


def zipf_weights(n, exponent):
    """Cumulative weights 1/rank^exponent: a few tokens common, most rare."""
    return list(itertools.accumulate(1 / (rank + 1) ** exponent for rank in range(n)))


def program_like(rng, words, size):
    """Instruction-like bytes: tokens from a vocabulary of short random byte
    strings (Zipf-distributed), with runs of random bytes (tables, resources)
    between them. Deflates to about 45 %."""
    weights = zipf_weights(len(words), 1.1)
    out = bytearray()
    while len(out) < size:
        out += b"".join(rng.choices(words, cum_weights=weights, k=48))
        out += rng.randbytes(rng.randrange(4, 12))
    return bytes(out[:size])


def text_like(rng, vocabulary, size):
    """Lines of words (Zipf-distributed); deflates to about 25 %."""
    weights = zipf_weights(len(vocabulary), 1.2)
    out = []
    length = 0
    while length < size:
        line = " ".join(rng.choices(vocabulary, cum_weights=weights, k=rng.randrange(4, 14))) + "\r\n"
        out.append(line)
        length += len(line)
    return "".join(out).encode("ascii")[:size]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("output")
    parser.add_argument("--scale", type=float, default=1.0)
    args = parser.parse_args()
    if shutil.which("zip") is None:
        sys.exit("Info-ZIP zip is needed")

    rng = random.Random(20260101)
    words = [rng.randbytes(rng.randrange(2, 7)) for _ in range(1200)]
    vocabulary = ["".join(rng.choices("abcdefghijklmnopqrstuvwxyz", k=rng.randrange(2, 10))) for _ in range(3000)]
    vocabulary += ["Orvane", "POS", "KDS", "SaaS", "=", "[Base]", "0", "1", "\t"]

    os.makedirs(args.output, exist_ok=True)
    total_entries = sum(ARCHIVE_ENTRIES)
    empty_at = set(rng.sample(range(total_entries), EMPTY_FILES))
    # Uncompressed bytes by kind: 110 MB program-like, 30 MB text, 10 MB noise.
    budget = {"program": 110e6, "text": 30e6, "noise": 10e6}
    kinds = ["program"] * 254 + ["text"] * 191 + ["noise"] * 38
    rng.shuffle(kinds)
    # Sizes within a kind: log-uniform weights, scaled to the kind's budget.
    weights = [rng.lognormvariate(0, 1.4) for _ in range(total_entries)]
    kind_weight = {k: sum(w for w, kk in zip(weights, kinds) if kk == k) for k in budget}

    index = 0
    for archive_number, count in enumerate(ARCHIVE_ENTRIES):
        source = os.path.join(args.output, f"src{archive_number}")
        shutil.rmtree(source, ignore_errors=True)
        for i in range(count):
            kind = kinds[index]
            size = 0 if index in empty_at else int(budget[kind] * weights[index] / kind_weight[kind] * args.scale)
            folder = ["bin", "data", "report", "plugins"][i % 4]
            if i % 9 == 4:
                name = f"{folder}/报表{archive_number}_{i:03d}.dat".encode("gbk")  # GBK name
            else:
                ext = {"program": "dll", "text": "ini", "noise": "pak"}[kind]
                name = f"{folder}/f{archive_number}_{i:03d}.{ext}".encode("ascii")
            if kind == "program":
                data = program_like(rng, words, size)
            elif kind == "text":
                data = text_like(rng, vocabulary, size)
            else:
                data = rng.randbytes(size)
            path = os.path.join(source.encode(), name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
            os.utime(path, (FIXED_TIME, FIXED_TIME))
            index += 1
        archive = os.path.join(os.path.abspath(args.output), f"C{archive_number}.DLL")
        if os.path.exists(archive):
            os.remove(archive)
        env = dict(os.environ, TZ="UTC")
        subprocess.run([b"zip", b"-q", b"-r", b"-X", b"-D", b"-P", PASSWORD, archive.encode(), b"."],
                       cwd=source, env=env, check=True)
        shutil.rmtree(source)
    print(f"{total_entries} entries in {len(ARCHIVE_ENTRIES)} archives in {args.output}")


if __name__ == "__main__":
    main()
