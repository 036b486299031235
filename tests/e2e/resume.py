"""The download on a poor line, through the real exe (unattended, so no window timing is in
the way): a cut that outlasts the retries is resumed by the next run, and a stall half-way
is ridden out within the same run. The simulator counts the bytes it sent."""
import os
import subprocess
import time

from common import PACKAGE_NAME, ScenarioFailed, check
from screen import default_dir
from silent import INSTALLED, SHARED, command_args, outcome_logged, run_silent
from vendor import make_package

DOWNLOAD_FAILED = 7


def package_bytes_sent(sim):
    return sum(r.get("sent", 0) or 0 for r in sim.requests()
               if r.get("role") == "download" and "/files/" in r.get("target", ""))


def big(ctx, size):
    path = os.path.join(ctx.work, "big-" + PACKAGE_NAME)
    entries = make_package(path, ctx.tools["client"], big_bytes=size)
    return path, os.path.getsize(path), entries


def scenarios(check_installed, downloads):
    def cut_then_next_run(ctx, prefix, sim, _entries):
        path, size, entries = big(ctx, 4 * 1024 * 1024)
        cut = size * 60 // 100
        sim.mode({"package": {"name": PACKAGE_NAME, "file": path}})
        # Cut at 60 %, then only "503" for the rest of this run: its retries are spent.
        sim.mode({"roles": {"download": {"cut_at": [cut], "fail_first": {"skip": 1, "count": 10, "status": 503}}}})
        check(run_silent(ctx, prefix, "/S " + SHARED) == DOWNLOAD_FAILED, "the first run: the download failed")
        prefix.settle()
        log = prefix.log_text()
        check("保留未完成的下载：%d 字节" % cut in log, "the part is kept for the next run")
        first_sent = package_bytes_sent(sim)
        check(len(downloads(sim)) == 4, "one attempt and three retries")
        # A new mode; the requests recorded stay, so the bytes are counted over both runs.
        sim.mode({"roles": {"download": {}}})
        check(run_silent(ctx, prefix, "/S " + SHARED) == INSTALLED, "the second run installs")
        prefix.settle()
        sent = package_bytes_sent(sim)
        print("  package %d bytes, sent %d in all (%.2f x)" % (size, sent, sent / size))
        check(first_sent == cut, "the first run got 60 %")
        check(sent <= 1.45 * size, "the package host sent at most 1.45 x the package")
        last = downloads(sim)[-1]
        check(any(h.lower().startswith("range: bytes=%d-" % cut) for h in last.get("headers", [])),
              "the second run asked for the rest")
        check_installed(prefix, default_dir(), entries)
        outcome_logged(prefix, INSTALLED)

    def stall_half_way(ctx, prefix, sim, _entries):
        path, size, entries = big(ctx, 4 * 1024 * 1024)
        sim.mode({"package": {"name": PACKAGE_NAME, "file": path}})
        sim.mode({"roles": {"download": {"stall_at": [size // 2]}}})
        check(run_silent(ctx, prefix, "/S " + SHARED) == INSTALLED, "the same run installs")
        prefix.settle()
        check(len(downloads(sim)) == 2, "after one resume")
        check(package_bytes_sent(sim) == size, "no byte sent twice")
        check("五秒无数据" in prefix.log_text(), "the stall is logged as the attempt's cause")
        check_installed(prefix, default_dir(), entries)

    def killed_then_next_run(ctx, prefix, sim, _entries):
        path, size, entries = big(ctx, 12 * 1024 * 1024)
        silent_at = size * 3 // 4
        sim.mode({"package": {"name": PACKAGE_NAME, "file": path}})
        sim.mode({"roles": {"download": {"stall_from": silent_at}}})
        record = os.path.join(prefix.temp_dir(), "varloSetup", "cache", PACKAGE_NAME + ".resume")
        out = open(os.path.join(ctx.work, "wine-output.txt"), "ab")
        process = prefix.wine(ctx.tools["setup"], *command_args("/S " + SHARED), stdout=out, stderr=subprocess.STDOUT)
        held, end = 0, time.time() + 120
        # Killed, with no clean-up of its own, once the record kept during the transfer
        # names at least 8 MiB and the line has gone silent.
        while held < 8 * 1024 * 1024:
            if time.time() > end or process.poll() is not None:
                process.kill()
                raise ScenarioFailed("no record of the part while the transfer ran")
            try:
                with open(record) as f:
                    held = int(dict(line.split(" ", 1) for line in f.read().splitlines()[1:]).get("bytes", "0"))
            except (OSError, ValueError):
                held = 0
            time.sleep(0.1)
        prefix.kill()
        process.wait(30)
        prefix.settle()
        check(not os.path.exists(prefix.host(default_dir()) + "/vljiasu.exe"), "the killed run installed nothing")
        first_sent = package_bytes_sent(sim)
        sim.mode({"roles": {"download": {}}})
        check(run_silent(ctx, prefix, "/S " + SHARED) == INSTALLED, "the next run installs")
        prefix.settle()
        sent = package_bytes_sent(sim)
        print("  package %d bytes, %d held at the kill, sent %d in all (%.2f x)" % (size, held, sent, sent / size))
        check(first_sent <= silent_at, "the killed run got at most the bytes before the silence")
        check("发现未完成的下载：已有 %d 字节" % held in prefix.log_text(), "the next run found the part")
        last = downloads(sim)[-1]
        check(any(h.lower().startswith("range: bytes=%d-" % held) for h in last.get("headers", [])),
              "the next run asked for the rest")
        check(sent <= 1.45 * size, "the package host sent at most 1.45 x the package")
        check_installed(prefix, default_dir(), entries)
        outcome_logged(prefix, INSTALLED)

    return {
        "resume-next-run": cut_then_next_run,
        "resume-after-kill": killed_then_next_run,
        "resume-after-stall": stall_half_way,
    }
