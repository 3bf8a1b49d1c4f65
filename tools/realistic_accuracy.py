#!/usr/bin/env python3
"""Accuracy of `tessaline-cli detect` on realistic recordings against the peers a researcher would use, untuned.

For each kind of tools/make_realistic.py (ECG-like at 360 Hz, spike-like at 24 kHz) and each of its noise
levels it makes one recording (seed SEED + level index, chosen once) and runs on it, with fixed rules
written here and never fitted to the truth:
  * detect, the recipe: one example of each shape cut from the raw series around the first clear pulse
    of that shape (the first not within 1 s of an artefact or signal loss, nor overlapping another pulse),
    `--fit F --penalty auto` with F gain-trend for the ECG (its baseline wanders) and gain-offset for the
    spikes (their baseline is flat), `--tmin` the least gap (ECG 0.3 s; spikes the etalon length),
    `--scale` 20000 / max|x| rounded down to 3 significant digits;
  * detect, averaged etalons: the same with the mean of the first 8 clear examples, aligned at the fiducial;
  * find_peaks: scipy.signal.find_peaks on the series less its running median (ECG, 0.6 s) or on the
    negated series (spikes), distance = the least gap, height above the median and prominence both
    5 sigma with sigma = 1.4826 MAD of that signal (the noise scale of the first differences would
    take AR noise for a third of its size, and prominence alone lets long noise stretches through);
  * matched filter: the recipe's etalons made zero-mean and of unit norm, correlated with the series less
    its running median (ECG 0.6 s, spikes 5 ms); height = median + 4.5 x 1.4826 MAD of the best response,
    find_peaks with the least gap; the shape is the template answering most;
  * ECG: a QRS detector of the classic kind (5..15 Hz band-pass, derivative, squaring, 150 ms moving
    integration, adaptive signal and noise levels, search-back, 200 ms refractory);
  * spikes: a 4.5 x MAD threshold (300..5000 Hz Butterworth band-pass, threshold 4.5 median|x| / 0.6745,
    downward crossings with 1 ms dead time, the trough as the fiducial).
Every method is scored by `tessaline-cli evaluate` (a stand-in with the same matching while the command is
missing): tolerance 150 ms (ECG) or 0.5 ms (spikes), pairs one-to-one, as many as there can be. Cells are
F1 (sensitivity/positive predictivity), with the share of matched pulses given their true shape for the
methods that name shapes. Also a real ECG (pywt.data.ecg()) as a smoke case.

    python3 tools/realistic_accuracy.py [--cli build/release/cli/tessaline-cli] [--json]
"""
import argparse
import decimal
import json
import os
import shlex
import subprocess
import sys
import tempfile
import time

import numpy as np
from scipy.ndimage import median_filter, uniform_filter1d
from scipy.signal import butter, correlate, find_peaks, sosfiltfilt

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_realistic as gen  # noqa: E402
from detect_accuracy import match  # noqa: E402  (one-to-one, the most pairs within the tolerance)

KINDS = {
    "ecg": {"make": gen.make_ecg, "levels": (0.02, 0.1, 0.33), "seconds": 300.0, "rate": gen.ECG_RATE,
            "tolerance": 54, "tmin": 108, "before": 36, "after": 54, "median": 217, "shapes": (1, 2), "fit": "gain-trend",
            "peer": "QRS detector"},
    "spikes": {"make": gen.make_spikes, "levels": (0.1, 0.2, 0.3), "seconds": 20.0, "rate": gen.SPIKE_RATE,
               "tolerance": 12, "tmin": 36, "before": 10, "after": 26, "median": 121, "shapes": (1, 2, 3),
               "fit": "gain-offset",
               "peer": "4.5×MAD threshold"},
}
EXAMPLES, CLEAR_SECONDS, PEAK_SIGMAS, RESPONSE_SIGMAS = 8, 1.0, 5.0, 4.5
# Real smoke case: the R peaks of pywt.data.ecg() counted by eye on a plot of its 1,024 samples (360 Hz):
# three tall narrow QRS complexes near samples 190, 518 and 847, each followed by a low broad T wave.
SMOKE_R_PEAKS = (190, 518, 847)


