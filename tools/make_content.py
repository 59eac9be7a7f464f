#!/usr/bin/env python3
"""Builds the demo's data files from their readable descriptions.

Reads models/src/*.txt (engine models, written as .mdl), models/src/legacy/*.txt
(legacy models, written as .dat) and bitmaps/src/mouse.txt (the pointer image,
written as PCX) and writes models/*.mdl, models/legacy/*.dat and
bitmaps/mouse.pcx under the output directory (the repository root by default).
The output depends on nothing but the descriptions: same input, same bytes.

Usage: python3 tools/make_content.py [--src REPO] [--out DIR]

--src reads the descriptions of another tree laid out like this repository;
--out writes the files under DIR instead of the repository.

Model descriptions are lines of the form `kind key=value ...`, each followed by
indented rows of numbers; `#` starts a comment. The kinds are listed in
models/src/README.txt.
"""

import math
import os
import struct
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

# The sixteen colour codes of the legacy format, by name.
LEGACY_CODES = {
    "black": 0, "blue": 1, "green": 2, "cyan": 3, "red": 4, "magenta": 5,
    "brown": 6, "lightgrey": 7, "darkgrey": 8, "lightblue": 9,
    "lightgreen": 10, "lightcyan": 11, "lightred": 12, "lightmagenta": 13,
    "yellow": 14, "white": 15,
}

# The demo palette's colour ramps: first entry and length, dark to bright.
RAMPS = {
    "grey": (0, 32), "grey4": (32, 16), "red": (48, 16), "green": (64, 16),
    "blue": (80, 16), "yellow": (96, 16), "magenta": (112, 16),
    "cyan": (128, 16), "orange": (144, 16),
}

LEGACY_LIMIT = 255      # vertex and triangle counts fit one byte
MDL_MAX_CORNERS = 16    # the engine's largest polygon
MDL_MAX_POLYGONS = 1000  # keeps the nine-model scene quick to draw
SQUARE_HALF = 5.0       # footprint: inside a 10 by 10 board square
MIN_HEIGHT, MAX_HEIGHT = 8.0, 20.0


class DescriptionError(Exception):
    pass


# ---------------------------------------------------------------------------
# Vector helpers.

def add(a, b):
    return (a[0] + b[0], a[1] + b[1], a[2] + b[2])


def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def scale(a, s):
    return (a[0] * s, a[1] * s, a[2] * s)


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def length(a):
    return math.sqrt(dot(a, a))


def unit(a):
    n = length(a)
    return (0.0, 0.0, 0.0) if n == 0 else scale(a, 1.0 / n)


def face_normal(points):
    """Area-weighted normal of a polygon, (b - a) x (c - a) summed over its fan.
    The engine keeps a polygon whose normal so computed faces the camera."""
    n = (0.0, 0.0, 0.0)
    for k in range(1, len(points) - 1):
        n = add(n, cross(sub(points[k], points[0]), sub(points[k + 1], points[0])))
    return n


def turn_y(p, degrees):
    """Turns p about the y axis; 90 degrees takes the front (-z) to +x."""
    a = math.radians(degrees)
    s, c = math.sin(a), math.cos(a)
    return (p[0] * c - p[2] * s, p[1], p[0] * s + p[2] * c)


def turn_x(p, degrees):
    """Tilts p about the x axis; positive degrees lean the top (+y) to the front (-z)."""
    a = math.radians(degrees)
    s, c = math.sin(a), math.cos(a)
    return (p[0], p[1] * c + p[2] * s, -p[1] * s + p[2] * c)


def turn_z(p, degrees):
    """Rolls p about the z axis; positive degrees lean the top (+y) to +x."""
    a = math.radians(degrees)
    s, c = math.sin(a), math.cos(a)
    return (p[0] * c + p[1] * s, -p[0] * s + p[1] * c, p[2])


# ---------------------------------------------------------------------------
# Reading a description.

def parse_value(text):
    parts = text.split(",")
    try:
        values = [float(p) for p in parts]
    except ValueError:
        return text
    return values


