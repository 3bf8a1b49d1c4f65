#!/usr/bin/env python3
"""A synthetic recording with ground truth: two pulse shapes in drifting, noisy data with artefacts.

Pulses of two shapes, a narrow spike (shape 1, 12 samples) and a wide biphasic pulse (shape 2,
40 samples, its positive lobe first), each scaled by its own amplitude drawn uniformly in
x0.4..1.6, follow one another at usual gaps of 60..160 samples between starts, with now and then a
pause of 400..2000 samples. A slowly drifting baseline (three slow sinusoids), gaussian noise of
the chosen standard deviation and occasional impulsive artefacts (1..3 samples of 1500..3000 units,
either sign) are added. The spike's peak is 1000 units and the biphasic pulse's lobes +-800, so
the series fits 16-bit samples whole and `tessaline-cli detect --scale 1` reads it as it is.

Writes PREFIX.npy (the series, float64), PREFIX_etalons.csv (both shapes at amplitude 1 in whole
units, one per row, each at its own length: 12 and 40 samples), PREFIX_truth.csv (position,shape,amplitude: each pulse's first sample, its shape number and its
amplitude) and PREFIX_artefacts.csv (position,width,amplitude). The same seed gives the same files.

    python3 tools/make_recording.py --length 30000 --noise 100 --seed 7 --out /tmp/rec
"""
import argparse

import numpy as np

ETALON_LENGTH = 40
LEAST_GAP, USUAL_GAP_MOST = 60, 160
PAUSE_LEAST, PAUSE_MOST, PAUSE_CHANCE = 400, 2000, 0.05
AMPLITUDE_LEAST, AMPLITUDE_MOST = 0.4, 1.6
ARTEFACT_EVERY, ARTEFACT_LEAST, ARTEFACT_MOST = 2500, 1500.0, 3000.0
DRIFT_DEFAULT = 400.0


def spike_shape():
    """A narrow spike of 12 samples: a quick rise to 1000 at sample 4 and a slower fall."""
    t = np.arange(12, dtype=float)
    width = np.where(t < 4, 1.2, 2.2)
    return 1000.0 * np.exp(-0.5 * ((t - 4) / width) ** 2)


def biphasic_shape():
    """A wide biphasic pulse of 40 samples: a positive lobe, then a negative one, peaks +-800."""
    u = (np.arange(ETALON_LENGTH, dtype=float) - 19.5) / 6.0
    wave = -u * np.exp(-0.5 * u * u)
    return 800.0 * wave / wave.max()


SHAPES = (spike_shape(), biphasic_shape())


def etalon_rows():
    """Both shapes as rows of the common length, the shorter padded with zeros after its end."""
    rows = np.zeros((len(SHAPES), ETALON_LENGTH))
    for row, shape in zip(rows, SHAPES):
        row[:len(shape)] = shape
    return rows


def pulse_starts(rng, length):
    """Starts from the gap rule: usual gaps with now and then a pause; every pulse lies whole."""
    starts = []
    at = int(rng.integers(0, USUAL_GAP_MOST))
    while at + ETALON_LENGTH <= length:
        starts.append(at)
        if rng.random() < PAUSE_CHANCE:
            at += int(rng.integers(PAUSE_LEAST, PAUSE_MOST + 1))
        else:
            at += int(rng.integers(LEAST_GAP, USUAL_GAP_MOST + 1))
    return np.array(starts, dtype=np.int64)


def drifting_baseline(rng, length, drift):
    """Three sinusoids of periods 3000..20000 samples whose amplitudes sum to `drift`."""
    t = np.arange(length, dtype=float)
    weights = rng.uniform(0.5, 1.0, 3)
    weights *= drift / weights.sum()
    periods = rng.uniform(3000.0, 20000.0, 3)
    phases = rng.uniform(0.0, 2 * np.pi, 3)
    return sum(w * np.sin(2 * np.pi * t / p + f) for w, p, f in zip(weights, periods, phases))


def artefacts(rng, length, every):
    """Short impulsive artefacts, about one per `every` samples (none for 0), anywhere in the series."""
    count = int(rng.poisson(length / every)) if every else 0
    positions = np.sort(rng.integers(0, max(1, length - 3), count))
    widths = rng.integers(1, 4, count)
    amplitudes = rng.uniform(ARTEFACT_LEAST, ARTEFACT_MOST, count) * rng.choice([-1.0, 1.0], count)
    return positions, widths, amplitudes


