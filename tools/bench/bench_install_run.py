#!/usr/bin/env python3
"""Installation-run benchmark: the installer's run (TfStep::ExtractPayloads,
program install_run) on the full-size demo product, with the archive
component's worker threads (--threads, the machine's processors by default)
and, in the same rounds, the same build with the calling thread alone
(goal: at least 1.8 times faster with the workers); and against its floor:
copying the six payload files to a scratch folder plus `unzipper extract`
of the archives the run extracts, with the same threads (goal: the run
within 1.15 times the floor).

The run installs the catering edition with all four systems: it writes all
six payloads to its scratch folder and extracts five of them (LumoPosSy is
the commercial edition's). The floor does the same work with the plain
tools; a second floor figure extracts all six archives, as a reference.
Rounds interleave run and floor so that load from other processes falls on
both alike; medians are reported, by wall clock and by CPU time (the run's
own, measured inside install_run; the floor's: its copying and the unzipper
processes), which varies far less on a machine shared with other work. The
run is timed up to its commit (install.dl written); each round also times a
re-installation over the run's own installation, whose files are moved
aside and deleted at the commit. Memory: install_run's peak resident set
less the payload bytes it holds as its resources (the installer's image
holds them the same way; on Windows the image maps them from the file).

Not a test: it checks its own runs (entries, no error box) and no more.

    bench_install_run.py --build build/native [--work /dev/shm/dz-run-bench] [--runs 5] [--threads N]

The build folder must hold bin/packer, bin/unzipper and bin/install_run
(cmake --build build/native --target packer unzipper install_run).
"""
import argparse
import os
import resource
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
PASSWORD_HEX = "青松白云".encode("gbk").hex()
TAKEN = ["C0", "C1", "C2", "C3", "C5"]  # catering edition, all four systems
ALL = ["C0", "C1", "C2", "C3", "C4", "C5"]


