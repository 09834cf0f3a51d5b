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
# Fixed dates and GUIDs: regenerating unchanged drawings changes no byte.
ezdxf.options.write_fixed_meta_data_for_testing = True


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
        [(30, 66, 0), (50, 66, 1), (50, 74, 0), (30, 74, 1)],
        format="xyb",
        close=True,
        dxfattribs={"layer": "HOLES"},
    )
    msp.add_line((22, 70), (58, 70), dxfattribs={"layer": "CENTER"})

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
                        ("FURNITURE", 6), ("SANITARY", 1), ("TEXT", 3), ("AXES", 8)):
        doc.layers.add(name, color=color)
    doc.layers.get("AXES").dxf.linetype = "DASHDOT"
    msp = doc.modelspace()

    # Door: the opening runs along x from the hinge at the origin, the leaf
    # stands open along y. On layer 0, so that it takes the layer of each INSERT.
    door = doc.blocks.new("DOOR")
    door.add_line((0, 0), (0, 900))
    door.add_arc((0, 0), 900, 0, 90)
    # Window: 1200 wide in a wall 200 thick, its glass in the colour of the INSERT.
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
    # Bed with two pillows; the pillows follow the line type of the INSERT.
    bed = doc.blocks.new("BED")
    bed.add_lwpolyline([(0, 0), (1600, 0), (1600, 2000), (0, 2000)], close=True)
    for x in (100, 900):
        bed.add_lwpolyline([(x, 1600), (x + 600, 1600), (x + 600, 1900), (x, 1900)], close=True,
                           dxfattribs={"linetype": "BYBLOCK"})
    # Bath tub and WC: ellipses in blocks.
    tub = doc.blocks.new("TUB")
    tub.add_lwpolyline([(0, 0), (1700, 0), (1700, 750), (0, 750)], close=True)
    tub.add_ellipse((850, 375), major_axis=(700, 0), ratio=0.43)
    wc = doc.blocks.new("WC")
    wc.add_lwpolyline([(-250, 0), (250, 0), (250, 200), (-250, 200)], close=True)
    wc.add_ellipse((0, -250), major_axis=(0, 250), ratio=0.7)
    # North arrow: a filled triangle and its letter, in the colour of the INSERT.
    north = doc.blocks.new("NORTH")
    north.add_solid([(-150, 0), (150, 0), (0, 600)], dxfattribs={"color": 0})
    north.add_circle((0, 200), 400, dxfattribs={"color": 0})
    north.add_text("N", height=200, dxfattribs={"color": 0}).set_placement(
        (0, 650), align=TextEntityAlignment.BOTTOM_CENTER)

    # Outer walls 300 thick, inner walls 120, plan 10000 x 7000.
    walls = {"layer": "WALLS"}
    msp.add_lwpolyline([(0, 0), (10000, 0), (10000, 7000), (0, 7000)], close=True,
                       dxfattribs=walls)
    msp.add_lwpolyline([(300, 300), (9700, 300), (9700, 6700), (300, 6700)], close=True,
                       dxfattribs=walls)
    for poly in (
        [(6000, 300), (6000, 2900), (6120, 2900), (6120, 300)],  # living / bedroom
        [(6000, 3900), (6000, 6700), (6120, 6700), (6120, 3900)],  # living / bath
        [(6120, 3500), (8700, 3500), (8700, 3620), (6120, 3620)],  # bedroom / bath
    ):
        msp.add_lwpolyline(poly, dxfattribs=walls)

    # Doors: turned into the inner wall, mirrored into the bath, scaled at the entrance.
    msp.add_blockref("DOOR", (6060, 2950), dxfattribs={"layer": "DOORS", "rotation": 90})
    msp.add_blockref("DOOR", (9650, 3560), dxfattribs={"layer": "DOORS", "xscale": -1})
    msp.add_blockref("DOOR", (1300, 150),
                     dxfattribs={"layer": "DOORS", "xscale": 1.1, "yscale": 1.1})
    # Windows: a row of two along the south wall (a column array), two on the
    # north wall, one turned into the east wall.
    row = msp.add_blockref("WINDOW", (2700, 50), dxfattribs={"layer": "WINDOWS", "color": 1})
    row.dxf.column_count = 2
    row.dxf.column_spacing = 1600
    for x in (2000, 7000):
        msp.add_blockref("WINDOW", (x, 6750), dxfattribs={"layer": "WINDOWS"})
    msp.add_blockref("WINDOW", (7300, 50), dxfattribs={"layer": "WINDOWS"})
    msp.add_blockref("WINDOW", (9950, 1200),
                     dxfattribs={"layer": "WINDOWS", "rotation": 90, "color": 1})

    # Furniture: a dining table with chairs, a smaller one turned, a bed.
    msp.add_blockref("TABLE4", (3000, 4500), dxfattribs={"layer": "FURNITURE", "color": 30})
    msp.add_blockref("TABLE4", (4400, 1700),
                     dxfattribs={"layer": "FURNITURE", "xscale": 0.7, "yscale": 0.7,
                                 "rotation": 45})
    msp.add_blockref("BED", (7700, 2700),
                     dxfattribs={"layer": "FURNITURE", "rotation": 270, "linetype": "DASHED"})
    msp.add_blockref("TUB", (7950, 5900), dxfattribs={"layer": "SANITARY"})
    msp.add_blockref("WC", (6700, 6500), dxfattribs={"layer": "SANITARY"})
    msp.add_blockref("NORTH", (11000, 6000), dxfattribs={"layer": "TEXT", "rotation": 15})

    # Axes through the walls.
    msp.add_line((-500, 3560), (10500, 3560), dxfattribs={"layer": "AXES"})
    msp.add_line((6060, -500), (6060, 7500), dxfattribs={"layer": "AXES"})

    # Room names.
    text = {"layer": "TEXT"}
    msp.add_text("LIVING ROOM", height=250, dxfattribs=text).set_placement(
        (3000, 2500), align=TextEntityAlignment.MIDDLE_CENTER)
    msp.add_text("BEDROOM", height=250, dxfattribs=text).set_placement(
        (7000, 1900), align=TextEntityAlignment.MIDDLE_CENTER)
    msp.add_mtext("BATH\\P{\\H0.7x;5.2 m2}", dxfattribs={
        "layer": "TEXT", "char_height": 200, "insert": (7300, 4700), "attachment_point": 5})
    msp.add_mtext("{\\fArial|b1;GROUND FLOOR}\\PScale 1:50", dxfattribs={
        "layer": "TEXT", "char_height": 300, "insert": (0, -800), "attachment_point": 1})
    save(doc, "floorplan.dxf")


