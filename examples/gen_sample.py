#!/usr/bin/env python3
"""Makes the sample plan D20417 from surveyed coordinates and checks that it closes.

The plan is a subdivision of one parent parcel (OB1) fronting an existing street on its
west side: a new road (RD1) runs east through the middle, with a 12 m radius curve at its
north-west corner and a straight splay at its south-west corner; four allotments lie north
of the road (AL1 to AL4), three south of it (AL5 to AL7), and a 3 m drainage easement
(EA1) runs along the rear of AL6 and AL7. Two corners are connected to survey marks
(PM 1234 and SSM 56).

The "measured" data are the bearings and distances between the computed coordinates,
rounded as a surveyor books them: bearings to whole seconds, distances to millimetres. The
areas stored in the polygons file are the Bowditch-adjusted areas of that rounded data,
computed the way the program's closure summary computes them, so the summary agrees with
the stored areas.

Usage:
    python3 gen_sample.py            write the plan files next to this script, then check them
    python3 gen_sample.py --check    check the files already there, write nothing
    python3 gen_sample.py --out DIR  write (and check) the files in DIR

The check reads the files back, recomputes every parcel's closure from them and fails
(exit status 1) when a parcel does not close within the "Surveyed Polygons" allowance
(0.02 m + length / 20000), runs anticlockwise, has a missing line, or shows an area other
than the stored one.
"""

import argparse
import math
import os
import sys
from decimal import ROUND_HALF_UP, Decimal

PLAN = "D20417"
SURVEYOR = "Peter J. Halloran"
FIELD_DATE = "14/03/2026"
MARKS_GONE = ["662812345"]

RADIUS = 12.0  # the road's corner curve at the street
SPLAY = 4.0  # legs of the straight corner splay
ROTATION_DEG = 12 + 18 / 60 + 40 / 3600  # bearing of the survey's local north

PM_CODE = {"PM": "4444", "SSM": "5555", "TS": "6666", "MSM": "7777", "GBM": "8888"}

# ---------------------------------------------------------------------------------------
# Number text, as the program reads and writes it


def val(text):
    """The numeric value of a text: blanks skipped, sign, digits and one point, rest ignored."""
    out = ""
    seen_point = False
    for c in text:
        if c in " \t":
            continue
        if c in "+-" and not out:
            out += c
        elif c.isdigit():
            out += c
        elif c == "." and not seen_point:
            out += c
            seen_point = True
        else:
            break
    if not any(c.isdigit() for c in out):
        return 0.0
    return float(out)


def fmt(value, decimals):
    """A number with a fixed count of decimals ("0.000", "0.0000"), halves away from zero."""
    d = Decimal("%.15g" % abs(value)).quantize(Decimal(1).scaleb(-decimals), ROUND_HALF_UP)
    text = format(d, "f")
    if value < 0 and d != 0:
        text = "-" + text
    return text


def general(value):
    """The shortest text of a number (at most 15 significant digits, no exponent)."""
    text = format(Decimal("%.15g" % value), "f")
    if "." in text:
        text = text.rstrip("0").rstrip(".")
    return text


def format_area(area):
    """The displayed area text: whole square metres below a hectare, else hectares."""
    if area == 0:
        return "no area"
    if area < 10000:
        return fmt(area, 0) + " m\u00b2"
    ha = area / 10000
    decimals = 3 if area < 100000 else 2 if area < 1000000 else 1 if area < 10000000 else 0
    return fmt(ha, decimals) + " ha"


# ---------------------------------------------------------------------------------------
# Bearings, as the program turns them into radians and back

PI = 4 * math.atan(1)


def bearing_to_radians(text):
    negative = text.startswith("-")
    if negative:
        text = text[1:]
    p = text.find(".")
    if p >= 0:
        minutes = val(text[p + 1 : p + 3]) + 0.000000001
        seconds = val(text[p + 3 :]) + 0.000000001
        value = int(val(text)) + minutes / 60 + seconds / 3600
    else:
        value = val(text)
    return PI * value / (-180 if negative else 180)


