"""An install by keyboard alone: Space ticks the agreement, Tab and Space open the custom
page, the folder is typed into the path edit, an option is cleared with Space, Space on
the install button installs and Space on "立即体验" starts the client. No click reaches a
control; the pictures show the skin's focus mark on the control that has the focus."""
import os
import time

from common import ScenarioFailed, check
from screen import Run, click, expanded_window, type_text, wait_for, xdotool


def keys(*names):
    for name in names:
        xdotool("key", "--delay", "120", name)
        time.sleep(0.25)


def focus_window(run):
    """Gives the window the keyboard with a click on its logo: the title area, which only
    drags the window and changes no control."""
    window = run.window()
    xdotool("windowactivate", "--sync", window[0])
    click(window, (400, 120))
    time.sleep(0.5)
    return window


def tick_agreement(run, attempts=3):
    """Space on the box that has the focus when the window opens. The first key may reach
    a window that does not take input yet, so the install button's look confirms it."""
    button = run.ctx.centres["immediate_install_btn.rect"]
    before = run.look().crop(button).tobytes()
    for _ in range(attempts):
        keys("space")
        end = time.time() + 3
        while time.time() < end:
            if run.look().crop(button).tobytes() != before:
                return
            time.sleep(0.3)
        focus_window(run)
    raise ScenarioFailed("Space did not tick the agreement")


def scenario_keyboard(ctx, prefix, sim, entries):
    from e2e import check_installed, finish  # the shared read-back, without a cycle at load

    target = "C:\\Games\\Keys"
    run = Run(ctx, prefix)
    focus_window(run)
    run.shot("page0-main")
    tick_agreement(run)
    keys("Tab")  # the agreement link
    run.shot("page0-focus-on-link")
    keys("Tab", "Tab", "space")  # the install button, then "自定义", pressed
    wait_for(expanded_window, 30, "the custom page")
    time.sleep(0.5)
    keys("Tab")  # from "自定义" to the path edit
    keys("ctrl+a")
    type_text(target)
    time.sleep(0.3)
    run.shot("page1-path-typed")
    keys("Tab", "Tab", "space")  # past "更改路径" to the desktop icon box, cleared
    run.shot("page1-desktop-cleared")
    keys("shift+Tab", "shift+Tab", "shift+Tab", "shift+Tab")  # back to the install button
    run.shot("page1-focus-on-install")
    keys("space")
    finish(run)
    keys("space")  # "立即体验" has the focus on the finished page
    check(run.wait_exit() == 0, "setup exits 0 after starting the client")
    args_file = os.path.join(prefix.host(target), "launch-args.txt")
    wait_for(lambda: os.path.exists(args_file), 30, "the client's start")
    prefix.settle()
    check("-install" in open(args_file, "rb").read().decode("utf-16-le"), "the client was started with -install")
    check_installed(prefix, target, entries, desktop=False)
    return run
