#!/usr/bin/env python3
"""Makes the sample plan CS3051, a cul-de-sac subdivision, and checks that it closes.

A parent parcel (OB1, 80 m by 70 m) fronts a street on its south side. A new road (RD1),
10 m wide, runs north from the street and ends in a turning head of 10 m radius: the head
is one arc of 300 degrees, longer than a half circle, so a drawing that builds arcs from
chord and radius alone draws it on the wrong side. Two lots (L2, L3) lie either side of
the road's stem; L1 wraps round the head; a 3 m easement (EA1) runs along the plan's north
boundary inside L1. Corner 1 is connected to PM 501 and corner 5 to SSM 77.

The measured data are the bearings and distances between the computed coordinates, booked
to whole seconds and millimetres, and the stored areas are the Bowditch-adjusted areas
computed from them, as for the plan D20417 (gen_sample.py, whose arithmetic this reuses).

Usage:
    python3 gen_culdesac.py            write the plan files next to this script, then check
    python3 gen_culdesac.py --check    check the files already there, write nothing
    python3 gen_culdesac.py --out DIR  write (and check) the files in DIR
"""

import argparse
import math
import os
import sys

sys.dont_write_bytecode = True  # nothing left beside the shipped samples
import gen_sample as base  # noqa: E402

PLAN = "CS3051"
SURVEYOR = "Margaret A. Tully"
FIELD_DATE = "02/11/2026"
RADIUS = 10.0
HALF_WIDTH = 5.0  # of the road
CENTRE = (0.0, 50.0)  # of the turning head, in the local frame
ROTATION_DEG = 7 + 41 / 60 + 15 / 3600  # bearing of the survey's local north

# The head's ends, where the road's sides meet its circle, and the sweep between them.
JUNCTION_Y = CENTRE[1] - math.sqrt(RADIUS**2 - HALF_WIDTH**2)
SWEEP = 2 * math.pi - 2 * math.asin(HALF_WIDTH / RADIUS)

LOCAL = {
    1: (-40.0, 0.0),
    2: (-40.0, 30.0),
    3: (-40.0, 67.0),
    4: (-40.0, 70.0),
    5: (40.0, 70.0),
    6: (40.0, 67.0),
    7: (40.0, 30.0),
    8: (40.0, 0.0),
    9: (HALF_WIDTH, 0.0),
    10: (HALF_WIDTH, 30.0),
    11: (HALF_WIDTH, JUNCTION_Y),
    12: (-HALF_WIDTH, JUNCTION_Y),
    13: (-HALF_WIDTH, 30.0),
    14: (-HALF_WIDTH, 0.0),
    base.label_to_number("PM501"): (-46.5, -8.2),
    base.label_to_number("SSM77"): (47.9, 78.4),
}

# Parcels in the order of the polygons file, each run clockwise and closed on its first point.
PARCELS = [
    ("OB1", [1, 2, 3, 4, 5, 6, 7, 8, 9, 14, 1]),
    ("L1", [2, 3, 4, 5, 6, 7, 10, 11, 12, 13, 2]),
    ("L2", [1, 2, 13, 14, 1]),
    ("L3", [10, 7, 8, 9, 10]),
    ("RD1", [14, 13, 12, 11, 10, 9, 14]),
    ("EA1", [3, 4, 5, 6, 3]),
]
ARC = (12, 11)  # the turning head, booked as the road runs it: round the top, turning right
CONNECTIONS = [(1, base.label_to_number("PM501")), (5, base.label_to_number("SSM77"))]


def survey():
    b = math.radians(ROTATION_DEG)

    def turn(p):
        return (p[0] * math.cos(b) + p[1] * math.sin(b), -p[0] * math.sin(b) + p[1] * math.cos(b))

    return {n: turn(p) for n, p in LOCAL.items()}, turn(CENTRE)


