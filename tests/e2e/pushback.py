"""Scenarios where the machine pushes back: a quit during a long extraction, an update over
a client one of whose files another program holds, a full drive for the work folder or for
the target, and a package that lacks the client. Each compares what is on disk and in the
registry afterwards with what was there before."""
import os
import random
import subprocess
import time
import zipfile

from common import BOX_OK_ONE, BOX_OK_TWO, PACKAGE_NAME, UNINSTALL_KEY, ScenarioFailed, check
from screen import answer_box, click, default_dir, expanded_window, screenshot, type_text, visible_windows, wait_for, xdotool
from taskstore import stored_task
from vendor import make_package, signed_client
from wineprefix import write_reg

DISK_FULL = "磁盘空间不足"


def tree_snapshot(root):
    """{relative path: bytes} of every file, and the set of folders, below root."""
    files, folders = {}, set()
    if not os.path.isdir(root):
        return files, folders
    for base, dirs, names in os.walk(root):
        for d in dirs:
            folders.add(os.path.relpath(os.path.join(base, d), root))
        for n in names:
            path = os.path.join(base, n)
            files[os.path.relpath(path, root)] = open(path, "rb").read()
    return files, folders


def nothing_registered(prefix, desktop_link=True):
    prefix.settle()
    reg = prefix.registry().values(UNINSTALL_KEY)
    check(reg is None, "no uninstall entry")
    if desktop_link:
        check(not os.path.exists(os.path.join(prefix.user_dir, "Desktop", "Varlo加速器.lnk")), "no desktop link")
    check(stored_task(prefix) is None, "no logon task in the scheduler's store")


class SmallDrive:
    """A tmpfs of `size` bytes mounted for the scenario and seen by Wine as drive `letter`."""

    def __init__(self, prefix, work, letter, size):
        if os.geteuid() != 0:
            raise ScenarioFailed("a full drive needs a tmpfs mount, and mounting needs root")
        self.mount = os.path.join(work, "drive-" + letter)
        os.makedirs(self.mount, exist_ok=True)
        subprocess.run(["umount", self.mount], stderr=subprocess.DEVNULL)
        subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%d" % size, "tmpfs", self.mount], check=True)
        link = os.path.join(prefix.path, "dosdevices", letter + ":")
        if os.path.lexists(link):
            os.remove(link)
        os.symlink(self.mount, link)

    def fill(self, leave):
        """Fills the drive until `leave` bytes are free."""
        st = os.statvfs(self.mount)
        free = st.f_bavail * st.f_frsize
        if free > leave:
            with open(os.path.join(self.mount, "filler.bin"), "wb") as f:
                f.write(b"\0" * (free - leave))

    def release(self):
        subprocess.run(["umount", "-l", self.mount], stderr=subprocess.DEVNULL)


def big_package(ctx, files=3000, size=70 * 1024):
    """About 200 MB in 3,000 files (stored, so the extraction is all disk), made once per build."""
    path = os.path.join(ctx.build, "e2e", "big-signed-client.zip")
    if not os.path.exists(path):
        rng = random.Random(1)
        with zipfile.ZipFile(path + ".tmp", "w", zipfile.ZIP_STORED) as z:
            z.writestr("vljiasu.exe", signed_client(ctx))
            for i in range(files):
                z.writestr("data/%02d/part%04d.bin" % (i % 40, i), rng.randbytes(size))
        os.replace(path + ".tmp", path)
    return path


def scenario_cancel_during_extraction(ctx, prefix, sim, entries, run_class, start_install):
    sim.mode({"package": {"name": PACKAGE_NAME, "file": big_package(ctx)}})
    target = prefix.host(default_dir())
    run = run_class(ctx, prefix)
    start_install(run)
    # Under way: the first folders of the package are in the target.
    wait_for(lambda: os.path.isdir(os.path.join(target, "data")) and len(os.listdir(os.path.join(target, "data"))) > 3,
             180, "the extraction to be under way", interval=0.1)
    run.click("close_btn")
    box = run.box(10)
    # The confirm is the moment the box goes: a click that lands while the box is still
    # laying itself out is made again by answer_box, and must not count.
    answer_box(box, BOX_OK_TWO)
    confirmed = time.time()
    code = run.wait_exit(30)
    took = time.time() - confirmed
    print("  the installer ended %.2f s after the box went (polled every 0.2 s)" % took)
    check(code == 0, "确定 ends the installer with 0")
    check(took <= 2.0, "the installer ended within 2 s of the confirm")
    prefix.settle()
    check(not os.path.exists(target), "the install folder is gone, as it was before the install")
    nothing_registered(prefix)
    log = prefix.log_text()
    check("安装已取消" in log, "the log says the install was cancelled")
    return run


