#!/usr/bin/env python3
"""Draws every image of Clarivo's skin.

Each picture is written here as SVG, rendered with rsvg-convert (package
librsvg2-bin) and assembled with ImageMagick (button strips, animated GIFs,
.ico files). The results are committed; run this again after changing a
colour or a shape:

    python3 skin/art/make-skin.py

Sizes and names are those the window code relies on (SKIN_CONTRACT.md).
"""
import math
import os
import shutil
import subprocess
import sys
import tempfile

from palette import (ACCENT, ACCENT_HI, ACCENT_LO, ACCENT_TINT, AMBER, BAND, BAND_HI, COLUMN, GREEN,
                     INK, LINE, MUTED, PAGE, PANEL, RED, SIDE, SIDE_LINE)
import shapes as S

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
IMG = os.path.join(ROOT, "images")
ICONS = os.path.join(ROOT, "icons")
TMP = tempfile.mkdtemp(prefix="clarivo-skin-")


# No time stamps in the files ImageMagick writes, so that drawing the same
# pictures again changes no committed file.
STABLE = ["-define", "png:exclude-chunks=date,time", "+set", "date:create", "+set", "date:modify"]


def need(tool):
    if shutil.which(tool) is None:
        sys.exit(f"make-skin: '{tool}' is missing (install librsvg2-bin and imagemagick)")


def render(svg_text, out_png):
    src = out_png + ".svg"
    with open(src, "w", encoding="utf-8") as f:
        f.write(svg_text)
    subprocess.run(["rsvg-convert", "-o", out_png, src], check=True)
    os.remove(src)


def tmp(name):
    return os.path.join(TMP, name)


def png(name, svg_text):
    render(svg_text, os.path.join(IMG, name))


def strip(name, frames):
    """A vertical strip of four frames (normal, hot, pressed, disabled)."""
    parts = []
    for i, f in enumerate(frames):
        p = tmp(f"{name}-{i}.png")
        render(f, p)
        parts.append(p)
    subprocess.run(["convert", *parts, "-append", *STABLE, os.path.join(IMG, name)], check=True)


def gif(name, frames, delay, last_delay=None, loop=0):
    """An animated GIF on an opaque background (so antialiased edges stay clean)."""
    # Whole opaque frames, no frame differencing: every frame can be drawn on its
    # own, whatever the player does about disposal.
    args = ["convert", "-dispose", "none", "-loop", str(loop)]
    for i, f in enumerate(frames):
        p = tmp(f"{name}-{i:03d}.png")
        render(f, p)
        d = last_delay if (last_delay is not None and i == len(frames) - 1) else delay
        args += ["-delay", str(d), p]
    args += ["+dither", os.path.join(IMG, name)]
    subprocess.run(args, check=True)


def ico(path, svg16, svg32):
    a, b = tmp("i16.png"), tmp("i32.png")
    render(svg16, a)
    render(svg32, b)
    subprocess.run(["convert", a, b, *STABLE, path], check=True)


# --- Main window -----------------------------------------------------------

def main_frame():
    w, h = 790, 592
    body = f"""
  <defs>
    <linearGradient id="band" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="{BAND_HI}"/><stop offset="1" stop-color="{BAND}"/>
    </linearGradient>
    <clipPath id="win"><rect x="0" y="0" width="{w}" height="{h}" rx="8" ry="10"/></clipPath>
  </defs>
  <g clip-path="url(#win)">
    <rect width="{w}" height="{h}" fill="{COLUMN}"/>
    <rect width="{w}" height="60" fill="url(#band)"/>
    <rect y="59" width="{w}" height="1" fill="#0f1620"/>
    {S.mark(16, 14, 32)}
    <text x="58" y="38" font-family="DejaVu Sans" font-weight="bold" font-size="21"
          fill="#ffffff" letter-spacing="0.3">Clarivo</text>
    <rect x="0.5" y="0.5" width="{w - 1}" height="{h - 1}" rx="8" ry="10" fill="none"
          stroke="#0f1620" stroke-opacity="0.55"/>
  </g>"""
    png("MainFrame.png", S.svg(w, h, body))