def timed(argv):
    start = time.perf_counter()
    proc = subprocess.run(argv, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    wall = time.perf_counter() - start
    if proc.returncode != 0:
        sys.exit("%s failed: %s" % (argv[0], proc.stderr.decode(errors="replace")))
    return wall, proc.stdout.decode()


def clear(path):
    if os.path.exists(path):
        for folder, _, files in os.walk(path):
            for name in files:
                os.chmod(os.path.join(folder, name), 0o600)
        shutil.rmtree(path)


def floor(build, payloads, work, archives, threads):
    scratch, dest = os.path.join(work, "floor-scratch"), os.path.join(work, "floor-dest")
    clear(scratch)
    clear(dest)
    os.makedirs(scratch)
    start, cpu = time.perf_counter(), 0.0
    copy_start = resource.getrusage(resource.RUSAGE_SELF)
    for name in ALL:
        shutil.copyfile(os.path.join(payloads, name), os.path.join(scratch, name + ".DLL"))
    copy_end = resource.getrusage(resource.RUSAGE_SELF)
    cpu += copy_end.ru_utime - copy_start.ru_utime + copy_end.ru_stime - copy_start.ru_stime
    for name in archives:
        proc = subprocess.Popen([os.path.join(build, "bin", "unzipper"), "extract",
                                 os.path.join(scratch, name + ".DLL"), os.path.join(dest, name),
                                 "--password-hex", PASSWORD_HEX, "--overwrite", "always",
                                 "--threads", str(threads)],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(proc.pid, 0)
        if os.waitstatus_to_exitcode(status) != 0:
            sys.exit("unzipper extract %s failed" % name)
        cpu += usage.ru_utime + usage.ru_stime
    return time.perf_counter() - start, cpu


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", required=True)
    parser.add_argument("--work", default="/dev/shm/dz-run-bench")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--threads", type=int, default=os.cpu_count() or 1)
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    os.makedirs(args.work, exist_ok=True)

    product, payloads = os.path.join(args.work, "product"), os.path.join(args.work, "payloads")
    if not os.path.exists(os.path.join(payloads, "CEND")):
        subprocess.run([sys.executable, os.path.join(SOURCE, "tools/make-product/make_product.py"), product, "--full"],
                       check=True)
        source = os.path.join(args.work, "manifest-source.ini")
        subprocess.run(["bash", os.path.join(SOURCE, "resources/gbk-crlf.sh"),
                        os.path.join(SOURCE, "resources/manifest.ini"), source], check=True)
        os.makedirs(payloads, exist_ok=True)
        subprocess.run([os.path.join(build, "bin", "packer"), product, source, payloads], check=True)
    payload_bytes = sum(os.path.getsize(os.path.join(payloads, n)) for n in ALL)
    product_bytes = sum(os.path.getsize(os.path.join(f, n)) for f, _, ns in os.walk(product) for n in ns)

    runs, singles, floors, floors_all, overheads, reinstalls = [], [], [], [], [], []
    run_cpu, floor_cpu = [], []

    def install_run(threads, reinstall=False):
        sandbox = os.path.join(args.work, "sandbox")
        clear(sandbox)
        _, out = timed([os.path.join(build, "bin", "install_run"), sandbox, payloads, str(threads)] +
                       (["reinstall"] if reinstall else []))
        values = dict(line.split() for line in out.splitlines())
        if values["entries"] != "416" or values["boxes"] != "0" or values["threads"] != str(threads):
            sys.exit("install_run: unexpected result %s" % values)
        return values

    for i in range(args.runs):
        values = install_run(args.threads)
        runs.append(float(values["run_seconds"]))
        run_cpu.append(float(values["cpu_seconds"]))
        overheads.append(int(values["peak_rss_bytes"]) - int(values["payload_bytes"]))
        single = install_run(1)
        singles.append(float(single["run_seconds"]))
        overheads.append(int(single["peak_rss_bytes"]) - int(single["payload_bytes"]))
        reinstalls.append(float(install_run(args.threads, reinstall=True)["run_seconds"]))
        wall, cpu = floor(build, payloads, args.work, TAKEN, args.threads)
        floors.append(wall)
        floor_cpu.append(cpu)
        floors_all.append(floor(build, payloads, args.work, ALL, args.threads)[0])
        print("round %d: run %.3f s (CPU %.3f s), one thread %.3f s, re-installation %.3f s, floor %.3f s "
              "(CPU %.3f s; six archives %.3f s)" %
              (i + 1, runs[-1], run_cpu[-1], singles[-1], reinstalls[-1], floors[-1], floor_cpu[-1], floors_all[-1]))

    med = statistics.median
    run, one, fl, fl_all = med(runs), med(singles), med(floors), med(floors_all)
    print("product %.1f MB in %s, payloads %.1f MB" % (product_bytes / 1e6, product, payload_bytes / 1e6))
    print("run with %d threads (median of %d): %.3f s wall, %.3f s CPU" % (args.threads, args.runs, run, med(run_cpu)))
    print("run with one thread:                 %.3f s wall -> %.2fx faster with %d threads (goal >= 1.8)" %
          (one, one / run, args.threads))
    print("floor, copy six + extract the five taken: %.3f s wall -> run/floor %.3f (goal <= 1.15)" % (fl, run / fl))
    print("                                          %.3f s CPU  -> run/floor %.3f" %
          (med(floor_cpu), med(run_cpu) / med(floor_cpu)))
    print("floor, copy six + extract all six:        %.3f s wall -> run/floor %.3f" % (fl_all, run / fl_all))
    print("re-installation over the same installation (every file moved aside, then deleted): %.3f s wall -> "
          "%.2fx the run into a new folder" % (med(reinstalls), med(reinstalls) / run))
    print("peak resident memory beyond the payload bytes: %.1f MB (max of rounds; goal < 24 MB)" %
          (max(overheads) / 2**20))


if __name__ == "__main__":
    main()
