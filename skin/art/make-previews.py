#!/usr/bin/env python3
"""Mock-ups of Clarivo's windows from the skin images, for looking at the art
before (and besides) the real program: the main window with each page, its
buttons and sample texts at the places and sizes the window code uses, in
English and in German (from skin/languages/de.po), plus a contact sheet of
every image and icon. The HTML message pages are shot by shoot-html.sh.

    python3 skin/art/make-previews.py [OUTDIR]     (default build/skin-preview)

Needs ImageMagick and the DejaVu fonts. Writes PNGs only to OUTDIR.
"""
import os
import subprocess
import sys
import tempfile

from po import load_po

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
REPO = os.path.dirname(ROOT)
IMG = os.path.join(ROOT, "images")
OUT = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(REPO, "build", "skin-preview"))
TMP = tempfile.mkdtemp(prefix="clarivo-preview-")
FONT = "DejaVu-Sans"
BOLD = "DejaVu-Sans-Bold"
PX_PER_PT = 96 / 72  # the screens the program is looked at on


DE = load_po(os.path.join(ROOT, "languages", "de.po"))


class Canvas:
    def __init__(self, base, lang):
        self.path = os.path.join(TMP, f"canvas-{id(self)}.png")
        self.lang = lang
        subprocess.run(["convert", base, self.path], check=True)

    def tr(self, s):
        if self.lang == "de":
            return DE.get(s) or s
        return s

    def image(self, name, x, y, frame=None, frames=4):
        src = os.path.join(IMG, name)
        if name.endswith(".gif"):
            src += "[-1]"  # the animation's resting frame
        args = ["convert", src]
        if frame is not None:
            h = int(subprocess.run(["identify", "-format", "%h", src], capture_output=True,
                                   text=True, check=True).stdout) // frames
            w = int(subprocess.run(["identify", "-format", "%w", src], capture_output=True,
                                   text=True, check=True).stdout)
            args += ["-crop", f"{w}x{h}+0+{h * frame}", "+repage"]
        piece = os.path.join(TMP, "piece.png")
        subprocess.run(args + [piece], check=True)
        self._put(piece, x, y)

    def _put(self, piece, x, y):
        subprocess.run(["convert", self.path, piece, "-geometry", f"+{x}+{y}", "-composite", self.path],
                       check=True)

    def text(self, s, x, y, pt=9, colour="#000000", bold=False, width=None, centre=False, height=None,
             translate=True):
        s = self.tr(s) if translate else s
        piece = os.path.join(TMP, "text.png")
        args = ["convert", "-background", "none", "-fill", colour, "-font", BOLD if bold else FONT,
                "-density", "72", "-pointsize", str(round(pt * PX_PER_PT, 1))]
        if width:
            args += ["-size", f"{width}x{height or ''}", "-gravity", "center" if centre else "west",
                     f"caption:{s}"]
        else:
            args += [f"label:{s}"]
        subprocess.run(args + [piece], check=True)
        self._put(piece, x, y)

    def save(self, name):
        os.makedirs(OUT, exist_ok=True)
        subprocess.run(["convert", self.path, os.path.join(OUT, name)], check=True)


def page_at(c, x0=9, y0=60):
    """Offsets a page's co-ordinates into the main window."""
    return lambda x, y: (x0 + x, y0 + y)


def chrome(c, tab):
    tabs = [("btn_overview.png", "Overview"), ("btn_Registry_Scan.png", "Registry scan"),
            ("btn_Restore.png", "Restore"), ("btn_Setting.png", "Settings")]
    for i, (img, label) in enumerate(tabs):
        x = 299 + 122 * i
        c.image(img, x, 25, frame=2 if i == tab else 0)
        c.text(label, x, 25, pt=9, bold=True, width=118, height=35, centre=True)
    c.image("Menu.png", 690, 1, frame=0)
    c.image("Minimize.png", 720, 1, frame=0)
    c.image("Close.png", 748, 1, frame=0)
    c.image("Button_Help.png", 653, 2, frame=0)
    c.text("Help", 653, 2, pt=8, colour="#ffffff", width=36, height=20, centre=True)


