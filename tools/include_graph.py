#!/usr/bin/env python3
"""Prints the include cycles between the units of one folder (default: toolkit).

A unit is a header and the sources that implement it (Foo.h, Foo.cpp, FooPaint.cpp); a
source with no header of its own belongs to the longest header name it starts with. A
unit depends on the units whose headers any of its files include. Cycles are the
strongly connected components with more than one unit.

  include_graph.py [FOLDER]
"""
import os
import re
import sys

INCLUDE_RE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)


def units_of(folder):
    names = sorted(n for n in os.listdir(folder) if n.endswith((".h", ".cpp")))
    headers = {n[:-2] for n in names if n.endswith(".h")}
    unit = {}
    for n in names:
        stem = n.rsplit(".", 1)[0]
        if stem in headers:
            unit[n] = stem
        else:
            owners = [h for h in headers if stem.startswith(h)]
            unit[n] = max(owners, key=len) if owners else stem
    return unit


def graph(root, folder):
    path = os.path.join(root, folder)
    unit = units_of(path)
    edges = {u: set() for u in unit.values()}
    for name, u in unit.items():
        with open(os.path.join(path, name), encoding="utf-8", errors="replace") as f:
            text = f.read()
        for inc in INCLUDE_RE.findall(text):
            if inc.startswith(folder + "/"):
                inc = inc[len(folder) + 1 :]
            if "/" in inc or inc not in unit:
                continue
            target = unit[inc]
            if target != u:
                edges[u].add(target)
    return edges


def cycles(edges):
    """Tarjan's strongly connected components, the ones with more than one unit."""
    index, low, stack, on, out = {}, {}, [], set(), []
    counter = [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on.add(v)
        for w in sorted(edges[v]):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            comp = []
            while True:
                w = stack.pop()
                on.discard(w)
                comp.append(w)
                if w == v:
                    break
            if len(comp) > 1:
                out.append(sorted(comp))

    sys.setrecursionlimit(10000)
    for v in sorted(edges):
        if v not in index:
            visit(v)
    return sorted(out, key=len, reverse=True)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "toolkit"
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    edges = graph(root, folder)
    found = cycles(edges)
    print(f"{folder}: {len(edges)} units, {sum(len(e) for e in edges.values())} include edges, "
          f"{len(found)} cycles, largest {max((len(c) for c in found), default=0)} units")
    for c in found:
        print(f"  cycle of {len(c)}: " + " ".join(c))


if __name__ == "__main__":
    main()
