#!/usr/bin/env python3
"""Install benchmark against NSIS: one silent installation of the full-size
demo product by DIzavozi.exe, and of the same files by two NSIS installers
(SetCompressor zlib, SetCompressor /SOLID lzma), under Wine, alternating the
three. Started by bench_nsis.sh, which builds the installer and the launcher
and starts Wine; see there for the command.

  bench_nsis.py --tree BUILD_TREE [--runs N] [--work FOLDER] [--only-dizavozi]

--only-dizavozi times DIzavozi alone (no NSIS installer is built or run):
what bench_nsis.sh does on a machine that cannot run 32-bit programs, with
the x86-64 build.

Each run installs into an empty folder of C:\\bench and is timed by
bench_launch.exe from CreateProcess to the end of the process; the launcher
also reads the installer's memory counters every 10 ms. After each run the
installed files are counted and summed, then removed. DIzavozi's log gives
its time split; its pump timer (DZ_TIME_PUMPS) the longest interval between
two message pumps.

DIzavozi installs the catering edition with all four systems: the payloads
LumoSc, LumoPos, WmSvr and SaasKds each into the sub-folder of its name, and
UnInstall into the installation folder itself. The NSIS scripts take the same
folders of the product with plain File /r sections. Debian's makensis takes
the product's Chinese file names as they are (Unicode true, UTF-8 script), so
nothing is renamed. Besides the product's files DIzavozi writes Install.in
and install.dl into the installation folder; the byte comparison leaves those
two out and names them.
"""
import argparse
import hashlib
import os
import shutil
import statistics
import subprocess
import sys
import time

# The payload folders the catering edition with every system installs, and
# where each goes under the installation folder ("" = the folder itself).
INSTALLED = [("LumoSc", "LumoSc"), ("LumoPos", "LumoPos"), ("WmSvr", "WmSvr"), ("SaasKds", "SaasKds"),
             ("UnInstall", "")]
# What DIzavozi writes beside the product's files (its manifest copy and its
# uninstall list); compared separately.
DIZAVOZI_OWN = {"Install.in", "install.dl"}

PHASES = [("payloads to scratch", "正在抽取安装文件..."), ("extraction", "正在复制安装文件..."),
          ("registration", "正在注册系统信息..."), ("shortcuts", "正在建立程序快捷方式..."),
          ("finishing", "正在完成系统安装."), ("exit", "退出代码 ")]


def nsis_script(product, out_file, compressor):
    lines = ["Unicode true", f"SetCompressor {compressor}", 'Name "DIzavozi benchmark"', f'OutFile "{out_file}"',
             "RequestExecutionLevel user", "SilentInstall silent", 'InstallDir "$PROGRAMFILES\\NsisBench"',
             "Section"]
    for folder, dest in INSTALLED:
        lines.append('SetOutPath "$INSTDIR' + ("\\" + dest if dest else "") + '"')
        lines.append(f'File /r "{os.path.join(product, folder)}/*"')
    lines.append("SectionEnd")
    return "\ufeff" + "\n".join(lines) + "\n"


def tree_files(folder):
    """{relative path: size} of every file under folder."""
    files = {}
    for base, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(base, name)
            files[os.path.relpath(path, folder)] = os.path.getsize(path)
    return files


def parse_pairs(text):
    values = {}
    for line in text.splitlines():
        parts = line.split()
        if len(parts) == 2:
            try:
                values[parts[0]] = float(parts[1])
            except ValueError:
                pass
    return values


def parse_log(path):
    """Seconds since the log started of each phase's first line."""
    times = {}
    with open(path, "rb") as f:
        for raw in f.read().decode("gbk", errors="replace").splitlines():
            if not raw.startswith("[") or "]" not in raw:
                continue
            stamp, text = raw[1:].split("]", 1)
            text = text.strip()
            for name, marker in PHASES:
                if text.startswith(marker) and name not in times:
                    times[name] = float(stamp)
                    if name == "exit":
                        times["exit code"] = text[len(marker):].strip()
    return times


def parse_pumps(path):
    pumps = {"longest_ms": None, "slow": []}
    if not os.path.exists(path):
        return pumps
    for line in open(path):
        parts = line.split()
        if parts[:1] == ["longest_ms"]:
            pumps["longest_ms"] = float(parts[1])
        elif parts[:1] == ["pumps"]:
            pumps["count"] = int(parts[1])
        elif parts[:1] == ["slow_ms"]:
            pumps["slow"].append((float(parts[1]), float(parts[3])))
    return pumps