def make_logo():
    """A filled logo: hatches with holes and curved edges, solids, a spline, an ellipse."""
    doc = new_document()
    for name, color in (("RED", 1), ("BLUE", 5), ("GREEN", 3), ("LINES", 7)):
        doc.layers.add(name, color=color)
    msp = doc.modelspace()

    # A red ring: outer and inner circle as edge paths (arcs), the colour BYLAYER.
    ring = msp.add_hatch(dxfattribs={"layer": "RED"})
    ring.set_solid_fill(color=256)
    ring.paths.add_edge_path(flags=1).add_arc((0, 15), 32, 0, 360)
    ring.paths.add_edge_path().add_arc((0, 15), 20, 0, 360)

    # A blue square with rounded (bulged) corners and a square hole.
    square = msp.add_hatch(color=5, dxfattribs={"layer": "BLUE"})
    q = math.tan(math.radians(90) / 4)
    square.paths.add_polyline_path(
        [(50, -17, 0), (100, -17, q), (110, -7, 0), (110, 37, q), (100, 47, 0), (50, 47, q),
         (40, 37, 0), (40, -7, q)], is_closed=True, flags=1)
    square.paths.add_polyline_path([(65, 5), (85, 5), (85, 25), (65, 25)], is_closed=True)

    # A green leaf: two elliptic arcs running clockwise, over the top from the
    # left tip to the right one and back under the bottom.
    leaf = msp.add_hatch(color=3, dxfattribs={"layer": "GREEN"})
    edges = leaf.paths.add_edge_path(flags=1)
    edges.add_ellipse((150, 15), (30, 0), 0.6, 0, 180, ccw=False)
    edges.add_ellipse((150, 15), (30, 0), 0.25, 180, 360, ccw=False)

    # A pen tip (SOLID triangle), a bar (SOLID quadrilateral) and a TRACE.
    msp.add_solid([(135, -20), (165, -20), (150, -5)], dxfattribs={"color": 2})
    msp.add_solid([(-35, -30), (185, -30), (-35, -24), (185, -24)], dxfattribs={"color": 4})
    msp.add_trace([(-35, 60), (185, 60), (-35, 62), (185, 62)], dxfattribs={"color": 6})

    # The name, a swoosh (a cubic B-spline by its control points) under it, an
    # ellipse around everything.
    msp.add_text("TVK PLOT", height=14, dxfattribs={"layer": "LINES", "width": 1.2}).set_placement(
        (75, -55), align=TextEntityAlignment.BOTTOM_CENTER)
    msp.add_open_spline([(-20, -62), (30, -78), (75, -58), (120, -78), (170, -62)],
                        degree=3, dxfattribs={"layer": "LINES"})
    msp.add_ellipse((75, 0), major_axis=(135, 0), ratio=0.68, dxfattribs={"layer": "LINES"})
    save(doc, "logo.dxf")


if __name__ == "__main__":
    if len(sys.argv) > 1:
        sys.exit("usage: make_examples.py")
    make_bracket()
    make_floorplan()
    make_logo()