def parse_description(path):
    """Returns (settings, primitives). Each primitive is a dict with 'kind',
    'line', its key=value options and 'rows' (lists of numbers)."""
    settings = {}
    primitives = []
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            text = raw.split("#", 1)[0].rstrip()
            if not text.strip():
                continue
            where = "%s:%d" % (os.path.relpath(path, ROOT), number)
            words = text.split()
            if raw[0] in " \t":
                if not primitives:
                    raise DescriptionError("%s: a row of numbers before any shape" % where)
                if all("=" in w for w in words):
                    # An indented line of options continues the shape's line.
                    for w in words:
                        key, value = w.split("=", 1)
                        primitives[-1][key] = parse_value(value)
                    continue
                try:
                    primitives[-1]["rows"].append([float(w) for w in words])
                except ValueError:
                    raise DescriptionError("%s: rows hold numbers only" % where)
                continue
            if words[0] in ("light", "cull", "ambient", "scale"):
                try:
                    settings[words[0]] = [float(w) for w in words[1:]]
                except ValueError:
                    raise DescriptionError("%s: %s takes numbers" % (where, words[0]))
                continue
            prim = {"kind": words[0], "line": where, "rows": []}
            for w in words[1:]:
                if "=" not in w:
                    raise DescriptionError("%s: expected key=value, found '%s'" % (where, w))
                key, value = w.split("=", 1)
                prim[key] = parse_value(value)
            primitives.append(prim)
    return settings, primitives


def option(prim, key, default, count=None):
    value = prim.get(key, default)
    if isinstance(value, str):
        raise DescriptionError("%s: %s must be numbers" % (prim["line"], key))
    if count is not None:
        if isinstance(value, (int, float)):
            value = [value]
        if len(value) != count:
            raise DescriptionError("%s: %s takes %d numbers" % (prim["line"], key, count))
    return value


def scalar(prim, key, default):
    value = option(prim, key, default)
    return value[0] if isinstance(value, list) else value


# ---------------------------------------------------------------------------
# Shapes. Each builder returns a piece: points, faces (lists of point indexes
# in winding order) and, per face, whether its corners share smooth normals.

def piece(points, faces, smooth, closed):
    return {"points": points, "faces": faces, "smooth": smooth, "closed": closed}


def ring_strip(rings, caps, front=()):
    """Joins rings of points (or single poles) into a closed band. Rings are
    lists of points at rising angle; a ring of one point is a pole. Open end
    rings are closed with a cap polygon when caps is true. The faces of the
    segments numbered in front take the tone 'front'."""
    points = []
    index = []
    for ring in rings:
        start = len(points)
        points.extend(ring)
        index.append(list(range(start, start + len(ring))))
    faces, smooth, tones = [], [], []
    for i in range(len(rings) - 1):
        up, down = index[i], index[i + 1]
        if len(up) == 1 and len(down) == 1:
            continue
        n = max(len(up), len(down))
        for j in range(n):
            k = (j + 1) % n
            if len(up) == 1:
                face = [up[0], down[k], down[j]]
            elif len(down) == 1:
                face = [up[j], up[k], down[0]]
            else:
                face = [up[j], up[k], down[k], down[j]]
            faces.append(face)
            smooth.append(True)
            tones.append("front" if j in front else "colour")
    if caps:
        if len(index[0]) > 2:
            faces.append(list(reversed(index[0])))
            smooth.append(False)
            tones.append("cap")
        if len(index[-1]) > 2:
            faces.append(list(index[-1]))
            smooth.append(False)
            tones.append("cap")
    result = piece(points, faces, smooth, caps or (len(index[0]) == 1 and len(index[-1]) == 1))
    result["tones"] = tones
    return result


def placed(prim, p):
    """Applies a shape's tilt, roll, turn and position, in that order."""
    p = turn_x(p, scalar(prim, "tilt", 0.0))
    p = turn_z(p, scalar(prim, "roll", 0.0))
    p = turn_y(p, scalar(prim, "turn", 0.0))
    return add(p, tuple(option(prim, "at", [0.0, 0.0, 0.0], 3)))


def build_lathe(prim):
    """A surface of revolution about the vertical axis through `at`. Rows are
    `radius height [wave]`; angle 0 faces the front (-z)."""
    segments = int(scalar(prim, "segments", 8))
    sx, sz = option(prim, "scale", [1.0, 1.0], 2)
    waves = scalar(prim, "waves", 0.0)
    start = scalar(prim, "start", 0.0)
    rows = prim["rows"]
    if len(rows) < 2 or any(len(r) not in (2, 3) for r in rows):
        raise DescriptionError("%s: a lathe needs rows of 'radius height [wave]'" % prim["line"])
    rings = []
    for row in rows:
        r, y = row[0], row[1]
        w = row[2] if len(row) == 3 else 0.0
        if r == 0:
            rings.append([placed(prim, (0.0, y, 0.0))])
            continue
        ring = []
        for j in range(segments):
            a = math.radians(start + 360.0 * j / segments)
            crest = math.radians(360.0 * j / segments)  # first point is a crest
            ring.append(placed(prim, (r * sx * math.sin(a), y + w * math.cos(waves * crest),
                                      -r * sz * math.cos(a))))
        rings.append(ring)
    # The segments round the front (angle 0) may take their own colour: the
    # one that spans it, or all whose middles lie within `gap` degrees.
    step = 360.0 / segments
    gap = scalar(prim, "gap", step / 2)
    front = set()
    for j in range(segments):
        middle = (start + step * (j + 0.5) + 180.0) % 360.0 - 180.0
        if abs(middle) <= gap:
            front.add(j)
    return spotted(prim, ring_strip(rings, caps=bool(scalar(prim, "caps", 1.0)), front=front))


