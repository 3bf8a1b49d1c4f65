#!/usr/bin/env python3
"""Realistic recordings with ground truth, built to differ from the detection model: ECG-like and spike-like.

ECG-like (360 Hz, mV): each beat is a sum of Gaussian waves (P, Q, R, S, T), its R about 1 mV with
beat-to-beat and respiratory variation, its T wave up to the QRS height; RR intervals of 0.6..1.0 s with
slow and respiratory modulation; wide premature ventricular beats (5..15 %, short coupling, fully
compensatory pause) and a few fusion beats (a mix of both shapes); respiratory and slow baseline wander,
mains hum, band-limited muscle bursts, large slow motion artefacts and one or two flat signal-loss
stretches. Shapes: 1 normal, 2 premature ventricular, 3 fusion; a beat's position is its R peak. Beats
whose QRS falls into a signal loss are left out of the truth (listed in the meta file).

Spike-like (24 kHz, µV): 2..3 units with their own biphasic or triphasic waveforms of 1..2 ms, each a
Poisson train (2 ms refractory, 5..40 Hz), amplitudes drifting slowly x0.5..1.5 per unit with small
per-spike jitter, 10..15 % of spikes within 0.1..1 ms of another unit's spike, in AR(1) noise (rho 0.7).
Shape = unit number; a spike's position is its trough.

--noise: ECG, the white noise's standard deviation as a fraction of the mean QRS height; spikes, the
AR(1) noise's standard deviation as a fraction of the largest unit's mean trough amplitude.
Writes PREFIX.npy (float64), PREFIX_truth.csv (position,shape; no header) and PREFIX_meta.json.

    python3 tools/make_realistic.py --kind ecg --noise 0.1 --seed 1 --seconds 300 --out /tmp/ecg
"""
import argparse
import json
import os
import tempfile

import numpy as np
from scipy.signal import butter, lfilter, sosfiltfilt

ECG_RATE, SPIKE_RATE = 360, 24000
NORMAL, PREMATURE, FUSION = 1, 2, 3
# (amplitude relative to the beat's R, centre in s from the R peak, width sigma in s); T waves come apart.
NORMAL_WAVES = ((0.15, -0.20, 0.025), (-0.12, -0.035, 0.010), (1.0, 0.0, 0.011), (-0.25, 0.035, 0.011))
PREMATURE_WAVES = ((-0.20, -0.065, 0.020), (1.25, 0.0, 0.028), (-0.55, 0.080, 0.035))
BEAT_EXTENT = (-0.40, 0.65)          # s around the R peak that a beat's waves cover
QRS_HALF_WIDTH = 0.05                # s: a beat this close to a signal loss has lost its QRS
REFRACTORY_MS, NEAR_MS, APART_MS = 2.0, 0.95, 1.1
SPIKE_EXTENT = (-12, 36)             # samples around the trough that a spike's waveform covers


def streams(seed, count):
    """Independent random streams, so switching one component off leaves the others as they were."""
    return [np.random.default_rng(s) for s in np.random.SeedSequence(seed).spawn(count)]


def gaussians(t, waves):
    return sum(a * np.exp(-0.5 * ((t - c) / w) ** 2) for a, c, w in waves)


def beat_times(rng, seconds):
    """R times (s) and shapes: sinus rhythm with slow and respiratory RR modulation, premature beats with
    a compensatory pause (coupling + pause = two sinus intervals) and now and then a fusion beat a little
    before its sinus time."""
    mean_rr, resp_hz, slow_hz = rng.uniform(0.7, 0.9), rng.uniform(0.2, 0.33), rng.uniform(0.03, 0.1)
    phases = rng.uniform(0, 2 * np.pi, 2)
    share = rng.uniform(0.05, 0.15)
    premature_chance, fusion_chance = share / (1 - share), 0.015
    times, shapes, t, previous_rr = [], [], rng.uniform(0.5, 1.0), mean_rr
    while t < seconds - BEAT_EXTENT[1]:
        fusion = rng.random() < fusion_chance
        times.append(t - previous_rr * rng.uniform(0.02, 0.07) if fusion else t)
        shapes.append(FUSION if fusion else NORMAL)
        rr = mean_rr + 0.04 * np.sin(2 * np.pi * resp_hz * t + phases[0]) \
            + 0.06 * np.sin(2 * np.pi * slow_hz * t + phases[1]) + rng.normal(0, 0.012)
        rr = previous_rr = float(np.clip(rr, 0.6, 1.0))
        if rng.random() < premature_chance and t + 2 * rr < seconds - BEAT_EXTENT[1]:
            times.append(t + rr * rng.uniform(0.5, 0.65))
            shapes.append(PREMATURE)
            rr *= 2  # the sinus beat the premature one hides is not conducted: a compensatory pause
        t += rr
    return np.array(times), np.array(shapes, dtype=np.int64), resp_hz


