#!/usr/bin/python3
"""Generates the example drawings bracket.dxf, floorplan.dxf and logo.dxf.

Run from anywhere: ./examples/make_examples.py  (needs Debian's python3-ezdxf).
The files are committed too, so that a fresh checkout can plot them at once;
rerun this script after changing it and commit the regenerated files.
"""

import math
import os
import sys

import ezdxf
from ezdxf.enums import TextEntityAlignment

HERE = os.path.dirname(os.path.abspath(__file__))


def new_document():
    # R2000: the oldest version with LWPOLYLINE, HATCH, ELLIPSE and SPLINE.
    doc = ezdxf.new("R2000", setup=["linetypes"])
    doc.header["$INSUNITS"] = 4  # millimetres
    return doc


def save(doc, name):
    path = os.path.join(HERE, name)
    doc.saveas(path)
    print("wrote", path)


def arrow(msp, tip, direction, layer):
    """A filled arrowhead as a SOLID, pointing along `direction` (unit vector)."""
    dx, dy = direction
    length, half = 3.0, 1.0
    bx, by = tip[0] - dx * length, tip[1] - dy * length
    left = (bx - dy * half, by + dx * half)
    right = (bx + dy * half, by - dx * half)
    msp.add_solid([tip, left, right], dxfattribs={"layer": layer})


def dimension_h(msp, x1, x2, y, ref_y, text):
    """A horizontal dimension drawn from plain lines, arrows and text."""
    msp.add_line((x1, ref_y), (x1, y + 2), dxfattribs={"layer": "DIM"})
    msp.add_line((x2, ref_y), (x2, y + 2), dxfattribs={"layer": "DIM"})
    msp.add_line((x1, y), (x2, y), dxfattribs={"layer": "DIM"})
    arrow(msp, (x1, y), (-1, 0), "DIM")
    arrow(msp, (x2, y), (1, 0), "DIM")
    msp.add_text(text, height=3.5, dxfattribs={"layer": "DIM"}).set_placement(
        ((x1 + x2) / 2, y + 1), align=TextEntityAlignment.BOTTOM_CENTER
    )


def dimension_v(msp, y1, y2, x, ref_x, text):
    """A vertical dimension; its text reads from the right, rotated by 90 degrees."""
    msp.add_line((ref_x, y1), (x - 2, y1), dxfattribs={"layer": "DIM"})
    msp.add_line((ref_x, y2), (x - 2, y2), dxfattribs={"layer": "DIM"})
    msp.add_line((x, y1), (x, y2), dxfattribs={"layer": "DIM"})
    arrow(msp, (x, y1), (0, -1), "DIM")
    arrow(msp, (x, y2), (0, 1), "DIM")
    msp.add_text(text, height=3.5, rotation=90, dxfattribs={"layer": "DIM"}).set_placement(
        (x - 1, (y1 + y2) / 2), align=TextEntityAlignment.BOTTOM_CENTER
    )


def make_bracket():
    """A mounting bracket: plate with rounded corners, holes, a slot and a boss."""
    doc = new_document()
    doc.layers.add("OUTLINE", color=7)
    doc.layers.add("HOLES", color=1)
    doc.layers.add("CENTER", color=2, linetype="DASHED")
    doc.layers.add("DIM", color=3)
    doc.layers.add("NOTES", color=5)
    msp = doc.modelspace()

    # Plate 120 x 80 with 8 mm corner radii: bulge tan(90deg/4) gives quarter circles.
    r, q = 8.0, math.tan(math.radians(90) / 4)
    msp.add_lwpolyline(
        [
            (r, 0, 0), (120 - r, 0, q), (120, r, 0), (120, 80 - r, q),
            (120 - r, 80, 0), (r, 80, q), (0, 80 - r, 0), (0, r, q),
        ],
        format="xyb",
        close=True,
        dxfattribs={"layer": "OUTLINE"},
    )

    # Four mounting holes, a central bore with a boss arc around it.
    for x, y in ((12, 12), (108, 12), (108, 68), (12, 68)):
        msp.add_circle((x, y), 4, dxfattribs={"layer": "HOLES"})
        msp.add_line((x - 7, y), (x + 7, y), dxfattribs={"layer": "CENTER"})
        msp.add_line((x, y - 7), (x, y + 7), dxfattribs={"layer": "CENTER"})
    msp.add_circle((60, 40), 15, dxfattribs={"layer": "HOLES"})
    msp.add_arc((60, 40), 22, 30, 150, dxfattribs={"layer": "OUTLINE"})
    msp.add_arc((60, 40), 22, 210, 330, dxfattribs={"layer": "OUTLINE"})
    msp.add_line((40, 40), (80, 40), dxfattribs={"layer": "CENTER"})
    msp.add_line((60, 16), (60, 64), dxfattribs={"layer": "CENTER"})

    # An adjusting slot 30 long, 8 wide: two straight sides and two half circles
    # (bulge 1 is a half circle).
    msp.add_lwpolyline(
        [(30, 60, 0), (50, 60, 1), (50, 68, 0), (30, 68, 1)],
        format="xyb",
        close=True,
        dxfattribs={"layer": "HOLES"},
    )
    msp.add_line((22, 64), (58, 64), dxfattribs={"layer": "CENTER"})

    # Dimensions and notes.
    dimension_h(msp, 0, 120, -12, -2, "120")
    dimension_h(msp, 12, 108, 90, 72, "96")
    dimension_v(msp, 0, 80, 132, 122, "80")
    msp.add_text("%%c30", height=3.5, dxfattribs={"layer": "DIM"}).set_placement(
        (72, 52), align=TextEntityAlignment.LEFT
    )
    msp.add_line((70.6, 50.6), (71.5, 52), dxfattribs={"layer": "DIM"})
    msp.add_text("4x %%c8", height=3.5, dxfattribs={"layer": "DIM"}).set_placement(
        (17, 4), align=TextEntityAlignment.LEFT
    )
    msp.add_text("R8", height=3.5, dxfattribs={"layer": "DIM"}).set_placement(
        (112, 74), align=TextEntityAlignment.LEFT
    )
    msp.add_mtext(
        "\\LBRACKET B-12\\l\\PSteel S235, 5 mm\\PAll edges deburred\\PTolerance %%p0.1",
        dxfattribs={"layer": "NOTES", "char_height": 3.0, "insert": (0, -22),
                    "attachment_point": 1},
    )
    save(doc, "bracket.dxf")


