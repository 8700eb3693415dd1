#!/usr/bin/python3
"""Independent reader of the view board's DXF files, for the tests.

Loads a DXF file with ezdxf, runs ezdxf's audit and prints one JSON object:
the file's version and code page, the audit's errors and fixes, the layer,
line-type, text-style and dimension-style tables, every model-space entity
with the properties the drawings carry (texts decoded to Unicode), counts by
"layer|type", and for every dimension the entities of its block.

Usage: dxf_report.py FILE.dxf
"""
import json
import math
import sys

import ezdxf
from ezdxf.lldxf.encoding import decode_dxf_unicode, has_dxf_unicode


def text_of(raw):
    return decode_dxf_unicode(raw) if has_dxf_unicode(raw) else raw


def point(p):
    return [round(float(c), 6) for c in p]


def common(e):
    d = {
        "type": e.dxftype(),
        "handle": e.dxf.handle,
        "layer": e.dxf.layer,
        "color": e.dxf.get("color", 256),
        "linetype": e.dxf.get("linetype", "BYLAYER"),
        "ltscale": e.dxf.get("ltscale", 1.0),
        "invisible": e.dxf.get("invisible", 0),
    }
    return d


def describe(e):
    d = common(e)
    t = e.dxftype()
    if t == "LINE":
        d["start"] = point(e.dxf.start)
        d["end"] = point(e.dxf.end)
    elif t == "ARC":
        d["center"] = point(e.dxf.center)
        d["radius"] = e.dxf.radius
        d["start_angle"] = e.dxf.start_angle
        d["end_angle"] = e.dxf.end_angle
    elif t == "CIRCLE":
        d["center"] = point(e.dxf.center)
        d["radius"] = e.dxf.radius
        d["extrusion"] = point(e.dxf.get("extrusion", (0, 0, 1)))
        d["center_wcs"] = point(e.ocs().to_wcs(e.dxf.center))
    elif t == "LWPOLYLINE":
        pts = e.get_points("xyseb")
        d["points"] = [[round(p[0], 6), round(p[1], 6)] for p in pts]
        d["bulges"] = [round(p[4], 9) for p in pts]
        d["closed"] = bool(e.closed)
        d["const_width"] = e.dxf.get("const_width", 0.0)
        d["elevation"] = e.dxf.get("elevation", 0.0)
    elif t == "POLYLINE":
        d["points"] = [point(v.dxf.location) for v in e.vertices]
        d["closed"] = bool(e.is_closed)
        d["is_3d"] = bool(e.is_3d_polyline)
        d["polyface"] = bool(e.is_poly_face_mesh)
        if e.is_poly_face_mesh:
            faces = list(e.faces())
            d["faces"] = len(faces)
            d["mesh_vertices"] = [point(v.dxf.location) for v in e.vertices if not v.is_face_record]
    elif t == "TEXT":
        d["text"] = text_of(e.dxf.text)
        d["insert"] = point(e.dxf.insert)
        if e.dxf.hasattr("align_point"):
            d["align_point"] = point(e.dxf.align_point)
        d["height"] = e.dxf.height
        d["rotation"] = e.dxf.get("rotation", 0.0)
        d["width"] = e.dxf.get("width", 1.0)
        d["style"] = e.dxf.get("style", "Standard")
        d["halign"] = e.dxf.get("halign", 0)
        d["valign"] = e.dxf.get("valign", 0)
        d["insert"] = point(e.dxf.insert)
        d["align_point"] = point(e.dxf.get("align_point", e.dxf.insert))
    elif t == "DIMENSION":
        d["dimtype"] = e.dimtype
        d["dimflags"] = e.dxf.get("dimtype", 0)
        d["block"] = e.dxf.get("geometry", "")
        d["dimstyle"] = e.dxf.get("dimstyle", "")
        d["defpoint2"] = point(e.dxf.defpoint2)
        d["defpoint3"] = point(e.dxf.defpoint3)
        # ezdxf measures every linear dimension along group 50 (0 when
        # absent), which an aligned dimension does not use: a vertical aligned
        # dimension would read 0.  An aligned one measures between its points.
        if e.dimtype == 1:
            d["measurement"] = (e.dxf.defpoint3 - e.dxf.defpoint2).magnitude
        else:
            d["measurement"] = e.get_measurement()
        # Group 42: the value the file stores as the measurement.
        d["actual_measurement"] = e.dxf.get("actual_measurement", None)
        block = e.get_geometry_block()
        d["block_counts"] = {}
        d["block_texts"] = []
        d["block_text_points"] = []
        d["text_midpoint"] = point(e.dxf.get("text_midpoint", (0, 0, 0)))
        if block is not None:
            for b in block:
                d["block_counts"][b.dxftype()] = d["block_counts"].get(b.dxftype(), 0) + 1
                if b.dxftype() == "TEXT":
                    d["block_texts"].append(text_of(b.dxf.text))
                    d["block_text_points"].append(point(b.dxf.get("align_point", b.dxf.insert)))
        dimstyle = e.doc.dimstyles.get(d["dimstyle"]) if d["dimstyle"] else None
        d["dimlfac"] = dimstyle.dxf.get("dimlfac", 1.0) if dimstyle is not None else None
    return d


def main():
    path = sys.argv[1]
    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    msp = doc.modelspace()
    entities = [describe(e) for e in msp]
    counts = {}
    for e in entities:
        key = e["layer"] + "|" + e["type"]
        counts[key] = counts.get(key, 0) + 1
    report = {
        "version": doc.dxfversion,
        "codepage": doc.header.get("$DWGCODEPAGE", ""),
        "encoding": doc.encoding,
        "handseed": doc.header.get("$HANDSEED", ""),
        "ltscale": doc.header.get("$LTSCALE", 1.0),
        "dimvars": {name: doc.header.get("$" + name) for name in
                    ("DIMSCALE", "DIMTXT", "DIMASZ", "DIMTSZ", "DIMLFAC", "DIMGAP") if "$" + name in doc.header},
        "errors": [f"{err.code}: {err.message}" for err in auditor.errors],
        "fixes": [f"{fix.code}: {fix.message}" for fix in auditor.fixes],
        "layers": {layer.dxf.name: {"color": layer.dxf.color, "linetype": layer.dxf.linetype}
                   for layer in doc.layers},
        "linetypes": sorted(lt.dxf.name for lt in doc.linetypes),
        "styles": {s.dxf.name: {"font": s.dxf.font, "bigfont": s.dxf.get("bigfont", "")} for s in doc.styles},
        "dimstyles": sorted(s.dxf.name for s in doc.dimstyles),
        "entities": entities,
        "counts": counts,
        "texts": [e["text"] for e in entities if e["type"] == "TEXT"],
    }
    sys.stdout.reconfigure(encoding="utf-8")
    json.dump(report, sys.stdout, ensure_ascii=False, indent=1)
    sys.stdout.write("\n")


if __name__ == "__main__":
    main()