def make_recording(length, noise, seed, drift=DRIFT_DEFAULT, artefact_every=ARTEFACT_EVERY):
    """The recording as a dict: series, etalons (rows), truth positions, shapes (1 or 2) and
    amplitudes, artefact positions, widths and amplitudes."""
    if length < ETALON_LENGTH:
        raise ValueError(f"length {length} is below the etalon length {ETALON_LENGTH}")
    if noise < 0 or drift < 0 or artefact_every < 0:
        raise ValueError("noise, drift and the artefacts' spacing are at least 0")
    rng = np.random.default_rng(seed)
    positions = pulse_starts(rng, length)
    shapes = rng.integers(1, len(SHAPES) + 1, len(positions))
    amplitudes = rng.uniform(AMPLITUDE_LEAST, AMPLITUDE_MOST, len(positions))
    series = drifting_baseline(rng, length, drift)
    for at, shape, amplitude in zip(positions, shapes, amplitudes):
        pulse = SHAPES[shape - 1]
        series[at:at + len(pulse)] += amplitude * pulse
    series += rng.normal(0.0, noise, length)
    spikes = artefacts(rng, length, artefact_every)
    for at, width, amplitude in zip(*spikes):
        series[at:at + width] += amplitude
    return {"series": series, "etalons": etalon_rows(), "positions": positions, "shapes": shapes,
            "amplitudes": amplitudes, "artefacts": spikes}


def write_recording(recording, prefix):
    """Writes the four files; returns their names."""
    names = {k: f"{prefix}{suffix}" for k, suffix in
             (("series", ".npy"), ("etalons", "_etalons.csv"), ("truth", "_truth.csv"),
              ("artefacts", "_artefacts.csv"))}
    np.save(names["series"], recording["series"].astype(np.float64))
    with open(names["etalons"], "w") as file:  # each shape at its own length, one per row
        file.writelines(",".join(str(int(v)) for v in np.rint(shape)) + "\n" for shape in SHAPES)
    truth = np.column_stack([recording["positions"], recording["shapes"], recording["amplitudes"]])
    np.savetxt(names["truth"], truth, delimiter=",", fmt=["%d", "%d", "%.6f"],
               header="position,shape,amplitude", comments="")
    np.savetxt(names["artefacts"], np.column_stack(recording["artefacts"]), delimiter=",",
               fmt=["%d", "%d", "%.3f"], header="position,width,amplitude", comments="")
    return names


def read_truth(name):
    """Positions, shapes and amplitudes from a PREFIX_truth.csv."""
    table = np.loadtxt(name, delimiter=",", skiprows=1, ndmin=2)
    return table[:, 0].astype(np.int64), table[:, 1].astype(np.int64), table[:, 2]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--length", type=int, default=30000, help="samples (default 30000)")
    parser.add_argument("--noise", type=float, default=100.0,
                        help="standard deviation of the gaussian noise (default 100; the spike's peak is 1000)")
    parser.add_argument("--drift", type=float, default=DRIFT_DEFAULT,
                        help=f"greatest baseline excursion (default {DRIFT_DEFAULT:g})")
    parser.add_argument("--artefact-every", type=int, default=ARTEFACT_EVERY,
                        help=f"mean samples per artefact, 0 for none (default {ARTEFACT_EVERY})")
    parser.add_argument("--seed", type=int, default=1, help="random seed (default 1)")
    parser.add_argument("--out", default="recording", help="output prefix (default: recording)")
    args = parser.parse_args()
    try:
        recording = make_recording(args.length, args.noise, args.seed, args.drift, args.artefact_every)
    except ValueError as error:
        parser.error(str(error))
    names = write_recording(recording, args.out)
    print(f"{names['series']}: {args.length} samples, {len(recording['positions'])} pulses, "
          f"{len(recording['artefacts'][0])} artefacts; etalons {names['etalons']}, truth {names['truth']}; "
          f"least gap {LEAST_GAP}")


if __name__ == "__main__":
    main()