def page_frame(c, slots, chosen):
    """A top-level page: its background, left buttons and the fixed texts."""
    p = page_at(c)
    c.image("PageBk.png", *p(0, 0))
    for i, label in enumerate(slots):
        img = "Button_LeftRoundRect.png" if i == 0 else "Button_Left.png"
        x, y = p(9, 9 + 50 * i)
        c.image(img, x, y, frame=2 if i == chosen else 0)
        c.text(label, x + 10, y, pt=9, bold=True, width=156, height=44, centre=True)
    c.text("80% PC problems are \ncaused by the registry errors!", *p(1, 338), pt=9, width=188, centre=True)
    c.image("attention.png", *p(1, 404))
    c.text("LIVEUPDATE", *p(1, 411), pt=10, bold=True, colour="#008000", width=188, centre=True)
    c.text("Improve PC security,\r\nperformance and stability".replace("\r", ""), *p(1, 440), pt=9,
           colour="#286c28", width=188, centre=True)
    x, y = p(29, 476)
    c.image("Button_update.png", x, y, frame=0)
    c.text("Check for updates", x + 25, y, pt=9, bold=True, colour="#1e3c1e", width=125, height=32)
    sx, sy = p(192, 4)
    c.image("SubPageBk.png", sx, sy)
    return lambda x, y: (sx + x, sy + y)


def action(c, sp, i, label, emphasize=False):
    x, y = sp(20 + 140 * i, 470)
    c.image("Button_action_emphasize.png" if emphasize else "Button_action.png", x, y, frame=0)
    c.text(label, x, y, pt=9, width=130, height=34, centre=True)


def overview(lang):
    c = Canvas(os.path.join(IMG, "MainFrame.png"), lang)
    chrome(c, 0)
    p = page_at(c)
    c.image("PageOverview.png", *p(0, 0))
    c.image("registry_scan.png", *p(218, 19))
    c.image("attention.png", *p(1, 404))
    c.image("2.png", *p(42, 323))
    c.image("min2.gif", *p(32, 35))
    c.image("min.gif", *p(32, 121))
    c.text("PC health score:", *p(1, 277), pt=10, bold=True, colour="#ffffff", width=210, centre=True)
    c.text("62", *p(1, 296), pt=14, bold=True, colour="#e40112", width=210, centre=True, translate=False)
    c.text("Please fix your PC!", *p(1, 345), pt=9, bold=True, colour="#ffffff", width=210, centre=True)
    c.text("Total error fixed: ", *p(1, 371), pt=9, colour="#ffffff", width=210, centre=True)
    c.text("LIVEUPDATE", *p(1, 411), pt=10, bold=True, colour="#008000", width=188, centre=True)
    c.text("Improve PC security,\nperformance and stability", *p(1, 440), pt=9, colour="#286c28",
           width=188, centre=True)
    x, y = p(29, 476)
    c.image("Button_update.png", x, y, frame=0)
    c.text("Check for updates", x + 25, y, pt=9, bold=True, colour="#1e3c1e", width=125, height=32)
    c.text("Registry status on last scan:", *p(332, 25), pt=10)
    c.text("%d registry errors need to be fixed!".replace("%d", "23"), *p(332, 61), pt=15, bold=True,
           colour="#e40112")
    c.text("Last scan: 08.12.2026 15:20", *p(332, 98), pt=10, bold=True, translate=False)
    c.text("With more registry errors, PC startup time will be longer; PC will become slower, often "
           "freeze or even crash.", *p(232, 155), pt=11, colour="#808080", width=520)
    c.text("Clarivo improve PC security,performance and stability!", *p(232, 225), pt=11,
           colour="#808080", width=520)
    x, y = p(366, 273)
    c.image("start_scan.png", x, y, frame=0)
    c.text("Start scan", x, y, pt=11, bold=True, width=200, height=56, centre=True)
    c.save(f"main-overview-{lang}.png")