def spotted(prim, part):
    """Gives the tone 'spot' to the faces on the front (-z) half whose middle
    lies, seen from the front, inside one of the ellipses `spots` (x, y,
    rx, ry, ... in model units): painted eyes and mouths that never fight
    with the surface under them."""
    if "spots" not in prim:
        return part
    values = option(prim, "spots", None)
    if len(values) % 4:
        raise DescriptionError("%s: spots take x,y,rx,ry per spot" % prim["line"])
    centre_z = option(prim, "at", [0.0, 0.0, 0.0], 3)[2]
    for k, face in enumerate(part["faces"]):
        pts = [part["points"][i] for i in face]
        mid = scale(tuple(sum(p[c] for p in pts) for c in range(3)), 1.0 / len(pts))
        if mid[2] >= centre_z:
            continue
        for e in range(0, len(values), 4):
            x, y, rx, ry = values[e:e + 4]
            if ((mid[0] - x) / rx) ** 2 + ((mid[1] - y) / ry) ** 2 < 1:
                part["tones"][k] = "spot"
    return part


def build_ellipsoid(prim):
    """An ellipsoid around `at` with radii x, y, z, as a lathe of `rings` bands."""
    rx, ry, rz = option(prim, "radii", None, 3)
    bands = int(scalar(prim, "rings", 6))
    rows = []
    for i in range(bands + 1):
        a = math.pi * i / bands
        rows.append([round(math.sin(a), 9), ry * math.cos(a)])
    lathe = dict(prim)
    lathe["rows"] = rows
    lathe["scale"] = [rx, rz]
    return build_lathe(lathe)


def build_tube(prim):
    """A tube along a path of rows `x y z radius`, its rings carried along the
    path without twisting; a radius of 0 ends it in a point."""
    sides = int(scalar(prim, "sides", 6))
    start = scalar(prim, "start", 0.0)
    rows = prim["rows"]
    if len(rows) < 2 or any(len(r) != 4 for r in rows):
        raise DescriptionError("%s: a tube needs rows of 'x y z radius'" % prim["line"])
    centres = [tuple(r[:3]) for r in rows]
    tangents = []
    for i in range(len(centres)):
        a = centres[max(i - 1, 0)]
        b = centres[min(i + 1, len(centres) - 1)]
        tangents.append(unit(sub(b, a)))
    t0 = tangents[0]
    seed = (0.0, 0.0, -1.0) if abs(t0[2]) < 0.9 else (0.0, 1.0, 0.0)
    u = unit(sub(seed, scale(t0, dot(seed, t0))))
    rings = []
    for c, t, row in zip(centres, tangents, rows):
        u = unit(sub(u, scale(t, dot(u, t))))
        v = cross(t, u)
        r = row[3]
        if r == 0:
            rings.append([placed(prim, c)])
            continue
        ring = []
        for j in range(sides):
            a = math.radians(start + 360.0 * j / sides)
            ring.append(placed(prim, add(c, add(scale(u, r * math.cos(a)), scale(v, r * math.sin(a))))))
        rings.append(ring)
    return ring_strip(rings, caps=True)


def build_box(prim):
    """A box of `size` around `at`, each face cut into `grid` by `grid` quads."""
    w, h, d = option(prim, "size", None, 3)
    n = int(scalar(prim, "grid", 1))
    points, faces, lookup = [], [], {}

    def point(p):
        key = tuple(round(c, 9) for c in p)
        if key not in lookup:
            lookup[key] = len(points)
            points.append(placed(prim, p))
        return lookup[key]

    half = (w / 2, h / 2, d / 2)
    for axis in range(3):
        for side in (-1.0, 1.0):
            a1, a2 = (axis + 1) % 3, (axis + 2) % 3
            for i in range(n):
                for j in range(n):
                    quad = []
                    for di, dj in ((0, 0), (1, 0), (1, 1), (0, 1)):
                        p = [0.0, 0.0, 0.0]
                        p[axis] = side * half[axis]
                        p[a1] = -half[a1] + 2 * half[a1] * (i + di) / n
                        p[a2] = -half[a2] + 2 * half[a2] * (j + dj) / n
                        quad.append(point(tuple(p)))
                    if side < 0:
                        quad.reverse()
                    faces.append(quad)
    return piece(points, faces, [False] * len(faces), True)


