#!/usr/bin/env python3
"""Writes the instrument artwork (SVG) into this folder.

The speed dials share their geometry with InstrumentGeometry::DialArtwork: a
240 x 140 box, the needle's pivot at (120, 122), ticks ending on a circle of
radius 104, and half a turn of the needle from the left end (0) over the top to
the right end (172 km/h on "speed_dial_kmh", 90 mph on "speed_dial_mph")."""
import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))
FONT = "font-family='DejaVu Sans, Liberation Sans, Arial, sans-serif'"


def write(name, body, w, h):
    with open(os.path.join(HERE, name + ".svg"), "w") as f:
        f.write(f"<svg xmlns='http://www.w3.org/2000/svg' width='{w}' height='{h}' viewBox='0 0 {w} {h}'>\n")
        f.write(body)
        f.write("</svg>\n")


def fmt(v):
    return f"{v:.2f}".rstrip("0").rstrip(".")


# ---- speed dials -----------------------------------------------------------
W, H, PX, PY = 240, 140, 120, 122
R_OUT, MAJOR = 104, 14


def dial_point(value, half_turn, r):
    a = math.pi - value / half_turn * math.pi   # counter-clockwise from +x, y up
    return PX + r * math.cos(a), PY - r * math.sin(a)


def dial(name, half_turn, major_step, minor_step, unit, red_from, accent):
    b = []
    b.append("<defs>"
             "<linearGradient id='face' x1='0' y1='0' x2='0' y2='1'>"
             "<stop offset='0' stop-color='#3a3f47'/><stop offset='1' stop-color='#16181c'/></linearGradient>"
             "<linearGradient id='rim' x1='0' y1='0' x2='0' y2='1'>"
             "<stop offset='0' stop-color='#e8e8ea'/><stop offset='1' stop-color='#8a8c90'/></linearGradient>"
             "</defs>\n")
    # Face: a half disc with a short skirt under the pivot.
    ro = 118
    b.append(f"<path d='M {PX-ro} {PY+12} L {PX-ro} {PY} A {ro} {ro} 0 0 1 {PX+ro} {PY} L {PX+ro} {PY+12} Z' "
             "fill='url(#rim)'/>\n")
    ri = 114
    b.append(f"<path d='M {PX-ri} {PY+10} L {PX-ri} {PY} A {ri} {ri} 0 0 1 {PX+ri} {PY} L {PX+ri} {PY+10} Z' "
             "fill='url(#face)'/>\n")
    # Red zone band.
    rb = R_OUT - 3
    x0, y0 = dial_point(red_from, half_turn, rb)
    x1, y1 = dial_point(half_turn, half_turn, rb)
    b.append(f"<path d='M {fmt(x0)} {fmt(y0)} A {rb} {rb} 0 0 1 {fmt(x1)} {fmt(y1)}' fill='none' "
             "stroke='#d8322a' stroke-width='6'/>\n")
    # Minor and major ticks; the scale ends with a major tick at the half turn.
    v = 0.0
    while v <= half_turn + 1e-9:
        major = abs(v / major_step - round(v / major_step)) < 1e-9
        length = MAJOR if major else 7
        xa, ya = dial_point(v, half_turn, R_OUT)
        xb, yb = dial_point(v, half_turn, R_OUT - length)
        width = 3 if major else 1.5
        b.append(f"<line x1='{fmt(xa)}' y1='{fmt(ya)}' x2='{fmt(xb)}' y2='{fmt(yb)}' stroke='#f4f4f4' "
                 f"stroke-width='{width}' stroke-linecap='butt'/>\n")
        if major:
            xt, yt = dial_point(v, half_turn, R_OUT - 27)
            b.append(f"<text x='{fmt(xt)}' y='{fmt(yt + 5)}' {FONT} font-size='14' font-weight='bold' "
                     f"fill='#f4f4f4' text-anchor='middle'>{int(v)}</text>\n")
        v += minor_step
    if abs(half_turn / major_step - round(half_turn / major_step)) > 1e-9:
        # The end of the half turn is not on the major grid: mark it.
        xa, ya = dial_point(half_turn, half_turn, R_OUT)
        xb, yb = dial_point(half_turn, half_turn, R_OUT - MAJOR)
        b.append(f"<line x1='{fmt(xa)}' y1='{fmt(ya)}' x2='{fmt(xb)}' y2='{fmt(yb)}' stroke='#f4f4f4' "
                 "stroke-width='3'/>\n")
        xt, yt = dial_point(half_turn, half_turn, R_OUT - 27)
        b.append(f"<text x='{fmt(xt - 4)}' y='{fmt(yt + 14)}' {FONT} font-size='12' font-weight='bold' "
                 f"fill='#ff6b5e' text-anchor='middle'>{int(half_turn)}</text>\n")
    b.append(f"<text x='{PX}' y='{PY - 34}' {FONT} font-size='15' font-weight='bold' fill='{accent}' "
             f"text-anchor='middle'>{unit}</text>\n")
    write(name, "".join(b), W, H)


