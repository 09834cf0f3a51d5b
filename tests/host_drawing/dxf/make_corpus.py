#!/usr/bin/python3
"""Writes a corpus of DXF drawings as CAD programs write them, with what each
must read as, for the drawing model's corpus test.

    make_corpus.py OUTDIR

Needs Debian's python3-ezdxf. Every drawing NAME.dxf comes with NAME.expect,
one statement a line:

    ref X Y X Y ...      a polyline (ezdxf's own reading of the drawing, in world
                         coordinates) that the drawing's strokes must cover
    exact                every stroke point must also lie on some ref polyline
    tolerance T          how far (drawing units) points may stray; default 0.05
    unsupported TYPE N   an entity type counted as not drawn, N times; the
                         counts listed are all there are
    color X Y C          the stroke nearest (X, Y) has colour C
    box X0 Y0 X1 Y1      some stroke point lies in the box (text, roughly placed)
    within X0 Y0 X1 Y1   every stroke point lies in the box
    fills N              the drawing has N filled areas
    nothing              the drawing has nothing to draw
    error TEXT           loading fails with a message holding TEXT
"""

import math
import os
import sys

try:
    import ezdxf
except ImportError:
    print("python3-ezdxf is not installed: no corpus")
    sys.exit(77)  # skipped
from ezdxf import disassemble
from ezdxf.enums import MTextEntityAlignment, TextEntityAlignment
from ezdxf.math import Vec3
from ezdxf.path import make_path
from ezdxf.render import TraceBuilder, hatching
from ezdxf.render.mleader import ConnectionSide, LeaderType

# Fixed dates and GUIDs: regenerating the corpus changes no byte.
ezdxf.options.write_fixed_meta_data_for_testing = True

VERSIONS = ["R12", "R2000", "R2004", "R2007", "R2010", "R2013", "R2018"]
OUT = sys.argv[1] if len(sys.argv) > 1 else "corpus"

# Entity types whose outline ezdxf draws as ours does; text is checked by boxes.
TEXT_TYPES = {"TEXT", "MTEXT", "ATTRIB", "ATTDEF"}


def flat(points):
    return " ".join(f"{v:.9g}" for p in points for v in (p[0], p[1]))


def reference_lines(entities, distance=0.005):
    """ezdxf's own flattening of everything drawable in `entities`, blocks,
    dimensions and leaders taken apart."""
    lines = []
    for e in disassemble.recursive_decompose(entities):
        kind = e.dxftype()
        if kind in TEXT_TYPES or e.dxf.layer.upper() == "DEFPOINTS":  # never plotted
            continue
        if kind == "POINT":
            p = e.dxf.location
            lines.append([p, p])
            continue
        if kind == "3DFACE":
            corners = [e.dxf.get(f"vtx{i}") for i in range(4)]
            if corners[3].isclose(corners[2]):
                corners = corners[:3]
            for i in range(len(corners)):
                if not e.is_invisible_edge(i):
                    lines.append([corners[i], corners[(i + 1) % len(corners)]])
            continue
        if (kind == "LWPOLYLINE" or (kind == "POLYLINE" and e.is_2d_polyline)) and e.has_width:
            # Filled: the outlines of the bands ezdxf makes of it.
            elevation = e.dxf.elevation if kind == "LWPOLYLINE" else e.dxf.elevation.z
            for polygon in TraceBuilder.from_polyline(e).polygons_wcs(e.ocs(), elevation):
                lines.append(list(polygon) + [polygon[0]])
            continue
        if kind == "POLYLINE" and (e.is_poly_face_mesh or e.is_polygon_mesh):
            mesh = disassemble.make_primitive(e).mesh
            for face in mesh.faces:
                for i in range(len(face)):
                    a, b = mesh.vertices[face[i]], mesh.vertices[face[(i + 1) % len(face)]]
                    lines.append([a, b])
            continue
        if kind in ("SPLINE", "HELIX", "ARC", "CIRCLE", "ELLIPSE"):
            # Exact: ezdxf's paths lose closed splines, whose knots are not clamped.
            lines.append(list(e.flattening(distance)))
            continue
        try:
            path = make_path(e)
        except TypeError:
            continue
        for sub in path.sub_paths():
            points = list(sub.flattening(distance))
            if len(points) >= 2:
                lines.append(points)
    return lines