def build_poly(prim):
    """One flat polygon through rows `x y z`, in order around its edge. Its
    front faces `facing` (a direction), or by default away from the model's
    vertical axis. With double=1 its back is added too, so that it shows
    from both sides."""
    rows = prim["rows"]
    if len(rows) < 3 or any(len(r) != 3 for r in rows):
        raise DescriptionError("%s: a poly needs three or more rows of 'x y z'" % prim["line"])
    points = [placed(prim, tuple(r)) for r in rows]
    mid = scale(tuple(sum(p[c] for p in points) for c in range(3)), 1.0 / len(points))
    facing = tuple(option(prim, "facing", [mid[0], 0.0, mid[2]], 3))
    faces = [list(range(len(points)))]
    if dot(face_normal(points), facing) < 0:
        faces = [list(reversed(range(len(points))))]
    if scalar(prim, "double", 0.0):
        faces.append(list(reversed(range(len(points)))))
    return piece(points, faces, [False] * len(faces), False)


def build_shell(prim):
    """A curved plate with thickness: part of an ellipsoid around `at` with
    `radii`, from longitude `across` (degrees either side of the front) and
    latitude `span` (bottom, top), cut into `grid` cells, or cut along the
    longitudes `lons` and latitudes `lats` as listed. Rows shape it:
    `1 x y rx ry` cuts a hole (cells whose middle lies in the ellipse),
    `2 x y rx ry height` raises a bump outwards, `3 x y rx ry` and
    `4 x y rx ry` paint the cells in the ellipse with the colour `paint` or
    `paint2`; x and y are measured from `at`. Its outside takes `colour`, its
    inside and rims `inside`."""
    rx, ry, rz = option(prim, "radii", None, 3)
    thick = scalar(prim, "thickness", 0.4)
    # Grid lines: evenly spread (across, span, grid), or listed in degrees
    # (lons, lats) so that cell edges can follow the holes.
    if "lons" in prim and "lats" in prim:
        lons = option(prim, "lons", None)
        lats = option(prim, "lats", None)
        if len(lons) < 2 or len(lats) < 2 or lons != sorted(lons) or lats != sorted(lats):
            raise DescriptionError("%s: lons and lats list rising angles, two at least" % prim["line"])
    else:
        across = scalar(prim, "across", 60.0)
        lat0, lat1 = option(prim, "span", None, 2)
        cols, rows = [int(v) for v in option(prim, "grid", None, 2)]
        lons = [-across + 2 * across * i / cols for i in range(cols + 1)]
        lats = [lat0 + (lat1 - lat0) * j / rows for j in range(rows + 1)]
    nu, nv = len(lons) - 1, len(lats) - 1

    def angle(table, t):
        """Degrees at grid position t, between grid lines for fractions."""
        k = min(int(t), len(table) - 2)
        return table[k] + (table[k + 1] - table[k]) * (t - k)
    holes, bumps, paints = [], [], []
    for row in prim["rows"]:
        kind = int(row[0])
        if kind == 1 and len(row) == 5:
            holes.append(row[1:])
        elif kind == 2 and len(row) == 6:
            bumps.append(row[1:])
        elif kind in (3, 4) and len(row) == 5:
            paints.append(row[1:] + ["paint" if kind == 3 else "paint2"])
        else:
            raise DescriptionError("%s: shell rows are '1 x y rx ry', '2 x y rx ry h', '3 x y rx ry' or '4 x y rx ry'"
                                   % prim["line"])

    def surface(i, j):
        lon = math.radians(angle(lons, i))
        lat = math.radians(angle(lats, j))
        p = (rx * math.cos(lat) * math.sin(lon), ry * math.sin(lat), -rz * math.cos(lat) * math.cos(lon))
        outward = unit((p[0] / (rx * rx), p[1] / (ry * ry), p[2] / (rz * rz)))
        lift = 0.0
        for bx, by, brx, bry, bh in bumps:
            q = ((p[0] - bx) / brx) ** 2 + ((p[1] - by) / bry) ** 2
            if q < 1:
                lift += bh * (1 - q) ** 2
        return add(p, scale(outward, lift)), outward

    def inside_ellipse(x, y, e):
        return ((x - e[0]) / e[2]) ** 2 + ((y - e[1]) / e[3]) ** 2 < 1

    points, index = [], {}
    for i in range(nu + 1):
        for j in range(nv + 1):
            p, outward = surface(i, j)
            index[(i, j, 0)] = len(points)
            points.append(p)
            index[(i, j, 1)] = len(points)
            points.append(sub(p, scale(outward, thick)))
    cells = {}
    for i in range(nu):
        for j in range(nv):
            mid, _ = surface(i + 0.5, j + 0.5)
            if any(inside_ellipse(mid[0], mid[1], h) for h in holes):
                continue
            painted = "colour"
            for e in paints:
                if inside_ellipse(mid[0], mid[1], e):
                    painted = e[4]
            cells[(i, j)] = painted
    faces, smooth, tones = [], [], []
    for (i, j), painted in sorted(cells.items()):
        outer = [index[(i, j + 1, 0)], index[(i + 1, j + 1, 0)], index[(i + 1, j, 0)], index[(i, j, 0)]]
        faces.append(outer)
        smooth.append(True)
        tones.append(painted)
        faces.append([index[(a, b, 1)] for a, b, _ in
                      [(i, j, 1), (i + 1, j, 1), (i + 1, j + 1, 1), (i, j + 1, 1)]])
        smooth.append(True)
        tones.append("inside")
    # Rims close the plate along every cell edge that borders no other cell.
    for (i, j) in sorted(cells):
        edges = [((i, j), (i + 1, j), (i, j - 1)), ((i + 1, j), (i + 1, j + 1), (i + 1, j)),
                 ((i + 1, j + 1), (i, j + 1), (i, j + 1)), ((i, j + 1), (i, j), (i - 1, j))]
        for a, b, neighbour in edges:
            if neighbour in cells:
                continue
            faces.append([index[(a[0], a[1], 0)], index[(b[0], b[1], 0)],
                          index[(b[0], b[1], 1)], index[(a[0], a[1], 1)]])
            smooth.append(False)
            tones.append("inside")
    points = [placed(prim, p) for p in points]
    result = piece(points, faces, smooth, True)
    result["tones"] = tones
    return result