def make_floorplan():
    """A small flat: walls, doors and windows as blocks, furniture as nested blocks."""
    doc = new_document()
    for name, color in (("WALLS", 7), ("DOORS", 4), ("WINDOWS", 5),
                        ("FURNITURE", 6), ("TEXT", 3), ("AXES", 8)):
        doc.layers.add(name, color=color)
    doc.layers.get("AXES").dxf.linetype = "DASHDOT"
    msp = doc.modelspace()

    # Door: leaf and swing, 900 wide, hinge at the origin, on layer 0 so that it
    # takes the layer of each INSERT.
    door = doc.blocks.new("DOOR")
    door.add_line((0, 0), (0, 900))
    door.add_arc((0, 0), 900, 0, 90)
    # Window: 1200 wide in a 200 thick wall, its glass in the INSERT's colour.
    window = doc.blocks.new("WINDOW")
    window.add_lwpolyline([(0, 0), (1200, 0), (1200, 200), (0, 200)], close=True)
    window.add_line((0, 100), (1200, 100), dxfattribs={"color": 0})
    # Chair, and a table with four chairs around it (a nested block).
    chair = doc.blocks.new("CHAIR", base_point=(225, 225))
    chair.add_lwpolyline([(0, 0), (450, 0), (450, 450), (0, 450)], close=True)
    chair.add_line((0, 380), (450, 380))
    table = doc.blocks.new("TABLE4")
    table.add_circle((0, 0), 600, dxfattribs={"color": 0})
    for angle in (0, 90, 180, 270):
        a = math.radians(angle)
        table.add_blockref("CHAIR", (math.cos(a) * 800, math.sin(a) * 800),
                           dxfattribs={"rotation": angle + 90})
    # Bed with a pillow, as a block drawn once and mirrored.
    bed = doc.blocks.new("BED")
    bed.add_lwpolyline([(0, 0), (1600, 0), (1600, 2000), (0, 2000)], close=True)
    bed.add_lwpolyline([(100, 1600), (700, 1600), (700, 1900), (100, 1900)], close=True,
                       dxfattribs={"linetype": "BYBLOCK"})
    bed.add_lwpolyline([(900, 1600), (1500, 1600), (1500, 1900), (900, 1900)], close=True)

    # Outer walls 300 thick, inner walls 120, plan 10000 x 7000.
    walls = {"layer": "WALLS"}
    msp.add_lwpolyline([(0, 0), (10000, 0), (10000, 7000), (0, 7000)], close=True,
                       dxfattribs=walls)
    msp.add_lwpolyline([(300, 300), (9700, 300), (9700, 6700), (300, 6700)], close=True,
                       dxfattribs=walls)
    for poly in (
        [(6000, 300), (6000, 2900), (6120, 2900), (6120, 300)],  # bedroom / living
        [(6000, 3900), (6000, 6700), (6120, 6700), (6120, 3900)],
        [(6120, 3500), (8700, 3500), (8700, 3620), (6120, 3620)],  # bedroom / bath
    ):
        msp.add_lwpolyline(poly, dxfattribs=walls)

    # Doors: a rotated one, a mirrored one (x scale -1) and the entrance.
    msp.add_blockref("DOOR", (6060, 2950), dxfattribs={"layer": "DOORS", "rotation": 0})
    msp.add_blockref("DOOR", (8750, 3560),
                     dxfattribs={"layer": "DOORS", "rotation": 90, "xscale": -1})
    msp.add_blockref("DOOR", (1500, 0),
                     dxfattribs={"layer": "DOORS", "rotation": 90, "xscale": 1.1, "yscale": 1.1})
    # Windows: a row of three along the south wall (a column array), two on the
    # north wall, one rotated into the east wall.
    win = msp.add_blockref("WINDOW", (2300, 50), dxfattribs={"layer": "WINDOWS", "color": 1})
    win.dxf.column_count = 3
    win.dxf.column_spacing = 1500
    msp.add_blockref("WINDOW", (2000, 6750), dxfattribs={"layer": "WINDOWS"})
    msp.add_blockref("WINDOW", (7000, 6750), dxfattribs={"layer": "WINDOWS"})
    msp.add_blockref("WINDOW", (9950, 1000),
                     dxfattribs={"layer": "WINDOWS", "rotation": 90, "color": 1})

    # Furniture: dining table with chairs, a smaller scaled one, two beds.
    msp.add_blockref("TABLE4", (3000, 4500), dxfattribs={"layer": "FURNITURE", "color": 30})
    msp.add_blockref("TABLE4", (4600, 1600),
                     dxfattribs={"layer": "FURNITURE", "xscale": 0.7, "yscale": 0.7,
                                 "rotation": 45})
    msp.add_blockref("BED", (7000, 4300), dxfattribs={"layer": "FURNITURE", "linetype": "DASHED"})
    msp.add_blockref("BED", (9500, 800), dxfattribs={"layer": "FURNITURE", "xscale": -1})

    # Axes through the rooms.
    msp.add_line((-500, 3500), (10500, 3500), dxfattribs={"layer": "AXES"})
    msp.add_line((6060, -500), (6060, 7500), dxfattribs={"layer": "AXES"})

    # Room names.
    text = {"layer": "TEXT"}
    msp.add_text("LIVING ROOM", height=250, dxfattribs=text).set_placement(
        (3000, 2500), align=TextEntityAlignment.MIDDLE_CENTER)
    msp.add_text("BEDROOM", height=250, dxfattribs=text).set_placement(
        (7900, 2000), align=TextEntityAlignment.MIDDLE_CENTER)
    msp.add_mtext("BATH\\P{\\H0.7x;5.2 m2}", dxfattribs={
        "layer": "TEXT", "char_height": 200, "insert": (9200, 6200), "attachment_point": 3})
    msp.add_mtext("{\\fArial|b1;GROUND FLOOR}\\PScale 1:50", dxfattribs={
        "layer": "TEXT", "char_height": 300, "insert": (0, -800), "attachment_point": 1})
    save(doc, "floorplan.dxf")