def run_wine(args, env=None):
    result = subprocess.run(["wine"] + args, capture_output=True, env=env)
    return result.returncode, result.stdout.decode("utf-8", "replace"), result.stderr.decode("utf-8", "replace")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tree", required=True, help="the benchmark's win32 build tree")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--work", help="folder for the NSIS scripts and installers (default TREE/nsis-bench)")
    parser.add_argument("--only-dizavozi", action="store_true", help="run DIzavozi alone: nothing is compared")
    args = parser.parse_args()
    if args.runs < 1:
        sys.exit("--runs must be at least 1")

    tree = os.path.abspath(args.tree)
    product = os.path.join(tree, "demo-product")
    dizavozi = os.path.join(tree, "DIzavozi.exe")
    launcher = os.path.join(tree, "bin", "bench_launch.exe")
    for path in (product, dizavozi, launcher):
        if not os.path.exists(path):
            sys.exit(f"missing: {path} (build the tree with bench_nsis.sh)")
    prefix = os.environ.get("WINEPREFIX")
    if not prefix:
        sys.exit("WINEPREFIX is not set: run through bench_nsis.sh")
    work = os.path.abspath(args.work or os.path.join(tree, "nsis-bench"))
    os.makedirs(work, exist_ok=True)

    # The product as installed: every file of the chosen payloads.
    expected, sources = {}, {}
    for folder, dest in INSTALLED:
        for rel, size in tree_files(os.path.join(product, folder)).items():
            installed_as = os.path.join(dest, rel) if dest else rel
            expected[installed_as] = size
            sources[installed_as] = os.path.join(product, folder, rel)
    print(f"product: {len(expected)} files, {sum(expected.values())} bytes installed by each installer", flush=True)

    # The NSIS installers.
    contents = hashlib.sha1()
    for rel in sorted(expected):
        contents.update(rel.encode("utf-8") + b"\0")
        with open(sources[rel], "rb") as f:
            contents.update(f.read())
    product_digest = contents.hexdigest()
    installers = {"DIzavozi": dizavozi}
    peers = [] if args.only_dizavozi else [("NSIS-zlib", "zlib"), ("NSIS-lzma", "/SOLID lzma")]
    for name, compressor in peers:
        script = os.path.join(work, name + ".nsi")
        out = os.path.join(work, name + ".exe")
        text = nsis_script(product, out, compressor)
        # makensis takes minutes for /SOLID lzma: an installer built from the
        # same script and the same product files is used again.
        digest_file = out + ".digest"
        digest = hashlib.sha1((text + product_digest).encode("utf-8")).hexdigest()
        if os.path.exists(out) and os.path.exists(digest_file) and open(digest_file).read() == digest:
            print(f"{name}: built before, from the same script and product files", flush=True)
        else:
            with open(script, "w", encoding="utf-8") as f:
                f.write(text)
            started = time.monotonic()
            subprocess.run(["makensis", "-V1", script], check=True)
            print(f"{name}: built by makensis in {time.monotonic() - started:.1f} s", flush=True)
            with open(digest_file, "w") as f:
                f.write(digest)
        installers[name] = out

    # Everything the runs use sits on drive C: of the prefix.
    drive_c = os.path.join(prefix, "drive_c")
    bench = os.path.join(drive_c, "bench")
    shutil.rmtree(bench, ignore_errors=True)
    os.makedirs(os.path.join(bench, "bin"))
    for name, path in list(installers.items()) + [("bench_launch", launcher)]:
        shutil.copyfile(path, os.path.join(bench, "bin", name + ".exe"))

    names = list(installers)
    results = {name: [] for name in names}
    failures = []
    for round_number in range(args.runs):
        # Alternating: each round starts with the next installer.
        turn = round_number % len(names)
        order = names[turn:] + names[:turn]
        for name in order:
            target = os.path.join(bench, name)
            shutil.rmtree(target, ignore_errors=True)
            exe = f"C:\\bench\\bin\\{name}.exe"
            env = dict(os.environ)
            log = os.path.join(bench, "dizavozi.log")
            pumps_file = os.path.join(bench, "pumps.txt")
            if name == "DIzavozi":
                for stale in (log, pumps_file):
                    if os.path.exists(stale):
                        os.remove(stale)
                command = [exe, "/S", "/EDITION=CySaaS", f"/DIR=C:\\bench\\{name}", "/SYSTEMS=Sc,Pos,WmSvr,Kds",
                           "/LOG=C:\\bench\\dizavozi.log"]
                env["DZ_PUMP_TIMES"] = "C:\\bench\\pumps.txt"
            else:
                command = [exe, "/S", f"/D=C:\\bench\\{name}"]
            code, out, err = run_wine(["C:\\bench\\bin\\bench_launch.exe"] + command, env)
            values = parse_pairs(out)
            if code != 0 or "seconds" not in values:
                failures.append(f"{name} round {round_number + 1}: launcher ended {code}: {err.strip()[-300:]}")
                continue
            installed = tree_files(target)
            result = {"seconds": values["seconds"], "exit": int(values["exit"]), "memory": values,
                      "files": len(installed), "bytes": sum(installed.values())}
            product_files = {k: v for k, v in installed.items() if not (name == "DIzavozi" and k in DIZAVOZI_OWN)}
            result["product_bytes"] = sum(product_files.values())
            if product_files != expected:
                missing = sorted(set(expected) - set(product_files))
                extra = sorted(set(product_files) - set(expected))
                wrong = sorted(k for k in expected if k in product_files and product_files[k] != expected[k])
                failures.append(f"{name} round {round_number + 1}: installed files differ from the product: "
                                f"{len(missing)} missing {missing[:3]}, {len(extra)} extra {extra[:3]}, "
                                f"{len(wrong)} of another size {wrong[:3]}")
            if name == "DIzavozi":
                result["own"] = {k: v for k, v in installed.items() if k in DIZAVOZI_OWN}
                result["log"] = parse_log(log) if os.path.exists(log) else {}
                result["pumps"] = parse_pumps(pumps_file)
                if os.path.exists(log):
                    shutil.copyfile(log, os.path.join(work, f"dizavozi-{round_number + 1}.log"))
            if result["exit"] != 0:
                failures.append(f"{name} round {round_number + 1}: exit code {result['exit']}")
            results[name].append(result)
            print(f"round {round_number + 1} {name:10s} {values['seconds']:7.2f} s  exit {result['exit']}  "
                  f"{result['files']} files {result['bytes']} bytes", flush=True)
            shutil.rmtree(target, ignore_errors=True)

    # Memory by kind of region: one more, untimed installation by each.
    regions = {}
    for name in names:
        target = os.path.join(bench, name)
        shutil.rmtree(target, ignore_errors=True)
        exe = f"C:\\bench\\bin\\{name}.exe"
        if name == "DIzavozi":
            command = [exe, "/S", "/EDITION=CySaaS", f"/DIR=C:\\bench\\{name}", "/SYSTEMS=Sc,Pos,WmSvr,Kds"]
        else:
            command = [exe, "/S", f"/D=C:\\bench\\{name}"]
        code, out, err = run_wine(["C:\\bench\\bin\\bench_launch.exe", "--regions"] + command)
        values = parse_pairs(out)
        if code != 0 or values.get("exit") != 0:
            failures.append(f"{name}: the memory run ended {code}/{values.get('exit')}: {err.strip()[-300:]}")
        regions[name] = values
        shutil.rmtree(target, ignore_errors=True)

    report(installers, results, expected, regions)
    if failures:
        print("\nProblems:")
        for failure in failures:
            print("  " + failure)
        return 1
    return 0