def build(prim):
    kind = prim["kind"]
    if kind == "lathe":
        return build_lathe(prim)
    if kind == "ellipsoid":
        return build_ellipsoid(prim)
    if kind == "tube":
        return build_tube(prim)
    if kind == "box":
        return build_box(prim)
    if kind == "poly":
        return build_poly(prim)
    if kind == "shell":
        return build_shell(prim)
    raise DescriptionError("%s: unknown shape '%s'" % (prim["line"], kind))


def mirrored(prim):
    """A copy of a shape reflected in the x = 0 plane (for pairs of arms, legs, eyes)."""
    twin = dict(prim)
    if "at" in twin:
        at = option(prim, "at", None, 3)
        twin["at"] = [-at[0], at[1], at[2]]
    for key in ("turn", "roll"):
        if key in twin:
            twin[key] = [-scalar(prim, key, 0.0)]
    if prim["kind"] in ("tube", "poly"):
        twin["rows"] = [[-r[0]] + r[1:] for r in prim["rows"]]
    return twin


def orient(part):
    """Makes a closed shape wind outwards: its signed volume must be positive."""
    if not part["closed"]:
        return part
    pts = part["points"]
    centre = scale(tuple(sum(p[k] for p in pts) for k in range(3)), 1.0 / len(pts))
    volume = 0.0
    for face in part["faces"]:
        for k in range(1, len(face) - 1):
            a, b, c = (sub(pts[face[0]], centre), sub(pts[face[k]], centre), sub(pts[face[k + 1]], centre))
            volume += dot(a, cross(b, c))
    if volume < 0:
        part["faces"] = [list(reversed(f)) for f in part["faces"]]
    return part


def corner_normals(part):
    """Unit normal per face corner: shared across smooth faces, the face's own otherwise."""
    pts = part["points"]
    face_n = [face_normal([pts[i] for i in f]) for f in part["faces"]]
    summed = [(0.0, 0.0, 0.0)] * len(pts)
    for f, n, smooth in zip(part["faces"], face_n, part["smooth"]):
        if smooth:
            for i in f:
                summed[i] = add(summed[i], n)
    normals = []
    for f, n, smooth in zip(part["faces"], face_n, part["smooth"]):
        normals.append([unit(summed[i]) if smooth and length(summed[i]) > 0 else unit(n) for i in f])
    return normals


# ---------------------------------------------------------------------------
# Lighting baked into the colours.

def brightness(normal, light):
    """0 (turned from the light) to 1 (facing it), wrapped round so that the
    shaded side still shows its form."""
    return (dot(normal, light) + 1.0) / 2.0