def build_plan():
    points, centre = survey()
    a = points[ARC[0]]
    ra = (a[0] - centre[0], a[1] - centre[1])
    tangent = (ra[1], -ra[0])  # turning right: the radius turned a quarter anticlockwise
    lines, booked = [], set()

    def book(p, q):
        if (p, q) in booked or (q, p) in booked:
            return
        if (q, p) == ARC:
            p, q = ARC
        booked.add((p, q))
        if (p, q) == ARC:
            bearing = base.fmt(1000 + RADIUS, 4)
            distance = base.millimetres(RADIUS * SWEEP)
        else:
            bearing = base.packed_text(base.direction(points[p], points[q]))
            distance = base.millimetres(math.dist(points[p], points[q]))
        lines.append("%d,%d,%s,%s" % (p, q, bearing, distance))

    for _, corners in PARCELS:
        for p, q in zip(corners, corners[1:]):
            book(p, q)
    for p, q in CONNECTIONS:
        book(p, q)
    tangent_text = base.packed_text(math.atan2(tangent[0], tangent[1]))
    curves = ['%d,%d,"R",%s,999' % (ARC[0], ARC[1], base.general(float(tangent_text)))]
    return lines, curves, [SURVEYOR.upper(), FIELD_DATE]


def surveyed_area(corners):
    """The true area of a parcel from the coordinates, the head's bulge included."""
    points, _ = survey()
    twice = 0.0
    for p, q in zip(corners, corners[1:]):
        a, b = points[p], points[q]
        twice += a[1] * b[0] - a[0] * b[1]  # positive for a clockwise run, north up
    segment = RADIUS**2 / 2 * (SWEEP - math.sin(SWEEP))
    if (ARC[0], ARC[1]) in zip(corners, corners[1:]):
        twice += 2 * segment  # the road runs the head turning right: the bulge is its own
    elif (ARC[1], ARC[0]) in zip(corners, corners[1:]):
        twice -= 2 * segment
    return twice / 2


def write_plan(folder):
    lines, curves, sdb = build_plan()
    stem = os.path.join(folder, PLAN)
    base.write_lines(stem + ".lns", lines)
    base.write_lines(stem + ".cve", curves)
    base.write_lines(stem + ".sdb", sdb)
    base.write_lines(stem + ".ply", [])
    plan = base.Plan(folder)
    ply = []
    for ident, corners in PARCELS:
        stored = base.stored_area(plan.closure(corners)[4])
        ply.append('"%s",%s,"C"' % (ident, base.general(stored)))
        ply.extend(str(n) for n in corners)
    base.write_lines(stem + ".ply", ply)


def check_plan(folder):
    plan = base.Plan(folder)
    problems = []
    print("Closures of %s (accuracy: Surveyed Polygons, 0.02 + L/20000)" % PLAN)
    for ident, area, code, corners in plan.parcels:
        legs, sum_e, sum_n, total, computed = plan.closure(corners)
        misclose = math.hypot(sum_e, sum_n)
        allowed = 0.02 + total / 20000
        if misclose > allowed:
            problems.append("%s misclosure %.4f exceeds %.4f" % (ident, misclose, allowed))
        if computed <= 0:
            problems.append("%s runs anticlockwise (no area)" % ident)
        if base.format_area(computed) != base.format_area(area) or code != "C":
            problems.append("%s area shows %s, stored %s" % (ident, base.format_area(computed),
                                                            base.format_area(area)))
        true_area = surveyed_area(corners)
        if abs(true_area - computed) > 0.5:
            problems.append("%s area %.2f differs from the surveyed %.2f" % (ident, computed,
                                                                            true_area))
        print("%-4s %3d legs %9.3f m  misclose %.4f (allowed %.4f)  area %.2f  stored %s"
              % (ident, len(legs), total, misclose, allowed, computed, base.general(area)))
    for problem in problems:
        print("FAULT: " + problem, file=sys.stderr)
    return not problems


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description="Make and check the sample plan " + PLAN)
    parser.add_argument("--out", default=here, help="folder for the plan files")
    parser.add_argument("--check", action="store_true", help="only check the existing files")
    args = parser.parse_args()
    base.PLAN = PLAN  # the shared reader names the files after the plan
    if not args.check:
        write_plan(args.out)
    return 0 if check_plan(args.out) else 1


if __name__ == "__main__":
    sys.exit(main())