def beat_waves(rng, shape, amplitude, t_ratio, rr):
    """The waves of one beat in mV: normal, premature (wide, no P, discordant T) or a mix of the two."""
    normal = [(a * amplitude, c, w) for a, c, w in NORMAL_WAVES]
    normal.append((t_ratio * amplitude, 0.25 * np.sqrt(rr / 0.8), 0.05))
    premature = [(a * amplitude, c, w) for a, c, w in PREMATURE_WAVES]
    premature.append((-0.45 * t_ratio * amplitude, 0.30, 0.07))
    if shape == NORMAL:
        return normal
    if shape == PREMATURE:
        return premature
    mix = rng.uniform(0.35, 0.65)
    return [(mix * a, c, w) for a, c, w in normal] + [((1 - mix) * a, c, w) for a, c, w in premature]


def cardiac_signal(rng, times, shapes, resp_hz, length):
    """The beats alone (mV, isoelectric line 0) and each beat's sample of R (the largest sample of its QRS)."""
    signal = np.zeros(length)
    record_gain, record_t = rng.uniform(0.85, 1.15), rng.uniform(0.15, 0.8)
    rr = np.diff(times, prepend=times[0] - 0.8)
    for at, shape, interval in zip(times, shapes, rr):
        amplitude = record_gain * (1 + 0.05 * rng.normal()) * (1 + 0.05 * np.sin(2 * np.pi * resp_hz * at))
        t_ratio = min(0.95, record_t * rng.uniform(0.8, 1.2))
        first, last = (max(0, int((at + e) * ECG_RATE)) for e in BEAT_EXTENT)
        t = np.arange(first, min(last, length)) / ECG_RATE - at
        signal[first:first + len(t)] += gaussians(t, beat_waves(rng, shape, amplitude, t_ratio, interval))
    reach = round(0.04 * ECG_RATE)
    centres = np.rint(times * ECG_RATE).astype(np.int64)
    windows = centres[:, None] + np.arange(-reach, reach + 1)
    return signal, windows[np.arange(len(centres)), np.argmax(signal[windows], axis=1)]


def wander(rng, length, resp_hz):
    """Respiratory and slow baseline wander, together up to about the QRS height."""
    t = np.arange(length) / ECG_RATE
    out = rng.uniform(0.05, 0.25) * np.sin(2 * np.pi * resp_hz * t + rng.uniform(0, 2 * np.pi))
    for _ in range(2):
        out += rng.uniform(0.05, 0.25) * np.sin(2 * np.pi * rng.uniform(0.01, 0.05) * t + rng.uniform(0, 2 * np.pi))
    return out


def mains(rng, length):
    hz, amplitude = int(rng.choice([50, 60])), rng.uniform(0.005, 0.03)
    return amplitude * np.sin(2 * np.pi * hz * np.arange(length) / ECG_RATE + rng.uniform(0, 2 * np.pi)), hz


def artefacts(rng, length):
    """Muscle bursts (20..150 Hz noise under a Hann envelope) and motion artefacts (large slow
    excursions): the summed signal and the list of them."""
    out, listed = np.zeros(length), []
    band = butter(4, [20, 150], btype="bandpass", fs=ECG_RATE, output="sos")
    seconds = length / ECG_RATE
    for kind, count in (("muscle", max(1, rng.poisson(seconds / 30))), ("motion", max(1, rng.poisson(seconds / 60)))):
        for _ in range(count):
            width = int(rng.uniform(*((0.5, 2.5) if kind == "muscle" else (0.2, 0.8))) * ECG_RATE)
            start = int(rng.integers(0, max(1, length - width)))
            if kind == "muscle":
                burst = sosfiltfilt(band, rng.normal(size=width))
                amplitude = rng.uniform(0.03, 0.12)
                piece = amplitude * np.hanning(width) * burst / burst.std()
            else:
                amplitude = rng.uniform(0.8, 2.5) * rng.choice([-1.0, 1.0])
                piece = amplitude * np.hanning(width)
            out[start:start + width] += piece[:length - start]
            listed.append({"kind": kind, "start": start, "end": min(length, start + width),
                           "amplitude_mV": round(float(amplitude), 4)})
    return out, sorted(listed, key=lambda a: a["start"])


