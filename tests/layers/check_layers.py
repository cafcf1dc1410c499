#!/usr/bin/env python3
"""Checks every quoted include of src/ against the table of allowed
directions (layers.txt): a part includes only itself and the parts listed
for it, never a stand-in or anything outside src/."""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def read_table(path):
    table = {}
    with open(path, encoding='utf-8') as f:
        for line in f:
            line = line.split('#', 1)[0].strip()
            if not line:
                continue
            part, _, allowed = line.partition(':')
            table[part.strip()] = set(allowed.split())
    return table


def part_of(path, parts):
    """The longest part that is a folder prefix of path, or None."""
    best = None
    for part in parts:
        if path == part or path.startswith(part + '/'):
            if best is None or len(part) > len(best):
                best = part
    return best


def main():
    src = sys.argv[1]
    table = read_table(sys.argv[2])
    faults = []
    files = 0
    seen_parts = set()
    for root, _, names in os.walk(src):
        for name in sorted(names):
            if not name.endswith(('.h', '.cpp')):
                continue
            path = os.path.relpath(os.path.join(root, name), src)
            files += 1
            own = part_of(path, table)
            if own is None:
                faults.append(f'{path}: in no part of the table')
                continue
            seen_parts.add(own)
            with open(os.path.join(src, path), encoding='utf-8', errors='replace') as f:
                text = f.read()
            for included in INCLUDE.findall(text):
                target = part_of(included, table)
                if target is None and os.path.exists(os.path.join(os.path.dirname(os.path.join(src, path)), included)):
                    continue  # a file beside the includer
                if target is None:
                    faults.append(f'{path}: includes "{included}", which is outside src/')
                elif target != own and target not in table[own]:
                    faults.append(f'{path}: {own} includes "{included}" of {target}')
    missing = set(table) - seen_parts
    for part in sorted(missing):
        faults.append(f'{part}: listed in the table, but no sources found')
    print(f'{files} sources in {len(seen_parts)} parts checked')
    for fault in faults:
        print(fault)
    if files < 100:
        print(f'only {files} sources found under {src}')
        return 1
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
