#!/usr/bin/env python3
"""Times the whole-tank shell model against CalculiX on the same mesh.

The tank of bench/shell_bench.cpp (3 x 2 cells of 4 m x 3 m, walls 4 m high
and 250 mm thick, slabs 300 mm, the bottom slab on springs) is meshed here
exactly as the shell model meshes it (grid planes through the board corners,
every interval split into equal elements no longer than the element size),
written as a CalculiX deck of four-node shells (S4, or S8R with --s8) and
solved by ccx on one thread (OMP_NUM_THREADS=1), the bottom slab's
translations held.  Our time is the median of
the Google Benchmark BM_ShellWholeCase (mesh, assemble, factorise, one load
case, moments).  Both are printed per unknown of our model (six per node).

Not run by the test suite: it needs ccx (Debian package calculix-ccx) and a
build with benchmarks.

    bench/ccx_compare.py [--build build] [--sizes 4 6 8 10] [--repetitions 3]
"""

import argparse
import json
import math
import os
import re
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

CELL_X, CELL_Y, HEIGHT = 4000.0, 3000.0, 4000.0
WALL, SLAB = 250.0, 300.0
CELLS_X, CELLS_Y = 3, 2
E, NU = 30000.0, 0.2       # N/mm²


def axis(features, size):
    """Grid coordinates through the features, intervals split evenly."""
    out = [features[0]]
    for a, b in zip(features, features[1:]):
        n = max(1, math.ceil((b - a) / size - 1e-9))
        out += [a + (b - a) * k / n for k in range(1, n + 1)]
    return out


def mesh(size):
    xs = axis([CELL_X * i for i in range(CELLS_X + 1)], size)
    ys = axis([CELL_Y * j for j in range(CELLS_Y + 1)], size)
    zs = axis([0.0, HEIGHT], size)
    nodes = {}

    def node(x, y, z):
        key = (round(x, 6), round(y, 6), round(z, 6))
        if key not in nodes:
            nodes[key] = len(nodes) + 1
        return nodes[key]

    boards = []  # (name, thickness, elements, pressure MPa)
    # Bottom slab (springs), top slab, walls along x, walls along y.
    for name, z, t, p in (("BOTTOM", 0.0, SLAB, 0.040), ("TOP", HEIGHT, SLAB, -0.020)):
        els = [(node(xs[i], ys[j], z), node(xs[i + 1], ys[j], z), node(xs[i + 1], ys[j + 1], z),
                node(xs[i], ys[j + 1], z)) for j in range(len(ys) - 1) for i in range(len(xs) - 1)]
        boards.append((name, t, els, p))
    for w in range(CELLS_Y + 1):
        y = CELL_Y * w
        els = [(node(xs[i], y, zs[k]), node(xs[i + 1], y, zs[k]), node(xs[i + 1], y, zs[k + 1]),
                node(xs[i], y, zs[k + 1])) for k in range(len(zs) - 1) for i in range(len(xs) - 1)]
        boards.append((f"WX{w}", WALL, els, 0.035))
    for w in range(CELLS_X + 1):
        x = CELL_X * w
        els = [(node(x, ys[j], zs[k]), node(x, ys[j + 1], zs[k]), node(x, ys[j + 1], zs[k + 1]),
                node(x, ys[j], zs[k + 1])) for k in range(len(zs) - 1) for j in range(len(ys) - 1)]
        boards.append((f"WY{w}", WALL, els, 0.035))
    return nodes, boards


def write_deck(path, size, s8):
    nodes, boards = mesh(size)
    coords = {v: k for k, v in nodes.items()}
    next_node = len(nodes) + 1
    lines = ["*HEADING", f"folded-plate tank, element size {size:.1f} mm", "*NODE"]
    lines += [f"{n}, {x:.6f}, {y:.6f}, {z:.6f}" for n, (x, y, z) in sorted(coords.items())]
    mids = {}
    if s8:  # mid-side nodes shared between neighbouring elements
        extra = []
        def mid(a, b):
            nonlocal next_node
            key = (min(a, b), max(a, b))
            if key not in mids:
                mids[key] = next_node
                pa, pb = coords[a], coords[b]
                extra.append(f"{next_node}, " + ", ".join(f"{(u + v) / 2:.6f}" for u, v in zip(pa, pb)))
                next_node += 1
            return mids[key]
        for _, _, els, _ in boards:
            for e in els:
                for k in range(4):
                    mid(e[k], e[(k + 1) % 4])
        lines += extra
    eid = 1
    for name, t, els, p in boards:
        lines.append(f"*ELEMENT, TYPE={'S8R' if s8 else 'S4'}, ELSET={name}")
        for e in els:
            conn = list(e)
            if s8:
                conn += [mids[(min(e[k], e[(k + 1) % 4]), max(e[k], e[(k + 1) % 4]))] for k in range(4)]
            lines.append(f"{eid}, " + ", ".join(str(n) for n in conn))
            eid += 1
    # The bottom slab held (the model rests it on springs; CalculiX's
    # SPRING1 cards are not taken on shell nodes here): its translations.
    bottom = sorted({n for e in boards[0][2] for n in e})
    lines.append("*NSET, NSET=NBOTTOM")
    lines += [", ".join(str(n) for n in bottom[k:k + 16]) for k in range(0, len(bottom), 16)]
    lines += ["*MATERIAL, NAME=C30", "*ELASTIC", f"{E}, {NU}"]
    for name, t, _, _ in boards:
        lines += [f"*SHELL SECTION, ELSET={name}, MATERIAL=C30", f"{t}"]
    lines += ["*BOUNDARY", "NBOTTOM, 1, 3"]
    lines += ["*STEP", "*STATIC"]
    lines.append("*DLOAD")
    for name, _, _, p in boards:
        lines.append(f"{name}, P, {p}")
    lines += ["*NODE FILE", "U", "*EL FILE", "S", "*END STEP"]
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")
    return len(nodes)