def robust_sigma(x):
    """1.4826 MAD: the standard deviation of the noise when pulses are rare, whatever the noise's colour."""
    return 1.4826 * np.median(np.abs(x - np.median(x)))


def scale_for(series):
    """20000 / max|x| rounded down to three significant digits, as a decimal text."""
    exact = decimal.Decimal(20000) / decimal.Decimal(float(np.max(np.abs(series))))
    step = decimal.Decimal(1).scaleb(exact.adjusted() - 2)
    return format((exact / step).to_integral_value(rounding=decimal.ROUND_FLOOR) * step, "f")


def clear_examples(recording, kind, shape):
    """Fiducials of the clear pulses of `shape`: whole windows, not within 1 s of an artefact or signal
    loss, no other pulse inside the cut window."""
    k, meta = KINDS[kind], recording["meta"]
    positions, shapes = recording["positions"], recording["shapes"]
    reach = CLEAR_SECONDS * k["rate"]
    zones = [(a["start"], a["end"]) for a in meta["artefacts"]] + [(s["start"], s["end"]) for s in meta["signal_loss"]]
    chosen = []
    for i in np.flatnonzero(shapes == shape):
        p = positions[i]
        whole = p - k["before"] >= 0 and p + k["after"] <= len(recording["series"])
        near_zone = any(start - reach <= p < end + reach for start, end in zones)
        crowded = kind == "spikes" and np.sum(np.abs(positions - p) < k["before"] + k["after"]) > 1
        if whole and not near_zone and not crowded:
            chosen.append(int(p))
    return chosen


def recipe_etalons(recording, kind, averaged):
    """(etalon rows, the shape of each row): one example per shape, or the mean of the first 8."""
    k, rows, names = KINDS[kind], [], []
    for shape in k["shapes"]:
        fiducials = clear_examples(recording, kind, shape)[:EXAMPLES if averaged else 1]
        if fiducials:
            cuts = [recording["series"][p - k["before"]:p + k["after"]] for p in fiducials]
            rows.append(np.mean(cuts, axis=0))
            names.append(shape)
    return rows, names


def write_found(name, positions, shapes):
    with open(name, "w") as file:
        json.dump({"pulses": [{"position": int(p), "etalon": int(s)} for p, s in zip(positions, shapes)]}, file)


def run_detect(cli, folder, series_name, rows, kind, tag):
    """Found starts and shapes of one detect call, its time, and 'ok' or why it failed."""
    k = KINDS[kind]
    etalons = os.path.join(folder, f"{tag}_etalons.csv")
    with open(etalons, "w") as file:
        file.writelines(",".join(f"{v:.9g}" for v in row) + "\n" for row in rows)
    command = [cli, "detect", "--series", series_name, "--etalons", etalons, "--scale",
               scale_for(np.load(series_name)), "--tmin", str(k["tmin"]), "--fit", k["fit"], "--penalty",
               "auto", "--json"]
    started = time.perf_counter()
    done = subprocess.run(command, capture_output=True, text=True)
    seconds = time.perf_counter() - started
    if done.returncode != 0:
        lines = done.stderr.strip().splitlines() or ["(no message)"]
        return None, None, seconds, f"exit {done.returncode}: {lines[0]}"
    pulses = json.loads(done.stdout)["pulses"]
    return np.array([p["position"] for p in pulses], dtype=np.int64), \
        np.array([p["etalon"] for p in pulses], dtype=np.int64), seconds, "ok"


def highpassed(series, window):
    return series - median_filter(series, size=window, mode="nearest")


def find_peaks_method(series, kind):
    """Peaks of the series less its running median (ECG) or of the negated series (spikes) standing at
    least 5 robust sigmas (1.4826 MAD of that signal) high and prominent, the least gap apart."""
    k = KINDS[kind]
    signal = highpassed(series, k["median"]) if kind == "ecg" else -series
    least = PEAK_SIGMAS * robust_sigma(signal)
    peaks, _ = find_peaks(signal, distance=k["tmin"], height=np.median(signal) + least, prominence=least)
    return peaks, np.ones(len(peaks), dtype=np.int64)


