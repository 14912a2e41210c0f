#!/usr/bin/env python3
"""The plug-in's include tiers.

Every file of plugin/ (*.h, *.cpp) belongs to a tier, given by the first
pattern of TIERS that matches its path under plugin/:

  leaf     state headers, the host interface, the settings record, key codes,
           the thread-safety annotations, file formats, tables and
           conversions: include nothing of the plug-in but other leaves;
  service  everything else: include leaves and services, downwards only (no
           include cycle between units; a unit is a header and its source,
           so a.cpp including b.h while b.cpp includes a.h is a cycle);
  root     entry points, the key dispatcher, the supervision tick: may include
           anything; nothing but a root includes a root's header.

Besides the tiers, WALLS keep a service away from the words of subsystems it
must not depend on: the drawing toolkit (display/) reads no word of the
dispatcher or the recording, so it includes nothing of host/ or supervision/
and none of the settings' state headers; what a draw depends on reaches it as
a parameter from the screens that call it.

Usage: check_tiers.py PLUGIN_DIR. Prints every offending include with the
rule it breaks and exits 1; exits 0 when there is none.
"""
import fnmatch
import os
import re
import sys

LEAF, SERVICE, ROOT = "leaf", "service", "root"

# (pattern on the path under plugin/, tier): the first match wins.
TIERS = [
    ("settings/entry_points.*", ROOT),
    ("host/key_dispatcher.*", ROOT),
    ("supervision/tick.*", ROOT),
    ("supervision/timer_tick.*", ROOT),
    ("*_state.*", LEAF),
    ("export.h", LEAF),
    ("thread_annotations.h", LEAF),
    ("host/host_interface.h", LEAF),
    ("host/key_codes.h", LEAF),
    ("settings/settings_record.*", LEAF),
    ("settings/settings_defaults.*", LEAF),
    ("settings/device_entry.h", LEAF),
    ("settings/catalogue_format.*", LEAF),
    ("display/glyph_tables.*", LEAF),
    ("supervision/local_time.*", LEAF),
    ("supervision/title_text.*", LEAF),
    ("*", SERVICE),
]

# (pattern of the including file, patterns of headers it may not include,
# the rule's name): paths under plugin/.
WALLS = [
    ("display/*", ("host/*", "supervision/*", "settings/*_state.h"),
     "the drawing toolkit reads no word of the dispatcher or the recording"),
]

# Includes allowed through a wall: (file, header). None.
WALL_EXCEPTIONS = set()

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def tier_of(path):
    for pattern, tier in TIERS:
        if fnmatch.fnmatchcase(path, pattern):
            return tier
    return SERVICE


def unit_of(path):
    return os.path.splitext(path)[0]


def read_files(root):
    """Path under root -> [(line number, included path under root)]."""
    files = {}
    for folder, _, names in os.walk(root):
        for name in sorted(names):
            if not name.endswith((".h", ".cpp")):
                continue
            full = os.path.join(folder, name)
            path = os.path.relpath(full, root).replace(os.sep, "/")
            files[path] = []
            with open(full, encoding="utf-8", errors="replace") as source:
                for number, line in enumerate(source, 1):
                    match = INCLUDE.match(line)
                    if match:
                        files[path].append((number, match.group(1)))
    # Includes name files from plugin/ or beside the includer; others (system,
    # SDL) are not the plug-in's.
    for path, includes in files.items():
        resolved = []
        for number, name in includes:
            beside = os.path.normpath(os.path.join(os.path.dirname(path), name)).replace(os.sep, "/")
            if name in files:
                resolved.append((number, name))
            elif beside in files:
                resolved.append((number, beside))
        files[path] = resolved
    return files


def cycles(edges):
    """Strongly connected components of more than one unit (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []
    counter = [0]

    def visit(unit):
        index[unit] = low[unit] = counter[0]
        counter[0] += 1
        stack.append(unit)
        on_stack.add(unit)
        for other in sorted(edges.get(unit, ())):
            if other not in index:
                visit(other)
                low[unit] = min(low[unit], low[other])
            elif other in on_stack:
                low[unit] = min(low[unit], index[other])
        if low[unit] == index[unit]:
            component = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                component.append(member)
                if member == unit:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    for unit in sorted(edges):
        if unit not in index:
            visit(unit)
    return found


def wall_broken(path, included):
    """The name of the wall that forbids path to include included, or None."""
    if (path, included) in WALL_EXCEPTIONS:
        return None
    for includer, forbidden, rule in WALLS:
        if fnmatch.fnmatchcase(path, includer) and any(
                fnmatch.fnmatchcase(included, pattern) for pattern in forbidden):
            return rule
    return None


def check(root):
    files = read_files(root)
    problems = []
    edges = {}      # unit -> units it includes (roots left out)
    witness = {}    # (unit, unit) -> "file:line includes header"
    for path in sorted(files):
        tier = tier_of(path)
        for number, included in files[path]:
            where = f"plugin/{path}:{number}: includes \"{included}\""
            target = tier_of(included)
            if tier == LEAF and target != LEAF:
                problems.append(f"{where}: a leaf includes only leaves, this is a {target}")
            if target == ROOT and tier != ROOT:
                problems.append(f"{where}: only a root includes a root's header")
            wall = wall_broken(path, included)
            if wall:
                problems.append(f"{where}: {wall}")
            source_unit, target_unit = unit_of(path), unit_of(included)
            if tier != ROOT and target != ROOT and source_unit != target_unit:
                edges.setdefault(source_unit, set()).add(target_unit)
                witness.setdefault((source_unit, target_unit), where)
    for component in cycles(edges):
        members = set(component)
        links = [witness[(a, b)] for a in component for b in sorted(edges.get(a, ()))
                 if b in members]
        problems.append("include cycle between " + ", ".join(component) + ":\n    " +
                        "\n    ".join(links))
    return problems


def main(argv):
    if len(argv) != 2 or not os.path.isdir(argv[1]):
        print("usage: check_tiers.py PLUGIN_DIR", file=sys.stderr)
        return 2
    problems = check(argv[1])
    for problem in problems:
        print(problem)
    if problems:
        print(f"tiers: {len(problems)} problem(s)")
        return 1
    print("tiers: every include goes downwards")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
