#!/usr/bin/env python3
"""Fails when a function of the product's modules is in neither shipped
library: the libraries are linked with section garbage collection, so a
global function that the adapter and the converter never reference is
dropped from both, and this lists it.

Arguments: the nm tool, the allow list, the shipped libraries (before
"--") and the module archives (after it). With ZEF_UPDATE_ALLOWED=1 in the
environment the allow list is rewritten with what is found (to be read,
and the list shortened, before it is committed)."""
import os
import subprocess
import sys


def text_symbols(nm, path, kinds):
    out = subprocess.run([nm, '--defined-only', path], check=True, capture_output=True, text=True).stdout
    names = set()
    for line in out.splitlines():
        parts = line.split()
        if len(parts) == 3 and parts[1] in kinds:
            names.add(parts[2])
    return names


def demangled(nm, names):
    if not names:
        return {}
    cxxfilt = nm[:-2] + 'c++filt' if nm.endswith('nm') else 'c++filt'
    out = subprocess.run([cxxfilt], input='\n'.join(names), check=True, capture_output=True, text=True).stdout
    return dict(zip(names, out.splitlines()))


HEADER = """\
# Functions of the modules that neither shipped library references, kept on
# purpose: parts of the XML model, the memory streams, the typed values and
# the result object that the emulator, the tools and the tests use, and
# functions the compiler inlines into every caller of their own file. The
# list only shrinks: a function that appears in neither library and is not
# here fails the check. Demangled, one per line.
"""


def read_allowed(path):
    allowed = set()
    with open(path, encoding='utf-8') as f:
        for line in f:
            line = line.split('#', 1)[0].strip()
            if line:
                allowed.add(line)
    return allowed


def main():
    nm, allow_file = sys.argv[1], sys.argv[2]
    rest = sys.argv[3:]
    cut = rest.index('--')
    libraries, archives = rest[:cut], rest[cut + 1:]
    shipped = set()
    for library in libraries:
        shipped |= text_symbols(nm, library, {'T', 't', 'W', 'w'})
    defined = set()
    for archive in archives:
        defined |= text_symbols(nm, archive, {'T'})
    if len(defined) < 500:
        print(f'only {len(defined)} functions found in the module archives')
        return 1
    names = demangled(nm, sorted(defined - shipped))
    allowed = read_allowed(allow_file)
    dead = sorted(text for text in names.values() if text not in allowed)
    stale = sorted(allowed - set(names.values()))
    print(f'{len(defined)} functions in the modules, {len(names)} in neither library, {len(allowed)} allowed')
    for text in dead:
        print('unreferenced:', text)
    for text in stale:
        print('allowed but referenced or gone (take it off the list):', text)
    if os.environ.get('ZEF_UPDATE_ALLOWED') == '1':
        with open(allow_file, 'w', encoding='utf-8') as f:
            f.write(HEADER)
            for text in sorted(names.values()):
                f.write(text + '\n')
        print('allow list rewritten:', allow_file)
        return 0
    return 1 if dead else 0


if __name__ == '__main__':
    sys.exit(main())
