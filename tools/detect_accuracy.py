#!/usr/bin/env python3
"""Accuracy of `tessaline-cli detect` on recordings with ground truth, against find_peaks and a matched filter.

For each noise level it makes a tuning recording and a separate test recording with
tools/make_recording.py (two shapes, amplitudes x0.4..1.6, a drifting baseline, pauses, artefacts) and
measures on the test recording:
  * `tessaline-cli detect` with each fit (shape, gain, gain-offset), `--penalty auto`, `--tmin` the
    generator's least gap, no `--tmax`, joint detection and identification with both etalons; nothing
    is tuned;
  * `scipy.signal.find_peaks` on the raw series, its prominence and distance tuned on the tuning
    recording (grid search for the best F1); it finds peaks, not starts, so it is matched against each
    true pulse's peak (its start plus its shape's peak offset) and cannot recognise shapes ("-");
  * a matched filter: the series less its running median (151 samples), correlated with each shape made
    zero-mean and of unit norm, the larger of the two responses at each start followed by find_peaks
    with height and distance tuned likewise; the shape recognised is the one whose response is larger.
A found pulse matches a true one when their starts differ by at most the tolerance (one-to-one, the
most pairs); F1 = 2 matched / (found + true); recognition = the share of matched pulses given the true
shape. Prints a Markdown table (cells "F1 / recognition") and the command that made it, or --json.

    python3 tools/detect_accuracy.py [--cli build/release/cli/tessaline-cli] [--json]
"""
import argparse
import json
import os
import shlex
import subprocess
import sys
import tempfile
import time

import numpy as np
from scipy.ndimage import median_filter
from scipy.signal import correlate, find_peaks, peak_prominences

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_recording as gen  # noqa: E402

NOISE_LEVELS = (25, 50, 100, 200, 400)
FITS = ("shape", "gain", "gain-offset")
METHODS = tuple(f"detect {fit}" for fit in FITS) + ("find_peaks", "matched filter")
BASELINE_WINDOW = 151
DISTANCES = (10, 20, 30, 40, 50, 60)
THRESHOLDS = np.geomspace(20.0, 6000.0, 64)
PEAK_OFFSETS = np.array([int(np.argmax(shape)) for shape in gen.SHAPES])


def match(true_positions, found_positions, tolerance):
    """Pairs (true index, found index) of starts at most `tolerance` apart, each used once, as many as
    there can be: along both sorted lists, the earliest unmatched of each are paired when close enough,
    otherwise the one lying further behind is passed over."""
    true_order, found_order = np.argsort(true_positions, kind="stable"), np.argsort(found_positions, kind="stable")
    pairs, i, j = [], 0, 0
    while i < len(true_order) and j < len(found_order):
        t, f = true_positions[true_order[i]], found_positions[found_order[j]]
        if abs(int(f) - int(t)) <= tolerance:
            pairs.append((int(true_order[i]), int(found_order[j])))
            i, j = i + 1, j + 1
        elif f < t:
            j += 1
        else:
            i += 1
    return pairs


def measure(true_positions, true_shapes, found_positions, found_shapes, tolerance):
    """Detection precision, recall and F1 and, when `found_shapes` is given, recognition accuracy
    (None when it is not, or nothing matched)."""
    pairs = match(np.asarray(true_positions), np.asarray(found_positions), tolerance)
    matched, found, true = len(pairs), len(found_positions), len(true_positions)
    f1 = 2 * matched / (found + true) if found + true else 1.0
    recognition = None
    if found_shapes is not None and matched:
        recognition = sum(true_shapes[i] == found_shapes[j] for i, j in pairs) / matched
    return {"f1": f1, "precision": matched / found if found else 0.0, "recall": matched / true if true else 0.0,
            "recognition": recognition, "matched": matched, "found": found, "true": true}


def run_detect(cli, prefix, fit):
    """Found starts and etalon numbers of one detect call on the written recording, and its time."""
    command = [cli, "detect", "--series", f"{prefix}.npy", "--etalons", f"{prefix}_etalons.csv", "--scale", "1",
               "--tmin", str(gen.LEAST_GAP), "--fit", fit, "--penalty", "auto", "--json"]
    started = time.perf_counter()
    try:
        done = subprocess.run(command, capture_output=True, text=True)
    except OSError as error:
        sys.exit(f"detect_accuracy: cannot run {cli}: {error.strerror}")
    seconds = time.perf_counter() - started
    if done.returncode != 0:
        sys.exit(f"detect_accuracy: {shlex.join(command)} failed: {done.stderr.strip()}")
    result = json.loads(done.stdout)
    pulses = result["pulses"]
    positions = np.array([p["position"] for p in pulses], dtype=np.int64)
    etalons = np.array([p["etalon"] for p in pulses], dtype=np.int64)
    return positions, etalons, seconds, result.get("penalty")


def matched_response(series):
    """The larger of the two shapes' responses at each start (-inf where no shape fits) and the
    number of the shape giving it."""
    highpassed = series - median_filter(series, size=BASELINE_WINDOW, mode="nearest")
    responses = np.full((len(gen.SHAPES), len(series)), -np.inf)
    for row, shape in zip(responses, gen.SHAPES):
        template = shape - shape.mean()
        template /= np.linalg.norm(template)
        valid = correlate(highpassed, template, mode="valid")
        row[:len(valid)] = valid
    return responses.max(axis=0), responses.argmax(axis=0) + 1


def finite(response):
    return np.where(np.isfinite(response), response, np.min(response[np.isfinite(response)]))