def losses(rng, length):
    """One or two signal-loss stretches of 1..4 s, apart, after the first 5 s, as [start, end) samples."""
    stretches = []
    for _ in range(int(rng.integers(1, 3))):
        width = int(rng.uniform(1.0, 4.0) * ECG_RATE)
        start = int(rng.integers(min(5 * ECG_RATE, length - width), length - width))
        if all(start >= end + ECG_RATE or start + width + ECG_RATE <= begin for begin, end in stretches):
            stretches.append((start, start + width))
    return sorted(stretches)


def make_ecg(seconds, noise, seed, extras=True):
    """An ECG-like recording as a dict (series, positions, shapes, left_out, meta); `extras=False` leaves
    out the wander, hum, muscle bursts, motion artefacts and signal loss (the beats stay the same)."""
    if seconds < 10 or noise < 0:
        raise ValueError(f"an ECG-like recording needs at least 10 s and a noise level of at least 0 "
                         f"(got {seconds:g} s, {noise:g})")
    beat_rng, shape_rng, wander_rng, artefact_rng, noise_rng = streams(seed, 5)
    length = int(seconds * ECG_RATE)
    times, shapes, resp_hz = beat_times(beat_rng, seconds)
    series, positions = cardiac_signal(shape_rng, times, shapes, resp_hz, length)
    qrs_height = float(np.mean(series[positions]))
    hum, hz = mains(wander_rng, length)
    baseline = wander(wander_rng, length, resp_hz)
    artefact_signal, artefact_list = artefacts(artefact_rng, length)
    stretches = losses(artefact_rng, length)
    series = series + noise_rng.normal(0, noise * qrs_height, length)
    if extras:
        series += baseline + hum + artefact_signal
        for start, end in stretches:
            series[start:end] = series[start - 1] if start else 0.0
    else:
        artefact_list, stretches = [], []
    reach = QRS_HALF_WIDTH * ECG_RATE
    lost = np.zeros(len(positions), dtype=bool)
    for start, end in stretches:
        lost |= (positions >= start - reach) & (positions < end + reach)
    meta = {"kind": "ecg", "rate": ECG_RATE, "units": "mV", "noise": noise, "noise_sd_mV": noise * qrs_height,
            "qrs_height_mV": qrs_height,
            "qrs_height_is": "the mean height of the R peaks above the isoelectric line (no wander)",
            "shapes": {"1": "normal beat", "2": "premature ventricular beat", "3": "fusion beat"},
            "position_is": "the R peak's sample", "mains_hz": hz,
            "signal_loss": [{"start": s, "end": e} for s, e in stretches], "artefacts": artefact_list,
            "left_out": [{"position": int(p), "shape": int(s), "why": "QRS inside a signal loss"}
                         for p, s in zip(positions[lost], shapes[lost])]}
    return {"series": series, "positions": positions[~lost], "shapes": shapes[~lost], "meta": meta}


def unit_waveforms(rng, count):
    """Per unit a waveform function of time in ms (trough -1 at 0): narrow to wide, biphasic or triphasic."""
    units = []
    for k, (narrow, wide) in enumerate(((0.06, 0.08), (0.10, 0.13), (0.15, 0.19))[:count]):
        width = rng.uniform(narrow, wide)
        waves = [(-1.0, 0.0, width), (rng.uniform(0.2, 0.6), rng.uniform(0.3, 0.5) + width, rng.uniform(0.15, 0.3))]
        if k == 1 or rng.random() < 0.3:
            waves.append((rng.uniform(0.1, 0.3), -rng.uniform(0.15, 0.25) - width, rng.uniform(0.05, 0.08)))
        grid = np.linspace(-0.5, 1.5, 2001)
        units.append({"waves": waves, "depth": -float(np.min(gaussians(grid, waves))), "trough_ms": width,
                      "form": "triphasic" if len(waves) == 3 else "biphasic"})
    return units


def unit_trains(rng, rates, seconds):
    """Spike times (ms) per unit: refractory Poisson trains, kept whole inside the recording."""
    margin = 2.0
    trains = []
    for rate in rates:
        mean_gap = 1000.0 / rate - REFRACTORY_MS
        gaps = REFRACTORY_MS + rng.exponential(mean_gap, int(rate * seconds * 1.5) + 20)
        t = margin + np.cumsum(gaps)
        trains.append(t[t < seconds * 1000.0 - margin])
    return trains


