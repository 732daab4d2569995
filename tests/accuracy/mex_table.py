#!/usr/bin/env python3
"""The accuracy table of built MEX modules against references.txt, per module
and regime: the worst error relative to the scale and the number of outputs
outside the tolerance max(1e-12 scale, 8 sens), default eta.

    /usr/bin/python3 tests/accuracy/mex_table.py FOLDER [FOLDER2]

FOLDER holds the modules (build/mex); with FOLDER2 the table puts the two
side by side (for instance an earlier release's modules, then today's). Each
folder's modules run in octave-cli on the same cases; a call that fails or
a module that is absent counts as NaN.
"""
import math
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
CALLS = {'slpfield': 'slpfield(c,e,d,x)', 'dlpfield': 'dlpfield(c,e,d,x)',
         'tdlfield': 'tdlfield(c,e,d,x,q)', 'hypfield': 'hypfield(c,e,d,x,q)',
         'domfield': 'domfield(c,e,d,x)', 'slpmatrix': 'slpmatrix(c,e)',
         'hypmatrix': 'hypmatrix(c,e)', 'dlpmatrix': 'dlpmatrix(c,e)',
         'dlpgradfield': 'dlpgradfield(c,e,d,x)'}


def cases():
    for line in open(os.path.join(HERE, 'references.txt')):
        if not line.strip() or line.startswith('#'):
            continue
        p = line.split()
        arrays, k = {}, 2
        while k < len(p):
            count = int(p[k + 1])
            arrays[p[k]] = p[k + 2:k + 2 + count]
            k += 2 + count
        yield p[0], p[1], arrays


def script():
    """One Octave statement per case, printing module, regime and per output
    got,ref,scale,sens."""
    lines = ["warning('off','all');"]
    for module, group, a in cases():
        def rows(name, width):
            return "reshape([%s],%d,[])'" % (' '.join(a[name]), width)
        s = "c=%s; e=%s;" % (rows('coords', 2), rows('cells', 3 if module == 'domfield' else 2))
        s += " d=[%s]';" % ' '.join(a['dens']) if 'dens' in a else ''
        s += " x=%s;" % rows('points', 2) if 'points' in a else ''
        s += " q=%s;" % rows('dirs', 2) if 'dirs' in a else ''
        o = a['out']
        col = lambda j: ' '.join(o[i + j] for i in range(0, len(o), 5))
        lines.append(
            "%s try; r=%s; g=r([%s]+1); g=g(:)'; catch; g=NaN(1,%d); end; "
            "printf('%s %s %%s\\n', sprintf('%%.17g,%%.17g,%%.17g,%%.17g;', [g; [%s]; [%s]; [%s]]));"
            % (s, CALLS[module], col(0), len(o) // 5, module, group, col(1), col(2), col(3)))
    return '\n'.join(lines) + '\n'


def run(folder, text):
    with tempfile.TemporaryDirectory() as tmp:
        with open(os.path.join(tmp, 'accuracy_cases.m'), 'w') as f:
            f.write(text)
        out = subprocess.run(['octave-cli', '--no-init-file', '--eval',
                              "addpath('%s'); addpath('%s'); accuracy_cases"
                              % (os.path.abspath(folder), tmp)],
                             capture_output=True, text=True, check=True).stdout
    groups = {}
    for line in out.splitlines():
        module, group, data = line.split()
        g = groups.setdefault((module, group), [0, 0, 0.0])
        for t in data.strip(';').split(';'):
            got, ref, scale, sens = map(float, t.split(','))
            err, tol = abs(got - ref), max(1e-12 * scale, 8 * sens)
            bad = math.isnan(err) or err > tol
            rel = math.inf if math.isnan(err) or (err > 0 and scale == 0) else (
                err / scale if err > 0 else 0.0)
            g[0], g[1], g[2] = g[0] + 1, g[1] + bad, max(g[2], rel)
    return groups


def show(v):
    return 'inf/NaN' if math.isinf(v) else ('0' if v == 0 else '%.1e' % v)


def main():
    text = script()
    tables = [run(folder, text) for folder in sys.argv[1:3]]
    head = '| module | regime | outputs |' + ''.join(
        ' %s: worst err/scale | outside tolerance |' % os.path.basename(os.path.dirname(
            os.path.abspath(f)) or f) for f in sys.argv[1:3])
    print(head)
    print('|---' * (3 + 2 * len(tables)) + '|')
    for key in tables[-1]:
        row = '| %s | %s | %d |' % (key[0], key[1], tables[-1][key][0])
        for t in tables:
            g = t.get(key)
            row += ' %s | %s |' % ((show(g[2]), g[1]) if g else ('absent', '-'))
        print(row)


if __name__ == '__main__':
    main()