def tab_strip(name):
    w, h = 118, 35
    frames = []
    looks = [  # fill, top highlight, outline
        ("#d3dbe5", "#e3e9f0", "#0f1620"),
        ("#e8eef5", "#f5f8fb", "#0f1620"),
        (PAGE, PAGE, None),
        ("#8d99a7", "#9aa5b2", "#0f1620"),
    ]
    for i, (fill, hi, line) in enumerate(looks):
        bottom = h + 6 if i == 2 else h - 3
        outline = "" if line is None else (
            f'<path d="M0.5,{h} V7 a6.5,6.5 0 0 1 6.5,-6.5 H{w - 7} a6.5,6.5 0 0 1 6.5,6.5 V{h}" '
            f'fill="none" stroke="{line}" stroke-opacity="0.35"/>')
        accent = (f'<rect x="10" y="0" width="{w - 20}" height="3" rx="1.5" fill="{ACCENT}"/>'
                  if i == 2 else "")
        frames.append(S.svg(w, h, f"""
  <defs><linearGradient id="t" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="{hi}"/><stop offset="1" stop-color="{fill}"/></linearGradient></defs>
  <rect x="0" y="0" width="{w}" height="{bottom}" rx="7" fill="url(#t)"/>
  {outline}{accent}"""))
    strip(name, frames)


def title_strip(name, glyph, danger=False):
    w, h = 28, 22
    frames = []
    for i in range(4):
        bg = ""
        if i == 1:
            bg = f'<rect x="1" y="1" width="26" height="20" rx="4" fill="{"#e5484d" if danger else "#ffffff"}" fill-opacity="{1 if danger else 0.16}"/>'
        elif i == 2:
            bg = f'<rect x="1" y="1" width="26" height="20" rx="4" fill="{"#b8353a" if danger else "#ffffff"}" fill-opacity="{1 if danger else 0.28}"/>'
        opacity = 0.35 if i == 3 else 0.92
        frames.append(S.svg(w, h, f"""{bg}
  <g stroke="#ffffff" stroke-opacity="{opacity}" stroke-width="1.6" fill="none" stroke-linecap="round">{glyph}</g>"""))
    strip(name, frames)


def pill_strip(name, w, h):
    frames = []
    looks = [("#ffffff", 0.0, 0.45), (ACCENT, 1.0, 0.0), (ACCENT_LO, 1.0, 0.0), ("#ffffff", 0.0, 0.18)]
    for fill, fop, sop in looks:
        frames.append(S.svg(w, h, f"""
  <rect x="0.75" y="0.75" width="{w - 1.5}" height="{h - 1.5}" rx="{(h - 1.5) / 2}" fill="{fill}"
        fill-opacity="{fop}" stroke="#ffffff" stroke-opacity="{sop}" stroke-width="1"/>"""))
    strip(name, frames)


def splash():
    w, h = 420, 260
    png("Splash.png", S.svg(w, h, f"""
  <defs>
    <linearGradient id="g" x1="0" y1="0" x2="1" y2="1">
      <stop offset="0" stop-color="{BAND_HI}"/><stop offset="1" stop-color="{BAND}"/></linearGradient>
    <radialGradient id="glow" cx="0.5" cy="0.38" r="0.55">
      <stop offset="0" stop-color="{ACCENT}" stop-opacity="0.35"/>
      <stop offset="1" stop-color="{ACCENT}" stop-opacity="0"/></radialGradient>
  </defs>
  <rect width="{w}" height="{h}" fill="url(#g)"/>
  <rect width="{w}" height="{h}" fill="url(#glow)"/>
  {S.mark(174, 52, 72)}
  <text x="210" y="172" text-anchor="middle" font-family="DejaVu Sans" font-weight="bold"
        font-size="30" fill="#ffffff" letter-spacing="0.5">Clarivo</text>
  <rect x="170" y="196" width="80" height="3" rx="1.5" fill="{ACCENT}"/>
  <rect x="0.5" y="0.5" width="{w - 1}" height="{h - 1}" fill="none" stroke="#0f1620"/>"""))