def legacy_code(colour_text, line, level):
    """Picks one of the codes `bright/mid/dark` by the light level."""
    names = colour_text.split("/")
    for n in names:
        if n not in LEGACY_CODES:
            raise DescriptionError("%s: unknown legacy colour '%s' (known: %s)"
                                   % (line, n, ", ".join(sorted(LEGACY_CODES))))
    k = min(int((1.0 - level) * len(names)), len(names) - 1)
    return LEGACY_CODES[names[k]]


def ramp_shade(colour_text, line, level, ambient):
    """A 16.16 palette index inside one ramp: `name` or `name:lo-hi` with the
    ramp entries (from 0) that the shading may use."""
    name, _, span = colour_text.partition(":")
    if name not in RAMPS:
        raise DescriptionError("%s: unknown colour ramp '%s' (known: %s)"
                               % (line, name, ", ".join(sorted(RAMPS))))
    base, size = RAMPS[name]
    lo, hi = 0, size - 1
    if span:
        try:
            lo, hi = [int(v) for v in span.split("-")]
        except ValueError:
            raise DescriptionError("%s: a ramp span is written lo-hi" % line)
        if not 0 <= lo <= hi < size:
            raise DescriptionError("%s: ramp span %s outside 0-%d" % (line, span, size - 1))
    level = ambient + (1.0 - ambient) * level ** 1.5
    shade = lo + (hi + 1 - lo) * level
    raw = int(round((base + shade) * 65536))
    return max((base + lo) * 65536, min(raw, (base + hi) * 65536 + 65535))


# ---------------------------------------------------------------------------
# Assembling a model.

def assemble(path, legacy):
    settings, prims = parse_description(path)
    light = unit(tuple(settings.get("light", [0.3, 1.0, -0.6])))
    size = settings.get("scale", [1.0])[0]
    ambient = settings.get("ambient", [0.12])[0]
    expanded = []
    for prim in prims:
        expanded.append(prim)
        if scalar(prim, "mirror", 0.0):
            expanded.append(mirrored(prim))
    points, groups = [], []
    lookup = {}
    for prim in expanded:
        polys = []
        groups.append(polys)
        part = orient(build(prim))
        part["points"] = [scale(p, size) for p in part["points"]]
        normals = corner_normals(part)
        tones = part.get("tones", ["colour"] * len(part["faces"]))
        for face, fnormals, tone in zip(part["faces"], normals, tones):
            colour_text = prim.get(tone, prim.get("inside" if tone == "cap" else "colour", prim.get("colour")))
            if colour_text == "none":
                continue
            if not isinstance(colour_text, str):
                raise DescriptionError("%s: needs %s=<colour>" % (prim["line"], tone))
            corners = []
            for i, n in zip(face, fnormals):
                p = part["points"][i]
                key = tuple(float(round(c)) for c in p) if legacy else tuple(round(c, 6) for c in p)
                if key not in lookup:
                    lookup[key] = len(points)
                    points.append(key)
                corners.append((lookup[key], n))
            if legacy:
                fn = unit(face_normal([part["points"][i] for i in face]))
                code = legacy_code(colour_text, prim["line"], brightness(fn, light))
                for k in range(1, len(corners) - 1):
                    tri = [corners[0][0], corners[k][0], corners[k + 1][0]]
                    if len(set(tri)) == 3:
                        polys.append((tri, code))
            else:
                shades = [ramp_shade(colour_text, prim["line"], brightness(n, light), ambient) for _, n in corners]
                idx, kept = [], []
                for (i, _), s in zip(corners, shades):
                    if not idx or (i != idx[-1] and i != idx[0]):
                        idx.append(i)
                        kept.append(s)
                shades = kept
                if len(idx) < 3:
                    continue
                if len(idx) > MDL_MAX_CORNERS:
                    for k in range(1, len(idx) - 1):
                        polys.append(([idx[0], idx[k], idx[k + 1]], [shades[0], shades[k], shades[k + 1]]))
                elif len(idx) == 4 and not planar([points[i] for i in idx]):
                    polys.append(([idx[0], idx[1], idx[2]], [shades[0], shades[1], shades[2]]))
                    polys.append(([idx[0], idx[2], idx[3]], [shades[0], shades[2], shades[3]]))
                else:
                    polys.append((idx, shades))
    # The scene files a model's polygons from the last to the first, and a
    # polygon filed later is drawn later when two fall at the same depth.
    # Details marked over=1 (eyes, windows) therefore come first, the last
    # described first, so that they stay on the surface they lie on and on
    # each other; the other shapes follow in the order described.
    over = [bool(scalar(prim, "over", 0.0)) for prim in expanded]
    polys = [p for group, on_top in reversed(list(zip(groups, over))) if on_top for p in group]
    polys += [p for group, on_top in zip(groups, over) if not on_top for p in group]
    cull = int(settings.get("cull", [1])[0])
    check_model(path, points, polys, legacy, cull)
    return points, polys, settings