def coincident(times, units):
    """Which spikes lie within NEAR_MS of another unit's spike (times sorted)."""
    near = np.zeros(len(times), dtype=bool)
    for step in range(1, 8):
        close = (times[step:] - times[:-step] <= NEAR_MS) & (units[step:] != units[:-step])
        near[step:] |= close
        near[:-step] |= close
    return near


def separate_then_pair(rng, trains, seconds):
    """Drops spikes within APART_MS of an earlier unit's spike, then adds spikes 0.1..0.95 ms from a
    spike of another unit (keeping every refractory period) until 10..15 % of spikes are coincident."""
    for k in range(1, len(trains)):
        others = np.sort(np.concatenate(trains[:k]))
        at = np.clip(np.searchsorted(others, trains[k]), 1, len(others) - 1)
        gap = np.minimum(np.abs(trains[k] - others[at - 1]), np.abs(trains[k] - others[at]))
        trains[k] = trains[k][gap > APART_MS]
    target, paired = rng.uniform(0.11, 0.14), 0
    total = sum(len(t) for t in trains)
    for _ in range(100 * total):
        if paired >= target * total:
            break
        anchor_unit = int(rng.integers(len(trains)))
        anchor = trains[anchor_unit][rng.integers(len(trains[anchor_unit]))]
        unit = (anchor_unit + int(rng.integers(1, len(trains)))) % len(trains)
        t = anchor + rng.choice([-1.0, 1.0]) * rng.uniform(0.1, NEAR_MS)
        everyone = np.concatenate(trains)
        others = np.abs(everyone - t)
        own = np.abs(trains[unit] - t)
        if np.min(own) > REFRACTORY_MS + 0.1 and np.sum(others <= APART_MS) == 1 and \
                np.sum(np.abs(everyone - anchor) <= APART_MS) == 1 and 2.0 < t < seconds * 1000.0 - 2.0:
            trains[unit] = np.sort(np.append(trains[unit], t))
            paired, total = paired + 2, total + 1
    return trains


def drift(rng, t_ms, seconds):
    """A slow gain x0.5..1.5 through the recording: four knots joined by cosine steps."""
    knots = rng.uniform(0.5, 1.5, 4)
    place = np.clip(t_ms / (seconds * 1000.0) * 3, 0, 2.999999)
    i = place.astype(int)
    step = 0.5 - 0.5 * np.cos(np.pi * (place - i))
    return knots[i] + (knots[i + 1] - knots[i]) * step


def make_spikes(seconds, noise, seed):
    """A spike-like recording as a dict (series, positions, shapes, left_out, meta)."""
    if seconds < 1 or noise < 0:
        raise ValueError(f"a spike-like recording needs at least 1 s and a noise level of at least 0 "
                         f"(got {seconds:g} s, {noise:g})")
    unit_rng, train_rng, amplitude_rng, noise_rng = streams(seed, 4)
    count = int(unit_rng.integers(2, 4))
    units = unit_waveforms(unit_rng, count)
    rates = unit_rng.uniform(5, 40, count)
    peaks = unit_rng.uniform(80, 200) * np.concatenate([[1.0], unit_rng.uniform(0.45, 0.85, count - 1)])
    trains = separate_then_pair(train_rng, unit_trains(train_rng, rates, seconds), seconds)
    length = int(seconds * SPIKE_RATE)
    series, positions, shapes, troughs = np.zeros(length), [], [], []
    offsets = np.arange(SPIKE_EXTENT[0], SPIKE_EXTENT[1])
    for k, (unit, train) in enumerate(zip(units, trains)):
        exact = train * SPIKE_RATE / 1000.0
        base = np.floor(exact).astype(np.int64)
        amplitude = peaks[k] * drift(amplitude_rng, train, seconds) * (1 + 0.05 * amplitude_rng.normal(size=len(train)))
        times = (offsets[None, :] - (exact - base)[:, None]) / (SPIKE_RATE / 1000.0)
        waves = amplitude[:, None] * gaussians(times, unit["waves"]) / unit["depth"]
        keep = (base + SPIKE_EXTENT[0] >= 0) & (base + SPIKE_EXTENT[1] <= length)
        np.add.at(series, base[keep, None] + offsets, waves[keep])
        positions.append(base[keep] + offsets[np.argmin(waves[keep], axis=1)])
        shapes.append(np.full(keep.sum(), k + 1))
        troughs.append(-np.min(waves[keep], axis=1))
    order = np.argsort(np.concatenate(positions), kind="stable")
    positions, shapes = np.concatenate(positions)[order], np.concatenate(shapes)[order]
    mean_troughs = [float(np.mean(t)) for t in troughs]
    sd = noise * max(mean_troughs)
    rho = 0.7
    white = noise_rng.normal(0, sd * np.sqrt(1 - rho * rho), length)
    series += lfilter([1.0], [1.0, -rho], white, zi=[rho * noise_rng.normal(0, sd)])[0]
    meta = {"kind": "spikes", "rate": SPIKE_RATE, "units": "µV", "noise": noise, "noise_sd_uV": sd,
            "noise_model": f"AR(1), rho {rho}", "largest_unit": int(np.argmax(mean_troughs)) + 1,
            "shapes": {str(k + 1): f"unit {k + 1}: {u['form']}, trough sigma {u['trough_ms']:.3f} ms, mean trough "
                       f"{mean_troughs[k]:.1f} µV, {rates[k]:.1f} Hz" for k, u in enumerate(units)},
            "position_is": "the spike's trough sample", "refractory_ms": REFRACTORY_MS,
            "coincident_share": float(np.mean(coincident(positions / (SPIKE_RATE / 1000.0), shapes))),
            "signal_loss": [], "artefacts": [], "left_out": []}
    return {"series": series, "positions": positions, "shapes": shapes, "meta": meta}


