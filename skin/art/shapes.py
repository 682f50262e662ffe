"""SVG shapes shared by the skin's pictures: the brand mark, glyphs, emblems
and the frames of the animations."""
import math

from palette import ACCENT, ACCENT_HI, ACCENT_LO, BAND, LINE, RED

_ids = [0]


def _uid(prefix):
    _ids[0] += 1
    return f"{prefix}{_ids[0]}"


def svg(w, h, body, view=None):
    box = f"0 0 {view} {view}" if view else f"0 0 {w} {h}"
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" viewBox="{box}">'
            f"{body}</svg>\n")


def ease(t):
    return 1 - (1 - t) ** 3


def _polar(cx, cy, r, deg):
    a = math.radians(deg)
    return cx + r * math.cos(a), cy + r * math.sin(a)


def arc_path(cx, cy, r, start_deg, end_deg):
    """An arc drawn clockwise (screen co-ordinates) from start to end."""
    x0, y0 = _polar(cx, cy, r, start_deg)
    x1, y1 = _polar(cx, cy, r, end_deg)
    large = 1 if (end_deg - start_deg) % 360 > 180 else 0
    return f"M{x0:.2f},{y0:.2f} A{r},{r} 0 {large} 1 {x1:.2f},{y1:.2f}"


def mark(x, y, size, flat=None, small=False):
    """The brand mark: an accent tile with an open ring and a check through
    its opening. `small` draws only the ring, thicker, for tiny icons."""
    gid = _uid("mk")
    s = size / 100.0
    fill = flat or f"url(#{gid})"
    grad = "" if flat else (
        f'<defs><linearGradient id="{gid}" x1="0" y1="0" x2="1" y2="1">'
        f'<stop offset="0" stop-color="{ACCENT_HI}"/><stop offset="1" stop-color="{ACCENT_LO}"/>'
        f"</linearGradient></defs>")
    ring = arc_path(50, 50, 27, 42, 318)
    width = 15 if small else 10.5
    check = "" if small else (
        '<path d="M37,51 L47,61 L72,35" fill="none" stroke="#ffffff" stroke-width="10.5" '
        'stroke-linecap="round" stroke-linejoin="round"/>')
    return (f'<g transform="translate({x},{y}) scale({s})">{grad}'
            f'<rect x="0" y="0" width="100" height="100" rx="23" fill="{fill}"/>'
            f'<path d="{ring}" fill="none" stroke="#ffffff" stroke-width="{width}" stroke-linecap="round"/>'
            f"{check}</g>")


def magnifier(cx, cy, r, colour, sw):
    hx, hy = cx + r * 0.72, cy + r * 0.72
    return (f'<circle cx="{cx}" cy="{cy}" r="{r}" fill="none" stroke="{colour}" stroke-width="{sw}"/>'
            f'<path d="M{hx:.1f},{hy:.1f} l{r * 0.75:.1f},{r * 0.75:.1f}" stroke="{colour}" '
            f'stroke-width="{sw * 1.25:.1f}" stroke-linecap="round"/>')


def refresh_glyph(cx, cy, r, colour):
    a = arc_path(cx, cy, r, 200, 470)
    ex, ey = _polar(cx, cy, r, 110)
    return (f'<path d="{a}" fill="none" stroke="{colour}" stroke-width="2" stroke-linecap="round"/>'
            f'<path d="M{ex - 4.2:.1f},{ey - 1.6:.1f} L{ex + 0.4:.1f},{ey + 0.2:.1f} L{ex - 1.2:.1f},{ey - 4.6:.1f}" '
            f'fill="none" stroke="{colour}" stroke-width="2" stroke-linecap="round" stroke-linejoin="round"/>')


def shield(cx, cy, size, colour):
    s = size / 30.0
    return (f'<g transform="translate({cx - 15 * s},{cy - 15 * s}) scale({s})">'
            f'<path d="M15,1 L27,5.5 V14 C27,21.5 21.5,27 15,29 C8.5,27 3,21.5 3,14 V5.5 Z" fill="{colour}"/>'
            f'<path d="M9.5,15 L13.5,19 L21,11" fill="none" stroke="#ffffff" stroke-width="2.6" '
            f'stroke-linecap="round" stroke-linejoin="round"/></g>')


def hive(cx, cy, s):
    """A small key tree: the registry as the user pictures it."""
    def box(x, y, fill):
        return f'<rect x="{x - 7}" y="{y - 6}" width="14" height="12" rx="3" fill="{fill}"/>'
    g = f'<g transform="translate({cx - 50 * s},{cy - 50 * s}) scale({s})">'
    g += (f'<path d="M36,30 V66 M36,48 H52 M36,66 H52" fill="none" stroke="{ACCENT}" '
          f'stroke-width="3" stroke-linecap="round"/>')
    g += box(36, 28, ACCENT) + box(58, 48, ACCENT_HI) + box(58, 66, ACCENT_HI)
    return g + "</g>"


