#!/usr/bin/python3
"""Screenshots of Clarivo's message pages in WebKitGTK (the engine the
program's dialogs use), each composited onto its dialog background the way
the dialog shows it, in English and in German. Texts are translated as the
dialog does (data-msgid, from skin/languages/de.po) and the filled elements
get sample texts.

    xvfb-run -a /usr/bin/python3 skin/art/shoot-html.py [OUTDIR]

Needs python3-gi and gir1.2-webkit2-4.0 (system Python), ImageMagick.
Writes PNGs only to OUTDIR (default build/skin-preview/html).
"""
import json
import warnings
import os
import subprocess
import sys

import gi

warnings.simplefilter("ignore", DeprecationWarning)

gi.require_version("Gtk", "3.0")
gi.require_version("WebKit2", "4.0")
from gi.repository import GLib, Gtk, WebKit2  # noqa: E402

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from po import load_po  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
REPO = os.path.dirname(ROOT)
HTML = os.path.join(ROOT, "html")
OUT = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(REPO, "build", "skin-preview", "html"))

# Page, size (small/medium), sample MsgTitle, sample MsgBody (None: left alone).
PAGES = [
    ("Busy.html", "small", None, None),
    ("Update_already_new.html", "small", None, None),
    ("About.html", "medium", None, None),
    ("Ask.html", "small", "Ask", "Are you sure you want to stop the scan?"),
    ("Noitemselected.html", "small", None, None),
    ("FixBtnClickForScanCanceled.html", "medium", None, None),
    ("Restoreconfirm.html", "small", None, None),
    ("Restoredelete.html", "small", None, None),
    ("Restore_success.html", "small", None, None),
    ("Setting_Success.html", "small", None, None),
    ("Restore_failed.html", "medium", None,
     "clarivo-regedit: cannot open /home/anna/.local/share/Clarivo/Backup/2026-12-08 15.20.11/registry.reg"),
    ("Registry_unreadable.html", "medium", "wine:/home/anna/.wine-games cannot be read",
     "There is no system.reg in this folder: it is not a Wine prefix."),
    ("Registry_locked.html", "medium", None,
     "wine:/home/anna/.wine: user.reg is read-only"),
    ("Backup_failed.html", "medium", None, "No space left on device"),
]
SIZES = {"small": (380, 220, "Background_small.png"), "medium": (480, 320, "Background_medium.png")}
DE = load_po(os.path.join(ROOT, "languages", "de.po"))
DE_SAMPLES = {
    "Ask": "Frage",
    "Are you sure you want to stop the scan?": "Möchten Sie die Prüfung wirklich abbrechen?",
    "wine:/home/anna/.wine-games cannot be read": "wine:/home/anna/.wine-games ist nicht lesbar",
    "There is no system.reg in this folder: it is not a Wine prefix.":
        "In diesem Ordner gibt es keine system.reg: Er ist kein Wine-Präfix.",
    "wine:/home/anna/.wine: user.reg is read-only": "wine:/home/anna/.wine: user.reg ist schreibgeschützt",
    "No space left on device": "Auf dem Gerät ist kein Speicherplatz mehr verfügbar",
}


def script_for(lang, title, body):
    """What the dialog does after loading: translate, then fill."""
    table = DE if lang == "de" else {}
    samples = DE_SAMPLES if lang == "de" else {}
    parts = [f"var t = {json.dumps(table)};",
             "document.querySelectorAll('[data-msgid]').forEach(function (e) {"
             "  var s = t[e.getAttribute('data-msgid')]; if (s) e.textContent = s; });",
             "document.documentElement.lang = " + json.dumps(lang) + ";"]
    for eid, text in (("MsgTitle", title), ("MsgBody", body)):
        if text is not None:
            text = samples.get(text, text)
            parts.append(f"var e = document.getElementById('{eid}'); if (e) e.textContent = {json.dumps(text)};")
    parts.append("var v = document.getElementById('Version');"
                 "if (v && v.textContent.indexOf('@') == 0) v.textContent = '0.1.0';")
    parts.append("var o = document.scrollingElement;"
                 "(o.scrollHeight > o.clientHeight || o.scrollWidth > o.clientWidth) ? "
                 "'OVERFLOW ' + o.scrollWidth + 'x' + o.scrollHeight : 'fits';")
    return "\n".join(parts)


HELP = [("../help/index.html", "help", None, None), ("../help/de/index.html", "help", None, None)]
SIZES["help"] = (1028, 843, None)


class Shooter:
    def __init__(self):
        self.jobs = [(p, lang) for p in PAGES for lang in ("en", "de")]
        self.jobs += [(p, "en") for p in HELP]  # the help pages, whole, as they are
        self.window = Gtk.OffscreenWindow()
        self.view = WebKit2.WebView()
        self.window.add(self.view)
        self.view.connect("load-changed", self.on_load)
        self.problems = []
        os.makedirs(OUT, exist_ok=True)

    def next(self):
        if not self.jobs:
            Gtk.main_quit()
            return
        (self.page, self.size, self.title, self.body), self.lang = self.jobs.pop(0)
        w, h, _ = SIZES[self.size]
        self.view.set_size_request(w - 28, h - 43)
        self.window.resize(w - 28, h - 43)
        self.window.show_all()
        self.view.load_uri("file://" + os.path.join(HTML, self.page))

    def on_load(self, view, event):
        if event != WebKit2.LoadEvent.FINISHED:
            return
        if self.size == "help":
            GLib.timeout_add(300, self.snap)
            return
        view.run_javascript(script_for(self.lang, self.title, self.body), None, self.on_script)

    def on_script(self, view, result):
        value = view.run_javascript_finish(result).get_js_value().to_string()
        if value != "fits":
            self.problems.append(f"{self.page} ({self.lang}): {value}")
        GLib.timeout_add(150, self.snap)

    def snap(self):
        region = WebKit2.SnapshotRegion.FULL_DOCUMENT if self.size == "help" else WebKit2.SnapshotRegion.VISIBLE
        self.view.get_snapshot(region, WebKit2.SnapshotOptions.NONE, None,
                               self.on_snapshot)
        return False

    def on_snapshot(self, view, result):
        surface = view.get_snapshot_finish(result)
        inner = os.path.join(OUT, "inner.png")
        surface.write_to_png(inner)
        _, _, bg = SIZES[self.size]
        if bg is None:
            name = "help-" + ("de" if "/de/" in self.page else "en") + ".png"
            os.replace(inner, os.path.join(OUT, name))
            self.next()
            return
        name = f"{os.path.splitext(self.page)[0]}-{self.lang}.png"
        subprocess.run(["convert", os.path.join(ROOT, "images", bg), inner, "-geometry", "+14+29",
                        "-composite", os.path.join(OUT, name)], check=True)
        os.remove(inner)
        self.next()


def main():
    s = Shooter()
    GLib.idle_add(s.next)
    Gtk.main()
    for p in s.problems:
        print("does not fit:", p)
    print(f"page shots written to {OUT}")
    return 1 if s.problems else 0


if __name__ == "__main__":
    sys.exit(main())
