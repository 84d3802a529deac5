#!/usr/bin/env python3
"""Goal lines from a Google Benchmark JSON file of repeated runs.

  gbench_goals.py RESULT.json GOAL...
  GOAL: "<goal name>|<ours benchmark>|<reference benchmark>|<limit>"

For each goal prints the medians of the repetitions (milliseconds of real time), their
ratio and the spread, then the line that scripts/bench_all.sh collects:
  GOAL|<name>|<ours>|<reference>|ms|<ratio>|<lowest>-<highest>|<limit>|met or MISSED
The spread pairs the runs by repetition (with random interleaving, each repetition of
ours ran in the same stretch as the reference's of the same index) and gives the lowest
and highest ratio of such a pair.
"""
import json
import statistics
import sys

SCALE = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}


def figure(value):
    for bound, digits in ((100, 0), (10, 1), (1, 2)):
        if value >= bound:
            return f"{value:.{digits}f}"
    return f"{value:.3f}"


def main():
    runs = {}
    for run in json.load(open(sys.argv[1]))["benchmarks"]:
        if run.get("run_type", "iteration") != "iteration" or run.get("error_occurred"):
            continue
        name = run.get("run_name", run["name"])
        runs.setdefault(name, []).append((run.get("repetition_index", 0), run["real_time"] * SCALE[run["time_unit"]]))
    missed = 0
    for goal in sys.argv[2:]:
        name, ours, reference, limit = goal.split("|")
        if ours not in runs or reference not in runs:
            print(f"{name}: no runs of {ours if ours not in runs else reference}", file=sys.stderr)
            missed += 1
            continue
        a = [t for _, t in sorted(runs[ours])]
        b = [t for _, t in sorted(runs[reference])]
        ratio = statistics.median(a) / statistics.median(b)
        pairs = [x / y for x, y in zip(a, b)]
        met = ratio <= float(limit)
        missed += not met
        print(f"{name}: {figure(statistics.median(a))} ms against {figure(statistics.median(b))} ms, "
              f"{ratio:.2f}x (runs {min(pairs):.2f}-{max(pairs):.2f}, {len(a)} runs), limit {limit}x: "
              f"{'met' if met else 'MISSED'}")
        print(f"GOAL|{name}|{figure(statistics.median(a))}|{figure(statistics.median(b))}|ms|{ratio:.2f}|"
              f"{min(pairs):.2f}-{max(pairs):.2f}|{limit}|{'met' if met else 'MISSED'}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
