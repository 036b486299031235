#!/usr/bin/env python3
"""Draws every image of the installer's skin into a folder, laid out as the skin expects
(bkimage/, btn/, ...), once for each screen scale the program draws at: "btn/x.png" at
100 %, "btn/x@125.png", "btn/x@150.png" and "btn/x@200.png" beside it. Every picture is
drawn from shapes and gradients at its scale (nothing is resized from another scale), so
edges stay sharp; the output is the same bytes on every run.

usage: make_skin_images.py OUTPUT_DIR [PERCENT ...]
"""
import math
import os
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter

SS = 4  # supersampling factor for anti-aliased shapes
SCALES = (100, 125, 150, 200)

# The scale being drawn, as pixels per unit of the layout (1.0 at 100 %).
K = 1.0


def px(v):
    """A length or coordinate in units, as (fractional) pixels at the current scale."""
    return v * K


def S(v):
    """A size in units as whole pixels, rounded as the program rounds (half away from zero)."""
    return int(math.floor(v * K + 0.5))


def SZ(w, h):
    return (S(w), S(h))

# Colours of the product: a deep night-blue ground with a cyan-to-violet accent.
GROUND_TOP = (12, 15, 40)
GROUND_BOTTOM = (20, 16, 54)
PANEL = (17, 20, 50)
ACCENT = [(34, 211, 238), (59, 130, 246), (124, 92, 255)]
MUTED = (169, 175, 214)