def median(values):
    return statistics.median(values) if values else float("nan")


def report(installers, results, expected, regions):
    mib = 1024 * 1024
    print("\nMedians (time from process start to exit of a silent installation into an empty folder):")
    print(f"{'installer':10s} {'size MiB':>9s} {'runs':>4s} {'median s':>9s} {'min s':>7s} {'max s':>7s} "
          f"{'files':>6s} {'bytes installed':>16s} {'product bytes':>14s}")
    medians = {}
    for name, path in installers.items():
        runs = results[name]
        times = [r["seconds"] for r in runs]
        medians[name] = median(times)
        size = os.path.getsize(path) / mib
        if not runs:
            print(f"{name:10s} {size:9.1f} {0:4d}  (no run succeeded)")
            continue
        print(f"{name:10s} {size:9.1f} {len(runs):4d} {medians[name]:9.2f} {min(times):7.2f} {max(times):7.2f} "
              f"{median([r['files'] for r in runs]):6.0f} {median([r['bytes'] for r in runs]):16.0f} "
              f"{median([r['product_bytes'] for r in runs]):14.0f}")
    print(f"expected product bytes: {sum(expected.values())} in {len(expected)} files"
          " (DIzavozi's own Install.in and install.dl are counted in its 'bytes installed' only)")
    dz = medians.get("DIzavozi")
    if "NSIS-zlib" in medians:
        print("\nRatios (NSIS median / DIzavozi median; goals: zlib >= 1.8, lzma >= 4):")
        for name, goal in (("NSIS-zlib", 1.8), ("NSIS-lzma", 4.0)):
            ratio = medians[name] / dz if dz else float("nan")
            print(f"  {name}: {ratio:.2f}x  {'met' if ratio >= goal else 'MISSED'}")
    else:
        print("\nRatios: none (DIzavozi ran alone; no NSIS installer was run)")

    runs = results.get("DIzavozi", [])
    if not runs:
        return
    print("\nDIzavozi's time split (medians, seconds; from its log, whose clock starts as the program starts):")
    splits = {"payloads to scratch": [], "extraction": [], "registration (registry, install.dl)": [],
              "shortcuts": [], "finishing": [], "outside the log (process start, log open, exit)": []}
    for r in runs:
        t = r["log"]
        if not all(k in t for k, _ in PHASES):
            continue
        splits["payloads to scratch"].append(t["extraction"] - t["payloads to scratch"])
        splits["extraction"].append(t["registration"] - t["extraction"])
        splits["registration (registry, install.dl)"].append(t["shortcuts"] - t["registration"])
        splits["shortcuts"].append(t["finishing"] - t["shortcuts"])
        splits["finishing"].append(t["exit"] - t["finishing"])
        splits["outside the log (process start, log open, exit)"].append(
            r["seconds"] - t["exit"] + t["payloads to scratch"])
    for name, values in splits.items():
        print(f"  {name:50s} {median(values):7.3f}")

    print("\nMessage pumps (DZ_TIME_PUMPS: the 32 longest intervals between the starts of two pumps, per run):")
    longest, longest_extraction, counts = [], [], []
    for r in runs:
        p = r["pumps"]
        if p["longest_ms"] is None:
            continue
        longest.append(p["longest_ms"])
        counts.append(p.get("count", 0))
        t = r["log"]
        if "extraction" in t and "registration" in t:
            inside = [ms for ms, at in p["slow"] if at + ms / 1000 >= t["extraction"] and at <= t["registration"]]
            # None of the longest inside: every interval there is at most the shortest kept.
            longest_extraction.append(max(inside) if inside else min(ms for ms, _ in p["slow"]))
    if longest:
        print(f"  pumps per run: median {median(counts):.0f}")
        print(f"  longest of the whole run: median {median(longest):.1f} ms, max {max(longest):.1f} ms "
              f"(goal < 50 ms: {'met' if max(longest) < 50 else 'MISSED'})")
        print(f"  longest during extraction: median {median(longest_extraction):.1f} ms, "
              f"max {max(longest_extraction):.1f} ms")
        slow = sorted(((ms, at) for r in runs for ms, at in r["pumps"]["slow"]), reverse=True)
        print("  slowest intervals of all runs (ms, starting at s):",
              ", ".join(f"{ms:.0f}@{at:.2f}" for ms, at in slow[:8]))
    else:
        print("  no pump times written (is the tree built with -DDZ_TIME_PUMPS=ON?)")

    print("\nMemory counters of the timed runs (GetProcessMemoryInfo every 10 ms, largest seen, medians, MiB;"
          " PrivateUsage, PagefileUsage, WorkingSetSize, then the process's own PeakPagefileUsage and"
          " PeakWorkingSetSize):")
    for name in installers:
        if not results[name]:
            continue
        cells = [median([r["memory"].get(key, 0) for r in results[name]]) / mib
                 for key in ("peak_private", "peak_pagefile", "peak_working_set", "wine_peak_pagefile",
                             "wine_peak_working_set")]
        print(f"  {name:10s} " + "  ".join(f"{c:7.1f}" for c in cells))
    print("\nCommitted memory by kind of region, largest seen (one untimed run each, VirtualQueryEx every 20 ms;"
          " goal for DIzavozi: private < 32 MiB):")
    for name, values in regions.items():
        print(f"  {name:10s} private {values.get('region_private', 0) / mib:7.1f} MiB   "
              f"image {values.get('region_image', 0) / mib:7.1f} MiB   mapped {values.get('region_mapped', 0) / mib:7.1f} MiB")


if __name__ == "__main__":
    sys.exit(main())