def radians_to_bearing(a):
    if a >= PI:
        a -= 2 * PI
    if a < 0:
        a += 2 * PI
    deg = a * 180 / PI
    d = int(deg)
    f = deg - d
    m = int(f * 60)
    s = round((f * 60 - m) * 60)
    if s >= 59.5:
        m, s = m + 1, 0
    if m > 59:
        d, m = d + 1, 0
    return d + m / 100 + s / 10000


def reverse_bearing(b):
    b = abs(b) + 180
    if b >= 360:
        b -= 360
    return fmt(b, 4)


def packed_text(radians):
    """A direction booked to the nearest second, as packed DDD.MMSS text."""
    seconds = round(math.degrees(radians) % 360 * 3600)
    if seconds >= 360 * 3600:
        seconds -= 360 * 3600
    d, rest = divmod(seconds, 3600)
    m, s = divmod(rest, 60)
    return "%d.%02d%02d" % (d, m, s)


def millimetres(distance):
    return format(Decimal(repr(distance)).quantize(Decimal("0.001"), ROUND_HALF_UP), "f")


def label_to_number(label):
    for prefix, code in PM_CODE.items():
        if label.upper().startswith(prefix):
            return int(code + label[len(prefix) :].strip())
    return int(label)


# ---------------------------------------------------------------------------------------
# The survey: coordinates of every point


def intersect(p, u, q, v):
    """Where the line through p along u meets the line through q along v."""
    det = u[0] * (-v[1]) - u[1] * (-v[0])
    t = ((q[0] - p[0]) * (-v[1]) - (q[1] - p[1]) * (-v[0])) / det
    return (p[0] + t * u[0], p[1] + t * u[1])


def unit(v):
    n = math.hypot(v[0], v[1])
    return (v[0] / n, v[1] / n)


def along(p, u, dist):
    return (p[0] + u[0] * dist, p[1] + u[1] * dist)


def survey():
    """Point coordinates (east, north) keyed by point number, and the curve's centre.

    Laid out in a local frame (x along the new road, y along the street), then turned to
    the survey's bearing datum."""
    west_dir = unit((0.035, 1.0))  # the street alignment, heading north
    east_dir = unit((-2.06, 98.0))  # the parent parcel's east boundary, heading north
    north_dir = unit((1.0, 0.012))  # its north boundary, heading east
    road = (1.0, 0.0)
    origin = (0.0, 0.0)
    east_pt = (112.4, 0.0)
    north_pt = (0.0, 98.0)
    road_south = (0.0, 40.0)
    road_north = (0.0, 58.0)
    easement = (0.0, 3.0)
    up = (0.0, 1.0)

    local = {}
    local[1] = origin
    road_sw_corner = intersect(origin, west_dir, road_south, road)
    local[2] = along(road_sw_corner, west_dir, -SPLAY)
    local[19] = along(road_sw_corner, road, SPLAY)

    # The road's north-west corner is rounded by a curve tangent to the street and the road.
    corner = intersect(origin, west_dir, road_north, road)
    phi = math.acos(west_dir[0] * road[0] + west_dir[1] * road[1])
    tangent_len = RADIUS / math.tan(phi / 2)
    bisector = unit((west_dir[0] + road[0], west_dir[1] + road[1]))
    centre = along(corner, bisector, RADIUS / math.sin(phi / 2))
    local[3] = along(corner, west_dir, tangent_len)
    local[20] = along(corner, road, tangent_len)

    local[4] = intersect(origin, west_dir, north_pt, north_dir)
    for number, x in ((5, 27.0), (6, 54.5), (7, 82.0)):
        local[number] = intersect((x, 0.0), up, north_pt, north_dir)
    for number, x in ((21, 27.0), (22, 54.5), (23, 82.0)):
        local[number] = (x, road_north[1])
    local[8] = intersect(east_pt, east_dir, north_pt, north_dir)
    local[9] = intersect(east_pt, east_dir, road_north, road)
    local[10] = intersect(east_pt, east_dir, road_south, road)
    local[11] = intersect(east_pt, east_dir, easement, road)
    local[12] = east_pt
    local[13] = (73.5, 0.0)
    local[14] = (36.0, 0.0)
    local[15] = (36.0, easement[1])
    local[16] = (73.5, easement[1])
    local[17] = (36.0, road_south[1])
    local[18] = (73.5, road_south[1])
    local[label_to_number("PM1234")] = (-13.6, 104.9)
    local[label_to_number("SSM56")] = (-11.2, -9.7)

    b = math.radians(ROTATION_DEG)

    def turn(p):
        return (p[0] * math.cos(b) + p[1] * math.sin(b), -p[0] * math.sin(b) + p[1] * math.cos(b))

    return {n: turn(p) for n, p in local.items()}, turn(centre)