# --- Pages -----------------------------------------------------------------

def page_bk():
    w, h = 772, 524
    png("PageBk.png", S.svg(w, h, f"""
  <rect width="{w}" height="{h}" fill="{PAGE}"/>
  <rect x="0" y="0" width="190" height="{h}" fill="{SIDE}"/>
  <rect x="190" y="0" width="1" height="{h}" fill="{SIDE_LINE}"/>
  <rect x="10" y="322" width="170" height="1" fill="{SIDE_LINE}"/>"""))


def page_overview():
    w, h = 772, 524
    png("PageOverview.png", S.svg(w, h, f"""
  <defs>
    <linearGradient id="col" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="{BAND}"/><stop offset="1" stop-color="{BAND}"/></linearGradient>
    <linearGradient id="right" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="{PAGE}"/><stop offset="1" stop-color="#e7ecf2"/></linearGradient>
  </defs>
  <rect width="{w}" height="{h}" fill="url(#right)"/>
  <rect x="0" y="0" width="211" height="{h}" fill="{BAND}"/>
  <rect x="14" y="268" width="182" height="1" fill="#ffffff" fill-opacity="0.10"/>
  <rect x="232" y="140" width="520" height="1" fill="{LINE}"/>
  <g opacity="0.035">{S.mark(604, 356, 150, flat=INK)}</g>"""))


def left_button_strip(name, radius):
    w, h = 176, 44
    frames = []
    looks = [
        ("#ffffff", LINE, None),
        (ACCENT_TINT, "#b9d3f6", None),
        ("#dbe9fb", ACCENT, ACCENT),
        ("#eef1f4", "#e0e5ea", None),
    ]
    for fill, line, bar in looks:
        extra = f'<rect x="3" y="9" width="4" height="{h - 18}" rx="2" fill="{bar}"/>' if bar else ""
        frames.append(S.svg(w, h, f"""
  <rect x="0.5" y="0.5" width="{w - 1}" height="{h - 1}" rx="{radius}" fill="{fill}" stroke="{line}"/>
  {extra}"""))
    strip(name, frames)


def update_strip():
    w, h = 150, 32
    frames = []
    looks = [("#ffffff", "#c9d3de", ACCENT), ("#f1f7ff", ACCENT_HI, ACCENT),
             ("#dbe9fb", ACCENT, ACCENT_LO), ("#eef1f4", "#dde2e8", "#a7b1bc")]
    for fill, line, icon in looks:
        frames.append(S.svg(w, h, f"""
  <rect x="0.5" y="0.5" width="{w - 1}" height="{h - 1}" rx="{(h - 1) / 2}" fill="{fill}" stroke="{line}"/>
  {S.refresh_glyph(13, 16, 6.2, icon)}"""))
    strip("Button_update.png", frames)


def attention():
    w, h = 188, 70
    png("attention.png", S.svg(w, h, f"""
  <defs><linearGradient id="a" x1="0" y1="0" x2="1" y2="1">
    <stop offset="0" stop-color="#f2faf3"/><stop offset="1" stop-color="#e2f3e5"/></linearGradient></defs>
  <rect x="0.5" y="0.5" width="{w - 1}" height="{h - 1}" rx="8" fill="url(#a)" stroke="#c4e3ca"/>
  <rect x="60" y="0" width="68" height="3" rx="1.5" fill="#5cb874"/>"""))


def sub_page():
    w, h = 576, 516
    png("SubPageBk.png", S.svg(w, h, f"""
  <defs><clipPath id="c"><rect x="0" y="0" width="{w}" height="{h}" rx="8"/></clipPath></defs>
  <g clip-path="url(#c)">
    <rect width="{w}" height="{h}" fill="{PANEL}"/>
    <rect x="0" y="462" width="{w}" height="{h - 462}" fill="#f6f8fa"/>
    <rect x="0" y="462" width="{w}" height="1" fill="{LINE}"/>
  </g>
  <rect x="0.5" y="0.5" width="{w - 1}" height="{h - 1}" rx="8" fill="none" stroke="{LINE}"/>"""))