def emblem(colour, kind):
    gid = _uid("em")
    glyph = ('<path d="M52,31 V57" stroke="#ffffff" stroke-width="9.5" stroke-linecap="round"/>'
             '<circle cx="52" cy="72" r="5.5" fill="#ffffff"/>') if kind == "alert" else (
        '<path d="M35,53 L47,65 L70,40" fill="none" stroke="#ffffff" stroke-width="9.5" '
        'stroke-linecap="round" stroke-linejoin="round"/>')
    return (f'<defs><radialGradient id="{gid}" cx="0.35" cy="0.3" r="0.8">'
            f'<stop offset="0" stop-color="#ffffff" stop-opacity="0.28"/>'
            f'<stop offset="1" stop-color="#ffffff" stop-opacity="0"/></radialGradient></defs>'
            f'<circle cx="52" cy="52" r="44" fill="{colour}" fill-opacity="0.16"/>'
            f'<circle cx="52" cy="52" r="39" fill="{colour}"/>'
            f'<circle cx="52" cy="52" r="39" fill="url(#{gid})"/>{glyph}')


# --- Animation frames ---------------------------------------------------------

def gauge_arc(value, colour):
    """Upper half of the overview gauge, on the dark column: a track, the
    filled part up to `value` (0..1) and a needle."""
    cx, cy, r = 75, 75, 60
    body = f'<rect width="150" height="84" fill="{BAND}"/>'
    body += (f'<path d="{arc_path(cx, cy, r, 180, 360)}" fill="none" stroke="#ffffff" '
             f'stroke-opacity="0.13" stroke-width="12" stroke-linecap="round"/>')
    for k in range(11):
        tx0, ty0 = _polar(cx, cy, r - 13, 180 + 18 * k)
        tx1, ty1 = _polar(cx, cy, r - 17, 180 + 18 * k)
        body += (f'<path d="M{tx0:.1f},{ty0:.1f} L{tx1:.1f},{ty1:.1f}" stroke="#ffffff" '
                 f'stroke-opacity="0.35" stroke-width="1.5" stroke-linecap="round"/>')
    if value > 0.005:
        body += (f'<path d="{arc_path(cx, cy, r, 180, 180 + 180 * value)}" fill="none" '
                 f'stroke="{colour}" stroke-width="12" stroke-linecap="round"/>')
    nx, ny = _polar(cx, cy, r - 22, 180 + 180 * value)
    body += (f'<path d="M{cx},{cy} L{nx:.1f},{ny:.1f}" stroke="#ffffff" stroke-width="3.2" '
             f'stroke-linecap="round"/><circle cx="{cx}" cy="{cy}" r="6" fill="#ffffff"/>'
             f'<circle cx="{cx}" cy="{cy}" r="2.5" fill="{colour}"/>')
    return body


def gauge_emblem(t, colour, kind):
    """Lower part of the overview gauge: the level's emblem growing in."""
    s = 0.55 + 0.45 * t
    body = f'<rect width="150" height="140" fill="{BAND}"/>'
    body += (f'<circle cx="75" cy="66" r="{56 * s:.1f}" fill="{colour}" fill-opacity="{0.16 * t:.3f}"/>')
    body += (f'<g transform="translate(75,66) scale({s * 0.9:.3f}) translate(-52,-52)" '
             f'opacity="{min(1.0, 0.2 + t):.3f}">{emblem(colour, kind)}</g>')
    return body


def scan_frame(t):
    cx = cy = 52
    a = 360 * t - 90
    body = '<rect width="104" height="104" fill="#ffffff"/>'
    body += f'<circle cx="{cx}" cy="{cy}" r="44" fill="none" stroke="{LINE}" stroke-width="6"/>'
    body += (f'<path d="{arc_path(cx, cy, 44, a, a + 100)}" fill="none" stroke="{ACCENT}" '
             f'stroke-width="6" stroke-linecap="round"/>')
    body += hive(cx - 4, cy, 0.62)
    mx, my = _polar(cx, cy, 10, a + 100)
    body += (f'<circle cx="{mx + 8:.1f}" cy="{my + 8:.1f}" r="11" fill="#ffffff" fill-opacity="0.85"/>'
             + magnifier(mx + 7, my + 7, 7, ACCENT_LO, 2.6))
    return body


def spinner_frame(t):
    a = 360 * t - 90
    return ('<rect width="16" height="16" fill="#ffffff"/>'
            f'<circle cx="8" cy="8" r="5.5" fill="none" stroke="{LINE}" stroke-width="2.2"/>'
            f'<path d="{arc_path(8, 8, 5.5, a, a + 110)}" fill="none" stroke="{ACCENT}" '
            f'stroke-width="2.2" stroke-linecap="round"/>')


def fixing_frame(t):
    cx = cy = 52
    a = 360 * t - 90
    wobble = 14 * math.sin(2 * math.pi * t)
    body = '<rect width="104" height="104" fill="#ffffff"/>'
    body += f'<circle cx="{cx}" cy="{cy}" r="44" fill="none" stroke="{LINE}" stroke-width="6"/>'
    body += (f'<path d="{arc_path(cx, cy, 44, a, a + 100)}" fill="none" stroke="{ACCENT}" '
             f'stroke-width="6" stroke-linecap="round"/>')
    body += (f'<g transform="rotate({wobble:.1f} {cx} {cy})">'
             f'<path d="M40,66 L58,48" stroke="{ACCENT_LO}" stroke-width="7" stroke-linecap="round"/>'
             f'<path d="M56.5,36.5 a11,11 0 1 0 11,11 l-6,1.5 l-4.5,-2.5 l-2.5,-4.5 Z" fill="{ACCENT_LO}"/>'
             f'</g>')
    return body