def scan_pre(lang):
    c = Canvas(os.path.join(IMG, "MainFrame.png"), lang)
    chrome(c, 1)
    sp = page_frame(c, ["Start new scan", "Latest scan report"], 0)
    c.image("PageScanScanningPre.png", *sp(0, 0))
    c.image("Status_Medium.png", *sp(18, 11))
    c.image("2.png", *sp(436, 59))
    c.text("Last successful scan results:", *sp(139, 17), pt=10, bold=True)
    c.text("%d registry errors need to be fixed!".replace("%d", "23"), *sp(139, 39), pt=9, bold=True,
           colour="#e40112")
    c.text("Last scan: 08.12.2026 15:20", *sp(139, 89), pt=9, bold=True, translate=False)
    c.text("PC health score:", *sp(428, 37), pt=10, bold=True)
    c.text("62", *sp(541, 34), pt=10, bold=True, colour="#e40112", translate=False)
    c.text("Please fix your PC!", *sp(409, 82), pt=9, bold=True, colour="#e40112")
    c.text("Errors category", *sp(30, 178), pt=10, bold=True)
    c.text("Current errors", *sp(469, 178), pt=10, bold=True)
    c.text("5", *sp(509, 225), pt=15, bold=True, translate=False)
    c.text("18", *sp(509, 295), pt=15, bold=True, translate=False)
    c.text("Serious errors causing computer freeze and even crash", *sp(39, 212), pt=9, bold=True)
    c.text("Typical symptoms are random system freeze, system or software un-responding, or even blue "
           "screen.", *sp(51, 232), pt=9, width=440)
    c.text("Errors slowing down computer performance and booting speed", *sp(39, 282), pt=9, bold=True)
    c.text("Typical symptoms are computer slowing down, long booting time and long waiting time while "
           "using the Internet, starting up or running a program.", *sp(51, 302), pt=9, width=440)
    c.text("%d registry errors need to be fixed!".replace("%d", "23"), *sp(143, 364), pt=13, bold=True)
    action(c, sp, 3, "Start scan", emphasize=True)
    c.save(f"main-scan-{lang}.png")


def scanning(lang):
    c = Canvas(os.path.join(IMG, "MainFrame.png"), lang)
    chrome(c, 1)
    sp = page_frame(c, ["Start new scan", "Latest scan report"], 0)
    c.image("PageScanScanning.png", *sp(0, 0))
    c.image("reg_scan_70.gif", *sp(18, 11))
    c.text("%d registry errors need to be fixed!".replace("%d", "7"), *sp(137, 11), pt=14, bold=True,
           colour="#e40112")
    c.text("This progress may take a few moments.", *sp(137, 43), pt=9, bold=True)
    c.text("Scanning on: HKEY_CLASSES_ROOT\\CLSID\\{0002...", *sp(18, 142), pt=9, colour="#787878",
           translate=False)
    c.text("Errors category", *sp(30, 178), pt=10, bold=True)
    rows = [("5_MissingShareDLL", "Invalid shared DLLs", "2 error(s) found", True),
            ("7_InvalidActiveXAndCOM", "Invalid ActiveX,COM section", "ok", False),
            ("6_InvalidApplication", "Invalid file associations", "0 error(s) found", False)]
    for i, (icon, name, count, bad) in enumerate(rows):
        y = 204 + 22 * i
        c.image(("icon_witherror/" if bad else "icon/") + icon + ".ico[0]", *sp(24, y + 2))
        colour = "#e40112" if bad else "#008000"
        c.text(name, *sp(46, y + 2), pt=9, colour=colour)
        c.text(count, *sp(420, y + 2), pt=9, colour=colour, width=135)
    c.image("doing.gif", *sp(24, 260))
    action(c, sp, 3, "Stop scan", emphasize=True)
    c.save(f"main-scanning-{lang}.png")


def fixing(lang):
    c = Canvas(os.path.join(IMG, "MainFrame.png"), lang)
    chrome(c, 1)
    sp = page_frame(c, ["Start new scan", "Latest scan report"], 1)
    c.image("PageFixing.png", *sp(0, 0))
    c.image("Fixing.gif", *sp(18, 11))
    c.image("Fixing_P.gif", *sp(137, 90))
    c.image("doing.gif", *sp(10, 156))
    c.text("Fixing %d registry errors".replace("%d", "23"), *sp(137, 32), pt=14, colour="#008000")
    c.text("It may take a few moments...", *sp(137, 63), pt=10)
    c.text("Step 1: Backup your registry", *sp(48, 156), pt=10, bold=True)
    c.text("Clarivo  is now making a backup of your registry to ensure that any changes made can be "
           "undone easily. It may take a few moments.  Please wait patiently.", *sp(48, 177), pt=9, width=500)
    c.text("Step 2: Repair your registry errors", *sp(48, 233), pt=10, bold=True, colour="#808080")
    c.save(f"main-fixing-{lang}.png")


