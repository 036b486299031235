"""The unattended install (setup.exe /S ...) as a deployment tool runs it: no window at all,
the outcome in the exit code and the log, and the same files, values, links and logon task
as the window leaves with the same options.

Wine reports every existing folder as replaceable by other users (see e2e_privilege.py), so
an unattended install below one, such as the default folder below "Program Files (x86)",
meets the case it refuses by default (exit code 4); those runs first show that refusal,
then give /ALLOWSHAREDPARENT, the deployment's answer to the question the window asks."""
import os
import shutil
import subprocess
import time

from common import PACKAGE_NAME, UNINSTALL_KEY, ScenarioFailed, check
from screen import default_dir, main_window, visible_windows, wait_for
from taskstore import seed_stale_task, stored_task
from vendor import make_package

INSTALLED, BAD_ARGUMENTS, ALREADY_RUNNING, UNSAFE_FOLDER, API_FAILURE = 0, 1, 2, 4, 6
SHARED = "/ALLOWSHAREDPARENT"


def command_args(line):
    """The words of a command line as Wine is handed them: it joins them with one blank
    each, so a folder with blanks arrives unquoted, as deployment tools pass it."""
    return line.split(" ")


def run_silent(ctx, prefix, line, timeout=180):
    """Runs setup with `line`; returns its exit code. No window may show meanwhile."""
    out = open(os.path.join(ctx.work, "wine-output.txt"), "ab")
    process = prefix.wine(ctx.tools["setup"], *command_args(line), stdout=out, stderr=subprocess.STDOUT)
    end = time.time() + timeout
    while process.poll() is None:
        check_no_window(process)
        if time.time() > end:
            process.kill()
            raise ScenarioFailed("setup %s did not end" % line)
        time.sleep(0.3)
    print("  setup %s -> %d" % (line, process.returncode))
    return process.returncode


def check_no_window(process=None):
    if visible_windows():
        if process is not None:
            process.kill()
        check(False, "no window shows")


def nothing_changed(prefix, sim, target):
    prefix.settle()
    check(not os.path.exists(prefix.host(target)), "the folder %s was not made" % target)
    check(prefix.registry().values(UNINSTALL_KEY) is None, "no uninstall entry")
    check(not sim.requests(), "no request reached the vendor")


def outcome_logged(prefix, code):
    check(("静默安装结束：退出码 %d（" % code) in prefix.log_text(), "the log names exit code %d" % code)