class Expect:
    def __init__(self):
        self.lines = []

    def ref(self, entities, distance=0.005):
        for points in reference_lines(entities, distance):
            self.lines.append("ref " + flat(points))

    def add(self, line):
        self.lines.append(line)

    def write(self, path):
        with open(path, "w", encoding="utf-8") as f:
            f.write("\n".join(self.lines) + "\n")


def save(doc, name, expect, **kwargs):
    doc.saveas(os.path.join(OUT, name + ".dxf"), **kwargs)
    expect.write(os.path.join(OUT, name + ".expect"))


def new(version):
    doc = ezdxf.new(version, setup=True)
    doc.header["$INSUNITS"] = 4
    return doc


def modern(version):
    return version != "R12"


# ---- geometry: everything ezdxf can take apart, compared both ways ---------------------


def geometry(version):
    doc = new(version)
    msp = doc.modelspace()
    msp.add_line((0, 0), (100, 0))
    msp.add_line((0, 0), (0, 80), dxfattribs={"color": 1})
    msp.add_circle((20, 20), 10)
    msp.add_arc((50, 20), 10, 30, 300)
    msp.add_arc((80, 20), 8, 300, 30)  # across angle 0
    msp.add_point((95, 75))
    msp.add_solid([(0, 90), (10, 90), (0, 100), (10, 100)])
    msp.add_solid([(20, 90), (30, 90), (25, 100)])
    msp.add_trace([(40, 90), (50, 90), (40, 95), (50, 95)])
    msp.add_3dface([(60, 90, 0), (70, 90, 5), (70, 100, 0), (60, 100, 0)])
    face = msp.add_3dface([(75, 90), (85, 90), (85, 100), (75, 100)])
    face.set_edge_visibility(1, False)
    # Old-style polylines: 2D with bulges, 3D, a polyface mesh and a polygon mesh.
    msp.add_polyline2d([(0, 110, 0, 0, 0.5), (20, 110, 0, 0, -1), (30, 120, 0, 0, 0)],
                       format="xyseb", close=True)
    msp.add_polyline3d([(40, 110, 0), (50, 115, 10), (60, 110, -5)])
    pface = msp.add_polyface()
    pface.append_face([(70, 110), (80, 110), (80, 120), (70, 120)])
    pface.append_face([(80, 110), (90, 110), (85, 118)])
    mesh = msp.add_polymesh(size=(3, 3))
    for m in range(3):
        for n in range(3):
            mesh.set_mesh_vertex((m, n), (100 + 5 * m, 110 + 5 * n, m * n))
    # Polylines with widths: tapered, with a bulge, closed and mitred.
    msp.add_polyline2d([(-60, 0, 2, 2, 0), (-40, 0, 2, 0, 0.5), (-30, 10, 0, 4, 0),
                        (-60, 20, 0, 0, 0)], format="xyseb")
    msp.add_polyline2d([(-60, 40), (-40, 40), (-40, 60)], close=True,
                       dxfattribs={"default_start_width": 1.5, "default_end_width": 1.5})
    # An arc in a mirrored object coordinate system (extrusion 0, 0, -1).
    msp.add_arc((-120, 40), 10, 0, 90, dxfattribs={"extrusion": (0, 0, -1)})
    msp.add_circle((-130, 60, 0), 5, dxfattribs={"extrusion": (0.3, 0.2, 0.9)})

    # Blocks: nested, mirrored, rotated, arrays.
    leaf = doc.blocks.new("LEAF", base_point=(5, 5))
    leaf.add_lwpolyline([(0, 0), (10, 0), (10, 10)], close=False) if modern(version) else \
        leaf.add_polyline2d([(0, 0), (10, 0), (10, 10)])
    leaf.add_arc((5, 5), 3, 0, 180)
    tree = doc.blocks.new("TREE")
    tree.add_blockref("LEAF", (0, 0), dxfattribs={"rotation": 30})
    tree.add_blockref("LEAF", (20, 0), dxfattribs={"xscale": -1})
    tree.add_line((0, 0), (0, 20))
    msp.add_blockref("TREE", (150, 0))
    # Nested non-uniform scales shear, which ezdxf cannot take apart: uniform here.
    msp.add_blockref("TREE", (200, 0), dxfattribs={"xscale": 2, "yscale": -2, "rotation": 45})
    msp.add_blockref("LEAF", (250, 0), dxfattribs={"xscale": 3, "yscale": -1, "rotation": 20})
    msp.add_blockref("TREE", (150, 60), dxfattribs={"extrusion": (0, 0, -1)})
    grid = msp.add_blockref("LEAF", (150, 120))
    grid.grid(size=(2, 3), spacing=(15, 20))

    if modern(version):
        msp.add_lwpolyline([(0, 130, 0), (20, 130, 0.4), (30, 140, -0.7), (10, 150, 0)],
                           format="xyb", close=True)
        msp.add_lwpolyline([(40, 130), (60, 140)], dxfattribs={"extrusion": (0, 0, -1)})
        msp.add_lwpolyline([(-60, 80, 1, 3, 0), (-40, 80, 3, 1, -0.4), (-30, 100, 0.5, 0.5, 0),
                            (-60, 100, 0, 0, 0)], format="xyseb", close=True)
        msp.add_lwpolyline([(-60, 120), (-40, 125), (-60, 130)], dxfattribs={"const_width": 2})
        msp.add_ellipse((80, 140), major_axis=(10, 3), ratio=0.4)
        msp.add_ellipse((110, 140), major_axis=(0, 8), ratio=0.5, start_param=0.5,
                        end_param=4)
        msp.add_ellipse((-110, 140), major_axis=(6, 0), ratio=0.5, start_param=1,
                        end_param=3, dxfattribs={"extrusion": (0, 0, -1)})
        fit = [(0, 160), (10, 170), (20, 160), (30, 175), (40, 165)]
        msp.add_spline(fit)
        msp.add_spline_control_frame([(0, 190), (10, 200), (20, 190), (30, 205)])
        msp.add_helix(radius=10, pitch=2, turns=2.5).translate(230, 180, 0)
        msp.add_open_spline([(50, 160), (60, 175), (70, 160), (80, 175), (90, 160)], degree=3)
        msp.add_open_spline([(50, 190), (60, 200), (70, 190)], degree=2)
        msp.add_spline().set_closed([(100, 160, 0), (120, 160, 0), (120, 180, 0), (100, 180, 0)])
        msp.add_rational_spline([(130, 160), (140, 180), (150, 160), (160, 180)],
                                weights=[1, 3, 0.5, 1])
        msp.add_spline().set_closed_rational([(170, 160, 0), (190, 160, 0), (190, 180, 0), (170, 180, 0)],
                                             weights=[1, 2, 1, 2])
        # Solid hatches: polyline paths with a hole and bulges, edge paths.
        hatch = msp.add_hatch(color=3)
        hatch.paths.add_polyline_path([(0, 220), (40, 220), (40, 250), (0, 250)], is_closed=True,
                                      flags=ezdxf.const.BOUNDARY_PATH_EXTERNAL)
        hatch.paths.add_polyline_path([(10, 230, 1), (20, 230, 1)], is_closed=True,
                                      flags=ezdxf.const.BOUNDARY_PATH_OUTERMOST)
        hatch = msp.add_hatch(color=4)
        edges = hatch.paths.add_edge_path()
        edges.add_line((50, 220), (90, 220))
        edges.add_arc((90, 235), 15, -90, 90)
        edges.add_line((90, 250), (70, 250))
        edges.add_ellipse((60, 250), major_axis=(10, 0), ratio=0.5, start_angle=0,
                          end_angle=180)
        edges.add_spline(control_points=[(50, 250), (45, 240), (55, 230), (50, 220)],
                         knot_values=[0, 0, 0, 0, 1, 1, 1, 1], degree=3)
        hatch = msp.add_hatch(color=5)
        edges = hatch.paths.add_edge_path()
        edges.add_arc((130, 235), 10, 0, 360)
        # A clockwise arc edge, as some programs write their boundaries.
        hatch = msp.add_hatch(color=6)
        edges = hatch.paths.add_edge_path()
        edges.add_line((150, 220), (170, 220))
        edges.add_arc((170, 230), 10, 270, 90, ccw=True)
        edges.add_line((170, 240), (150, 240))
        edges.add_line((150, 240), (150, 220))
        hatch = msp.add_hatch(color=1)
        edges = hatch.paths.add_edge_path()
        edges.add_line((200, 220), (220, 220))
        edges.add_arc((220, 230), 10, 90, 270, ccw=False)
        edges.add_line((220, 240), (200, 240))
        edges.add_line((200, 240), (200, 220))

    e = Expect()
    e.add("exact")
    e.ref(msp)
    save(doc, f"geometry_{version}", e)