def matched_filter(series, kind, rows, names):
    """Starts and shapes: peaks of the best normalised template response above its robust threshold."""
    k = KINDS[kind]
    signal = highpassed(series, k["median"])
    responses = np.full((len(rows), len(series)), -np.inf)
    for response, row in zip(responses, rows):
        template = np.asarray(row) - np.mean(row)
        valid = correlate(signal, template / np.linalg.norm(template), mode="valid")
        response[:len(valid)] = valid
    best = responses.max(axis=0)
    finite = best[np.isfinite(best)]
    best[~np.isfinite(best)] = finite.min()
    height = np.median(finite) + RESPONSE_SIGMAS * robust_sigma(finite)
    peaks, _ = find_peaks(best, height=height, distance=k["tmin"])
    return peaks, np.asarray(names)[responses[:, peaks].argmax(axis=0)]


def qrs_detector(series, rate):
    """R peaks by the classic QRS detector: band-pass, derivative, squaring, moving integration, then
    adaptive signal/noise levels over the integrated peaks, search-back after 166 % of the mean RR, a
    T wave rejected within 360 ms by its slope; the fiducial is the band-passed signal's extremum."""
    band = sosfiltfilt(butter(2, [5, 15], btype="bandpass", fs=rate, output="sos"), series)
    slope = np.convolve(band, np.array([1, 2, 0, -2, -1]) * rate / 8.0, mode="same")
    integrated = uniform_filter1d(slope ** 2, size=round(0.15 * rate))
    candidates, _ = find_peaks(integrated, distance=round(0.2 * rate))
    learn = integrated[:2 * rate]
    signal_level, noise_level = 0.25 * learn.max(), 0.5 * learn.mean()
    beats, rr_mean, last_slope = [], None, 0.0
    for at in candidates:
        value = integrated[at]
        threshold = noise_level + 0.25 * (signal_level - noise_level)
        if beats and rr_mean and at - beats[-1] > 1.66 * rr_mean:
            gap = candidates[(candidates > beats[-1] + 0.2 * rate) & (candidates < at)]
            if len(gap) and integrated[gap].max() > 0.5 * threshold:
                found = gap[np.argmax(integrated[gap])]
                beats.append(int(found))
                signal_level = 0.25 * integrated[found] + 0.75 * signal_level
        if value > threshold:
            peak_slope = np.max(np.abs(slope[max(0, at - round(0.075 * rate)):at + 1]))
            if beats and at - beats[-1] < 0.36 * rate and peak_slope < 0.5 * last_slope:
                noise_level = 0.125 * value + 0.875 * noise_level
                continue
            beats.append(int(at))
            last_slope = peak_slope
            signal_level = 0.125 * value + 0.875 * signal_level
            recent = np.diff(beats[-9:])
            rr_mean = float(np.mean(recent)) if len(recent) else None
        else:
            noise_level = 0.125 * value + 0.875 * noise_level
    reach = round(0.075 * rate)
    fiducials = [max(0, b - reach) + int(np.argmax(np.abs(band[max(0, b - reach):b + reach + 1]))) for b in beats]
    return np.array(fiducials, dtype=np.int64), np.ones(len(fiducials), dtype=np.int64)


def mad_threshold(series, rate):
    """Troughs under -4.5 median|x| / 0.6745 of the 300..5000 Hz band, 1 ms dead time after each crossing."""
    band = sosfiltfilt(butter(3, [300, 5000], btype="bandpass", fs=rate, output="sos"), series)
    threshold = -4.5 * np.median(np.abs(band)) / 0.6745
    crossings = np.flatnonzero((band[1:] < threshold) & (band[:-1] >= threshold)) + 1
    dead, kept, last = round(0.001 * rate), [], -np.inf
    for c in crossings:
        if c - last >= dead:
            kept.append(c)
            last = c
    troughs = [c + int(np.argmin(band[c:c + dead])) for c in kept]
    return np.array(troughs, dtype=np.int64), np.ones(len(troughs), dtype=np.int64)


_EVALUATE = {}
SCORE_KEYS = ("true_positives", "false_positives", "false_negatives", "sensitivity", "positive_predictivity", "f1",
              "agreement")


def evaluate_available(cli):
    """Whether this tessaline-cli has `evaluate` (its own help, naming --truth: an unknown subcommand
    with --help prints the program's help and exits 0 too)."""
    if cli not in _EVALUATE:
        done = subprocess.run([cli, "evaluate", "--help"], capture_output=True, text=True)
        _EVALUATE[cli] = done.returncode == 0 and "--truth" in done.stdout
    return _EVALUATE[cli]