def run_ccx(ccx, size, s8, repetitions):
    work = tempfile.mkdtemp(prefix="ccx-compare-")
    try:
        nodes = write_deck(os.path.join(work, "tank.inp"), size, s8)
        env = dict(os.environ, OMP_NUM_THREADS="1", CCX_NPROC_EQUATION_SOLVER="1",
                   CCX_NPROC_RESULTS="1", CCX_NPROC_STIFFNESS="1")
        walls, cpus, equations = [], [], None
        for _ in range(repetitions):
            before = resource.getrusage(resource.RUSAGE_CHILDREN)
            start = time.perf_counter()
            done = subprocess.run([ccx, "-i", "tank"], cwd=work, env=env, capture_output=True, text=True)
            walls.append(time.perf_counter() - start)
            after = resource.getrusage(resource.RUSAGE_CHILDREN)
            cpus.append(after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime)
            if done.returncode != 0 or "ERROR" in done.stdout:
                sys.exit(f"ccx failed at element size {size:.1f} mm:\n{done.stdout[-2000:]}{done.stderr[-2000:]}")
            m = re.search(r"number of equations\s*\n\s*(\d+)", done.stdout)
            equations = int(m.group(1)) if m else None
        return nodes, statistics.median(walls), statistics.median(cpus), equations
    finally:
        shutil.rmtree(work, ignore_errors=True)


def run_ours(build, per_metre, repetitions):
    exe = os.path.join(build, "bench", "shell_bench")
    done = subprocess.run([exe, f"--benchmark_filter=BM_ShellWholeCase/{per_metre}$",
                           f"--benchmark_repetitions={repetitions}", "--benchmark_format=json"],
                          capture_output=True, text=True, check=True)
    runs = [b for b in json.loads(done.stdout)["benchmarks"] if b.get("run_type") == "iteration"]
    if not runs:
        sys.exit(f"no run of BM_ShellWholeCase/{per_metre}")
    scale = {"ms": 1e-3, "us": 1e-6, "ns": 1e-9, "s": 1.0}[runs[0]["time_unit"]]
    wall = statistics.median(r["real_time"] for r in runs) * scale
    cpu = statistics.median(r["cpu_time"] for r in runs) * scale
    return int(runs[0]["unknowns"]), int(runs[0]["nodes"]), wall, cpu


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--build", default=os.path.join(here, "..", "build"))
    ap.add_argument("--ccx", default=shutil.which("ccx") or "ccx")
    ap.add_argument("--sizes", type=int, nargs="+", default=[4, 6, 8, 10], help="elements per metre")
    ap.add_argument("--repetitions", type=int, default=3)
    ap.add_argument("--s8", action="store_true", help="eight-node shells (S8R) for CalculiX")
    args = ap.parse_args()
    if not shutil.which(args.ccx):
        sys.exit("ccx not found (Debian package calculix-ccx)")
    print(f"{'el/m':>5} {'unknowns':>9} {'ours s':>8} {'ccx s':>8} {'ccx eqs':>9} "
          f"{'ours us/unk':>11} {'ccx us/unk':>11} {'ratio':>6}   (wall; cpu ratio)")
    for per_metre in args.sizes:
        size = 1000.0 / per_metre
        unknowns, nodes, wall, cpu = run_ours(args.build, per_metre, args.repetitions)
        ccx_nodes, ccx_wall, ccx_cpu, equations = run_ccx(args.ccx, size, args.s8, args.repetitions)
        if ccx_nodes != nodes:
            print(f"  note: {ccx_nodes} corner nodes in the deck against {nodes} in the model")
        print(f"{per_metre:>5} {unknowns:>9} {wall:>8.2f} {ccx_wall:>8.2f} {equations or 0:>9} "
              f"{wall / unknowns * 1e6:>11.2f} {ccx_wall / unknowns * 1e6:>11.2f} {wall / ccx_wall:>6.2f}"
              f"   ({cpu / ccx_cpu:.2f})", flush=True)


if __name__ == "__main__":
    main()
