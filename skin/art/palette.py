"""The skin's colours: one accent on calm light greys, a dark title band.

Keep skin/html/clarivo.css and skin/help/help.css in step with these.
"""
BAND = "#1d2733"        # title band, dark column of the overview
BAND_HI = "#28384a"     # top of the title band gradient
ACCENT = "#2f7fe0"      # the one accent colour
ACCENT_HI = "#4b94ee"
ACCENT_LO = "#1f63b8"
ACCENT_TINT = "#eaf3fe"
PAGE = "#eef2f6"        # page background, selected tab
COLUMN = "#dfe5ec"      # main window margin around the pages
SIDE = "#e4e9ef"        # left column of the pages
SIDE_LINE = "#d3dae3"
PANEL = "#ffffff"       # sub-page and views
LINE = "#dfe4ea"
INK = "#1e1e1e"
MUTED = "#6b7785"
RED = "#e5484d"
AMBER = "#f0a020"
GREEN = "#2f9e5b"