# Parcels in the order of the polygons file, each run clockwise and closed on its first point.
PARCELS = [
    ("OB1", [1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 1]),
    ("AL1", [3, 4, 5, 21, 20, 3]),
    ("AL2", [21, 5, 6, 22, 21]),
    ("AL3", [22, 6, 7, 23, 22]),
    ("AL4", [23, 7, 8, 9, 23]),
    ("AL5", [1, 2, 19, 17, 15, 14, 1]),
    ("AL6", [14, 15, 17, 18, 16, 13, 14]),
    ("AL7", [13, 16, 18, 10, 11, 12, 13]),
    ("RD1", [2, 3, 20, 21, 22, 23, 9, 10, 18, 17, 19, 2]),
    ("EA1", [14, 15, 16, 11, 12, 13, 14]),
]
ARC = (20, 3)  # the road's corner curve, booked as AL1 runs it
CONNECTIONS = [(4, label_to_number("PM1234")), (1, label_to_number("SSM56"))]


def direction(p, q):
    return math.atan2(q[0] - p[0], q[1] - p[1])


def build_plan():
    """The text lines of the four plan files."""
    points, centre = survey()
    a, b = points[ARC[0]], points[ARC[1]]
    ra = (a[0] - centre[0], a[1] - centre[1])
    rb = (b[0] - centre[0], b[1] - centre[1])
    cross = ra[0] * rb[1] - ra[1] * rb[0]
    turn = "R" if cross < 0 else "L"  # clockwise on the map turns right
    theta = math.acos((ra[0] * rb[0] + ra[1] * rb[1]) / (RADIUS * RADIUS))
    tangent = (ra[1], -ra[0]) if turn == "R" else (-ra[1], ra[0])

    lines = []
    booked = set()

    def book(p, q):
        if (p, q) in booked or (q, p) in booked:
            return
        booked.add((p, q))
        if (p, q) == ARC:
            bearing = fmt(1000 + RADIUS, 4)
            distance = millimetres(RADIUS * theta)
        else:
            bearing = packed_text(direction(points[p], points[q]))
            distance = millimetres(math.dist(points[p], points[q]))
        lines.append("%d,%d,%s,%s" % (p, q, bearing, distance))

    for _, corners in PARCELS:
        for p, q in zip(corners, corners[1:]):
            book(p, q)
    for p, q in CONNECTIONS:
        book(p, q)

    tangent_text = packed_text(math.atan2(tangent[0], tangent[1]))
    curves = ['%d,%d,"%s",%s,999' % (ARC[0], ARC[1], turn, general(float(tangent_text)))]

    sdb = [SURVEYOR.upper(), FIELD_DATE] + MARKS_GONE
    return lines, PARCELS, curves, sdb


# ---------------------------------------------------------------------------------------
# Closure of each parcel, computed from the files as the program's summary does