# ---- text: every alignment and style, MTEXT codes, attributes ---------------------------


def text_box(e, corner, width, height, margin):
    x, y = corner
    e.add(f"box {x - margin:g} {y - margin:g} {x + width + margin:g} {y + height + margin:g}")


def text(version):
    doc = new(version)
    msp = doc.modelspace()
    doc.styles.new("WIDE", dxfattribs={"font": "txt", "width": 2})
    doc.styles.new("SLANT", dxfattribs={"font": "txt", "oblique": 20})
    doc.styles.new("FIXED", dxfattribs={"font": "txt", "height": 7})
    e = Expect()
    # Nine plus the special alignments, each at its own spot.
    for i, align in enumerate(TextEntityAlignment):
        x, y = (i % 4) * 100, (i // 4) * 40
        t = msp.add_text("Align", height=5)
        if align in (TextEntityAlignment.ALIGNED, TextEntityAlignment.FIT):
            t.set_placement((x, y), (x + 60, y), align=align)
        else:
            t.set_placement((x, y), align=align)
        # Wherever the alignment puts it, it touches the area around its point.
        e.add(f"box {x - 60:g} {y - 12:g} {x + 60:g} {y + 12:g}")
    msp.add_text("Wide", height=5, dxfattribs={"style": "WIDE"}).set_placement((0, 200))
    e.add("box 0 199 80 206")
    msp.add_text("Slanted", height=5, dxfattribs={"style": "SLANT"}).set_placement((100, 200))
    e.add("box 100 199 125 206")
    msp.add_text("Fixed", dxfattribs={"style": "FIXED", "height": 0}).set_placement((200, 200))
    e.add("box 200 199 230 208")
    msp.add_text("Turned", height=5, rotation=90).set_placement((300, 200))
    e.add("box 294 199 301 230")
    msp.add_text("%%c20 %%d %%p0.1 %%u100%%%", height=5).set_placement((0, 250))
    e.add("box 0 249 100 256")
    msp.add_text("Zoë ∅ \\U+00B0", height=5).set_placement((150, 250))
    e.add("box 150 249 200 256")
    msp.add_text("Backwards", height=5,
                 dxfattribs={"text_generation_flag": 2}).set_placement((300, 250))
    e.add("box 250 249 301 256")
    if modern(version):
        mtext = msp.add_mtext("{\\fArial|b1;Bold} \\H2x;big\\P\\C1;red \\S1/2; \\S3^4; "
                              "\\S5#8;\\Pline %%c \\U+2205\\~end", dxfattribs={"char_height": 5})
        mtext.set_location((0, 320), attachment_point=MTextEntityAlignment.TOP_LEFT)
        e.add("box 0 290 100 321")
        mtext = msp.add_mtext("Centred middle", dxfattribs={"char_height": 5, "rotation": 30})
        mtext.set_location((200, 300), attachment_point=MTextEntityAlignment.MIDDLE_CENTER)
        e.add("box 180 280 220 320")
        mtext = msp.add_mtext("Wrapped into a narrow column of words",
                              dxfattribs={"char_height": 5, "width": 40})
        mtext.set_location((300, 320))
        e.add("box 300 280 345 321")
        mtext = msp.add_mtext_static_columns(["Column one", "Column two"], width=40,
                                             gutter_width=5, height=30,
                                             dxfattribs={"char_height": 5,
                                                         "insert": (0, 400)})
        e.add("box 0 360 100 401")
    # A block with attribute definitions, inserted with its attributes.
    block = doc.blocks.new("TAG")
    block.add_circle((0, 0), 5)
    block.add_attdef("NAME", (6, 0), dxfattribs={"height": 3})
    block.add_attdef("HIDDEN", (6, -5), dxfattribs={"height": 3, "flags": 1})
    ref = msp.add_blockref("TAG", (400, 300))
    ref.add_auto_attribs({"NAME": "Pump 1", "HIDDEN": "secret"})
    e.add("box 405 299 430 304")
    e.add("within -80 -20 500 410")
    save(doc, f"text_{version}", e)


# ---- annotations: dimensions, leaders, patterned hatches ------------------------------


def annotations(version):
    doc = new(version)
    msp = doc.modelspace()
    msp.add_lwpolyline([(0, 0), (100, 0), (100, 50), (0, 50)], close=True) if modern(version) \
        else msp.add_polyline2d([(0, 0), (100, 0), (100, 50), (0, 50)], close=True)
    msp.add_circle((150, 25), 20)
    msp.add_arc((220, 25), 20, 0, 120)
    # The "EZDXF" styles are for metres: text and arrows 2.5 drawing units here.
    mm = {"dimtxt": 2.5, "dimasz": 2.5, "dimlfac": 1}
    msp.add_linear_dim(base=(50, -20), p1=(0, 0), p2=(100, 0), override=mm).render()
    msp.add_linear_dim(base=(50, -35), p1=(0, 0), p2=(100, 0), dimstyle="Standard").render()
    msp.add_linear_dim(base=(120, 25), p1=(100, 0), p2=(100, 50), angle=90,
                       override=mm).render()
    msp.add_aligned_dim(p1=(0, 50), p2=(100, 0), distance=10, override=mm).render()
    msp.add_radius_dim(center=(150, 25), radius=20, angle=45, override=mm).render()
    msp.add_diameter_dim(center=(150, 25), radius=20, angle=135, override=mm).render()
    msp.add_angular_dim_cra(center=(220, 25), radius=30, start_angle=0, end_angle=120,
                            distance=5, override=mm).render()
    e = Expect()
    if modern(version):
        msp.add_leader([(0, 100), (20, 80), (40, 80)])
        msp.add_leader([(60, 100), (80, 80), (100, 80)], override={"dimasz": 4})
        leader = msp.add_leader([(120, 100), (130, 80), (160, 90)], override={"dimasz": 3})
        leader.dxf.path_type = 1  # a spline
        ml = msp.add_multileader_mtext("Standard")
        ml.set_content("Note", char_height=3)
        ml.add_leader_line(ConnectionSide.left, [ezdxf.math.Vec2(60, 120)])
        ml.build(insert=ezdxf.math.Vec2(80, 130))
        ml = msp.add_multileader_mtext("Standard")
        ml.set_content("Curved", char_height=3)
        ml.set_leader_properties(leader_type=LeaderType.splines)
        ml.add_leader_line(ConnectionSide.left, [ezdxf.math.Vec2(110, 110),
                                                 ezdxf.math.Vec2(120, 125)])
        ml.build(insert=ezdxf.math.Vec2(140, 130))
        msp.add_arc_dim_3p(base=(220, 70), center=(220, 25), p1=(240, 25), p2=(220, 45),
                           override=mm).render()
        msp.add_mline([(180, 120), (220, 120), (240, 140), (240, 170)])
        msp.add_mline([(250, 120), (280, 120), (280, 150)], close=True)
        hatch = msp.add_hatch(color=2)
        hatch.paths.add_polyline_path([(0, 150), (50, 150), (50, 200), (0, 200)], is_closed=True)
        hatch.set_pattern_fill("ANSI31", scale=0.5)
        hatch = msp.add_hatch(color=3)
        hatch.paths.add_polyline_path([(60, 150), (110, 150), (110, 200), (60, 200)],
                                      is_closed=True)
        hatch.paths.add_polyline_path([(70, 160), (100, 160), (100, 190), (70, 190)],
                                      is_closed=True)
        hatch.set_pattern_fill("BRICK", scale=0.2, angle=30)
        # An associative hatch: its boundary is the circle beside it.
        circle = msp.add_circle((150, 175), 20)
        hatch = msp.add_hatch(color=4)
        hatch.paths.add_edge_path().add_arc((150, 175), 20, 0, 360)
        hatch.dxf.associative = 1
        hatch.set_pattern_fill("ANSI37", scale=0.5)
        hatch.paths[0].source_boundary_objects = [circle.dxf.handle]
    # Dimensions, leaders and their arrows: everything but their text.
    e.ref([x for x in msp if x.dxftype() != "HATCH"])
    # The lines of the patterns, not the boundaries.
    for hatch in msp.query("HATCH"):
        for a, b in hatching.hatch_entity(hatch):
            e.add("ref " + flat([a, b]))
    save(doc, f"annotations_{version}", e)


# ---- entities the host cannot draw ------------------------------------------------------


def unsupported(version):
    doc = new(version)
    msp = doc.modelspace()
    msp.add_line((0, 0), (10, 10))
    e = Expect()
    e.ref(msp)
    if modern(version):
        # Drawn across the extents of the rest, which they do not widen.
        msp.add_xline((0, 0), (1, 1))
        msp.add_ray((0, 0), (1, 0))
        msp.add_xline((5, 5), (0, 1))
        e.add("within 0 0 10 10")
        image_def = doc.add_image_def("photo.png", size_in_pixel=(640, 480))
        msp.add_image(image_def, insert=(0, 0), size_in_units=(6.4, 4.8))
        msp.add_wipeout([(0, 0), (5, 0), (5, 5)])
        msp.add_3dsolid()
        msp.add_region()
        e.add("unsupported IMAGE 1")
        e.add("unsupported WIPEOUT 1")
        e.add("unsupported 3DSOLID 1")
        e.add("unsupported REGION 1")
    else:
        msp.add_shape("NOSUCH", (5, 5))
        e.add("unsupported SHAPE 1")
    save(doc, f"unsupported_{version}", e)


# ---- layers, colours and line types -------------------------------------------------------


def layers():
    doc = new("R2018")
    msp = doc.modelspace()
    doc.layers.add("RED", color=1, linetype="DASHED")
    doc.layers.add("OFF", color=2).off()
    doc.layers.add("FROZEN", color=3).freeze()
    doc.layers.add("Ünïcødé 层", color=5)
    doc.layers.add("TRUE", color=4, true_color=ezdxf.colors.rgb2int((255, 0, 0)))
    msp.add_line((0, 0), (10, 0), dxfattribs={"layer": "RED"})
    msp.add_line((0, 10), (10, 10), dxfattribs={"layer": "OFF"})
    msp.add_line((0, 20), (10, 20), dxfattribs={"layer": "FROZEN"})
    msp.add_line((0, 30), (10, 30), dxfattribs={"layer": "Ünïcødé 层"})
    msp.add_line((0, 40), (10, 40), dxfattribs={"layer": "RED", "color": 6})
    msp.add_line((0, 50), (10, 50), dxfattribs={"true_color": ezdxf.colors.rgb2int((0, 0, 255))})
    msp.add_line((0, 60), (10, 60), dxfattribs={"layer": "TRUE"})
    block = doc.blocks.new("Ω-BLOCK")
    block.add_line((0, 0), (10, 0), dxfattribs={"color": 0})
    block.add_line((0, 2), (10, 2), dxfattribs={"layer": "0"})
    block.add_line((0, 4), (10, 4), dxfattribs={"layer": "FROZEN"})
    msp.add_blockref("Ω-BLOCK", (20, 0), dxfattribs={"color": 2, "layer": "RED"})
    msp.add_blockref("Ω-BLOCK", (40, 0), dxfattribs={"layer": "OFF"})
    e = Expect()
    e.add("color 5 0 1")
    e.add("color 5 30 5")
    e.add("color 5 40 6")
    e.add("color 5 50 5")  # a true colour alone: the nearest indexed one
    e.add("color 25 0 2")
    e.add("color 25 2 1")
    e.add("within 0 0 50 60")
    save(doc, "layers", e)


# ---- paper space ---------------------------------------------------------------------------


def paper_space():
    doc = new("R2018")
    msp = doc.modelspace()
    msp.add_circle((50, 50), 40)
    layout = doc.layouts.new("Sheet")
    layout.add_viewport(center=(100, 100), size=(150, 150), view_center_point=(50, 50),
                        view_height=100)
    layout.add_lwpolyline([(0, 0), (297, 0), (297, 210), (0, 210)], close=True)
    doc.layout("Layout1").add_line((0, 0), (400, 400))
    e = Expect()
    e.add("exact")
    e.ref(msp)
    save(doc, "paper_space", e)

    # Nothing in model space: the active paper space layout is what there is.
    doc = new("R2000")
    layout = doc.layout("Layout1")
    layout.add_lwpolyline([(0, 0), (297, 0), (297, 210), (0, 210)], close=True)
    e = Expect()
    e.add("exact")
    e.ref(layout)
    save(doc, "paper_only", e)


# ---- sizes and places -------------------------------------------------------------------


def sizes():
    for name, origin, size in [("huge", (0, 0), 1e9), ("tiny", (0, 0), 1e-5),
                               ("far", (3.5e6, 5.8e6), 100)]:
        doc = new("R2000")
        msp = doc.modelspace()
        ox, oy = origin
        msp.add_lwpolyline([(ox, oy), (ox + size, oy), (ox + size, oy + size / 2)])
        msp.add_circle((ox + size / 2, oy + size / 4), size / 8)
        e = Expect()
        e.add("exact")
        e.add(f"tolerance {size * 1e-4:g}")
        e.ref(msp, distance=size * 1e-5)
        save(doc, name, e)
    doc = new("R2018")
    e = Expect()
    e.add("nothing")
    save(doc, "empty", e)


# ---- how the bytes are written ----------------------------------------------------------------


def small_drawing(version="R2000"):
    doc = new(version)
    msp = doc.modelspace()
    msp.add_line((0, 0), (100, 0))
    msp.add_circle((50, 50), 25)
    msp.add_text("Café", height=5).set_placement((10, 90))
    e = Expect()
    e.ref([x for x in msp if x.dxftype() != "TEXT"])
    e.add("box 9 89 40 96")
    return doc, e


def rewritten(name, source, transform, expect):
    with open(source, "rb") as f:
        data = f.read()
    with open(os.path.join(OUT, name + ".dxf"), "wb") as f:
        f.write(transform(data))
    expect.write(os.path.join(OUT, name + ".expect"))


def encodings():
    doc, e = small_drawing("R12")
    save(doc, "plain_R12", e)
    plain = os.path.join(OUT, "plain_R12.dxf")
    lines = lambda data: data.decode("latin-1").split("\n")
    join = lambda parts: "\n".join(parts).encode("latin-1")
    rewritten("crlf", plain, lambda d: d.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n"), e)
    rewritten("bom", plain, lambda d: b"\xef\xbb\xbf" + d, e)

    # AutoCAD R12 writes group codes right-aligned in three columns.
    def padded(data):
        parts = lines(data)
        return join([p.rjust(3) if i % 2 == 0 else p for i, p in enumerate(parts)])
    rewritten("padded_codes", plain, padded, e)

    def trailing(data):
        parts = lines(data)
        return join([p + "  " if p.strip() else p for p in parts])
    rewritten("trailing_blanks", plain, trailing, e)
    # "Café" in the Windows code page: ezdxf writes R12 in ANSI_1252 as it is.
    doc, e = small_drawing("R2000")
    doc.header["$DWGCODEPAGE"] = "ANSI_1252"
    doc.modelspace().add_text("€ 5 – ½", height=5).set_placement((10, 110))
    e.add("box 9 109 50 116")
    save(doc, "ansi_1252", e, encoding="cp1252")
    doc, e = small_drawing("R2018")
    save(doc, "binary", Expect(), fmt="bin")
    e = Expect()
    e.add("error binary")
    e.write(os.path.join(OUT, "binary.expect"))
    e = Expect()
    e.add("error truncated")
    rewritten("truncated", plain, lambda d: d[: len(d) * 2 // 3], e)


def main():
    os.makedirs(OUT, exist_ok=True)
    for version in VERSIONS:
        geometry(version)
        text(version)
        annotations(version)
        unsupported(version)
    layers()
    paper_space()
    sizes()
    encodings()


if __name__ == "__main__":
    main()