def evaluate_here(truth_name, found_name, tolerance, offset):
    """The stand-in for `tessaline-cli evaluate`: the same files, matching and keys."""
    positions, shapes = gen.read_truth(truth_name)
    with open(found_name) as file:
        pulses = json.load(file)["pulses"]
    found = np.array([p["position"] + offset for p in pulses], dtype=np.int64)
    labels = np.array([p["etalon"] for p in pulses], dtype=np.int64)
    pairs = match(positions, found, tolerance)
    tp, fp, fn = len(pairs), len(found) - len(pairs), len(positions) - len(pairs)
    return {"true_positives": tp, "false_positives": fp, "false_negatives": fn,
            "sensitivity": tp / (tp + fn) if tp + fn else None,
            "positive_predictivity": tp / (tp + fp) if tp + fp else None,
            "f1": 2 * tp / (2 * tp + fp + fn) if tp + fp + fn else None,
            "agreement": sum(shapes[i] == labels[j] for i, j in pairs) / tp if tp else None}


def evaluate(cli, truth_name, found_name, tolerance, offset):
    """Scores of the found pulses against the truth, by `tessaline-cli evaluate` when it is there."""
    if not evaluate_available(cli):
        return evaluate_here(truth_name, found_name, tolerance, offset)
    command = [cli, "evaluate", "--truth", truth_name, "--found", found_name, "--tolerance", str(tolerance),
               "--offset", str(offset), "--json"]
    done = subprocess.run(command, capture_output=True, text=True)
    if done.returncode != 0:
        raise RuntimeError(f"{shlex.join(command)} failed: {done.stderr.strip()}")
    scores = json.loads(done.stdout)
    return {key: scores.get(key) for key in SCORE_KEYS}


def timed(method, *args):
    started = time.perf_counter()
    positions, shapes = method(*args)
    return positions, shapes, time.perf_counter() - started


def level_results(cli, kind, level, seed, seconds, folder):
    """Every method's scores, times and status on the recording of one noise level."""
    k = KINDS[kind]
    recording = k["make"](seconds, level, seed)
    prefix = os.path.join(folder, f"{kind}_{seed}")
    names = gen.write_realistic(recording, prefix)
    series = recording["series"]
    runs = {}
    for name, averaged in (("detect, recipe", False), ("detect, averaged etalons", True)):
        rows, shapes = recipe_etalons(recording, kind, averaged)
        if not rows:
            runs[name] = (None, None, 0.0, 0, "no clear example of any shape")
            continue
        positions, etalons, took, status = run_detect(cli, folder, names["series"], rows, kind, f"{prefix}_{averaged}")
        labels = None if etalons is None else np.asarray(shapes)[etalons - 1]
        runs[name] = (positions, labels, took, k["before"], status)
        if not averaged:
            runs["matched filter"] = timed(matched_filter, series, kind, rows, shapes) + (k["before"], "ok")
    runs["find_peaks"] = timed(find_peaks_method, series, kind) + (0, "ok")
    peer = qrs_detector if kind == "ecg" else mad_threshold
    runs[k["peer"]] = timed(peer, series, k["rate"]) + (0, "ok")
    methods = {}
    for name, (positions, labels, took, offset, status) in runs.items():
        scores = {}
        if positions is not None:
            found = os.path.join(folder, "found.json")
            write_found(found, positions, labels)
            try:
                scores = evaluate(cli, names["truth"], found, k["tolerance"], offset)
            except RuntimeError as error:
                status = str(error)
        methods[name] = dict(scores, seconds=round(took, 3), status=status)
    return {"noise": level, "seed": seed, "pulses": len(recording["positions"]),
            "scale": scale_for(series), "methods": methods}


def method_names(kind):
    return ["detect, recipe", "detect, averaged etalons", "find_peaks", "matched filter", KINDS[kind]["peer"]]


def cell(scores, shapes_named):
    if scores["status"] != "ok":
        return f"failed ({scores['status']})"
    text = f"{scores['f1']:.3f} ({scores['sensitivity']:.3f}/{scores['positive_predictivity']:.3f})"
    if shapes_named and scores.get("agreement") is not None:
        text += f", shapes {100 * scores['agreement']:.1f} %"
    return text