def planar(pts):
    n = unit(face_normal(pts[:3]))
    size = max(length(sub(pts[2], pts[0])), length(sub(pts[3], pts[1])))
    return abs(dot(sub(pts[3], pts[0]), n)) <= 0.02 * size


def unmatched_edges(polys):
    """Edges that no other polygon walks the other way: none in a closed
    surface whose polygons all wind the same way round."""
    count = {}
    for idx, _ in polys:
        for k in range(len(idx)):
            edge = (idx[k], idx[(k + 1) % len(idx)])
            count[edge] = count.get(edge, 0) + 1
    return [e for e, n in count.items() if count.get((e[1], e[0]), 0) != n]


def signed_volume(points, polys):
    volume = 0.0
    for idx, _ in polys:
        a = points[idx[0]]
        for k in range(1, len(idx) - 1):
            volume += dot(a, cross(points[idx[k]], points[idx[k + 1]])) / 6.0
    return volume


def check_model(path, points, polys, legacy, cull):
    name = os.path.relpath(path, ROOT)
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    zs = [p[2] for p in points]
    problems = []
    if min(xs) < -SQUARE_HALF or max(xs) > SQUARE_HALF or min(zs) < -SQUARE_HALF or max(zs) > SQUARE_HALF:
        problems.append("footprint x %.2f..%.2f, z %.2f..%.2f leaves the 10 by 10 square"
                        % (min(xs), max(xs), min(zs), max(zs)))
    if abs(min(ys)) > 1e-6:
        problems.append("base at y = %.2f, not 0" % min(ys))
    if not MIN_HEIGHT <= max(ys) <= MAX_HEIGHT:
        problems.append("height %.2f outside %g..%g" % (max(ys), MIN_HEIGHT, MAX_HEIGHT))
    if legacy:
        if len(points) > LEGACY_LIMIT or len(polys) > LEGACY_LIMIT:
            problems.append("%d vertices and %d triangles; the format holds %d of each"
                            % (len(points), len(polys), LEGACY_LIMIT))
    else:
        if len(polys) > MDL_MAX_POLYGONS:
            problems.append("%d polygons, more than %d" % (len(polys), MDL_MAX_POLYGONS))
        widest = max(len(p[0]) for p in polys)
        if widest > MDL_MAX_CORNERS:
            problems.append("a polygon of %d corners, more than %d" % (widest, MDL_MAX_CORNERS))
        # Culling hides the faces turned away, so the surface must be closed
        # and wound outwards, or the model shows holes from some side.
        if cull:
            loose = unmatched_edges(polys)
            if loose:
                p = points[loose[0][0]]
                problems.append("surface not closed: %d edges without a partner, one at (%.2f, %.2f, %.2f)"
                                % (len(loose), p[0], p[1], p[2]))
            elif signed_volume(points, polys) <= 0:
                problems.append("surface wound inwards")
    if problems:
        raise DescriptionError("%s: %s" % (name, "; ".join(problems)))


# ---------------------------------------------------------------------------
# Writing the files.

def legacy_byte(v):
    """A whole-unit coordinate as the format's byte: 0..128 as is, negatives as 256 + v."""
    v = int(v)
    assert -127 <= v <= 128
    return v if v >= 0 else 256 + v


def write_legacy(points, polys):
    out = bytearray([len(points)])
    for x, y, z in points:
        out += bytes([legacy_byte(x), legacy_byte(z), legacy_byte(y)])
    out.append(len(polys))
    for tri, code in polys:
        out += bytes(tri + [code])
    return bytes(out)


def fixed(v):
    return int(round(v * 65536))


def write_mdl(points, polys, cull):
    widest = max(len(idx) for idx, _ in polys)
    out = bytearray(struct.pack("<7i", 0, 0, len(points), len(polys), widest, cull, 4))
    for p in points:
        f = [fixed(c) for c in p]
        out += struct.pack("<15i", *(f + [0] * 6 + f + [0] * 3))
    for idx, shades in polys:
        out += struct.pack("<2i", len(idx), 2)
        for i, s in zip(idx, shades):
            out += struct.pack("<4i", s, 0, 0, i)
    return bytes(out)