def action_strip(name, emphasize):
    w, h = 130, 34
    if emphasize:
        looks = [("#e4effd", "#cfe2fb", ACCENT), ("#eef5fe", "#d9e9fc", ACCENT_HI),
                 ("#c9ddf8", "#bcd4f5", ACCENT_LO), ("#eef1f4", "#eef1f4", "#d5dbe2")]
    else:
        looks = [("#ffffff", "#f3f5f8", "#c5ced9"), ("#ffffff", "#eef4fc", ACCENT_HI),
                 ("#e3ebf5", "#e3ebf5", "#a9b8ca"), ("#f3f5f7", "#f3f5f7", "#e0e4e9")]
    frames = []
    for top, bottom, line in looks:
        sw = 1.5 if emphasize else 1
        o = sw / 2
        frames.append(S.svg(w, h, f"""
  <defs><linearGradient id="b" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="{top}"/><stop offset="1" stop-color="{bottom}"/></linearGradient></defs>
  <rect x="{o}" y="{o}" width="{w - sw}" height="{h - sw}" rx="6" fill="url(#b)" stroke="{line}" stroke-width="{sw}"/>"""))
    strip(name, frames)


def start_scan_strip():
    # No icon: the code centres the translated text over the whole button, and
    # longer translations ("Prüfung starten") would run into one.
    w, h = 200, 56
    looks = [("#ffffff", "#e9f2fe", ACCENT), ("#f6faff", "#dcebfd", ACCENT_HI),
             ("#d3e4fa", "#c3d9f7", ACCENT_LO), ("#f1f3f6", "#e9edf1", "#cfd6de")]
    frames = []
    for top, bottom, line in looks:
        frames.append(S.svg(w, h, f"""
  <defs><linearGradient id="b" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="{top}"/><stop offset="1" stop-color="{bottom}"/></linearGradient></defs>
  <rect x="1.25" y="1.25" width="{w - 2.5}" height="{h - 2.5}" rx="{(h - 2.5) / 2}" fill="url(#b)" stroke="{line}" stroke-width="2.5"/>
  <rect x="30" y="5" width="{w - 60}" height="2" rx="1" fill="#ffffff" fill-opacity="0.9"/>"""))
    strip("start_scan.png", frames)


def registry_scan():
    s = 100
    png("registry_scan.png", S.svg(s, s, f"""
  <defs><linearGradient id="g" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#ffffff"/><stop offset="1" stop-color="{ACCENT_TINT}"/></linearGradient></defs>
  <circle cx="50" cy="50" r="46" fill="url(#g)" stroke="{LINE}"/>
  {S.hive(50, 50, 1.0)}
  <circle cx="66" cy="64" r="15" fill="#ffffff" stroke="{ACCENT}" stroke-width="2"/>
  {S.magnifier(64.5, 62.5, 6.5, ACCENT, 2.4)}"""))


VIEW = "#f5f7fa"      # view backgrounds; cards on them are white
CARD_LINE = "#e2e7ed"


def card(x, y, w, h, fill=PANEL, line=CARD_LINE, r=8):
    return f'<rect x="{x + 0.5}" y="{y + 0.5}" width="{w - 1}" height="{h - 1}" rx="{r}" fill="{fill}" stroke="{line}"/>'


def band(y, h=26):
    return f'<rect x="6" y="{y}" width="564" height="{h}" rx="4" fill="#e8edf3"/>'


def view_bg(name, *parts):
    """A view background (576 x 462): a light tint with white cards. Every
    animation sits on a white card, since the GIFs are drawn on white."""
    w, h = 576, 462
    png(name, S.svg(w, h, f'<rect width="{w}" height="{h}" fill="{VIEW}"/>' + "".join(parts)))