def scenarios(check_installed, downloads):
    def custom_folder(ctx, prefix, sim, entries):
        target = "C:\\Deploy Apps\\Varlo Client"
        seed_stale_task(prefix)
        # Below a folder the install makes itself: no existing folder above it to distrust.
        line = "/S /LANG=zh-tw /nodesktop /NoPin /NOAUTOSTART /D=" + target
        check(run_silent(ctx, prefix, line) == INSTALLED, "installed: exit 0")
        prefix.settle()
        check_installed(prefix, target, entries, desktop=False, autostart=False, lang="zh-tw")
        check(stored_task(prefix) is None, "the stale logon task is gone from the scheduler's store")
        check(len(downloads(sim)) == 1, "one download")
        outcome_logged(prefix, INSTALLED)

    def defaults(ctx, prefix, sim, entries):
        check(run_silent(ctx, prefix, "/S") == UNSAFE_FOLDER, "refused by default under Wine")
        nothing_changed(prefix, sim, default_dir())
        check(run_silent(ctx, prefix, "/s " + SHARED.lower()) == INSTALLED, "installed: exit 0")
        prefix.settle()
        check_installed(prefix, default_dir(), entries)
        outcome_logged(prefix, INSTALLED)

    def api_failure(ctx, prefix, sim, entries):
        refused = {"envelope": {"code": 100500, "message": "版本信息不存在"}}
        sim.mode({"roles": {role: refused for role in ("primary", "secondary", "fallback_a", "fallback_b")}})
        check(run_silent(ctx, prefix, "/S " + SHARED) == API_FAILURE, "the API failure's code")
        prefix.settle()
        check(not os.path.exists(prefix.host(default_dir())), "nothing extracted")
        check(prefix.registry().values(UNINSTALL_KEY) is None, "no uninstall entry")
        check(stored_task(prefix) is None, "no logon task")
        check(not os.path.exists(os.path.join(prefix.user_dir, "Desktop", "Varlo加速器.lnk")), "no desktop link")
        check("安装错误：请求安装配置失败" in prefix.log_text(), "the log names the reason")
        outcome_logged(prefix, API_FAILURE)

    def bad_arguments(ctx, prefix, sim, entries):
        # A client running from the default folder: the start-up would end it.
        client_dir = prefix.host(default_dir())
        os.makedirs(client_dir, exist_ok=True)
        shutil.copy(ctx.tools["holder"], os.path.join(client_dir, "vljiasu.exe"))
        open(os.path.join(client_dir, "held.txt"), "wb").close()
        client = prefix.wine(default_dir() + "\\vljiasu.exe", default_dir() + "\\held.txt")
        wait_for(lambda: os.path.exists(prefix.host("C:\\e2e-held")), 60, "the client to run")
        work = os.path.join(prefix.temp_dir(), "varloSetup")
        had_work = os.path.exists(work)
        try:
            for line in ("/S /BOGUS", "/NOPIN", "/S /LANG=en", "/S /D=", "/S /S"):
                check(run_silent(ctx, prefix, line) == BAD_ARGUMENTS, "%s: the bad-arguments code" % line)
            check(client.poll() is None, "the running client was not ended")
            check(os.path.exists(work) == had_work and not os.path.exists(os.path.join(work, "VarloSetup.log")),
                  "no log written, no work folder made")
            check(not sim.requests(), "no request reached the vendor")
            check(prefix.registry().values(UNINSTALL_KEY) is None, "no uninstall entry")
            # The control: a command line that is understood runs the start-up, which ends
            # the client, even though its folder is then refused.
            check(run_silent(ctx, prefix, "/S /D=varlo") == 3, "a relative folder: the refused-folder code")
            wait_for(lambda: client.poll() is not None, 30, "the start-up to end the client")
            check(True, "a valid command line ends the running client")
        finally:
            open(prefix.host("C:\\e2e-release"), "wb").close()
            client.wait(timeout=60)

    def second_instance(ctx, prefix, sim, entries):
        big = os.path.join(ctx.work, "big-" + PACKAGE_NAME)
        make_package(big, ctx.tools["client"], big_bytes=8 * 1024 * 1024)
        sim.mode({"package": {"name": PACKAGE_NAME, "file": big}})
        sim.mode({"roles": {"download": {"rate": 1024 * 1024}}})
        out = open(os.path.join(ctx.work, "wine-output.txt"), "ab")
        # The first installs elsewhere, so that a client running from the default folder
        # (which every start-up ends) is the first one's to keep, not the second one's to end.
        target = "C:\\Deploy Here\\varlo"
        first = prefix.wine(ctx.tools["setup"], "/S", SHARED, "/D=" + target, stdout=out, stderr=subprocess.STDOUT)
        wait_for(lambda: downloads(sim), 90, "the first install's download")
        client_dir = prefix.host(default_dir())
        os.makedirs(client_dir, exist_ok=True)
        shutil.copy(ctx.tools["holder"], os.path.join(client_dir, "vljiasu.exe"))
        open(os.path.join(client_dir, "held.txt"), "wb").close()
        client = prefix.wine(default_dir() + "\\vljiasu.exe", default_dir() + "\\held.txt")
        try:
            wait_for(lambda: os.path.exists(prefix.host("C:\\e2e-held")), 60, "the client to run")
            check(run_silent(ctx, prefix, "/S " + SHARED, timeout=60) == ALREADY_RUNNING,
                  "the second: another installer runs")
            # A window started meanwhile finds no window to bring forward: it ends without one.
            windowed = prefix.wine(ctx.tools["setup"], stdout=out, stderr=subprocess.STDOUT)
            check(windowed.wait(timeout=60) == 0, "a window started meanwhile ends with 0")
            check(main_window() is None, "and shows no window beside the unattended install")
            time.sleep(2)
            check(client.poll() is None, "the second installers ended no client: the guard comes first")
            check(first.poll() is None, "the first install is still running")
            check(first.wait(timeout=180) == INSTALLED, "the first install completes: exit 0")
        finally:
            open(prefix.host("C:\\e2e-release"), "wb").close()
            client.wait(timeout=60)
        prefix.settle()
        check(len(downloads(sim)) == 1, "one download: the second did not install")
        outcome_logged(prefix, ALREADY_RUNNING)
        outcome_logged(prefix, INSTALLED)
        check(os.path.isfile(os.path.join(prefix.host(target), "vljiasu.exe")), "the client is installed")

    return {
        "silent-custom-folder": custom_folder,
        "silent-defaults": defaults,
        "silent-api-failure": api_failure,
        "silent-bad-arguments": bad_arguments,
        "silent-second-instance": second_instance,
    }