def lerp(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def ramp(stops, t):
    """Colour at t (0..1) along evenly spaced stops."""
    t = min(max(t, 0.0), 1.0) * (len(stops) - 1)
    i = min(int(t), len(stops) - 2)
    return lerp(stops[i], stops[i + 1], t - i)


def gradient(size, stops, angle_deg=0.0, alpha=255):
    """Linear gradient across the box along the given angle (0 = left to right)."""
    w, h = size
    a = math.radians(angle_deg)
    dx, dy = math.cos(a), math.sin(a)
    corners = [x * dx + y * dy for x in (0, w - 1) for y in (0, h - 1)]
    lo, hi = min(corners), max(corners)
    span = (hi - lo) or 1.0
    # Sample along the axis once, then look the colour up per pixel.
    table = [ramp(stops, i / 1023.0) + (alpha,) for i in range(1024)]
    data = []
    for y in range(h):
        for x in range(w):
            data.append(table[int((x * dx + y * dy - lo) / span * 1023)])
    img = Image.new("RGBA", size)
    img.putdata(data)
    return img


def glow(canvas, centre, radius, colour, strength, squash=1.0):
    """Adds a soft round light (screen-like) onto an RGBA canvas."""
    cx, cy = centre
    rx, ry = int(radius), int(radius * squash)
    mask = Image.radial_gradient("L").resize((rx * 2, ry * 2), Image.BILINEAR)
    mask = mask.point(lambda v: int(max(0.0, 1.0 - v / 255.0) ** 2.2 * 255 * strength))
    layer = Image.new("RGBA", (rx * 2, ry * 2), colour + (0,))
    layer.putalpha(mask)
    canvas.alpha_composite(layer, (int(cx - rx), int(cy - ry)))


def rounded_mask(size, radius, inset=0.0):
    """Anti-aliased rounded-rectangle coverage mask."""
    w, h = size
    big = Image.new("L", (w * SS, h * SS), 0)
    ImageDraw.Draw(big).rounded_rectangle(
        [inset * SS, inset * SS, (w - inset) * SS - 1, (h - inset) * SS - 1], radius=radius * SS, fill=255)
    return big.resize(size, Image.LANCZOS)


def shape(size, draw_fn):
    """Coverage mask from a drawing function working in supersampled coordinates."""
    w, h = size
    big = Image.new("L", (w * SS, h * SS), 0)
    draw_fn(ImageDraw.Draw(big), SS)
    return big.resize(size, Image.LANCZOS)


def fill(size, colour, mask):
    img = Image.new("RGBA", size, colour + (0,))
    img.putalpha(mask)
    return img


def white_tick(size, points, width):
    """A white tick through `points`, with `width`, both in design units."""

    def tick(d, s):
        u = K * s
        d.line([(x * u, y * u) for x, y in points], fill=255, width=int(width * u), joint="curve")

    return fill(size, (255, 255, 255), shape(size, tick))


def with_mask(img, mask):
    """Multiplies an image's alpha by a mask."""
    out = img.copy()
    out.putalpha(ImageChops.multiply(img.getchannel("A"), mask))
    return out


def ring(size, radius, width):
    """Border of a rounded rectangle, `width` pixels wide."""
    return ImageChops.subtract(rounded_mask(size, radius), rounded_mask(size, max(radius - width, 0), width))


# ---------------------------------------------------------------------------------------
# The mark: a rounded tile with a rising V, the motion of a packet taking the fast lane.


def logo_mark(side):
    tile = gradient((side, side), ACCENT, 45)
    tile = with_mask(tile, rounded_mask((side, side), side * 0.26))
    # A faint light along the upper edge gives the tile some depth.
    mask = rounded_mask((side, side), side * 0.26)
    lowered = Image.new("L", (side, side), 0)
    drop = max(1, S(2))
    lowered.paste(mask.crop((0, 0, side, side - drop)), (0, drop))
    rim = ImageChops.subtract(mask, lowered)
    tile.alpha_composite(fill((side, side), (255, 255, 255), rim.point(lambda v: v * 70 // 255)))

    def v_shape(d, s):
        u = side * s / 100.0
        lw = int(11 * u)
        d.line([(24 * u, 30 * u), (47 * u, 72 * u), (80 * u, 22 * u)], fill=255, width=lw, joint="curve")
        for p in [(24 * u, 30 * u), (47 * u, 72 * u), (80 * u, 22 * u)]:
            d.ellipse([p[0] - lw / 2, p[1] - lw / 2, p[0] + lw / 2, p[1] + lw / 2], fill=255)

    def speed(d, s):
        u = side * s / 100.0
        lw = int(5 * u)
        for y, x0, x1 in ((44, 12, 26), (56, 18, 31)):
            d.line([(x0 * u, y * u), (x1 * u, y * u)], fill=255, width=lw)
            for x in (x0, x1):
                d.ellipse([x * u - lw / 2, y * u - lw / 2, x * u + lw / 2, y * u + lw / 2], fill=255)

    vmask = shape((side, side), v_shape)
    smask = shape((side, side), speed).point(lambda v: int(v * 0.75))
    tile.alpha_composite(fill((side, side), (255, 255, 255), ImageChops.lighter(vmask, smask)))
    return tile


# ---------------------------------------------------------------------------------------
# Backgrounds


def main_background():
    w, h = SZ(800, 550)
    bk = gradient((w, h), [GROUND_TOP, (16, 18, 50), GROUND_BOTTOM], 70)

    # Lights: a wide cool one behind the mark, warmer violet ones at the sides.
    glow(bk, (px(400), px(118)), px(300), (40, 120, 255), 0.42, 0.62)
    glow(bk, (px(400), px(112)), px(120), (34, 211, 238), 0.28)
    glow(bk, (px(70), px(330)), px(300), (124, 92, 255), 0.30, 0.7)
    glow(bk, (px(760), px(40)), px(260), (34, 160, 238), 0.22, 0.8)
    glow(bk, (px(400), px(296)), px(190), (70, 110, 255), 0.30, 0.30)

    # A floor of perspective lines under the hero: the lanes of the network. Hairlines stay
    # about one unit wide at every scale.
    floor = Image.new("L", (w * SS, h * SS), 0)
    d = ImageDraw.Draw(floor)
    horizon, vx, ground = S(236), S(400), S(372)
    line_width = max(SS, int(round(px(1) * SS)))
    for i in range(-14, 15):
        x_bottom = vx + i * px(70)
        d.line([(vx * SS, horizon * SS), (x_bottom * SS, ground * SS)], fill=255, width=line_width)
    y, step = horizon + px(6.0), px(4.0)
    while y < ground:
        d.line([(0, int(y * SS)), (w * SS, int(y * SS))], fill=255, width=line_width)
        y += step
        step *= 1.32
    floor = floor.resize((w, h), Image.LANCZOS)
    # The floor fades in from the horizon and out towards the sides.
    fade = Image.new("L", (w, h), 0)
    fd = fade.load()
    for yy in range(horizon, ground):
        t = (yy - horizon) / (ground - horizon)
        for xx in range(w):
            side = 1.0 - (abs(xx - vx) / (w / 2.0)) ** 2
            fd[xx, yy] = int(30 * t ** 1.3 * max(side, 0.0))
    bk.alpha_composite(fill((w, h), (120, 150, 255), ImageChops.multiply(floor, fade.point(lambda v: v * 4))))

    # Light streaks running left to right: speed.
    streaks = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    thick = max(3, S(3))
    for (x0, y0, length, colour, strength) in (
            (40, 96, 210, ACCENT[0], 0.55), (86, 140, 150, ACCENT[2], 0.45), (20, 184, 170, ACCENT[1], 0.35),
            (560, 78, 190, ACCENT[1], 0.45), (600, 150, 170, ACCENT[0], 0.5), (520, 196, 240, ACCENT[2], 0.35)):
        length = S(length)
        line = Image.new("RGBA", (length, thick), colour + (0,))
        a = Image.new("L", (length, thick), 0)
        ap = a.load()
        for x in range(length):
            t = x / (length - 1)
            v = math.sin(math.pi * t) ** 1.5 * (0.35 + 0.65 * t) * 255 * strength
            for yy in range(thick):
                # Bright along the middle, a quarter of that at the edges.
                edge = abs(yy - (thick - 1) / 2.0) / ((thick - 1) / 2.0)
                ap[x, yy] = int(v * (1.0 - 0.75 * edge))
        line.putalpha(a)
        streaks.alpha_composite(line, (S(x0), S(y0)))
    bk.alpha_composite(streaks.filter(ImageFilter.GaussianBlur(px(0.6))))
    bk.alpha_composite(streaks)

    # A sparse constellation of nodes in the upper corners.
    nodes = [(120, 60), (168, 86), (210, 52), (92, 120), (640, 112), (690, 84), (728, 132), (600, 60)]
    nodes = [(px(x) * SS, px(y_) * SS) for x, y_ in nodes]
    links = [(0, 1), (1, 2), (0, 3), (1, 3), (4, 5), (5, 6), (4, 6), (4, 7), (7, 5)]
    net = Image.new("L", (w * SS, h * SS), 0)
    nd = ImageDraw.Draw(net)
    for a_, b_ in links:
        nd.line([nodes[a_], nodes[b_]], fill=70, width=line_width)
    r = px(2.2) * SS
    for x, y_ in nodes:
        nd.ellipse([x - r, y_ - r, x + r, y_ + r], fill=200)
    net = net.resize((w, h), Image.LANCZOS)
    bk.alpha_composite(fill((w, h), (140, 170, 255), net))

    # Halo of the hero's mark; the mark itself is an image of its own, drawn over it.
    side = S(92)
    margin = S(40)
    halo = Image.new("RGBA", (side + 2 * margin, side + 2 * margin), (0, 0, 0, 0))
    halo.alpha_composite(logo_mark(side), (margin, margin))
    halo = halo.filter(ImageFilter.GaussianBlur(px(18)))
    halo.putalpha(halo.getchannel("A").point(lambda v: int(v * 0.7)))
    bk.alpha_composite(halo, (S(400) - side // 2 - margin, S(64) - margin + S(12)))

    # Footer band of the compact window, with a hairline on top.
    band = Image.new("RGBA", (w, S(430) - S(372)), (6, 8, 24, 120))
    bk.alpha_composite(band, (0, S(372)))
    bk.alpha_composite(Image.new("RGBA", (w, max(1, S(1))), (150, 165, 255, 26)), (0, S(372)))

    # The custom panel below the compact window.
    panel = gradient((w, h - S(430)), [(19, 22, 54), (14, 16, 42)], 90)
    bk.alpha_composite(panel, (0, S(430)))
    glow(bk, (px(120), px(560)), px(260), (124, 92, 255), 0.12, 0.5)
    return bk.convert("RGB")


def popup_background():
    w, h = SZ(444, 266)
    body = gradient((w, h), [(33, 37, 78), (24, 27, 60), (21, 23, 52)], 90)
    glow(body, (px(222), px(-20)), px(240), (59, 130, 246), 0.22, 0.5)
    # A thin accent line along the top edge.
    body.alpha_composite(gradient((w - S(40), S(2)), ACCENT, 0), (S(20), 0))
    body.alpha_composite(Image.new("RGBA", (w - S(48), S(1)), (255, 255, 255, 14)), (S(24), S(40)))
    # The product's mark in the title row; a title shown there starts right of it.
    body.alpha_composite(logo_mark(S(18)), (S(16), S(12)))
    shape_mask = rounded_mask((w, h), px(10))
    body = with_mask(body, shape_mask)
    border = fill((w, h), (120, 132, 230), ring((w, h), px(10), px(1)).point(lambda v: int(v * 0.45)))
    body.alpha_composite(border)
    return body


# ---------------------------------------------------------------------------------------
# Buttons


def pill_button(size, stops, radius, shine=0.16, border=None, alpha=255):
    size, radius = SZ(*size), px(radius)
    w, h = size
    face = gradient(size, stops, 0 if len(stops) > 2 else 90, alpha)
    if shine > 0:
        top = Image.new("RGBA", size, (255, 255, 255, 0))
        m = Image.linear_gradient("L").resize(size).point(lambda v: int(max(0, 128 - v) * 2 * shine))
        top.putalpha(m)
        face.alpha_composite(top)
    face = with_mask(face, rounded_mask(size, radius))
    if border is not None:
        colour, a = border
        face.alpha_composite(fill(size, colour, ring(size, radius, px(1)).point(lambda v: int(v * a / 255))))
    return face


def brighten(stops, amount):
    return [lerp(c, (255, 255, 255), amount) for c in stops]


def darken(stops, amount):
    return [lerp(c, (0, 0, 0), amount) for c in stops]


def glyph(size, colour, draw, bg=None):
    """A window-button glyph drawn by `draw`, over an optional rounded plate (colour, alpha)."""
    img = Image.new("RGBA", size, (0, 0, 0, 0))
    if bg is not None:
        c, a = bg
        img.alpha_composite(fill(size, c, rounded_mask(size, px(6)).point(lambda v: int(v * a / 255))))
    img.alpha_composite(fill(size, colour, shape(size, draw)))
    return img


def cross(size, colour, thickness, half, bg=None):
    size = SZ(*size)
    w, h = size

    def draw(d, s):
        cx, cy = w * s / 2, h * s / 2
        r = px(half) * s
        d.line([(cx - r, cy - r), (cx + r, cy + r)], fill=255, width=int(px(thickness) * s))
        d.line([(cx - r, cy + r), (cx + r, cy - r)], fill=255, width=int(px(thickness) * s))

    return glyph(size, colour, draw, bg)


def dash(size, colour, thickness, half, bg=None):
    size = SZ(*size)
    w, h = size
    half, thickness = px(half), px(thickness)

    def draw(d, s):
        cx, cy = w * s / 2, h * s / 2
        d.rectangle([cx - half * s, cy - thickness * s / 2, cx + half * s, cy + thickness * s / 2], fill=255)

    return glyph(size, colour, draw, bg)


def chevron(size, colour, up):
    size = SZ(*size)
    w, h = size
    m = px(1.5)

    def draw(d, s):
        y0, y1 = (h - m) * s, m * s
        if up:
            y0, y1 = y1, y0
        pts = [(m * s, y1), (w * s / 2, y0), ((w - m) * s, y1)]
        d.line(pts, fill=255, width=int(px(1.6) * s), joint="curve")

    return fill(size, colour, shape(size, draw))


def check_box(state):
    size = SZ(16, 16)
    img = Image.new("RGBA", size, (0, 0, 0, 0))
    if state in ("sel", "sel_hot"):
        stops = [ACCENT[0], ACCENT[1]] if state == "sel" else brighten([ACCENT[0], ACCENT[1]], 0.15)
        img.alpha_composite(with_mask(gradient(size, stops, 45), rounded_mask(size, px(4))))

        img.alpha_composite(white_tick(size, [(3.6, 8.2), (6.7, 11.2), (12.4, 4.8)], 1.9))
        return img
    if state == "dis":
        img.alpha_composite(fill(size, (255, 255, 255), rounded_mask(size, px(4)).point(lambda v: v * 6 // 255)))
        img.alpha_composite(fill(size, (90, 96, 130), ring(size, px(4), px(1.3))))
        return img
    border = (112, 120, 176) if state == "nor" else (120, 170, 255)
    img.alpha_composite(fill(size, (255, 255, 255), rounded_mask(size, px(4)).point(lambda v: v * 12 // 255)))
    img.alpha_composite(fill(size, border, ring(size, px(4), px(1.3))))
    return img


def frame(size, radius, face, face_alpha, border, border_alpha=255):
    size, radius = SZ(*size), px(radius)
    img = fill(size, face, rounded_mask(size, radius).point(lambda v: v * face_alpha // 255))
    img.alpha_composite(fill(size, border, ring(size, radius, px(1)).point(lambda v: v * border_alpha // 255)))
    return img


def combo_image(hot):
    img = frame((96, 24), 12, (255, 255, 255), 16 if not hot else 28, (84, 94, 160) if not hot else (120, 150, 240))
    arrow = chevron((9, 6), MUTED if not hot else (255, 255, 255), up=False)
    img.alpha_composite(arrow, (S(96 - 20), S(9)))
    return img


def finish_icon():
    size = SZ(20, 20)
    img = with_mask(gradient(size, [ACCENT[0], ACCENT[1]], 45), rounded_mask(size, px(10)))
    img.alpha_composite(white_tick(size, [(5.2, 10.4), (8.6, 13.6), (14.8, 6.6)], 2.1))
    return img


# ---------------------------------------------------------------------------------------


def save(img, root, name, colours=None):
    """PNG, reduced to a palette when that keeps the image intact enough; named for the
    scale being drawn."""
    percent = int(round(K * 100))
    if percent != 100:
        stem, ext = os.path.splitext(name)
        name = "%s@%d%s" % (stem, percent, ext)
    path = os.path.join(root, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    if colours is not None:
        if img.mode == "RGB":
            img = img.quantize(colours, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.FLOYDSTEINBERG)
        else:
            img = img.quantize(colours, method=Image.Quantize.FASTOCTREE, dither=Image.Dither.NONE)
    img.save(path, optimize=True)


def draw_all(out):
    # Kept in full colour: a palette shows steps in the wide, dark lights.
    save(main_background(), out, "bkimage/main_bk.png")
    save(popup_background(), out, "bkimage/popup_bk.png")
    save(logo_mark(S(92)), out, "bkimage/logo.png")
    save(logo_mark(S(20)), out, "bkimage/logo_small.png")

    primary = ACCENT
    for state, stops, shine in (("nor", primary, 0.16), ("hot", brighten(primary, 0.14), 0.2),
                                ("push", darken(primary, 0.14), 0.08)):
        save(pill_button((240, 52), stops, 26, shine), out, "btn/install_btn_%s.png" % state)
        save(pill_button((110, 36), stops, 18, shine), out, "btn/popup_btn_color_%s.png" % state)
    save(pill_button((240, 52), [(52, 57, 96), (46, 50, 86)], 26, 0.04, ((90, 98, 150), 90)), out,
         "btn/install_btn_dis.png", 64)
    gray = [(236, 238, 245), (206, 210, 224)]
    save(pill_button((110, 36), gray, 18, 0.1), out, "btn/popup_btn_gray_nor.png", 128)
    save(pill_button((110, 36), brighten(gray, 0.5), 18, 0.1), out, "btn/popup_btn_gray_hot.png", 128)

    save(cross((32, 32), MUTED, 1.6, 5.5), out, "btn/close_btn_nor.png")
    save(cross((32, 32), (255, 255, 255), 1.6, 5.5, ((232, 72, 85), 235)), out, "btn/close_btn_hot.png")
    save(dash((32, 32), MUTED, 1.6, 6), out, "btn/min_btn_nor.png")
    save(dash((32, 32), (255, 255, 255), 1.6, 6, ((255, 255, 255), 36)), out, "btn/min_btn_hot.png")

    save(frame((40, 34), 8, (255, 255, 255), 10, (74, 84, 148), 200), out, "btn/path_btn_nor.png")
    save(frame((40, 34), 8, (59, 130, 246), 60, (96, 160, 255)), out, "btn/path_btn_hot.png")
    save(frame((40, 34), 8, (59, 130, 246), 30, (96, 160, 255)), out, "btn/path_btn_push.png")

    save(chevron((9, 6), MUTED, up=False), out, "btn/arrow_down_nor.png")
    save(chevron((9, 6), (255, 255, 255), up=False), out, "btn/arrow_down_hot.png")
    save(chevron((9, 6), MUTED, up=True), out, "btn/arrow_up_nor.png")
    save(chevron((9, 6), (255, 255, 255), up=True), out, "btn/arrow_up_hot.png")

    for state in ("nor", "hot", "sel", "sel_hot", "dis"):
        save(check_box(state), out, "check/check_%s.png" % state)

    save(frame((40, 34), 8, (8, 10, 30), 150, (58, 66, 120)), out, "edit/edit_nor.png")
    save(frame((40, 34), 8, (8, 10, 30), 150, (88, 100, 176)), out, "edit/edit_hot.png")
    save(frame((40, 34), 8, (8, 10, 30), 150, (63, 169, 245)), out, "edit/edit_focus.png")

    save(combo_image(False), out, "combo/combo_nor.png")
    save(combo_image(True), out, "combo/combo_hot.png")

    bar, fore = SZ(40, 8), SZ(440, 8)
    save(fill(bar, (255, 255, 255), rounded_mask(bar, px(4)).point(lambda v: v * 30 // 255)), out,
         "progress/progress_bk.png")
    save(with_mask(gradient(fore, ACCENT, 0), rounded_mask(fore, px(4))), out, "progress/progress_fore.png")

    save(finish_icon(), out, "icon/finish_ok.png")


def main() -> int:
    global K
    out = sys.argv[1]
    for percent in [int(a) for a in sys.argv[2:]] or SCALES:
        K = percent / 100.0
        draw_all(out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
