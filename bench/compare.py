#!/usr/bin/env python3
"""Times commands in interleaved rounds, so that a machine whose load changes treats them alike,
and prints one Markdown row per command: median and fastest wall time, median processor time
(user + system, all threads) and the first command's median divided by this one's.

    compare.py CASE RUNS [--prepare CMD] NAME=COMMAND...

The first round warms the caches and is not counted. --prepare runs before every timed command.
"""
import os
import statistics
import subprocess
import sys
import time


def run(command):
    start = time.perf_counter()
    child = subprocess.Popen(command, shell=True, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    if status != 0:
        sys.exit(f"failed ({status}): {command}")
    return wall, usage.ru_utime + usage.ru_stime


def main():
    case, runs, rest = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
    prepare = None
    if rest[:1] == ["--prepare"]:
        prepare, rest = rest[1], rest[2:]
    commands = [item.split("=", 1) for item in rest]
    walls = {name: [] for name, _ in commands}
    cpus = {name: [] for name, _ in commands}
    for round_ in range(runs + 1):
        for name, command in commands:
            if prepare:
                subprocess.run(prepare, shell=True, check=True, stdout=subprocess.DEVNULL)
            wall, cpu = run(command)
            if round_ > 0:
                walls[name].append(wall)
                cpus[name].append(cpu)
    first = statistics.median(walls[commands[0][0]])
    for name, _ in commands:
        median = statistics.median(walls[name])
        print(f"| {case} | {name} | {median:.3f} s | {min(walls[name]):.3f} s | "
              f"{statistics.median(cpus[name]):.3f} s | {first / median:.2f} |", flush=True)


if __name__ == "__main__":
    main()