def markdown(kind, levels):
    names = method_names(kind)
    lines = ["| noise | pulses | " + " | ".join(names) + " |", "|---" * (len(names) + 2) + "|"]
    for level in levels:
        cells = [cell(level["methods"][n], n.startswith("detect") or n == "matched filter") for n in names]
        lines.append(f"| {level['noise']:g} | {level['pulses']} | " + " | ".join(cells) + " |")
    seconds = [sum(level["methods"][n]["seconds"] for level in levels) / len(levels) for n in names]
    lines.append("| seconds (mean) | | " + " | ".join(f"{s:.2f}" for s in seconds) + " |")
    return "\n".join(lines)


def smoke_case(cli, folder):
    """detect on the real ECG of pywt with one beat cut as the etalon, against the hand-counted R peaks."""
    try:
        import pywt
    except ImportError:
        return {"status": "skipped: pywt is not installed"}
    series = pywt.data.ecg().astype(np.float64)
    first = SMOKE_R_PEAKS[0]
    r = first - 10 + int(np.argmax(series[first - 10:first + 11]))
    name = os.path.join(folder, "real_ecg.npy")
    np.save(name, series)
    positions, _, _, status = run_detect(cli, folder, name, [series[r - 36:r + 54]], "ecg", "real")
    found = [] if positions is None else [int(p) + 36 for p in positions]
    return {"status": status, "hand_counted": len(SMOKE_R_PEAKS), "hand_r_peaks": list(SMOKE_R_PEAKS),
            "found": len(found), "found_r_peaks": found}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", default="build/release/cli/tessaline-cli")
    parser.add_argument("--seed", type=int, default=1000, help="level k's recording has seed SEED + k (default 1000)")
    parser.add_argument("--ecg-seconds", type=float, default=KINDS["ecg"]["seconds"])
    parser.add_argument("--spike-seconds", type=float, default=KINDS["spikes"]["seconds"])
    parser.add_argument("--json", action="store_true", help="the results as one JSON object")
    args = parser.parse_args()
    if not os.access(args.cli, os.X_OK):
        parser.error(f"--cli {args.cli}: no such program (build tessaline-cli, or name it)")
    for option, value in (("--ecg-seconds", args.ecg_seconds), ("--spike-seconds", args.spike_seconds)):
        if not 10 <= value <= 3600:
            parser.error(f"{option} {value:g}: between 10 and 3600")
    command = "python3 tools/realistic_accuracy.py " + shlex.join(sys.argv[1:])
    seconds = {"ecg": args.ecg_seconds, "spikes": args.spike_seconds}
    with tempfile.TemporaryDirectory() as folder:
        results = {kind: [level_results(args.cli, kind, level, args.seed + i, seconds[kind], folder)
                          for i, level in enumerate(KINDS[kind]["levels"])] for kind in KINDS}
        smoke = smoke_case(args.cli, folder)
    scorer = "tessaline-cli evaluate" if evaluate_available(args.cli) else "the tool's stand-in for evaluate"
    if args.json:
        print(json.dumps({"command": command.strip(), "scored_by": scorer, "seconds": seconds,
                          "kinds": results, "real_ecg": smoke}))
        return
    print(f"    {command.strip()}\n\nScored by {scorer}; detect runs as\n    tessaline-cli detect --series P.npy "
          "--etalons E.csv --scale K --tmin A --fit F --penalty auto --json (F: gain-trend for the ECG, "
          "gain-offset for the spikes)\n")
    for kind, title in (("ecg", "ECG-like"), ("spikes", "Spike-like")):
        k, levels = KINDS[kind], results[kind]
        print(f"{title}, {seconds[kind]:g} s at {k['rate']} Hz, tolerance ±{k['tolerance']} samples, "
              f"--tmin {k['tmin']}, "
              f"seeds {', '.join(str(level['seed']) for level in levels)}, scales "
              f"{', '.join(level['scale'] for level in levels)}; F1 (Se/+P):\n")
        print(markdown(kind, levels) + "\n")
    print(f"Real ECG (pywt.data.ecg(), 1,024 samples at 360 Hz): {smoke}")


if __name__ == "__main__":
    main()