def scenario_close_at_each_stage(ctx, prefix, sim, entries, run_class, start_install):
    """A confirmed close while the installer waits on the network, at each place it can:
    probing a silent endpoint, asking a silent API, downloading a slow package. Each ends
    within 2 s of the confirm, leaves nothing behind, and logs the stage it stopped in."""
    target = prefix.host(default_dir())

    def requested(role, method):
        return lambda: any(r.get("role") == role and r.get("method") == method for r in sim.requests())

    def downloading():
        return any(r.get("role") == "download" and "/files/" in r.get("target", "") for r in sim.requests())

    def probing():
        # A silent endpoint never completes a request the simulator could record: the
        # probe runs from the end of the first stage's pause for ten seconds.
        return time.time() > started + 2.5

    stages = [
        ("probing a silent endpoint", {"roles": {"primary": {"state": "hang"}}}, probing, "选择服务器"),
        ("asking a silent API", {"roles": {"primary": {"api_state": "hang"}}}, requested("primary", "POST"),
         "获取安装包信息"),
        ("downloading", {"package": {"name": PACKAGE_NAME, "file": big_package(ctx)},
                         "roles": {"download": {"rate": 512 * 1024}}}, downloading, "下载安装包"),
    ]
    run = None
    for why, mode, under_way, stage in stages:
        print("  %s" % why)
        sim.ctl("reset")
        sim.mode(mode)
        run = run_class(ctx, prefix)
        start_install(run)
        started = time.time()
        wait_for(under_way, 60, "the installer to be %s" % why, interval=0.1)
        time.sleep(0.5)
        run.click("close_btn")
        answer_box(run.box(10), BOX_OK_TWO)
        confirmed = time.time()
        code = run.wait_exit(30)
        took = time.time() - confirmed
        print("    ended %.2f s after the box went" % took)
        check(code == 0, "确定 ends the installer with 0 (%s)" % why)
        check(took <= 2.0, "the installer ended within 2 s of the confirm (%s)" % why)
        prefix.settle()
        check(not os.path.exists(target), "no install folder (%s)" % why)
        nothing_registered(prefix)
        check("安装已取消（%s）" % stage in prefix.log_text(), "the log names the stage (%s)" % why)
    return run


