#!/usr/bin/env python3
"""Extraction benchmark: the installer's kind of payload set, extracted to
tmpfs by unzipper (with its worker threads, the machine's processors, and
with the calling thread alone), Info-ZIP unzip and 7-Zip, and by the bare
floor loop (decrypt, zlib raw inflate, zlib crc32, 8 KB writes;
extract_floor). Goals: unzipper at least 2.2 times Info-ZIP unzip and 1.8
times 7-Zip by wall clock, peak resident memory under 32 MB.

Every tool extracts the six archives in turn, several rounds, the tools
interleaved within each round so that load from other processes falls on
all of them alike. Prints per tool the median throughput in MB/s of output
(10^6 bytes) by wall clock and by CPU time, its ratio to unzipper, and
unzipper's peak resident memory.
Not a test: it checks its own runs (output size and file count) and no more.

    bench_extract.py --unzipper BUILD/bin/unzipper --floor BUILD/bin/extract_floor
                     [--corpus /dev/shm/dz-bench] [--out /dev/shm/dz-bench-out] [--runs 5]

The corpus is made by make_bench_corpus.py when the folder has no C0.DLL.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time

PASSWORD = "青松白云".encode("gbk")
ARCHIVES = [f"C{i}.DLL" for i in range(6)]


def run_timed(argv):
    """Runs argv quietly; returns (wall seconds, CPU seconds, exit code). The
    CPU time (user + system of the child) is what the tool itself spent; on
    a machine shared with other work it varies far less than the wall time."""
    start = time.perf_counter()
    proc = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - start
    return wall, usage.ru_utime + usage.ru_stime, os.waitstatus_to_exitcode(status)


def peak_rss_kb(argv):
    """Peak resident memory of argv in KB, measured by /usr/bin/time (a
    child forked from this Python process would count Python's pages)."""
    result = subprocess.run(["/usr/bin/time", "-f", "%M"] + argv, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, text=True)
    return int(result.stderr.strip().splitlines()[-1])


def tree_size(folder):
    total = files = 0
    for root, _, names in os.walk(folder):
        for name in names:
            total += os.path.getsize(os.path.join(root, name))
            files += 1
    return total, files


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--unzipper", required=True)
    parser.add_argument("--floor", required=True)
    parser.add_argument("--corpus", default="/dev/shm/dz-bench")
    parser.add_argument("--out", default="/dev/shm/dz-bench-out")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()

    if not os.path.exists(os.path.join(args.corpus, "C0.DLL")):
        here = os.path.dirname(os.path.abspath(__file__))
        subprocess.run([sys.executable, os.path.join(here, "make_bench_corpus.py"), args.corpus], check=True)
    archives = [os.path.join(args.corpus, a) for a in ARCHIVES]
    hex_password = PASSWORD.hex()

    def commands(tool, out):
        if tool == "unzipper":
            return [[args.unzipper, "extract", a, out, "--recreate-dirs", "--password-hex", hex_password]
                    for a in archives]
        if tool == "unzipper, 1 thread":
            return [[args.unzipper, "extract", a, out, "--recreate-dirs", "--password-hex", hex_password,
                     "--threads", "1"] for a in archives]
        if tool == "Info-ZIP unzip":
            return [[b"unzip", b"-q", b"-o", b"-P", PASSWORD, a.encode(), b"-d", out.encode()] for a in archives]
        if tool == "7-Zip":
            return [[b"7z", b"x", b"-y", b"-tzip", b"-mmt=1", b"-p" + PASSWORD, b"-o" + out.encode(), a.encode()]
                    for a in archives]
        if tool == "floor":
            return [[args.floor, hex_password, out] + archives]
        raise ValueError(tool)

    tools = ["unzipper", "unzipper, 1 thread", "Info-ZIP unzip", "7-Zip", "floor"]
    times = {t: [] for t in tools}
    cpu_times = {t: [] for t in tools}
    peak_rss = 0
    expected = None
    for round_number in range(args.runs):
        for tool in tools:
            shutil.rmtree(args.out, ignore_errors=True)
            os.makedirs(args.out)
            elapsed = cpu = 0.0
            for argv in commands(tool, args.out):
                seconds, cpu_seconds, code = run_timed(argv)
                if code != 0:
                    sys.exit(f"{tool} failed (exit {code}): {argv[:2]}")
                elapsed += seconds
                cpu += cpu_seconds
            size = tree_size(args.out)
            if expected is None:
                expected = size
            elif size != expected:
                sys.exit(f"{tool} wrote {size[0]} bytes in {size[1]} files, expected {expected}")
            times[tool].append(elapsed)
            cpu_times[tool].append(cpu)
    # Memory in a separate, untimed pass.
    shutil.rmtree(args.out, ignore_errors=True)
    os.makedirs(args.out)
    for argv in commands("unzipper", args.out):
        peak_rss = max(peak_rss, peak_rss_kb(argv))
    shutil.rmtree(args.out, ignore_errors=True)

    output_bytes, files = expected
    print(f"corpus: {len(archives)} archives, {files} files, {output_bytes / 1e6:.1f} MB output, "
          f"{sum(os.path.getsize(a) for a in archives) / 1e6:.1f} MB compressed; {args.runs} runs per tool")
    mb = output_bytes / 1e6
    for label, table in (("wall clock", times), ("CPU time (user + system)", cpu_times)):
        base = mb / statistics.median(table["unzipper"])
        print(f"by {label}:")
        print(f"  {'tool':<16} {'median MB/s':>12} {'unzipper / tool':>16}  runs (s)")
        for tool in tools:
            rate = mb / statistics.median(table[tool])
            runs = " ".join(f"{t:.2f}" for t in table[tool])
            print(f"  {tool:<16} {rate:>12.1f} {base / rate:>16.2f}  {runs}")
    print(f"unzipper peak resident memory: {peak_rss / 1024:.1f} MB (goal < 32 MB)")
    wall = {tool: statistics.median(times[tool]) for tool in tools}
    for peer, goal in (("Info-ZIP unzip", 2.2), ("7-Zip", 1.8)):
        ratio = wall[peer] / wall["unzipper"]
        print(f"goal: unzipper {ratio:.2f}x {peer} by wall clock (goal >= {goal}): {'met' if ratio >= goal else 'NOT met'}")
    print(f"goal: peak resident memory {peak_rss / 1024:.1f} MB (goal < 32): {'met' if peak_rss < 32 * 1024 else 'NOT met'}")


if __name__ == "__main__":
    main()
