#!/usr/bin/python3
"""End-to-end scenarios: the real setup exe under Wine + Xvfb, driven with real input
(xdotool) against the vendor simulator, in a fresh copy of the test prefix per scenario,
with every side effect read back from the prefix itself (registry files, links, INI
files, the extracted tree) and from the simulator's record of requests.

  e2e.py --build BUILD_DIR --scenario NAME     one scenario (the CTest entries)
  e2e.py --build BUILD_DIR --list              the scenario names
  e2e.py --build BUILD_DIR --demo OUT_DIR      the default install for scripts/run.sh:
                                               keeps the prefix, prints what it left

Needs DISPLAY (an X server), xdotool, ImageMagick's import and Debian's python3-pil.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import time
from xml.etree import ElementTree

from common import (BOX_CANCEL_TWO, BOX_OK_ONE, BOX_OK_TWO, BOX_SIZE, PACKAGE_NAME, PRODUCT, UNINSTALL_KEY,
                    ScenarioFailed, check, port_base)
from screen import (Context, Run, answer_box, click, default_dir, expanded_window, main_window, message_box,
                    own_display, screenshot, type_text, visible_windows, wait_for, xdotool)
from keyboard import scenario_keyboard
from taskstore import TASK_NAME, TASK_SETTINGS, seed_stale_task, stored_task, task_table
from vendor import Simulator, corrupt_copy, make_package
import pushback
import silent
from wineprefix import drop_prefix, fresh_prefix, make_base_prefix, write_reg
import e2e_privilege


# ---------------------------------------------------------------------------------------
# What an install leaves, read back

def check_client_tree(prefix, target, entries):
    root = prefix.host(target)
    for name, data in entries.items():
        path = os.path.join(root, *name.split("/"))
        check(os.path.isfile(path) and open(path, "rb").read() == data, "extracted %s matches the package" % name)


def read_ini(path):
    raw = open(path, "rb").read()
    text = raw.decode("utf-16") if raw[:2] in (b"\xff\xfe", b"\xfe\xff") else raw.decode("mbcs" if os.name == "nt"
                                                                                           else "gbk", "replace")
    values, section = {}, None
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            section = line[1:-1].lower()
        elif "=" in line and section:
            k, v = line.split("=", 1)
            values[(section, k.strip().lower())] = v.strip()
    return values


def link_points_to(link_path, target_name):
    data = open(link_path, "rb").read()
    return target_name.encode("utf-16-le") in data or target_name.encode("gbk") in data


def check_installed(prefix, target, entries, desktop=True, autostart=True, lang="zh-cn"):
    check_client_tree(prefix, target, entries)
    setup_ini = read_ini(os.path.join(prefix.host(target), "setup.ini"))
    check(setup_ini.get(("varlo", "packpath"), "").lower().endswith(".exe"), "setup.ini packpath names the installer")
    local = read_ini(os.path.join(prefix.host(target), "local.cfg"))
    check(local.get(("config", "lang")) == lang, "local.cfg lang is %s" % lang)
    check(local.get(("config", "powerup")) == ("1" if autostart else "0"),
          "local.cfg powerup is %s" % ("1" if autostart else "0"))

    reg = prefix.registry().values(UNINSTALL_KEY)
    check(reg is not None, "the uninstall key is in the 32-bit view")
    check(reg.get("DisplayName") == PRODUCT, "DisplayName")
    check(reg.get("UninstallString", "").lower() == e2e_privilege.command_path(target + "\\unins000.exe").lower(),
          "UninstallString")
    check(reg.get("DisplayIcon", "").lower().startswith((target + "\\vljiasu.exe").lower()), "DisplayIcon")
    desktop_link = os.path.join(prefix.user_dir, "Desktop", PRODUCT + ".lnk")
    if desktop:
        check(os.path.isfile(desktop_link) and link_points_to(desktop_link, "vljiasu.exe"),
              "the desktop link resolves to the client")
        check(reg.get("DisplayShortcut", "").endswith(PRODUCT + ".lnk"), "DisplayShortcut names the desktop link")
    else:
        check(not os.path.exists(desktop_link), "no desktop link")
        check(reg.get("DisplayShortcut") == "", "DisplayShortcut is empty")
    menu = os.path.join(prefix.user_dir, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu", PRODUCT)
    links = [f for f in os.listdir(menu)] if os.path.isdir(menu) else []
    check(len([f for f in links if f.endswith(".lnk")]) == 2, "two start-menu links")
    check(any(link_points_to(os.path.join(menu, f), "vljiasu.exe") for f in links), "a start-menu link to the client")
    check(any(link_points_to(os.path.join(menu, f), "unins000.exe") for f in links),
          "a start-menu link to the uninstaller")
    task = stored_task(prefix)
    if autostart:
        check(task is not None, "the logon task is in the scheduler's store")
        table = task_table(task)
        print("  logon task as stored: %s" % ", ".join("%s=%s" % kv for kv in table.items()))
        check(table == TASK_SETTINGS, "the logon task starts and runs on battery, without time limit, when missed")
    else:
        check(task is None, "no logon task is left in the scheduler's store")


def downloads(sim):
    return [r for r in sim.requests() if r.get("role") == "download" and "/files/" in r.get("target", "")]


# ---------------------------------------------------------------------------------------
# Scenarios

def agree(run, attempts=3):
    """Ticks the agreement. The first click may reach a window that was mapped but not yet
    taking input, so it is confirmed by the install button leaving its disabled look."""
    button = run.ctx.centres["immediate_install_btn.rect"]
    before = run.look().crop(button).tobytes()
    for _ in range(attempts):
        run.click("agree_opt")
        end = time.time() + 3
        while time.time() < end:
            if run.look().crop(button).tobytes() != before:
                return
            time.sleep(0.3)
    raise ScenarioFailed("the agreement did not take the click")


def start_install(run, custom=None):
    run.window()
    run.shot("page0-main")
    agree(run)
    asked = e2e_privilege.parent_questions(run)
    if custom:
        run.click("self_install_btn")
        custom(run)
        run.shot("page1-custom")
        run.click("immediate_install_btn1")
    else:
        run.click("immediate_install_btn")
    e2e_privilege.pass_parent_question(run, asked)


def finish(run, timeout=120):
    time.sleep(1.0)
    run.shot("page2-progress")
    wait_for(run.page_is_finished, timeout, "the finished page", interval=0.5)
    run.shot("page3-finished")


# The product's pacing, which the other scenarios' exe shortens: each stage stays at least a
# second, and the bar needs a hundred ticks of at least 50 ms to reach 100.
SERVER_STAGE_MS = 2000
BAR_CLIMB_S = 5.0


def check_product_pacing(prefix, took):
    """The server stage holds the pauses of stages 1 and 2; the log says how long it took."""
    match = re.search("阶段完成：选择服务器，用时 (\\d+) 毫秒", prefix.log_text())
    check(match is not None, "the log times the server stage")
    print("  server stage %s ms, click to finished page %.1f s" % (match.group(1), took))
    # The log's clock counts in steps of up to one timer tick.
    check(int(match.group(1)) >= SERVER_STAGE_MS - 20, "the stages kept their one-second pauses")
    check(took >= BAR_CLIMB_S, "the bar climbed at its own pace")


def default_install(ctx, prefix, sim, entries, exe=None):
    """The default install, and "立即体验"; returns the run and the time from the install
    click to the finished page."""
    run = Run(ctx, prefix, exe=exe)
    start_install(run)
    clicked = time.time()
    finish(run)
    took = time.time() - clicked
    run.click("immediate_startup_btn")
    check(run.wait_exit() == 0, "setup exits 0 after starting the client")
    target = default_dir()
    args_file = os.path.join(prefix.host(target), "launch-args.txt")
    wait_for(lambda: os.path.exists(args_file), 30, "the client's start")
    prefix.settle()
    args = open(args_file, "rb").read().decode("utf-16-le")
    check("-install" in args, "the client was started with -install")
    check_installed(prefix, target, entries)
    check(len(downloads(sim)) == 1, "one download request")
    return run, took


def scenario_defaults(ctx, prefix, sim, entries):
    # The one scenario that runs the exe with the product's pacing, and checks it.
    run, took = default_install(ctx, prefix, sim, entries, exe=ctx.tools["paced"])
    check_product_pacing(prefix, took)
    return run


def choose_second_language(run, attempts=3):
    """Traditional Chinese through the combo, the way a user picks it: open the drop-down
    and click its second row (rows are 25 px, below the combo's 1 px border). On a busy
    machine the drop-down may open after the click meant for it, so the switch is confirmed
    on screen (the install button's last glyph changes) and tried again if it did not take."""
    l, t, r, b = run.ctx.centres["lang_select_combo.rect"]
    second_row = ((l + r) // 2, b + 1 + 25 + 12)
    button = run.ctx.centres["immediate_install_btn.rect"]

    def button_pixels():
        return run.look().crop(button).tobytes()

    before = button_pixels()
    for _ in range(attempts):
        run.click("lang_select_combo")
        time.sleep(1.0)
        click(run.window(), second_row)
        end = time.time() + 4
        while time.time() < end:
            if button_pixels() != before:
                time.sleep(0.5)  # the drop-down closes after the click that chose
                return
            time.sleep(0.3)
        xdotool("key", "Escape")  # closes a drop-down that opened too late
        time.sleep(0.5)
    raise ScenarioFailed("the language combo did not switch to the second language")


def scenario_custom(ctx, prefix, sim, entries):
    target = "C:\\Games\\Custom"

    def customise(run):
        # The custom panel grows the window; a click sent before it has grown lands below it.
        window = wait_for(expanded_window, 30, "the expanded window")
        click(window, ctx.centres["path_edit"])
        xdotool("key", "ctrl+a")
        type_text(target)
        time.sleep(0.3)
        run.click("create_desktop_icon_opt")
        run.click("power_up_opt")

    seed_stale_task(prefix)  # clearing the option withdraws it
    run = Run(ctx, prefix)
    run.window()
    choose_second_language(run)
    start_install(run, customise)
    finish(run)
    run.click("close_btn")  # the finished page ends without a question
    check(run.wait_exit() == 0, "setup exits 0 from the finished page")
    prefix.settle()
    check_installed(prefix, target, entries, desktop=False, autostart=False, lang="zh-tw")
    return run


def scenario_earlier(ctx, prefix, sim, entries):
    target = "C:\\Games\\Old"
    os.makedirs(prefix.host(target), exist_ok=True)
    with open(os.path.join(prefix.host(target), "vljiasu.exe"), "wb") as f:
        f.write(b"old client")
    write_reg(prefix, UNINSTALL_KEY, {"UninstallString": target + "\\unins000.exe"})
    run = Run(ctx, prefix)
    run.window()
    run.shot("page0-earlier")
    agree(run)
    asked = e2e_privilege.parent_questions(run)
    run.click("immediate_install_btn")
    e2e_privilege.pass_parent_question(run, asked)
    box = run.box(10)
    check(box is not None, "the question about files in the folder is asked")
    answer_box(box, BOX_OK_TWO)
    finish(run)
    run.click("close_btn")
    check(run.wait_exit() == 0, "setup exits 0")
    prefix.settle()
    check_installed(prefix, target, entries)
    check(not os.path.exists(prefix.host(target + "\\varlo")), "the earlier folder is kept, no \\varlo appended")
    return run


def error_scenario(mode, log_reason, package_file=None):
    def scenario(ctx, prefix, sim, entries):
        if package_file:
            sim.mode({"package": {"name": PACKAGE_NAME, "file": package_file(ctx)}})
        sim.mode(mode)
        run = Run(ctx, prefix)
        start_install(run)
        box = run.box(90)
        time.sleep(1.5)
        boxes = [w for w in visible_windows() if (w[3], w[4]) == BOX_SIZE]
        check(len(boxes) == 1, "one error box")
        run.shots.append(os.path.join(ctx.work, "error-box.png"))
        screenshot(box, run.shots[-1])
        answer_box(box, BOX_OK_TWO)
        check(run.wait_exit(30) == 0, "setup exits 0 after the box")
        prefix.settle()
        log = prefix.log_text()
        check("安装错误：" + log_reason in log, "the log says 安装错误：" + log_reason)
        return run
    return scenario


def corrupt_package(ctx):
    path = os.path.join(ctx.work, "corrupt.zip")
    corrupt_copy(ctx.package, path)
    return path


def client_package(form):
    """The package with its client in another form than signed by the test publisher."""
    def make(ctx):
        path = os.path.join(ctx.work, form + "-client.zip")
        make_package(path, ctx.tools["client"], client_form=form)
        return path
    return make


def client_refused(form, log_line):
    """A client the publisher check refuses: the extraction box, and nothing left."""
    inner = error_scenario({}, "解压失败", package_file=client_package(form))

    def scenario(ctx, prefix, sim, entries):
        run = inner(ctx, prefix, sim, entries)
        log = prefix.log_text()
        check(log_line in log, "the log says " + log_line)
        check(not os.path.exists(prefix.host(default_dir())), "the install folder is gone")
        check(prefix.registry().values(UNINSTALL_KEY) is None, "no uninstall entry")
        return run
    return scenario


def installers_in(prefix):
    """The installer processes still running in this scenario's prefix: another scenario or
    another test run on the machine may have one of its own running meanwhile."""
    ours = os.path.realpath(prefix.path)
    found = []
    pids = subprocess.run(["pgrep", "-f", "setup_e2e.exe"], stdout=subprocess.PIPE, text=True).stdout.split()
    for pid in pids:
        try:
            with open("/proc/%s/environ" % pid, "rb") as env:
                variables = env.read().split(b"\0")
        except OSError:
            continue  # gone meanwhile
        for variable in variables:
            if variable.startswith(b"WINEPREFIX=") and os.path.realpath(os.fsdecode(variable[11:])) == ours:
                found.append(pid)
    return found


def scenario_close_during_download(ctx, prefix, sim, entries):
    sim.mode({"package": {"name": PACKAGE_NAME, "file": ctx.big_package}})
    sim.mode({"roles": {"download": {"rate": 256 * 1024}}})
    run = Run(ctx, prefix)
    start_install(run)
    wait_for(lambda: downloads(sim), 60, "the download to start")
    run.click("close_btn")
    box = run.box(10)
    answer_box(box, BOX_CANCEL_TWO)
    time.sleep(2)
    check(run.process.poll() is None, "取消 keeps the installer running")
    check(message_box() is None, "the box is gone")
    run.click("close_btn")
    box = run.box(10)
    started = time.time()
    answer_box(box, BOX_OK_TWO)
    code = run.wait_exit(30)
    print("  closing took %.1f s" % (time.time() - started))
    check(code == 0, "确定 ends the installer with 0")
    prefix.settle()
    check("进程直接结束" not in prefix.log_text(), "the worker left on its own within the wait")
    check(not installers_in(prefix), "no stray installer process")
    return run


def scenario_hide_and_restore(ctx, prefix, sim, entries):
    run = Run(ctx, prefix)
    window = run.window()
    xdotool("windowactivate", "--sync", window[0])
    click(window, (400, 120))
    xdotool("key", "alt+F4")
    wait_for(lambda: main_window() is None, 10, "the window to hide")
    check(run.process.poll() is None, "Alt+F4 hides, the installer keeps running")
    second = prefix.wine(ctx.tools["setup"], stdout=run.out, stderr=subprocess.STDOUT)
    check(second.wait(timeout=60) == 0, "a second installer exits 0")
    wait_for(main_window, 10, "the window to come back")
    run.click("close_btn")
    answer_box(run.box(10), BOX_OK_TWO)
    check(run.wait_exit(30) == 0, "the first installer ends with 0")
    return run


def scenario_favorites(ctx, prefix, sim, entries):
    folder = os.path.join(prefix.user_dir, "Favorites")
    os.makedirs(folder, exist_ok=True)
    copy = os.path.join(folder, "setup.exe")
    shutil.copy(ctx.tools["setup"], copy)
    run = Run(ctx, prefix, exe=copy)
    box = run.box(60)
    answer_box(box, BOX_OK_ONE)
    check(run.wait_exit(30) == 0, "the refused installer exits 0")
    prefix.settle()
    check(not os.path.exists(os.path.join(prefix.temp_dir(), "varloSetup", "cache")), "no cache folder")
    check(not sim.requests(), "no request reached the vendor")
    return run


def scenario_cached(ctx, prefix, sim, entries):
    default_install(ctx, prefix, sim, entries)
    sim.ctl("reset")
    sim.mode({"package": {"name": PACKAGE_NAME, "file": ctx.package}})
    run = Run(ctx, prefix)
    start_install(run)
    answer_box(run.box(10), BOX_OK_TWO)  # the earlier install is proposed and holds files
    finish(run)
    run.click("close_btn")
    check(run.wait_exit() == 0, "the second run exits 0")
    check(not downloads(sim), "the cached package was not downloaded again")
    check(any(r.get("role") in ("primary", "secondary") for r in sim.requests()), "the package was still asked for")
    return run


SCENARIOS = {
    "defaults": scenario_defaults,
    "custom": scenario_custom,
    "earlier-install": scenario_earlier,
    "query-refused": error_scenario({"roles": {"primary": {"envelope": {"code": 100500, "message": "x"}},
                                               "secondary": {"envelope": {"code": 100500, "message": "x"}},
                                               "fallback_a": {"envelope": {"code": 100500, "message": "x"}},
                                               "fallback_b": {"envelope": {"code": 100500, "message": "x"}}}},
                                    "请求安装配置失败"),
    "download-404": error_scenario({"roles": {"download": {"status": 404}}}, "请求安装数据失败"),
    "digest-mismatch": error_scenario({"roles": {"primary": {"payload": {"file_md5": "0" * 32}}}},
                                      "请求安装数据失败"),
    "stalled-download": error_scenario({"roles": {"download": {"stall_from": 64 * 1024}}},
                                       "下载进度长时间无变化，已被取消"),
    "corrupt-package": error_scenario({}, "解压失败", package_file=corrupt_package),
    "unsigned-client": client_refused("unsigned", "客户端程序没有数字签名"),
    "tampered-client": client_refused("tampered", "客户端程序在签名后被改动"),
    "close-during-download": scenario_close_during_download,
    "hide-and-restore": scenario_hide_and_restore,
    "favorites": scenario_favorites,
    "cached-package": scenario_cached,
    "keyboard": scenario_keyboard,
}
# The machine pushing back; those scenarios start the installer the way the ones above do.
SCENARIOS.update({name: (lambda f: lambda ctx, prefix, sim, entries: f(ctx, prefix, sim, entries, Run, start_install))(f)
                  for name, f in pushback.SCENARIOS.items()})
SCENARIOS.update(__import__("dpi").make_scenarios(sys.modules[__name__]))
SCENARIOS.update(e2e_privilege.scenarios(start_install, finish, check_installed))
SCENARIOS.update(silent.scenarios(check_installed, downloads))
SCENARIOS.update(__import__("resume").scenarios(check_installed, downloads))
SCENARIOS.update(__import__("proxy").scenarios(sys.modules[__name__]))


def tools_of(build):
    return {
        "setup": os.path.join(build, "app", "setup_e2e.exe"),
        "paced": os.path.join(build, "app", "setup_e2e_paced.exe"),
        "client": os.path.join(build, "tests", "e2e", "e2e_fake_client.exe"),
        "holder": os.path.join(build, "tests", "e2e", "e2e_file_holder.exe"),
        "cmd": os.path.join(build, "tests", "e2e", "e2e_cmd.exe"),
    }


def describe_screen(work):
    """What was on the screen when a scenario failed: its picture and its windows."""
    path = os.path.join(work, "failure-screen.png")
    subprocess.run(["import", "-window", "root", path], stderr=subprocess.DEVNULL)
    print("  the screen at the failure: %s" % path)
    for wid in xdotool("search", "--onlyvisible", "--name", ".").split():
        geo = dict(line.split("=", 1) for line in xdotool("getwindowgeometry", "--shell", wid).split() if "=" in line)
        print("    window %r at %s,%s size %sx%s" % (xdotool("getwindowname", wid).strip(), geo.get("X"), geo.get("Y"),
                                                   geo.get("WIDTH"), geo.get("HEIGHT")))


def run_scenario(build, name, work=None, keep=False):
    tools = tools_of(build)
    work = work or os.path.join(build, "e2e", name)
    os.makedirs(work, exist_ok=True)
    began = time.time()
    ctx = Context(build, work, tools)
    ctx.package = os.path.join(work, PACKAGE_NAME)
    entries = make_package(ctx.package, tools["client"])
    ctx.big_package = os.path.join(work, "big-" + PACKAGE_NAME)
    if name == "close-during-download":
        make_package(ctx.big_package, tools["client"], big_bytes=16 * 1024 * 1024)
    base = make_base_prefix(build, tools)
    prefix = fresh_prefix(base, os.path.join(work, "prefix"), kept=keep)
    sim = Simulator(work, port_base(build))
    ready = time.time()
    try:
        sim.ctl("reset")
        sim.mode({"package": {"name": PACKAGE_NAME, "file": ctx.package}})
        print("scenario %s (prefix %s)" % (name, prefix.path))
        try:
            run = SCENARIOS[name](ctx, prefix, sim, entries)
        except ScenarioFailed:
            describe_screen(work)
            raise
        return ctx, prefix, run
    finally:
        ran = time.time()
        sim.stop()
        if not keep:
            # The pictures and records stay; the prefix's changes go with it.
            drop_prefix(prefix.path)
        print("  time: %.1f s to set up, %.1f s to run, %.1f s to take down" % (ready - began, ran - ready,
                                                                            time.time() - ran))


def demo(build, out):
    """The default install, kept for looking at: where it went, what it registered, and
    the pictures of every page it passed."""
    ctx, prefix, run = run_scenario(build, "defaults", work=out, keep=True)
    target = default_dir()
    print()
    print("Installed to %s" % target)
    print("  on this machine: %s" % prefix.host(target))
    for name in sorted(os.listdir(prefix.host(target))):
        print("    %s" % name)
    print("Uninstall entry HKLM\\%s" % UNINSTALL_KEY)
    for name, value in sorted((prefix.registry().values(UNINSTALL_KEY) or {}).items()):
        print("  %s = %s" % (name, value))
    task = stored_task(prefix)
    print("Logon task %s: %s" % (TASK_NAME, "none" if task is None else
                                 ", ".join("%s=%s" % kv for kv in task_table(task).items())))
    print("Screenshots:")
    for path in run.shots:
        print("  %s" % path)
    print("Wine prefix (kept): %s" % prefix.path)
    prefix.kill()


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--build", required=True)
    p.add_argument("--scenario")
    p.add_argument("--list", action="store_true")
    p.add_argument("--demo", metavar="OUT_DIR")
    args = p.parse_args()
    if args.list:
        print("\n".join(SCENARIOS))
        return 0
    if args.demo:
        if not os.environ.get("DISPLAY"):
            print("e2e: no DISPLAY", file=sys.stderr)
            return 2
        try:
            demo(os.path.abspath(args.build), os.path.abspath(args.demo))
        except ScenarioFailed as e:
            print("FAILED: %s" % e)
            return 1
        return 0
    try:
        own_display()
        run_scenario(os.path.abspath(args.build), args.scenario)
    except ScenarioFailed as e:
        print("FAILED: %s" % e)
        return 1
    print("scenario %s passed" % args.scenario)
    return 0


if __name__ == "__main__":
    sys.exit(main())
