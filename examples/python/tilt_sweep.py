#!/usr/bin/python3
"""Sweep the tilt of a design's secondary mirror and plot the Strehl ratio of
the field's edges against it, the focal plane refocused at every tilt.

    PYTHONPATH=build/python examples/python/tilt_sweep.py examples/schiefspiegler.ov

Prints a table of tilt, coma and Strehl ratios; with matplotlib installed it
also draws them (to the screen, or to the file given with --output).
"""

import argparse

import orvelin


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("design", help="design file (.ov)")
    parser.add_argument("--surface", type=int, default=2, help="mirror whose tilt is swept (default 2)")
    parser.add_argument("--span", type=float, default=1.0, help="degrees either side of its tilt (default 1)")
    parser.add_argument("--steps", type=int, default=31, help="number of tilts (default 31)")
    parser.add_argument("--output", help="write the plot to this file instead of showing it")
    args = parser.parse_args()

    design = orvelin.Design.load(args.design)
    mirror = design.surfaces[args.surface - 1]
    start = mirror.tilt
    tilts, coma, strehl = [], [], {"minus": [], "plus": []}
    print(f"{'tilt':>10} {'comaT':>12} {'Strehl -':>10} {'Strehl +':>10}")
    for k in range(args.steps):
        mirror.tilt = start - args.span + 2 * args.span * k / max(args.steps - 1, 1)
        try:
            # The image moves with the tilt: refocus before judging it.
            design.focus()
            fields = design.quality(fields=["minus", "plus"])["fields"]
            c = design.report()["comaT"]
        except orvelin.TraceError as e:
            print(f"{mirror.tilt:10.4f} {e}")
            continue
        tilts.append(mirror.tilt)
        coma.append(c)
        for name in strehl:
            strehl[name].append(fields[name].get("strehl", float("nan")))
        print(f"{mirror.tilt:10.4f} {c:12.6f} {strehl['minus'][-1]:10.4f} {strehl['plus'][-1]:10.4f}")
    best = max(range(len(tilts)), key=lambda i: min(strehl["minus"][i], strehl["plus"][i]))
    print(f"best Strehl at the field edges: {min(strehl['minus'][best], strehl['plus'][best]):.4f} "
          f"at tilt {tilts[best]:.4f} degrees")

    try:
        import matplotlib
        if args.output:
            matplotlib.use("Agg")
        import matplotlib.pyplot as plt
    except ImportError:
        return
    fig, ax = plt.subplots()
    for name, values in strehl.items():
        ax.plot(tilts, values, label=f"{name} field edge")
    ax.set_xlabel(f"tilt of mirror {args.surface} (degrees)")
    ax.set_ylabel("Strehl ratio")
    ax.set_title(design.title)
    ax.legend()
    if args.output:
        fig.savefig(args.output)
    else:
        plt.show()


if __name__ == "__main__":
    main()
