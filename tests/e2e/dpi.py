"""The installer at a high DPI: the same prefix with the screen set to 144 DPI ("LogPixels"
in the registry, which Wine honours), driven with real clicks at the scaled places. The
window must come up at 1200 x 645 (1200 x 825 with the custom panel) and the install must
leave what it leaves at 96 DPI."""
import os
import time

import screen
from common import ROOT, check
from screen import Run, click, control_centres, expanded_window, type_text, wait_for, xdotool

DPI = 144


def set_dpi(prefix, dpi):
    """The user's and the machine's font DPI, as the display settings write them."""
    lines = ["Windows Registry Editor Version 5.00", "",
             "[HKEY_CURRENT_USER\\Control Panel\\Desktop]", '"LogPixels"=dword:%08x' % dpi, "",
             "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts]",
             '"LogPixels"=dword:%08x' % dpi]
    path = os.path.join(prefix.path, "drive_c", "e2e-dpi.reg")
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("utf-16"))
    prefix.run("regedit", "/S", "C:\\e2e-dpi.reg")
    prefix.settle()


def scenario_high_dpi(driver, ctx, prefix, sim, entries):
    set_dpi(prefix, DPI)
    screen.SCALE = DPI / 96.0
    try:
        ctx.centres = control_centres(ROOT)
        target = "C:\\Games\\Sharp"

        def customise(run):
            window = wait_for(expanded_window, 30, "the expanded window")
            check((window[3], window[4]) == (1200, 825), "the custom page is 1200 x 825 at 144 DPI")
            click(window, ctx.centres["path_edit"])
            xdotool("key", "ctrl+a")
            type_text(target)
            time.sleep(0.3)
            run.click("power_up_opt")

        run = Run(ctx, prefix)
        window = run.window()
        check((window[3], window[4]) == (1200, 645), "the window is 1200 x 645 at 144 DPI")
        driver.start_install(run, customise)
        driver.finish(run)
        check((run.window()[3], run.window()[4]) == (1200, 645), "back to 1200 x 645 for the install")
        run.click("immediate_startup_btn")
        check(run.wait_exit() == 0, "setup exits 0 after starting the client")
        args_file = os.path.join(prefix.host(target), "launch-args.txt")
        wait_for(lambda: os.path.exists(args_file), 30, "the client's start")
        prefix.settle()
        driver.check_installed(prefix, target, entries, autostart=False)
        return run
    finally:
        screen.SCALE = 1.0
        ctx.centres = control_centres(ROOT)


def make_scenarios(driver):
    """The scenarios of this module, with `driver` (the e2e module) for the shared steps."""
    return {"dpi-144": lambda ctx, prefix, sim, entries: scenario_high_dpi(driver, ctx, prefix, sim, entries)}