def scenario_update_with_held_file(ctx, prefix, sim, entries, run_class, start_install):
    target = "C:\\Games\\Old"
    root = prefix.host(target)
    # The earlier version: every file of the package but one, older, and a file of the user's.
    earlier = {name: b"earlier " + name.encode("utf-8") for name in entries if name != "资源/说明.txt"}
    earlier["user-settings.dat"] = b"the user's own"
    for name, data in earlier.items():
        path = os.path.join(root, *name.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
    write_reg(prefix, UNINSTALL_KEY, {"UninstallString": target + "\\unins000.exe"})
    before = tree_snapshot(root)
    # A later entry of the package is held: the entries before it are replaced first.
    holder = prefix.wine(ctx.tools["holder"], target + "\\lang\\zh-cn.ini")
    wait_for(lambda: os.path.exists(prefix.host("C:\\e2e-held")), 60, "the file to be held")
    run = run_class(ctx, prefix)
    start_install(run)
    answer_box(run.box(10), BOX_OK_TWO)  # the earlier install holds files: go on
    box = run.box(120)
    time.sleep(1.0)
    check(len([w for w in visible_windows() if (w[3], w[4]) == (box[3], box[4])]) == 1, "one error box")
    run.shots.append(os.path.join(ctx.work, "held-file-box.png"))
    screenshot(box, run.shots[-1])
    answer_box(box, BOX_OK_TWO)
    check(run.wait_exit(30) == 0, "setup exits 0 after the box")
    open(prefix.host("C:\\e2e-release"), "wb").close()
    holder.wait(timeout=60)
    prefix.settle()
    after = tree_snapshot(root)
    check(after[1] == before[1], "the same folders as before")
    check(sorted(after[0]) == sorted(before[0]), "the same files as before, none added")
    for name, data in before[0].items():
        check(after[0][name] == data, "%s is the earlier version, byte for byte" % name)
    check("安装错误：解压失败" in prefix.log_text(), "the log names the extraction failure")
    return run


def disk_box_scenario(which):
    def scenario(ctx, prefix, sim, entries, run_class, start_install):
        # A package twice the size of the small drive that should take it.
        size = 4 * 1024 * 1024 if which == "work" else 2 * 1024 * 1024
        drive = SmallDrive(prefix, ctx.work, "t" if which == "work" else "u", size)
        big = os.path.join(ctx.work, "big-" + PACKAGE_NAME)
        make_package(big, ctx.tools["client"], big_bytes=2 * size)
        sim.mode({"package": {"name": PACKAGE_NAME, "file": big}})
        if which == "work":
            write_reg(prefix, "Environment", {"TEMP": "T:\\", "TMP": "T:\\"}, root="HKEY_CURRENT_USER")
            log_path = os.path.join(drive.mount, "varloSetup", "VarloSetup.log")
            # The log is on the small drive: the driver reads the installer's questions there.
            prefix.log_text = lambda: (open(log_path, "rb").read().decode("utf-16", errors="replace")
                                       if os.path.exists(log_path) else "")
        else:
            log_path = os.path.join(prefix.temp_dir(), "varloSetup", "VarloSetup.log")
        try:
            run = run_class(ctx, prefix)

            def type_path(window, path):
                click(window, ctx.centres["path_edit"])
                xdotool("key", "ctrl+a")
                type_text(path)
                time.sleep(0.3)

            def to_small_drive(r):
                window = wait_for(expanded_window, 30, "the expanded window")
                # First a path that names no folder: one box, and the user stays on the page.
                type_path(window, "varlo")
                r.click("immediate_install_btn1")
                box = r.box(10)
                time.sleep(1.0)
                r.shots.append(os.path.join(ctx.work, "invalid-path-box.png"))
                screenshot(box, r.shots[-1])
                answer_box(box, BOX_OK_ONE)
                check(expanded_window() is not None, "the custom page stays after the invalid-path box")
                type_path(window, "U:\\varlo")

            if which == "target":
                # This one runs in the second language, so its boxes are seen in both.
                from e2e import choose_second_language
                run.window()
                choose_second_language(run)
            start_install(run, to_small_drive if which == "target" else None)
            box = run.box(120)
            time.sleep(1.0)
            run.shots.append(os.path.join(ctx.work, "disk-box.png"))
            screenshot(box, run.shots[-1])
            answer_box(box, BOX_OK_TWO)
            check(run.wait_exit(30) == 0, "setup exits 0 after the box")
            prefix.settle()
            log = open(log_path, "rb").read().decode("utf-16", errors="replace") if os.path.exists(log_path) else ""
            check("安装错误：" + DISK_FULL in log, "the log says 安装错误：" + DISK_FULL)
            check("需要" in log and "可用" in log, "the log names what is needed and what is free")
            check("请求安装数据失败" not in log, "no network error is claimed")
            nothing_registered(prefix)
            if which == "target":
                check(not os.path.exists(os.path.join(drive.mount, "varlo", "vljiasu.exe")), "nothing extracted")
            return run
        finally:
            drive.release()
    return scenario


def scenario_package_without_client(ctx, prefix, sim, entries, run_class, start_install):
    package = os.path.join(ctx.work, "no-client.zip")
    with zipfile.ZipFile(package, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("unins000.exe", open(ctx.tools["client"], "rb").read())
        z.writestr("data/readme.txt", b"no client here\r\n")
    sim.mode({"package": {"name": PACKAGE_NAME, "file": package}})
    run = run_class(ctx, prefix)
    start_install(run)
    box = run.box(120)
    time.sleep(1.0)
    answer_box(box, BOX_OK_TWO)
    check(run.wait_exit(30) == 0, "setup exits 0 after the box")
    prefix.settle()
    check("安装错误：解压失败" in prefix.log_text(), "the log names the extraction failure")
    check(not os.path.exists(prefix.host(default_dir())), "nothing of the package stays")
    nothing_registered(prefix)
    return run


def scenario_close_during_system_steps(ctx, prefix, sim, entries, run_class, start_install):
    """An update closed while the install is inside its system steps (the uninstall entry
    already written, held there by the test build): nothing of the install stays, and the
    earlier install is as it was, its files, settings files and uninstall entry."""
    target = "C:\\Games\\Old"
    root = prefix.host(target)
    earlier = {name: b"earlier " + name.encode("utf-8") for name in entries}
    earlier["setup.ini"] = b"[varlo]\r\npackpath=C:\\old\\setup.exe\r\n"
    earlier["local.cfg"] = b"[config]\r\nlang=zh-cn\r\npowerup=0\r\nskin=dark\r\n"
    for name, data in earlier.items():
        path = os.path.join(root, *name.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
    write_reg(prefix, UNINSTALL_KEY, {"DisplayName": "Varlo old", "UninstallString": target + "\\unins000.exe"})
    before = tree_snapshot(root)
    entry_before = prefix.registry().values(UNINSTALL_KEY)
    hold = prefix.host("C:\\e2e-hold-steps")
    held = prefix.host("C:\\e2e-held-steps")
    open(hold, "wb").close()
    try:
        run = run_class(ctx, prefix)
        start_install(run)
        answer_box(run.box(10), BOX_OK_TWO)  # the earlier install holds files: go on
        wait_for(lambda: os.path.exists(held), 120, "the install to be inside its system steps")
        run.click("close_btn")
        answer_box(run.box(10), BOX_OK_TWO)
        confirmed = time.time()
        code = run.wait_exit(30)
        took = time.time() - confirmed
    finally:
        for path in (hold, held):
            if os.path.exists(path):
                os.remove(path)
    check(code == 0, "确定 ends the installer with 0")
    check(took <= 2.0, "the installer ended within 2 s of the confirm (%.2f s)" % took)
    prefix.settle()
    after = tree_snapshot(root)
    check(after[1] == before[1], "the same folders as before")
    check(sorted(after[0]) == sorted(before[0]), "the same files as before, none added")
    for name, data in before[0].items():
        check(after[0].get(name) == data, "%s is the earlier version, byte for byte" % name)
    check(prefix.registry().values(UNINSTALL_KEY) == entry_before, "the earlier uninstall entry, value for value")
    check(not os.path.exists(os.path.join(prefix.user_dir, "Desktop", "Varlo加速器.lnk")), "no desktop link")
    check(stored_task(prefix) is None, "no logon task in the scheduler's store")
    check("安装已取消（开机启动）" in prefix.log_text(), "the log names the step the close landed in")
    return run


def scenario_engine_throws(ctx, prefix, sim, entries, run_class, start_install):
    """A fresh install whose engine ends by an exception inside the system steps (the test
    build throws there): the window shows its error box instead of sitting on the progress
    page, and nothing of the install stays."""
    marker = prefix.host("C:\\e2e-throw-in-steps")
    open(marker, "wb").close()
    try:
        run = run_class(ctx, prefix)
        start_install(run)
        box = run.box(120)
        time.sleep(1.0)
        check(len([w for w in visible_windows() if (w[3], w[4]) == (box[3], box[4])]) == 1, "one error box")
        run.shots.append(os.path.join(ctx.work, "engine-throws-box.png"))
        screenshot(box, run.shots[-1])
        answer_box(box, BOX_OK_TWO)
        code = run.wait_exit(30)
    finally:
        os.remove(marker)
    check(code == 0, "setup exits 0 after the box")
    prefix.settle()
    check("安装线程异常结束" in prefix.log_text(), "the log says the install thread ended by an exception")
    check(not os.path.exists(prefix.host(default_dir())), "nothing of the package stays")
    nothing_registered(prefix)
    return run


SCENARIOS = {
    "engine-throws": scenario_engine_throws,
    "cancel-during-extraction": scenario_cancel_during_extraction,
    "close-at-each-stage": scenario_close_at_each_stage,
    "update-with-held-file": scenario_update_with_held_file,
    "close-during-system-steps": scenario_close_during_system_steps,
    "full-work-drive": disk_box_scenario("work"),
    "full-target-drive": disk_box_scenario("target"),
    "package-without-client": scenario_package_without_client,
}