def tune_threshold(signal, truth, tolerance, strength):
    """The (threshold, distance) of the grid whose peaks give the best F1 against `truth` positions.
    Peaks are found once per distance; `strength(signal, peaks)` is what the threshold cuts (height or
    prominence), which gives the same peaks as find_peaks with both arguments: find_peaks applies the
    distance before the prominence, and a peak below the height only ever suppresses lower ones."""
    best = (-1.0, None)
    for distance in DISTANCES:
        peaks, _ = find_peaks(signal, distance=distance)
        values = strength(signal, peaks)
        for threshold in THRESHOLDS:
            f1 = measure(truth, None, peaks[values >= threshold], None, tolerance)["f1"]
            if f1 > best[0]:
                best = (f1, (float(threshold), distance))
    return best[1]


def peak_truth(recording):
    """Where each true pulse peaks: its start plus its shape's peak offset."""
    return recording["positions"] + PEAK_OFFSETS[recording["shapes"] - 1]


def prominences(signal, peaks):
    return peak_prominences(signal, peaks)[0]


def heights(signal, peaks):
    return signal[peaks]


def find_peaks_method(tuning, test, tolerance):
    prominence, distance = tune_threshold(tuning["series"], peak_truth(tuning), tolerance, prominences)
    started = time.perf_counter()
    peaks, _ = find_peaks(test["series"], prominence=prominence, distance=distance)
    seconds = time.perf_counter() - started
    scores = measure(peak_truth(test), test["shapes"], peaks, None, tolerance)
    return scores, {"prominence": round(prominence, 1), "distance": distance}, seconds


def matched_filter_method(tuning, test, tolerance):
    response, _ = matched_response(tuning["series"])
    height, distance = tune_threshold(finite(response), tuning["positions"], tolerance, heights)
    started = time.perf_counter()
    response, shapes = matched_response(test["series"])
    peaks, _ = find_peaks(finite(response), height=height, distance=distance)
    seconds = time.perf_counter() - started
    scores = measure(test["positions"], test["shapes"], peaks, shapes[peaks], tolerance)
    return scores, {"height": round(height, 1), "distance": distance}, seconds


def detect_methods(cli, test, folder, tolerance):
    prefix = os.path.join(folder, "test")
    gen.write_recording(test, prefix)
    results = {}
    for fit in FITS:
        positions, etalons, seconds, penalty = run_detect(cli, prefix, fit)
        scores = measure(test["positions"], test["shapes"], positions, etalons, tolerance)
        results[f"detect {fit}"] = (scores, {"penalty": penalty}, seconds)
    return results


def level_results(args, noise, seed, folder):
    """Every method's scores on the test recording of one noise level, with the settings it used."""
    tolerance = args.tolerance
    tuning, test = (gen.make_recording(args.length, noise, s, args.drift, args.artefact_every)
                    for s in (seed, seed + 1))
    results = detect_methods(args.cli, test, folder, tolerance)
    results["find_peaks"] = find_peaks_method(tuning, test, tolerance)
    results["matched filter"] = matched_filter_method(tuning, test, tolerance)
    methods = {name: dict(scores, params=params, seconds=round(seconds, 4))
               for name, (scores, params, seconds) in results.items()}
    return {"noise": noise, "tuning_seed": seed, "test_seed": seed + 1, "pulses": len(test["positions"]),
            "methods": methods}


def cell(scores):
    recognition = "-" if scores["recognition"] is None else f"{100 * scores['recognition']:.1f} %"
    return f"{scores['f1']:.3f} / {recognition}"


def markdown(levels):
    lines = ["| noise σ | pulses | " + " | ".join(METHODS) + " |", "|---" * (len(METHODS) + 2) + "|"]
    for level in levels:
        cells = [cell(level["methods"][name]) for name in METHODS]
        lines.append(f"| {level['noise']:g} | {level['pulses']} | " + " | ".join(cells) + " |")
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", default="build/release/cli/tessaline-cli")
    parser.add_argument("--noise", default=",".join(map(str, NOISE_LEVELS)),
                        help="noise levels, comma-separated (default %(default)s; the spike's peak is 1000)")
    parser.add_argument("--length", type=int, default=30000, help="samples per recording (default 30000)")
    parser.add_argument("--seed", type=int, default=1,
                        help="level k's tuning recording has seed SEED + 2k, its test recording the next")
    parser.add_argument("--drift", type=float, default=gen.DRIFT_DEFAULT,
                        help=f"the recordings' greatest baseline excursion (default {gen.DRIFT_DEFAULT:g})")
    parser.add_argument("--artefact-every", type=int, default=gen.ARTEFACT_EVERY,
                        help=f"mean samples per artefact in the recordings, 0 for none (default {gen.ARTEFACT_EVERY})")
    parser.add_argument("--tolerance", type=int, default=3, help="greatest start difference of a match (default 3)")
    parser.add_argument("--json", action="store_true", help="the results as one JSON object")
    args = parser.parse_args()
    try:
        noise_levels = [float(v) for v in args.noise.split(",")]
    except ValueError:
        parser.error(f"--noise {args.noise}: not a comma-separated list of numbers")
    if not os.access(args.cli, os.X_OK):
        parser.error(f"--cli {args.cli}: no such program (build tessaline-cli, or name it)")
    command = "python3 tools/detect_accuracy.py " + shlex.join(sys.argv[1:])
    with tempfile.TemporaryDirectory() as folder:
        try:
            levels = [level_results(args, noise, args.seed + 2 * k, folder) for k, noise in enumerate(noise_levels)]
        except ValueError as error:
            parser.error(str(error))
    if args.json:
        print(json.dumps({"command": command.strip(), "length": args.length, "tolerance": args.tolerance,
                          "tmin": gen.LEAST_GAP, "levels": levels}))
        return
    print(f"    {command.strip()}\n")
    print(f"F1 / recognition accuracy, starts within ±{args.tolerance} samples, {args.length}-sample recordings:\n")
    print(markdown(levels))


if __name__ == "__main__":
    main()