def views():
    header = card(6, 6, 564, 116)
    view_bg("PageScanScanningPre.png", header, band(172),
            card(6, 204, 564, 66), card(6, 274, 564, 76),
            f'<rect x="16" y="214" width="4" height="46" rx="2" fill="{RED}"/>',
            f'<rect x="16" y="284" width="4" height="56" rx="2" fill="{AMBER}"/>')
    view_bg("PageScanScanning.png", header, band(172), card(6, 202, 564, 254))
    view_bg("PageScanResult.png", header, band(148), card(6, 176, 564, 88), card(6, 268, 564, 188),
            f'<rect x="36" y="182" width="3" height="16" rx="1.5" fill="{RED}"/>',
            f'<rect x="36" y="274" width="3" height="16" rx="1.5" fill="{AMBER}"/>')
    view_bg("Detialveiw.png", card(6, 6, 564, 450))
    view_bg("Pagedone.png", card(6, 6, 564, 50),
            card(6, 66, 564, 146, fill="#f3faf5", line="#d3ebd9"))
    view_bg("PageFixing.png", header, card(6, 144, 564, 74), card(6, 224, 564, 80))
    view_bg("PageFixed.png", header, card(6, 144, 564, 62, fill="#f3faf5", line="#d3ebd9"))
    view_bg("PageRestore.png", card(6, 6, 564, 140), card(6, 180, 564, 276))
    view_bg("PageSetting.png", card(6, 6, 564, 50), card(30, 72, 516, 96), card(30, 176, 516, 100))


def meters():
    colours = [None, RED, AMBER, GREEN]
    lit = [0, 1, 3, 5]
    for n in range(4):
        segs = []
        for i in range(5):
            x = 1 + i * 24
            fill = colours[n] if i < lit[n] else "#98a4b1"
            op = 1 if i < lit[n] else 0.45
            segs.append(f'<rect x="{x}" y="4" width="22" height="10" rx="3" fill="{fill}" fill-opacity="{op}"/>')
        png(f"{n}.png", S.svg(120, 18, "".join(segs)))


def emblems():
    png("Status_Serials.png", S.svg(104, 104, S.emblem(RED, "alert")))
    png("Status_Medium.png", S.svg(104, 104, S.emblem(AMBER, "alert")))
    png("Status_Greate.png", S.svg(104, 104, S.emblem(GREEN, "check")))
    png("Logo.png", S.svg(104, 104, f"""{S.mark(8, 8, 88)}
  <circle cx="80" cy="80" r="18" fill="{GREEN}" stroke="#ffffff" stroke-width="3"/>
  <path d="M71,80 l6,6 l11,-12" fill="none" stroke="#ffffff" stroke-width="4" stroke-linecap="round" stroke-linejoin="round"/>"""))


def dialog_bg(name, w, h):
    png(name, S.svg(w, h, f"""
  <defs>
    <clipPath id="c"><rect width="{w}" height="{h}" rx="7.5" ry="7.5"/></clipPath>
    <linearGradient id="band" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="{BAND_HI}"/><stop offset="1" stop-color="{BAND}"/></linearGradient>
  </defs>
  <g clip-path="url(#c)">
    <rect width="{w}" height="{h}" fill="{PANEL}"/>
    <rect width="{w}" height="29" fill="url(#band)"/>
    <rect y="28" width="{w}" height="1" fill="{ACCENT}"/>
    {S.mark(10, 6, 17)}
    <text x="33" y="19.5" font-family="DejaVu Sans" font-weight="bold" font-size="12.5" fill="#ffffff">Clarivo</text>
  </g>
  <rect x="0.5" y="0.5" width="{w - 1}" height="{h - 1}" rx="7.5" fill="none" stroke="#0f1620" stroke-opacity="0.45"/>"""))


# --- Animations -------------------------------------------------------------

LEVELS = {"low": (0.22, RED, "alert"), "min": (0.6, AMBER, "alert"), "max": (0.95, GREEN, "check")}