def stripe_frame(t):
    period = 20
    shift = t * period
    gid = _uid("st")
    stripes = "".join(
        f'<path d="M{x + shift:.1f},12 L{x + shift + 8:.1f},0 L{x + shift + 16:.1f},0 L{x + shift + 8:.1f},12 Z" '
        f'fill="#ffffff" fill-opacity="0.28"/>' for x in range(-period * 2, 420, period))
    return (f'<rect width="400" height="12" fill="#ffffff"/>'
            f'<defs><clipPath id="{gid}"><rect x="0" y="0" width="400" height="12" rx="6"/></clipPath></defs>'
            f'<g clip-path="url(#{gid})"><rect width="400" height="12" fill="{ACCENT}"/>{stripes}</g>')


# --- Category pictograms (drawn in a 32-unit box) --------------------------------

GLYPHS = {
    "MUICache": '<circle cx="16" cy="16" r="8"/><ellipse cx="16" cy="16" rx="3.4" ry="8"/><path d="M8,16 H24"/>',
    "ObsoleteSoftware": '<path d="M8,12 L16,8 L24,12 L24,21 L16,25 L8,21 Z M8,12 L16,16 L24,12 M16,16 V25"/>',
    "HelpFiles": ('<path d="M12.2,12.6 a3.9,3.9 0 1 1 6,3.3 c-1.4,0.9 -2.2,1.7 -2.2,3.4"/>'
                  '<circle cx="16" cy="23.3" r="0.6" stroke-width="2.6"/>'),
    "UnusedFileExtensions": ('<path d="M10,7 H18 L23,12 V25 H10 Z M18,7 V12 H23"/>'
                             '<path d="M13.5,19 h0.01 M16.5,19 h0.01 M19.5,19 h0.01" stroke-width="2.8"/>'),
    "MissingShareDLL": '<path d="M16,7.5 L25,12 L16,16.5 L7,12 Z M7,16 L16,20.5 L25,16 M7,20 L16,24.5 L25,20"/>',
    "InvalidApplication": '<rect x="7" y="8" width="18" height="16" rx="2"/><path d="M7,12.5 H25"/>',
    "InvalidActiveXAndCOM": ('<circle cx="10" cy="10.5" r="3"/><circle cx="22" cy="10.5" r="3"/>'
                             '<circle cx="16" cy="22" r="3"/><path d="M13,10.5 H19 M11.5,13 L14.5,19.4 M20.5,13 L17.5,19.4"/>'),
    "InvalidStartMenuOrding": ('<rect x="8" y="8" width="6.5" height="6.5" rx="1.2"/><rect x="17.5" y="8" width="6.5" height="6.5" rx="1.2"/>'
                               '<rect x="8" y="17.5" width="6.5" height="6.5" rx="1.2"/><rect x="17.5" y="17.5" width="6.5" height="6.5" rx="1.2"/>'),
    "InvalidInstaller": '<path d="M16,7 V18 M11.5,13.5 L16,18 L20.5,13.5 M8,19 V24 H24 V19"/>',
    "InvalidDefaultIcon": ('<rect x="7" y="8" width="18" height="16" rx="2"/><path d="M9.5,21.5 L14,16.5 L17.5,20 L19.5,18 L22.5,21.5"/>'
                           '<circle cx="20" cy="12.8" r="0.9" stroke-width="2"/>'),
    "InvalidOpenWithApplication": '<path d="M14,9 H9 V23 H23 V18 M17,8 H24 V15 M24,8 L15,17"/>',
}


def category(kind, px, bad):
    gid = _uid("ct")
    sw = 3.0 if px <= 16 else 2.3
    body = (f'<defs><linearGradient id="{gid}" x1="0" y1="0" x2="0" y2="1">'
            f'<stop offset="0" stop-color="{ACCENT_HI}"/><stop offset="1" stop-color="{ACCENT}"/></linearGradient></defs>'
            f'<rect x="1" y="1" width="30" height="30" rx="7" fill="url(#{gid})"/>'
            f'<g fill="none" stroke="#ffffff" stroke-width="{sw}" stroke-linecap="round" '
            f'stroke-linejoin="round">{GLYPHS[kind]}</g>')
    if bad:
        body += (f'<circle cx="24.5" cy="24.5" r="7.2" fill="{RED}" stroke="#ffffff" stroke-width="1.8"/>'
                 '<path d="M24.5,20.6 V25.3" stroke="#ffffff" stroke-width="2.3" stroke-linecap="round"/>'
                 '<circle cx="24.5" cy="28.2" r="1.2" fill="#ffffff"/>')
    return body