def settings(lang):
    c = Canvas(os.path.join(IMG, "MainFrame.png"), lang)
    chrome(c, 3)
    sp = page_frame(c, ["System settings"], 0)
    c.image("PageSetting.png", *sp(0, 0))
    c.text("System settings", *sp(20, 15), pt=15)
    c.text("Navigation", *sp(50, 82), pt=10, bold=True)
    c.text("Minimize Clarivo to taskbar", *sp(101, 110), pt=9)
    c.text("Minimize Clarivo to system tray", *sp(101, 138), pt=9)
    c.text("Other settings", *sp(50, 186), pt=10, bold=True)
    c.text("Launch Clarivo when Windows starts", *sp(76, 218), pt=9)
    c.text("Automatically start a registry scan when Clarivo launches", *sp(76, 243), pt=9)
    action(c, sp, 3, "Save", emphasize=True)
    c.save(f"main-settings-{lang}.png")


def restore(lang):
    c = Canvas(os.path.join(IMG, "MainFrame.png"), lang)
    chrome(c, 2)
    sp = page_frame(c, ["Registry restore"], 0)
    c.image("PageRestore.png", *sp(0, 0))
    c.text("Registry restore", *sp(21, 14), pt=15)
    c.text("Whenever any changes are made to the registry, Clarivo automatically creates a backup file.  "
           "You can rollback your computer registry to any earlier status at any time.", *sp(21, 68), pt=9,
           width=530)
    c.text("Select a backup point and click \"Restore\" button. You can also delete an old backup by "
           "selecting it and clicking \"Delete selected\".", *sp(21, 108), pt=9, width=530)
    c.text("Recent registry backups", *sp(21, 154), pt=13, bold=True)
    action(c, sp, 2, "Delete selected")
    action(c, sp, 3, "Restore", emphasize=True)
    c.save(f"main-restore-{lang}.png")


def done(lang):
    c = Canvas(os.path.join(IMG, "MainFrame.png"), lang)
    chrome(c, 1)
    sp = page_frame(c, ["Start new scan", "Latest scan report"], 1)
    c.image("Pagedone.png", *sp(0, 0))
    c.image("Status_Greate.png", *sp(45, 80))
    c.text("Registry scan complete", *sp(21, 14), pt=16)
    c.text("Congratulations!", *sp(142, 105), pt=15, colour="#008000")
    c.text("No registry errors were found.", *sp(142, 142), pt=15, colour="#008000")
    c.text("Your registry is healthy now. To keep it work at a peak performance, you should conduct a "
           "complete scan of your registry every week.", *sp(89, 232), pt=9, width=440)
    action(c, sp, 3, "Back to overview", emphasize=True)
    c.save(f"main-done-{lang}.png")


def sheet():
    names = sorted(f for f in os.listdir(IMG) if f.endswith((".png", ".gif")))
    args = ["montage", "-background", "#c8ccd2", "-font", FONT, "-pointsize", "10", "-label", "%f"]
    for n in names:
        args.append(os.path.join(IMG, n) + ("[-1]" if n.endswith(".gif") else ""))
    args += ["-geometry", "+6+6", "-tile", "8x", os.path.join(OUT, "sheet-images.png")]
    subprocess.run(args, check=True)
    icons = []
    for folder in ("icon", "icon_witherror"):
        for n in sorted(os.listdir(os.path.join(IMG, folder))):
            icons += [os.path.join(IMG, folder, n) + "[0]", os.path.join(IMG, folder, n) + "[1]"]
    subprocess.run(["montage", "-background", "#ffffff", *icons, "-geometry", "32x32>+6+6", "-tile", "22x",
                    os.path.join(OUT, "sheet-icons.png")], check=True)


def main():
    os.makedirs(OUT, exist_ok=True)
    only = os.environ.get("ONLY")
    for lang in ("en", "de"):
        for f in (overview, scan_pre, scanning, fixing, settings, restore, done):
            if only and only not in f.__name__:
                continue
            f(lang)
    if not only:
        sheet()
    print(f"previews written to {OUT}")


if __name__ == "__main__":
    main()