def replace_with(name, write):
    """Writes through `write(file)` into a temporary file beside `name`, then puts it in place."""
    folder = os.path.dirname(os.path.abspath(name))
    handle, temporary = tempfile.mkstemp(dir=folder, prefix=".partial-")
    try:
        with os.fdopen(handle, "wb") as file:
            write(file)
            file.flush()
            os.fsync(file.fileno())
        os.replace(temporary, name)
    except BaseException:
        os.unlink(temporary)
        raise


def write_realistic(recording, prefix):
    """Writes PREFIX.npy, PREFIX_truth.csv and PREFIX_meta.json; returns their names."""
    names = {"series": f"{prefix}.npy", "truth": f"{prefix}_truth.csv", "meta": f"{prefix}_meta.json"}
    truth = "".join(f"{p},{s}\n" for p, s in zip(recording["positions"], recording["shapes"]))
    replace_with(names["series"], lambda f: np.save(f, recording["series"].astype(np.float64)))
    replace_with(names["truth"], lambda f: f.write(truth.encode()))
    meta = json.dumps(recording["meta"], indent=1, ensure_ascii=False) + "\n"
    replace_with(names["meta"], lambda f: f.write(meta.encode()))
    return names


def read_truth(name):
    """Positions and shapes from a PREFIX_truth.csv."""
    table = np.loadtxt(name, delimiter=",", ndmin=2, dtype=np.int64).reshape(-1, 2)
    return table[:, 0], table[:, 1]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--kind", required=True, choices=("ecg", "spikes"))
    parser.add_argument("--noise", type=float, required=True,
                        help="noise standard deviation as a fraction of the mean QRS height (ecg) or of the "
                             "largest unit's mean trough (spikes)")
    parser.add_argument("--seed", type=int, default=1, help="random seed (default 1)")
    parser.add_argument("--seconds", type=float, help="duration (default 300 for ecg, 20 for spikes)")
    parser.add_argument("--out", required=True, help="output prefix")
    args = parser.parse_args()
    seconds = args.seconds if args.seconds is not None else (300.0 if args.kind == "ecg" else 20.0)
    if not np.isfinite(seconds) or not np.isfinite(args.noise) or seconds > 36000:
        parser.error(f"--seconds {seconds:g} / --noise {args.noise:g}: finite, and at most 36000 s")
    try:
        make = make_ecg if args.kind == "ecg" else make_spikes
        recording = make(seconds, args.noise, args.seed)
    except ValueError as error:
        parser.error(f"--seconds/--noise: {error}")
    try:
        names = write_realistic(recording, args.out)
    except OSError as error:
        parser.exit(1, f"make_realistic.py: --out {args.out}: cannot write: {error.strerror}\n")
    meta = recording["meta"]
    print(f"{names['series']}: {len(recording['series'])} samples at {meta['rate']} Hz, "
          f"{len(recording['positions'])} pulses in {names['truth']} ({len(meta['left_out'])} left out), "
          f"meta {names['meta']}")


if __name__ == "__main__":
    main()