class Plan:
    def __init__(self, folder):
        base = os.path.join(folder, PLAN)
        self.lines = []
        for row in read_lines(base + ".lns"):
            f, t, b, d = row.split(",")
            self.lines.append((int(f), int(t), float(b), float(d)))
        self.curves = []
        for row in read_lines(base + ".cve"):
            f, t, turn, tangent, chord = row.split(",")
            self.curves.append((int(f), int(t), turn.strip('"'), float(tangent), float(chord)))
        self.parcels = []
        for row in read_lines(base + ".ply"):
            if row.startswith('"'):
                ident, area, code = row.split(",")
                self.parcels.append([ident.strip('"'), float(area), code.strip('"'), []])
            else:
                self.parcels[-1][3].append(int(row))
        self.sdb = read_lines(base + ".sdb")

    def load_curve(self, f, t, radius, arc):
        """The chord bearing text and turn of an arc run from f to t, or None."""
        theta = arc / radius
        for rf, rt, turn, tangent, chord in self.curves:
            if (rf, rt) == (f, t):
                backwards = False
            elif (rf, rt) == (t, f):
                backwards = True
            else:
                continue
            if not backwards:
                if tangent != 999:
                    tangent_text, chord_text = fmt(tangent, 4), None
                else:
                    tangent_text, chord_text = None, (fmt(chord, 4) if chord != 999 else None)
                return self._chord(tangent_text, chord_text, turn, theta), turn
            opposite = "R" if turn == "L" else "L"
            if tangent != 999:
                turned = bearing_to_radians(fmt(tangent, 4)) + (theta if turn == "R" else -theta)
                tangent_text = reverse_bearing(radians_to_bearing(turned))
                return self._chord(tangent_text, None, opposite, theta), opposite
            chord_text = reverse_bearing(chord) if chord != 999 else None
            return chord_text, opposite
        return None, "R"

    @staticmethod
    def _chord(tangent_text, chord_text, turn, theta):
        if chord_text is None and tangent_text is not None:
            half = theta / 2 if turn == "R" else -theta / 2
            chord_text = fmt(radians_to_bearing(bearing_to_radians(tangent_text) + half), 4)
        return chord_text

    def leg(self, f, t):
        """Bearing (radians), distance and segment area of the line from f to t, or None."""
        for lf, lt, bearing, distance in self.lines:
            if (lf, lt) != (f, t) and (lf, lt) != (t, f):
                continue
            if distance <= 0:
                return None
            if bearing > 1000:
                radius = bearing - 1000
                chord_text, turn = self.load_curve(f, t, radius, distance)
                if chord_text is None:
                    return None
                theta = distance / radius
                segment = radius * 0.5 * radius * (theta - math.sin(theta))
                if turn == "L":
                    segment = -segment
                chord = 2 * radius * math.sin(theta / 2)
                return bearing_to_radians(chord_text), chord, segment
            if bearing < 0 or bearing > 360:
                return None
            if (lf, lt) == (t, f):
                bearing += 180
                if bearing > 360:
                    bearing -= 360
            return bearing_to_radians(fmt(bearing, 4)), distance, 0.0
        return None

    def closure(self, corners):
        legs = []
        for f, t in zip(corners, corners[1:]):
            leg = self.leg(f, t)
            if leg is None:
                raise SystemExit("no line from %d to %d" % (f, t))
            legs.append(leg)
        sum_e = sum(d * math.sin(b) for b, d, _ in legs)
        sum_n = sum(d * math.cos(b) for b, d, _ in legs)
        total = sum(d for _, d, _ in legs)
        segments = sum(s for _, _, s in legs)
        return legs, sum_e, sum_n, total, bowditch_area(legs, sum_e, sum_n, total, segments)


def bowditch_area(legs, sum_e, sum_n, total, segments):
    if len(legs) < 3:
        return 0.0
    dpd = prev_lat = twice = 0.0
    for b, d, _ in legs:
        dep = d * math.sin(b)
        lat = d * math.cos(b)
        if sum_e != 0 and total != 0:
            dep -= sum_e * d / total
        if sum_n != 0 and total != 0:
            lat -= sum_n * d / total
        dpd += prev_lat + lat
        prev_lat = lat
        twice += dpd * dep
    area = twice / 2 + segments
    return area if area > 0 else 0.0


def surveyed_area(corners):
    """The true area of a parcel from the coordinates, the curve included."""
    points, centre = survey()
    twice = 0.0
    for p, q in zip(corners, corners[1:]):
        a, b = points[p], points[q]
        twice += a[1] * b[0] - a[0] * b[1]  # positive for a clockwise run, north up
        if (p, q) in (ARC, ARC[::-1]):
            half = math.dist(a, b) / 2 / RADIUS
            theta = 2 * math.asin(half)
            segment = RADIUS * RADIUS / 2 * (theta - math.sin(theta))
            # The curve bulges out of the parcel when its centre lies inside (to the right of
            # a clockwise run), and into it otherwise.
            side = (b[0] - a[0]) * (centre[1] - a[1]) - (b[1] - a[1]) * (centre[0] - a[0])
            twice += 2 * (segment if side < 0 else -segment)
    return twice / 2


# ---------------------------------------------------------------------------------------
# Files


