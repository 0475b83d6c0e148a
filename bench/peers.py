#!/usr/bin/env python3
"""peers.py DATA WORK UNZX UNZBENCH RUNS: times each tool on each archive of DATA, RUNS times,
extracting into a fresh WORK/out each time, and prints the table. Run by unzip-peers.sh.

Rounds interleave the tools, so a passing load on the machine hits them alike. Times are the
script's own wall clock around each run; peak memory is /usr/bin/time's maximum resident set.
UNZBENCH (the adapter and UNZDLL.DLL under Wine) reports its own call time and peak working
set; Wine needs seconds per thousand new files in one folder (every look-up of a missing name
reads the whole folder), so the many-files archive runs there once.
"""
import os
import re
import shutil
import statistics
import subprocess
import sys
import time

DATA, WORK, UNZX, UNZBENCH, RUNS = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4], int(sys.argv[5])
ARCHIVES = [('mixed', '200 MB, 2,000 files'), ('big', 'one 500 MB member'), ('many', '20,000 files of 1 KB')]
OUT = os.path.join(WORK, 'out')
TIMES = os.path.join(WORK, 'time.txt')

PEERS = {
    'ours': lambda a: [UNZX, a],
    'bsdtar': lambda a: ['bsdtar', '-xf', a],
    '7z': lambda a: ['7z', 'x', '-y', '-bd', '-bso0', '-bsp0', a],
    'python': lambda a: ['python3', '-c', 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall()', a],
}


def fresh():
    shutil.rmtree(OUT, ignore_errors=True)
    os.makedirs(OUT)


def windows(path):
    return 'Z:' + path.replace('/', '\\')


def run(cmd):
    """Wall seconds, peak resident KB, CPU seconds and the program's own output."""
    fresh()
    t0 = time.perf_counter()
    p = subprocess.run(['/usr/bin/time', '-v', '-o', TIMES] + cmd, cwd=OUT, stdout=subprocess.PIPE,
                       stderr=subprocess.PIPE, text=True)
    wall = time.perf_counter() - t0
    if p.returncode != 0:
        sys.exit('failed (%d): %s\n%s%s' % (p.returncode, ' '.join(cmd), p.stdout, p.stderr))
    rusage = open(TIMES).read()
    field = lambda name: float(re.search(name + r': ([0-9.]+)', rusage).group(1))
    cpu = field('User time \\(seconds\\)') + field('System time \\(seconds\\)')
    return wall, int(field('Maximum resident set size \\(kbytes\\)')), cpu, p.stdout


def files_out():
    n = 0
    for _, _, files in os.walk(OUT):
        n += len(files)
    return n


def main():
    results = {}
    for name, _ in ARCHIVES:
        archive = os.path.join(DATA, name + '.zip')
        counts = {}
        for r in range(RUNS):
            for tool, cmd in PEERS.items():
                wall, rss, cpu, _ = run(cmd(archive))
                results.setdefault((name, tool), []).append((wall, rss, cpu))
                counts[tool] = files_out()
            if UNZBENCH and (name != 'many' or r == 0):
                wall, rss, cpu, out = run(['wine', UNZBENCH, windows(archive), windows(OUT)])
                m = re.search(r'seconds ([0-9.]+) working_set_kb (\d+) peak_kb (\d+)', out)
                call, before, peak = float(m.group(1)), int(m.group(2)), int(m.group(3))
                results.setdefault((name, 'wine'), []).append((call, peak, wall, peak - before))
                counts['wine'] = files_out()
        if len(set(counts.values())) != 1:
            sys.exit('tools wrote different numbers of files for %s: %s' % (name, counts))
        print('%s: %d files extracted by each tool' % (name, counts['ours']), flush=True)

    print()
    print('Medians of %d runs (wine: the many-files archive once), extracting into %s.' % (RUNS, OUT))
    print('time: wall clock; best: the fastest run; cpu: user + system; peer/ours: the peer\'s time over ours')
    print('(above 1: ours is faster), by median wall time and by cpu; peak: maximum resident set.')
    print('%-7s %-8s %8s %8s %8s %10s %9s %9s' % ('archive', 'tool', 'time s', 'best s', 'cpu s', 'peer/ours', 'by cpu', 'peak KB'))
    for name, what in ARCHIVES:
        print('%s (%s)' % (name, what))
        runs = lambda tool, i: [x[i] for x in results[(name, tool)]]
        ours, ours_cpu = statistics.median(runs('ours', 0)), statistics.median(runs('ours', 2))
        for tool in PEERS:
            t, cpu = statistics.median(runs(tool, 0)), statistics.median(runs(tool, 2))
            ratio = ('', '') if tool == 'ours' else ('%.2f' % (t / ours), '%.2f' % (cpu / ours_cpu))
            print('%-7s %-8s %8.3f %8.3f %8.3f %10s %9s %9d' % ('', tool, t, min(runs(tool, 0)), cpu, ratio[0], ratio[1],
                                                           max(runs(tool, 1))))
        if (name, 'wine') in results:
            print('%-7s %-8s %8.3f %8.3f %8s %10s %9s %9d   (the call; %.3f s with Wine\'s start; the call grew the'
                  ' working set by %d KB)' % ('', 'wine dll', statistics.median(runs('wine', 0)), min(runs('wine', 0)), '',
                                              '', '', max(runs('wine', 1)), statistics.median(runs('wine', 2)),
                                              max(runs('wine', 3))))
    shutil.rmtree(OUT, ignore_errors=True)


main()