def make_logo():
    """A filled logo: hatches with holes and curved edges, solids, a spline, an ellipse."""
    doc = new_document()
    for name, color in (("RED", 1), ("BLUE", 5), ("GREEN", 3), ("LINES", 7)):
        doc.layers.add(name, color=color)
    msp = doc.modelspace()

    # A red ring: outer circle and inner circle as edge paths (arcs).
    ring = msp.add_hatch(dxfattribs={"layer": "RED", "color": 256})
    ring.set_solid_fill(color=256)
    outer = ring.paths.add_edge_path(flags=1)
    outer.add_arc((0, 0), 40, 0, 360)
    inner = ring.paths.add_edge_path()
    inner.add_arc((0, 0), 28, 0, 360)

    # A blue square with rounded (bulged) corners and a square hole.
    square = msp.add_hatch(color=5, dxfattribs={"layer": "BLUE"})
    q = math.tan(math.radians(90) / 4)
    square.paths.add_polyline_path(
        [(55, -30, 0), (105, -30, q), (115, -20, 0), (115, 30, q), (105, 40, 0), (55, 40, q),
         (45, 30, 0), (45, -20, q)], is_closed=True, flags=1)
    square.paths.add_polyline_path([(70, -5), (90, -5), (90, 15), (70, 15)], is_closed=True)

    # A green half ellipse closed by a line, as edges.
    leaf = msp.add_hatch(color=3, dxfattribs={"layer": "GREEN"})
    edges = leaf.paths.add_edge_path(flags=1)
    edges.add_ellipse((150, 0), (30, 0), 0.5, 0, 180)
    edges.add_line((120, 0), (180, 0))

    # SOLID triangles and a quadrilateral in several colours.
    msp.add_solid([(-40, -60), (40, -60), (0, -50)], dxfattribs={"color": 2})
    msp.add_solid([(50, -60), (180, -60), (50, -50), (180, -50)], dxfattribs={"color": 4})
    msp.add_trace([(-40, 50), (180, 50), (-40, 53), (180, 53)], dxfattribs={"color": 6})

    # A swoosh: a cubic B-spline through control points, and an ellipse around it all.
    msp.add_open_spline([(-50, -80), (0, -100), (60, -70), (120, -100), (190, -80)],
                        degree=3, dxfattribs={"layer": "LINES"})
    msp.add_ellipse((70, -10), major_axis=(140, 0), ratio=0.6, dxfattribs={"layer": "LINES"})
    msp.add_text("TVK PLOT", height=12, dxfattribs={"layer": "LINES", "width": 1.2}).set_placement(
        (70, -125), align=TextEntityAlignment.BOTTOM_CENTER)
    save(doc, "logo.dxf")


if __name__ == "__main__":
    if len(sys.argv) > 1:
        sys.exit("usage: make_examples.py")
    make_bracket()
    make_floorplan()
    make_logo()