def demo_palette():
    """The demo's palette in 8-bit components, for the PCX file's trailer."""
    pal = [(0, 0, 0)] * 256
    for n in range(32):
        pal[n] = (2 * n,) * 3
    ramps = [(32, (4, 4, 4)), (48, (4, 0, 0)), (64, (0, 4, 0)), (80, (0, 0, 4)), (96, (4, 4, 0)),
             (112, (4, 0, 4)), (128, (0, 4, 4)), (144, (4, 2, 0))]
    for base, (r, g, b) in ramps:
        for n in range(16):
            pal[base + n] = (r * n, g * n, b * n)
    return [tuple(c * 255 // 63 for c in rgb) for rgb in pal]


def read_picture(path):
    """A picture description: `key CHAR INDEX` lines giving each character a
    palette index, then the rows of characters. Rows shorter than the widest
    are padded with index 0, which is transparent."""
    name = os.path.relpath(path, ROOT)
    keys, rows = {}, []
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.rstrip("\n")
            if line.startswith("#") or not line.strip():
                continue
            if line.startswith("key "):
                words = line.split()
                if len(words) != 3 or len(words[1]) != 1 or not words[2].isdigit() or int(words[2]) > 255:
                    raise DescriptionError("%s:%d: a key line is 'key CHAR INDEX' with an index 0 to 255"
                                           % (name, number))
                keys[words[1]] = int(words[2])
                continue
            rows.append((number, line))
    if not rows:
        raise DescriptionError("%s: no rows of pixels" % name)
    width = max(len(r) for _, r in rows)
    pixels = []
    for number, row in rows:
        out = []
        for ch in row:
            if ch not in keys:
                raise DescriptionError("%s:%d: '%s' has no key line" % (name, number, ch))
            out.append(keys[ch])
        pixels.append(out + [0] * (width - len(out)))
    return pixels


def write_pcx(pixels):
    """An 8-bit, one-plane, run-length encoded PCX image with a 256-colour trailer."""
    h, w = len(pixels), len(pixels[0])
    stride = w + (w & 1)
    header = struct.pack("<4B6H48s2B4H54s", 10, 5, 1, 8, 0, 0, w - 1, h - 1, 72, 72,
                         bytes(48), 0, 1, stride, 1, 0, 0, bytes(54))
    body = bytearray()
    for row in pixels:
        line = row + [0] * (stride - w)
        i = 0
        while i < len(line):
            run = 1
            while i + run < len(line) and run < 63 and line[i + run] == line[i]:
                run += 1
            if run > 1 or line[i] >= 0xC0:
                body += bytes([0xC0 | run, line[i]])
            else:
                body.append(line[i])
            i += run
    trailer = bytearray([12])
    for rgb in demo_palette():
        trailer += bytes(rgb)
    return header + bytes(body) + bytes(trailer)


def save(out_dir, relative, data):
    path = os.path.join(out_dir, relative)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    tmp = path + ".part"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def jobs(src_root):
    """(description, output, kind) for every data file, in a fixed order."""
    found = []
    src = os.path.join(src_root, "models", "src")
    for sub_dir, kind, ext, out_dir in (("legacy", "legacy", ".dat", "models/legacy"),
                                        ("", "mdl", ".mdl", "models")):
        folder = os.path.join(src, sub_dir)
        for name in sorted(os.listdir(folder)):
            if name.endswith(".txt") and name != "README.txt":
                found.append((os.path.join(folder, name), out_dir + "/" + name[:-4] + ext, kind))
    found.append((os.path.join(src_root, "bitmaps", "src", "mouse.txt"), "bitmaps/mouse.pcx", "pcx"))
    return found


def main(argv):
    global ROOT
    out_dir = None
    args = argv[1:]
    while len(args) >= 2 and args[0] in ("--out", "--src"):
        if args[0] == "--out":
            out_dir = args[1]
        else:
            ROOT = os.path.abspath(args[1])
        args = args[2:]
    if args:
        sys.stderr.write("usage: make_content.py [--src REPO] [--out DIR]\n")
        return 2
    if out_dir is None:
        out_dir = ROOT
    # Everything is built before anything is written: a description with a
    # fault leaves every data file as it was.
    built = []
    try:
        for source, target, kind in jobs(ROOT):
            if kind == "pcx":
                data = write_pcx(read_picture(source))
                summary = "pointer image"
            else:
                points, polys, settings = assemble(source, kind == "legacy")
                if kind == "legacy":
                    data = write_legacy(points, polys)
                else:
                    data = write_mdl(points, polys, int(settings.get("cull", [1])[0]))
                summary = "%d vertices, %d polygons" % (len(points), len(polys))
            built.append((target, data, summary))
        for target, data, summary in built:
            save(out_dir, target, data)
            print("%-28s %s" % (target, summary))
    except (DescriptionError, OSError) as e:
        sys.stderr.write("make_content: %s\n" % e)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