def gauges():
    frames_n = 16
    for key, (level, colour, kind) in LEVELS.items():
        upper = []
        for i in range(frames_n + 1):
            t = S.ease(i / frames_n)
            upper.append(S.svg(150, 84, S.gauge_arc(level * t, colour)))
        gif(f"{key}2.gif", upper, 5, last_delay=5, loop=0)
        lower = []
        for i in range(frames_n + 1):
            t = S.ease(i / frames_n)
            lower.append(S.svg(150, 140, S.gauge_emblem(t, colour, kind)))
        gif(f"{key}.gif", lower, 5, last_delay=5, loop=0)


def spinners():
    n = 12
    gif("reg_scan_70.gif", [S.svg(104, 104, S.scan_frame(i / n)) for i in range(n)], 8)
    gif("doing.gif", [S.svg(16, 16, S.spinner_frame(i / 8)) for i in range(8)], 9)
    gif("Fixing.gif", [S.svg(104, 104, S.fixing_frame(i / n)) for i in range(n)], 8)
    gif("Fixing_P.gif", [S.svg(400, 12, S.stripe_frame(i / 10)) for i in range(10)], 6)


# --- Icons ------------------------------------------------------------------

CATEGORIES = ["1_MUICache", "2_ObsoleteSoftware", "3_HelpFiles", "4_UnusedFileExtensions",
              "5_MissingShareDLL", "6_InvalidApplication", "7_InvalidActiveXAndCOM",
              "8_InvalidStartMenuOrding", "9_InvalidInstaller", "10_InvalidDefaultIcon",
              "11_InvalidOpenWithApplication"]


def category_icons():
    for folder, bad in (("icon", False), ("icon_witherror", True)):
        os.makedirs(os.path.join(IMG, folder), exist_ok=True)
        for name in CATEGORIES:
            kind = name.split("_", 1)[1]
            ico(os.path.join(IMG, folder, name + ".ico"),
                S.svg(16, 16, S.category(kind, 16, bad), view=32),
                S.svg(32, 32, S.category(kind, 32, bad), view=32))


def app_icon():
    os.makedirs(ICONS, exist_ok=True)
    svg_text = S.svg(256, 256, S.mark(8, 8, 240), view=256)
    with open(os.path.join(ICONS, "clarivo.svg"), "w", encoding="utf-8") as f:
        f.write(svg_text)
    for n in (16, 22, 24, 32, 48, 64, 128, 256):
        d = os.path.join(ICONS, "hicolor", f"{n}x{n}", "apps")
        os.makedirs(d, exist_ok=True)
        small = S.mark(0, 0, 256, small=n <= 24)
        render(S.svg(n, n, small, view=256), os.path.join(d, "clarivo.png"))


def main():
    need("rsvg-convert")
    need("convert")
    os.makedirs(IMG, exist_ok=True)
    main_frame()
    for n in ("btn_overview.png", "btn_Registry_Scan.png", "btn_Restore.png", "btn_Setting.png"):
        tab_strip(n)
    title_strip("Menu.png", "<path d='M8,7 H20 M8,11 H20 M8,15 H20'/>")
    title_strip("Minimize.png", "<path d='M8.5,15 H19.5'/>")
    title_strip("Maximize.png", "<rect x='8.5' y='5.5' width='11' height='11' rx='1.5'/>")
    title_strip("Close.png", "<path d='M9,6 L19,16 M19,6 L9,16'/>", danger=True)
    pill_strip("Button_Help.png", 36, 20)
    pill_strip("Button_OnlineSupport.png", 50, 20)
    splash()
    page_bk()
    page_overview()
    left_button_strip("Button_LeftRoundRect.png", 10)
    left_button_strip("Button_Left.png", 6)
    update_strip()
    attention()
    sub_page()
    action_strip("Button_action.png", False)
    action_strip("Button_action_emphasize.png", True)
    start_scan_strip()
    registry_scan()
    views()
    meters()
    emblems()
    dialog_bg("Background_small.png", 380, 220)
    dialog_bg("Background_medium.png", 480, 320)
    if not os.environ.get("SKIN_QUICK"):  # the slow part: animations and icons
        gauges()
        spinners()
        category_icons()
        app_icon()
    shutil.rmtree(TMP)
    print(f"skin images written to {IMG} and {ICONS}")


if __name__ == "__main__":
    main()