dial("speed_dial_kmh", 172.0, 20, 10, "km/h", 140, "#ff8a1f")
dial("speed_dial_mph", 90.0, 10, 5, "mph", 70, "#4fb3ff")


def needle(name, colour, dark):
    box, c, L = 240, 120, 92
    b = [f"<path d='M {c - L} {c} L {c - 6} {c - 4.5} L {c + 16} {c - 2.5} L {c + 16} {c + 2.5} "
         f"L {c - 6} {c + 4.5} Z' fill='{colour}' stroke='{dark}' stroke-width='0.8'/>\n",
         f"<circle cx='{c}' cy='{c}' r='11' fill='#2b2d31' stroke='#c9c9cc' stroke-width='2'/>\n",
         f"<circle cx='{c}' cy='{c}' r='4' fill='{colour}'/>\n"]
    write(name, "".join(b), box, box)


needle("speed_needle_kmh", "#ff7a12", "#8f3c00")
needle("speed_needle_mph", "#2aa3ff", "#0b4f85")

# ---- compass -----------------------------------------------------------------
def compass_rose():
    S, c = 200, 100
    b = ["<defs><radialGradient id='g' cx='0.5' cy='0.45' r='0.6'>"
         "<stop offset='0' stop-color='#3b4049'/><stop offset='1' stop-color='#17191d'/></radialGradient></defs>\n",
         f"<circle cx='{c}' cy='{c}' r='98' fill='#b9babd'/>\n",
         f"<circle cx='{c}' cy='{c}' r='94' fill='url(#g)'/>\n"]
    for deg in range(0, 360, 5):
        a = math.radians(deg)
        major = deg % 30 == 0
        r1, r2 = 90, (78 if major else (83 if deg % 10 == 0 else 86))
        x1, y1 = c + r1 * math.sin(a), c - r1 * math.cos(a)
        x2, y2 = c + r2 * math.sin(a), c - r2 * math.cos(a)
        b.append(f"<line x1='{fmt(x1)}' y1='{fmt(y1)}' x2='{fmt(x2)}' y2='{fmt(y2)}' stroke='#e9e9e9' "
                 f"stroke-width='{2 if major else 1}'/>\n")
    for deg, t in ((30, "3"), (60, "6"), (120, "12"), (150, "15"), (210, "21"), (240, "24"),
                   (300, "30"), (330, "33")):
        a = math.radians(deg)
        x, y = c + 66 * math.sin(a), c - 66 * math.cos(a)
        b.append(f"<text x='{fmt(x)}' y='{fmt(y + 4)}' {FONT} font-size='11' fill='#bfc3c9' "
                 f"text-anchor='middle'>{t}</text>\n")
    for deg, t, col in ((0, "N", "#ff4a3d"), (90, "E", "#ffffff"), (180, "S", "#ffffff"), (270, "W", "#ffffff")):
        a = math.radians(deg)
        x, y = c + 64 * math.sin(a), c - 64 * math.cos(a)
        b.append(f"<text x='{fmt(x)}' y='{fmt(y + 7)}' {FONT} font-size='20' font-weight='bold' fill='{col}' "
                 f"text-anchor='middle'>{t}</text>\n")
    b.append(f"<path d='M {c} 4 L {c - 6} 14 L {c + 6} 14 Z' fill='#ff4a3d'/>\n")
    write("compass_rose", "".join(b), S, S)


