#!/usr/bin/env bash
# Prints which folder includes which (with the number of #include lines) and
# fails when an include points upward in the layer order, sideways between
# two folders of one level, into a folder that has no place in the order, or
# when files of different folders include each other in a cycle.
#
#   scripts/include-graph.sh [SOURCE_DIR]
#
# The order is the LEVELS table below, lowest first; a folder may include only
# folders of lower levels. tests/, bench/ and fuzz/ use the product from the
# outside and are not checked. Exit status: 0 clean, 1 violations, 2 usage.
set -euo pipefail
root="${1:-$(dirname "$0")/..}"
[ -d "$root" ] || { echo "include-graph: no such folder: $root" >&2; exit 2; }
exec python3 - "$root" <<'EOF'
import os, re, subprocess, sys

# Lowest first. Folders of one level must not include each other.
LEVELS = [
    ["platform/text", "platform/args", "platform/com", "platform/version", "platform/help", "platform/framework"],
    ["platform/file"],
    ["platform/visa", "platform/registry"],
    ["resources"],
    ["resources/gui", "xmlfile", "settings"],
    ["model"],
    ["instrument"],
    ["transfer"],
    ["views"],
    ["dialogs"],
    ["app", "cli", "sim"],
]
CONSUMERS = ("tests/", "bench/", "fuzz/")
SOURCE = re.compile(r"\.(c|cc|cpp|h|hpp)$")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')

root = os.path.abspath(sys.argv[1])
level = {folder: n for n, folders in enumerate(LEVELS) for folder in folders}


def list_files():
    try:
        out = subprocess.run(["git", "-C", root, "ls-files", "--cached", "--others", "--exclude-standard"],
                             check=True, capture_output=True, text=True).stdout
        files = [f for f in out.splitlines() if os.path.isfile(os.path.join(root, f))]
    except (OSError, subprocess.CalledProcessError):
        files = []
        for top, dirs, names in os.walk(root):
            dirs[:] = [d for d in dirs if not d.startswith((".", "build"))]
            files += [os.path.relpath(os.path.join(top, n), root) for n in names]
    return sorted(f for f in files if SOURCE.search(f) and "/" in f and not f.startswith(CONSUMERS))


def folder_of(path):
    # The longest folder of the table that holds the file (platform/version/gen
    # belongs to platform/version); None for a folder without a place.
    parts = path.split("/")[:-1]
    while parts:
        candidate = "/".join(parts)
        if candidate in level:
            return candidate
        parts.pop()
    return None


files = list_files()
problems = []
edges = {}  # file -> [(line number, included file)]
for f in files:
    targets = []
    with open(os.path.join(root, f), encoding="utf-8", errors="replace") as src:
        for number, line in enumerate(src, 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            name = os.path.normpath(m.group(1))
            for candidate in (name, os.path.normpath(os.path.join(os.path.dirname(f), name))):
                if os.path.isfile(os.path.join(root, candidate)):
                    targets.append((number, candidate))
                    break
    edges[f] = targets

homeless = sorted({os.path.dirname(f) for f in files if folder_of(f) is None})
for d in homeless:
    problems.append(f"{d}/: folder has no place in the layer order (scripts/include-graph.sh, LEVELS)")

counts = {}
for f in files:
    src = folder_of(f)
    if src is None:
        continue
    for number, target in edges[f]:
        dst = folder_of(target)
        if target.startswith(CONSUMERS):
            problems.append(f"{f}:{number}: includes {target}, which is test or tool code")
            continue
        if dst is None or dst == src:
            continue
        counts[(src, dst)] = counts.get((src, dst), 0) + 1
        if level[dst] > level[src]:
            problems.append(f"{f}:{number}: {src} includes {target} from {dst}, which is above it")
        elif level[dst] == level[src]:
            problems.append(f"{f}:{number}: {src} includes {target} from {dst}, which is beside it")

# Cycles: strongly connected components of the file graph (iterative Tarjan).
index, low, on_stack, stack, components = {}, {}, set(), [], []
counter = 0
for start in files:
    if start in index:
        continue
    work = [(start, 0)]
    while work:
        node, i = work.pop()
        if i == 0:
            index[node] = low[node] = counter
            counter += 1
            stack.append(node)
            on_stack.add(node)
        succ = [t for _, t in edges.get(node, []) if t in edges]
        if i < len(succ):
            work.append((node, i + 1))
            nxt = succ[i]
            if nxt not in index:
                work.append((nxt, 0))
            elif nxt in on_stack:
                low[node] = min(low[node], index[nxt])
            continue
        if low[node] == index[node]:
            component = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                component.append(member)
                if member == node:
                    break
            components.append(component)
        if work:
            parent = work[-1][0]
            low[parent] = min(low[parent], low[node])
for component in components:
    if len({folder_of(f) for f in component}) > 1:
        problems.append("cycle between folders: " + " <-> ".join(sorted(component)))

print("Include graph by folder (includer -> included: #include lines):")
for (src, dst), n in sorted(counts.items(), key=lambda e: (-level[e[0][0]], e[0][0], -level[e[0][1]], e[0][1])):
    print(f"  {src:20} -> {dst:20} {n:4}")
if problems:
    print(f"\n{len(problems)} include(s) against the layer order:", file=sys.stderr)
    for p in problems:
        print("  " + p, file=sys.stderr)
    sys.exit(1)
print("\nNo include points upward, sideways or round in a cycle.")
EOF
