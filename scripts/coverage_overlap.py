#!/usr/bin/env python3
"""Per-test coverage of src/ and the tests whose reach other tests already cover.

  coverage_overlap.py reduce SRC_ROOT NAME < gcov JSON   -> the lines and branches one test reached
  coverage_overlap.py overlap DIR                        -> tests that reach nothing of their own

`overlap` goes through the tests from the longest to the shortest (counted in non-blank,
non-comment lines of its body under tests/) and sets a test aside when every line and branch it
reaches is still reached by the tests not yet set aside; so all the tests it lists can go together
and src/ is reached exactly as before. Random scans, regressions, crash and reliability tests,
whose worth is not in what they reach, are never listed.
"""
import glob
import json
import os
import re
import sys
from collections import Counter

KEEP = re.compile(r'(?i)regress|nan|crash|nonfinite|kill|corrupt|differential|golden|bitforbit|fuzz|'
                  r'plainscan|random|property|scaling|againstfind|python_|layering|units_literals|'
                  r'install_|explore|qt$')
KEEP_FILES = re.compile(r'^(reliability|python|architecture)/|golden|non_finite')


def reduce(src_root, name):
    lines, branches = set(), set()
    for doc in sys.stdin:
        if not doc.strip():
            continue
        d = json.loads(doc)
        cwd = d.get('current_working_directory', '')
        for f in d['files']:
            path = os.path.normpath(os.path.join(cwd, f['file']))
            if not path.startswith(src_root):
                continue
            path = path[len(src_root):]
            for line in f['lines']:
                n = line['line_number']
                if line['count'] > 0:
                    lines.add(f'{path}:{n}')
                # branches taken only by exception unwinding are no decision of ours
                taken = [b['count'] > 0 for b in line['branches'] if not b.get('throw')]
                branches.update(f'{path}:{n}:{i}' for i, t in enumerate(taken) if t)
    print('# ' + name)
    for k in sorted(lines):
        print('L ' + k)
    for k in sorted(branches):
        print('B ' + k)


def test_lengths(tests_root):
    """Counted lines of each gtest case ("Suite.Name") and Qt test function ("name")."""
    gtest = re.compile(r'^\s*(?:TEST|TEST_F|TEST_P)\(\s*(\w+)\s*,\s*(\w+)\s*\)')
    slot = re.compile(r'^(\s+)void (\w+)\(\)\s*\{\s*$')
    counted = lambda ls: sum(1 for x in ls if x.strip() and not x.strip().startswith('//'))
    out = {}
    for path in glob.glob(os.path.join(tests_root, '**', '*.cpp'), recursive=True):
        text = open(path, encoding='utf-8', errors='replace').read().split('\n')
        for i, line in enumerate(text):
            m = gtest.match(line)
            if m:
                j = i
                while j < len(text) and not text[j].startswith('}'):
                    j += 1
                out[f'{m.group(1)}.{m.group(2)}'] = (counted(text[i:j + 1]), os.path.relpath(path, tests_root))
                continue
            m = slot.match(line)
            if m:
                j = i + 1
                while j < len(text) and text[j].rstrip() != m.group(1) + '}':
                    j += 1
                out[m.group(2)] = (counted(text[i:j + 1]), os.path.relpath(path, tests_root))
    return out


def overlap(folder):
    reached = {}
    for path in glob.glob(os.path.join(folder, '*.txt')):
        if os.path.basename(path) == 'tests.txt':
            continue
        with open(path) as f:
            first = f.readline()
            if not first.startswith('# '):
                continue
            reached[first[2:].strip()] = {x.strip() for x in f if x.strip()}
    lengths = test_lengths(os.path.join(os.path.dirname(__file__), '..', 'tests'))

    def length(name):
        if '/' in name:  # one row of a parametrized table
            return 1, ''
        return lengths.get(re.sub(r'\s+#.*$', '', name), (0, ''))

    times = Counter()
    for items in reached.values():
        times.update(items)
    lines = sum(1 for k in times if k[0] == 'L')
    print(f'{len(reached)} tests reach {lines} lines and {len(times) - lines} branches of src/')
    listed, total = [], 0
    for name in sorted(reached, key=lambda n: -length(n)[0]):
        n, where = length(name)
        if n == 0 or KEEP.search(name) or KEEP_FILES.search(where):
            continue
        if all(times[k] >= 2 for k in reached[name]):
            for k in reached[name]:
                times[k] -= 1
            listed.append((n, name, where))
            total += n
    print(f'{len(listed)} tests ({total} lines) reach nothing that the others do not:')
    for n, name, where in listed:
        print(f'{n:5d}  {name}  ({where})')


if __name__ == '__main__':
    if len(sys.argv) >= 4 and sys.argv[1] == 'reduce':
        reduce(sys.argv[2], sys.argv[3])
    elif len(sys.argv) == 3 and sys.argv[1] == 'overlap':
        overlap(sys.argv[2])
    else:
        sys.exit(__doc__)
