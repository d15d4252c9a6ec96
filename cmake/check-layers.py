#!/usr/bin/env python3
"""Fails when a product file includes a folder that is not below its own.

The tree is built in layers; a lower folder that includes a higher one ties the two together
in both directions, so a change below has to know what sits above it. LAYERS says which
folders each folder builds on directly; what they build on is allowed too. The stand-ins in
platform/ build on one another freely, as long as no two of them need each other.

Tests, benchmarks, fuzz targets and the shared test helpers may include anything; product code
never includes them.

Usage: check-layers.py SOURCE_DIR
"""

import os
import re
import sys
from pathlib import Path

LAYERS = {
    "geometry": [],
    "platform": ["geometry"],
    "imaging": ["platform"],
    "viewer-plugin/display": ["imaging"],
    "viewer-plugin/canvas": ["viewer-plugin/display"],
    "viewer-plugin/loading": ["platform"],
    "viewer-plugin/model": ["viewer-plugin/canvas", "viewer-plugin/loading"],
    "viewer-plugin/services": ["viewer-plugin/display"],
    "viewer-plugin/about": ["viewer-plugin/services"],
    "viewer-plugin/viewer": ["viewer-plugin/model", "viewer-plugin/about"],
    "viewer-plugin/npvantelo": ["viewer-plugin/viewer"],
    "viewer-control": ["viewer-plugin/viewer"],
    "control-plugin/bridge": ["platform"],
    "control-plugin/framework": ["control-plugin/bridge"],
    "control-plugin": ["control-plugin/framework", "viewer-plugin/viewer"],
    "studio/core": ["imaging"],
    "studio/projects": ["studio/core"],
    "studio/shell": ["studio/projects"],
    "installer": ["platform"],
}

UNCHECKED_FOLDERS = {"tests", "bench", "testing", "fuzz"}
# Both forms: the tree's root is on the include path, so <viewer-plugin/...> builds too.
INCLUDE = re.compile(r'^\s*#\s*include\s+[<"]([^>"]+)[>"]', re.MULTILINE)


def layer_of(path: str):
    """The longest LAYERS key that holds path, or None."""
    best = None
    for key in LAYERS:
        if path == key or path.startswith(key + "/"):
            if best is None or len(key) > len(best):
                best = key
    return best


def allowed_below(layer: str) -> set:
    seen, stack = set(), list(LAYERS[layer])
    while stack:
        below = stack.pop()
        if below not in seen:
            seen.add(below)
            stack.extend(LAYERS[below])
    return seen


def resolve(root: Path, rel: str, target: str):
    """The included file as a clean path relative to root, found where the compiler looks
    (beside the including file, then from the root), or None for a system or generated one."""
    for base in (os.path.dirname(rel), ""):
        path = os.path.normpath(os.path.join(base, target))
        if not path.startswith("..") and (root / path).is_file():
            return Path(path).as_posix()
    return None


def platform_folder(path: str):
    parts = path.split("/")
    return parts[1] if parts[0] == "platform" and len(parts) > 2 else None


def find_cycle(graph: dict):
    """One cycle of the graph as a list of nodes, or None."""
    state = {}

    def visit(node, trail):
        state[node] = "open"
        trail.append(node)
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == "open":
                return trail[trail.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt, trail)
                if found:
                    return found
        trail.pop()
        state[node] = "done"
        return None

    for node in sorted(graph):
        if node not in state:
            found = visit(node, [])
            if found:
                return found
    return None


def sources(root: Path):
    """The product's .h and .cpp files, as paths relative to root."""
    for folder, subfolders, files in os.walk(root):
        # Build trees (at the top) and hidden folders hold no sources of ours.
        top = Path(folder) == root
        subfolders[:] = sorted(
            d for d in subfolders
            if not d.startswith(".") and not (top and d.startswith("build"))
            and d not in UNCHECKED_FOLDERS)
        for name in sorted(files):
            if name.endswith((".h", ".cpp")):
                yield (Path(folder) / name).relative_to(root).as_posix()


def main() -> int:
    root = Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    faults = []
    platform_graph = {}
    for rel in sources(root):
        file = root / rel
        own = layer_of(rel)
        if own is None:
            continue
        below = allowed_below(own)
        for written in INCLUDE.findall(file.read_text(errors="replace")):
            target = resolve(root, rel, written)
            if target is None:
                continue  # a system header or one generated into the build tree
            if UNCHECKED_FOLDERS & set(target.split("/")[:-1]):
                faults.append(f"{rel}: includes test code {target}")
                continue
            theirs = layer_of(target)
            if theirs is None or theirs == own:
                mine, other = platform_folder(rel), platform_folder(target)
                if own == "platform" and mine and other and mine != other:
                    platform_graph.setdefault(mine, set()).add(other)
                continue
            if theirs not in below:
                faults.append(f"{rel}: includes {target}, which is in {theirs}, not below {own}")
    cycle = find_cycle(platform_graph)
    if cycle:
        faults.append("platform stand-ins need one another: " + " -> ".join(cycle))
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
