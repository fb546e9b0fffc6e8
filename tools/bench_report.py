"""Prints the median of each benchmark with its heap allocations per
iteration and, for a workload with a floor (a benchmark of the same name
ending in _Floor), the ratio to that floor."""
import json
import sys

medians = {}
for path in sys.argv[1:]:
    with open(path) as f:
        for b in json.load(f)["benchmarks"]:
            if b.get("aggregate_name") == "median":
                medians[b["run_name"]] = (b["real_time"], b["time_unit"], b.get("allocs"))

scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
print("| benchmark | median | allocs | floor | ratio |")
print("|---|---|---|---|---|")
for name, (t, unit, allocs) in medians.items():
    if "_Floor" in name:
        continue
    base, _, arg = name.partition("/")
    floor_name = base + "_Floor" + ("/" + arg if arg else "")
    count = "" if allocs is None else f"{allocs:.4g}"
    row = f"| {name} | {t:.1f} {unit} | {count} |"
    if floor_name in medians:
        ft, funit, _ = medians[floor_name]
        ratio = (t * scale[unit]) / (ft * scale[funit])
        row += f" {ft:.1f} {funit} | {ratio:.0f} |"
    else:
        row += " | |"
    print(row)