def read_lines(path):
    with open(path, "rb") as f:
        data = f.read()
    text = data.decode("latin-1")
    if text and not text.endswith("\r\n"):
        raise SystemExit("%s: last line not ended by CR LF" % path)
    rows = text.split("\r\n")[:-1]
    if any("\n" in r or "\r" in r for r in rows):
        raise SystemExit("%s: line ends other than CR LF" % path)
    return rows


def write_lines(path, rows):
    with open(path, "wb") as f:
        f.write("".join(r + "\r\n" for r in rows).encode("latin-1"))


def write_plan(folder):
    lines, parcels, curves, sdb = build_plan()
    base = os.path.join(folder, PLAN)
    write_lines(base + ".lns", lines)
    write_lines(base + ".cve", curves)
    write_lines(base + ".sdb", sdb)

    # The areas are those the closure summary computes from the booked data: write the
    # parcels once without areas, read them back through the same arithmetic, then store.
    write_lines(base + ".ply", [])
    plan = Plan(folder)
    ply = []
    for ident, corners in parcels:
        area = plan.closure(corners)[4]
        stored = stored_area(area)
        ply.append('"%s",%s,"C"' % (ident, general(stored)))
        ply.extend(str(n) for n in corners)
    write_lines(base + ".ply", ply)


def stored_area(area):
    """The area to the tenth of a square metre, or finer where the tenth would change the
    displayed whole square metre (1578.46 is shown as 1578 m², 1578.5 as 1579 m²)."""
    for places in ("0.1", "0.01", "0.001"):
        stored = float(Decimal(repr(area)).quantize(Decimal(places), ROUND_HALF_UP))
        if format_area(stored) == format_area(area):
            return stored
    return area


def check_plan(folder):
    plan = Plan(folder)
    problems = []

    pairs = set()
    for f, t, _, _ in plan.lines:
        if (f, t) in pairs or (t, f) in pairs:
            problems.append("line %d-%d is booked twice" % (f, t))
        pairs.add((f, t))
    if len(plan.sdb) < 2 or plan.sdb[0] != plan.sdb[0].upper():
        problems.append("survey data base file: surveyor's name not in upper case")

    print("Closures of %s (accuracy: Surveyed Polygons, 0.02 + L/20000)" % PLAN)
    header = "%-5s %4s %9s %9s %9s %9s %12s %12s %s"
    titles = ("", "Legs", "Length", "Misclose", "Allowed", "1 in", "Computed", "Stored", "")
    print((header % titles).rstrip())
    for ident, area, code, corners in plan.parcels:
        legs, sum_e, sum_n, total, computed = plan.closure(corners)
        misclose = math.hypot(sum_e, sum_n)
        allowed = 0.02 + total / 20000
        ratio = "%9.0f" % (total / misclose) if misclose * 1000000 > total else ">1000000"
        verdict = "OK"
        if corners[0] != corners[-1]:
            problems.append("%s is not closed on its first point" % ident)
        if misclose > allowed:
            verdict = "MISCLOSURE"
            problems.append("%s misclosure %.4f exceeds %.4f" % (ident, misclose, allowed))
        if computed <= 0:
            problems.append("%s runs anticlockwise (no area)" % ident)
        if format_area(computed) != format_area(area) or code != "C":
            verdict += " area?"
            problems.append("%s area shows %s, stored %s" % (ident, format_area(computed),
                                                            format_area(area)))
        true_area = surveyed_area(corners)
        if abs(true_area - computed) > 0.5:
            problems.append("%s area %.2f differs from the surveyed %.2f" % (ident, computed,
                                                                            true_area))
        row = header % (ident, len(legs), "%.3f" % total, "%.4f" % misclose, "%.4f" % allowed,
                        ratio, "%.2f" % computed, general(area), verdict)
        print(row.rstrip())
    for problem in problems:
        print("FAULT: " + problem, file=sys.stderr)
    return not problems


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description="Make and check the sample plan " + PLAN)
    parser.add_argument("--out", default=here, help="folder for the plan files")
    parser.add_argument("--check", action="store_true", help="only check the existing files")
    args = parser.parse_args()
    if not args.check:
        write_plan(args.out)
    return 0 if check_plan(args.out) else 1


if __name__ == "__main__":
    sys.exit(main())
