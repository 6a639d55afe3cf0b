"""Checks that the source folders are one-way layers: each includes only itself and the
folders below it, and no files include each other in a circle.

usage: check_layers.py [SOURCE_ROOT]      (exit 1 with the offending includes)
"""

import os
import re
import sys

# Lowest first. A folder may include its own files and those of every folder before it;
# folders on one level (eval and book) do not include each other.
LAYERS = [["src/base"], ["src/position"], ["src/eval", "src/book"], ["src/search"],
          ["src/engine"], ["tools/games"], ["tools/book", "tools/review"], ["tools"], ["web"]]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def level(path):
    """The layer index of a file, by its longest matching folder."""
    best = None
    for index, folders in enumerate(LAYERS):
        for folder in folders:
            if path.startswith(folder + "/") and (best is None or len(folder) > len(best[1])):
                best = (index, folder)
    return best


def resolve(root, including, name):
    """The repository path of an include: beside the file, or under src/ or tools/."""
    for base in (os.path.dirname(including), "src", "tools"):
        candidate = os.path.normpath(os.path.join(base, name))
        if os.path.isfile(os.path.join(root, candidate)):
            return candidate
    return None


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "../..")
    graph, problems = {}, []
    for top in ("src", "tools", "web"):
        for folder, _, names in os.walk(os.path.join(root, top)):
            for name in names:
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.relpath(os.path.join(folder, name), root)
                with open(os.path.join(root, path), encoding="utf-8") as source:
                    includes = INCLUDE.findall(source.read())
                graph[path] = [t for t in (resolve(root, path, i) for i in includes) if t]
    for path, targets in graph.items():
        mine = level(path)
        for target in targets:
            theirs = level(target)
            if mine and theirs and (theirs[0] > mine[0] or
                                    (theirs[0] == mine[0] and theirs[1] != mine[1])):
                problems.append(f"{path} includes {target}, which is not below it")
    # Circles: a depth-first search that meets a file still on its path.
    state = {}

    def visit(path, trail):
        state[path] = 1
        for target in graph.get(path, []):
            if state.get(target) == 1:
                problems.append("circle: " + " -> ".join(trail[trail.index(target):] + [target]))
            elif target not in state:
                visit(target, trail + [target])
        state[path] = 2

    for path in sorted(graph):
        if path not in state:
            visit(path, [path])
    for problem in problems:
        print(problem)
    print(f"{len(graph)} files, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