compass_rose()

# The heading pointer over the rose: points up (north) before it is turned.
write("compass_pointer",
      "<path d='M 100 46 L 116 112 L 100 102 L 84 112 Z' fill='#ff8a1f' stroke='#8f3c00' stroke-width='1.2' "
      "stroke-linejoin='round'/>\n"
      "<path d='M 100 46 L 100 102 L 84 112 Z' fill='#ffb366'/>\n"
      "<circle cx='100' cy='100' r='5' fill='#2b2d31' stroke='#d0d0d0' stroke-width='1.5'/>\n", 200, 200)

# ---- trip panel pictures ------------------------------------------------------
write("car_icon",
      "<defs><linearGradient id='b' x1='0' y1='0' x2='0' y2='1'>"
      "<stop offset='0' stop-color='#5aa9e6'/><stop offset='1' stop-color='#1f5f99'/></linearGradient></defs>\n"
      "<path d='M 6 40 L 6 30 Q 7 25 14 24 L 24 22 L 36 12 Q 39 10 44 10 L 78 10 Q 84 10 88 14 L 98 23 "
      "L 112 26 Q 118 27 118 33 L 118 40 Q 118 43 115 43 L 6 43 Z' fill='url(#b)' stroke='#123a5e' "
      "stroke-width='1.5' stroke-linejoin='round'/>\n"
      "<path d='M 40 14 L 58 14 L 58 23 L 30 23 Z' fill='#d9eefc' stroke='#123a5e' stroke-width='1'/>\n"
      "<path d='M 62 14 L 80 14 Q 83 14 86 17 L 92 23 L 62 23 Z' fill='#d9eefc' stroke='#123a5e' stroke-width='1'/>\n"
      "<rect x='108' y='29' width='8' height='4' rx='1.5' fill='#ffe27a'/>\n"
      "<rect x='7' y='29' width='6' height='4' rx='1.5' fill='#ff5a4a'/>\n"
      "<circle cx='30' cy='43' r='9' fill='#222' stroke='#999' stroke-width='2'/>\n"
      "<circle cx='30' cy='43' r='3.5' fill='#bbb'/>\n"
      "<circle cx='94' cy='43' r='9' fill='#222' stroke='#999' stroke-width='2'/>\n"
      "<circle cx='94' cy='43' r='3.5' fill='#bbb'/>\n", 124, 54)

write("direction_mark",
      "<path d='M 16 2 L 29 28 L 16 21 L 3 28 Z' fill='#ff8a1f' stroke='#8f3c00' stroke-width='1.2' "
      "stroke-linejoin='round'/>\n", 32, 32)

# The lock of a protected clip (play list "Protected" column).
write("lock",
      "<path d='M 5 7 L 5 5 Q 5 1.5 8 1.5 Q 11 1.5 11 5 L 11 7' fill='none' stroke='#5b5f66' stroke-width='1.6'/>\n"
      "<rect x='3' y='7' width='10' height='8' rx='1.5' fill='#e0a21b' stroke='#8a5d00' stroke-width='0.8'/>\n"
      "<circle cx='8' cy='10.5' r='1.3' fill='#5a3b00'/>\n"
      "<rect x='7.4' y='10.8' width='1.2' height='2.4' fill='#5a3b00'/>\n", 16, 16)
