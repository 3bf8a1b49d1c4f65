#!/usr/bin/env python3
"""How accurately the workbench finds pulses, against the two detectors a user otherwise reaches for.

On series the workbench makes (whole pulses of one etalon, a known count, starts Tmin..Tmax apart) at
each noise level, it compares the workbench's detection (exact dynamic programming) with
  * a matched filter followed by scipy.signal.find_peaks(distance=Tmin), keeping the K highest peaks;
  * a greedy matched filter: take the highest response, suppress +-Tmin around it, K times.
For each it reports the share of placed pulses found within +-2 samples and the mean squared
position error (each placed pulse against the nearest found start). Prints a Markdown table.

    python3 tools/accuracy.py [--cli build/release/cli/tessaline-cli] [--series 40] [--etalon 5]
"""
import argparse
import json
import subprocess

import numpy as np
from scipy.signal import find_peaks

NOISE_LEVELS = (20, 40, 60, 80, 100)


def workbench_series(cli, noise, count, etalon):
    """The series the workbench makes and processes, one JSON object per step."""
    command = [cli, "run", "--series-type", "1", "--task", "detection", "--required", str(etalon),
               "--noise", str(noise), "--steps", str(count), "--json"]
    lines = subprocess.run(command, check=True, capture_output=True, text=True).stdout.splitlines()
    return [json.loads(line) for line in lines[1:]]  # step 0 is the state before any series


def etalon_samples(cli, etalon):
    alphabet = json.loads(subprocess.run([cli, "alphabet", "--json"], check=True, capture_output=True,
                                         text=True).stdout)
    return np.array(alphabet["etalons"][etalon - 1]["lpData"], dtype=float)


def matched_filter(noisy, shape):
    """The correlation of the series with the etalon at every start where the etalon fits."""
    return np.correlate(noisy, shape, mode="valid")


def peaks_detector(response, count, tmin):
    peaks, _ = find_peaks(response, distance=tmin)
    best = peaks[np.argsort(response[peaks])[::-1][:count]]
    return np.sort(best)


def greedy_detector(response, count, tmin):
    response = response.copy()
    picks = []
    for _ in range(count):
        at = int(np.argmax(response))
        if response[at] == -np.inf:
            break
        picks.append(at)
        response[max(0, at - tmin + 1):at + tmin] = -np.inf
    return np.sort(np.array(picks, dtype=int))


def score(placed, found):
    """Share of placed starts with a found start within +-2 samples, and the mean squared distance
    from each placed start to the nearest found one."""
    if len(found) == 0:
        return 0.0, float("inf")
    distances = np.array([np.min(np.abs(found - p)) for p in placed], dtype=float)
    return float(np.mean(distances <= 2)), float(np.mean(distances ** 2))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", default="build/release/cli/tessaline-cli")
    parser.add_argument("--series", type=int, default=40, help="series per noise level")
    parser.add_argument("--etalon", type=int, default=5, help="the etalon the pulses are made of")
    args = parser.parse_args()
    shape = etalon_samples(args.cli, args.etalon)
    print("| noise | workbench: within ±2 | MSE | find_peaks: within ±2 | MSE | greedy: within ±2 | MSE |")
    print("|---|---|---|---|---|---|---|")
    for noise in NOISE_LEVELS:
        totals = {"workbench": [], "peaks": [], "greedy": []}
        for step in workbench_series(args.cli, noise, args.series, args.etalon):
            series = step["series"]
            placed = np.array(series["lpPositions"], dtype=int)
            count, tmin = len(placed), series["wTmin"]
            response = matched_filter(np.array(series["lpNoisyData"], dtype=float), shape)
            totals["workbench"].append(score(placed, np.array(series["lpFoundPositions"], dtype=int)))
            totals["peaks"].append(score(placed, peaks_detector(response, count, tmin)))
            totals["greedy"].append(score(placed, greedy_detector(response, count, tmin)))
        cells = []
        for name in ("workbench", "peaks", "greedy"):
            hits, errors = zip(*totals[name])
            cells += [f"{100 * np.mean(hits):.1f} %", f"{np.mean(errors):.2f}"]
        print(f"| {noise} | " + " | ".join(cells) + " |")


if __name__ == "__main__":
    main()
