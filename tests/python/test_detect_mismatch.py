"""detect with the automatic cost where the recording is not the model: beats that vary from the
etalon, etalons averaged from the data, a drifting baseline as tall as the tallest pulse, white and
coloured noise up to a third of the pulse height. Nothing is tuned: every case runs the recipe (the
etalons cut from the data, gain-trend, penalty 'auto'), and the ECG-like recordings of
tools/make_realistic.py are scale-free: the series times 0.3 or 3 gives the same beats."""
import os
import sys
import unittest

import numpy as np

import tessaline

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import make_realistic  # noqa: E402

RATE, BEFORE, AFTER, TMIN = 360, 36, 54, 108
FIT = "gain-trend"  # the recipe for a recording whose baseline wanders


def beat(rng, variation):
    """A QRS-like beat of 90 samples, R at sample 36, whose waves vary by up to `variation` in size and
    width, with a T wave."""
    t = np.arange(BEFORE + AFTER, dtype=float)
    vary = lambda: 1.0 + rng.uniform(-variation, variation)  # noqa: E731
    waves = [(-0.15, 30, 2.0), (1.0, 36, 2.5), (-0.25, 41, 2.0), (0.35, 75, 8.0)]
    return sum(a * vary() * np.exp(-0.5 * ((t - c) / (w * vary())) ** 2) for a, c, w in waves)


def recording(seed, noise, variation=0.2, drift=1.0, coloured=False):
    """Beats 0.6..1.0 s apart on a baseline wave of `drift` times the R height, in noise of `noise`
    times it (white, or AR(1) with 0.7 when coloured); the R positions."""
    rng = np.random.default_rng(seed)
    starts = np.cumsum(rng.integers(int(0.6 * RATE), int(1.0 * RATE), 120)) + 100
    x = np.zeros(starts[-1] + 400)
    for s in starts:
        x[s:s + BEFORE + AFTER] += beat(rng, variation)
    t = np.arange(len(x))
    x += drift * np.sin(2 * np.pi * t / (4.0 * RATE)) + 0.5 * drift * np.sin(2 * np.pi * t / (11.0 * RATE))
    white = rng.normal(0.0, noise, len(x))
    if coloured:
        white *= np.sqrt(1 - 0.7 ** 2)
        for i in range(1, len(white)):
            white[i] += 0.7 * white[i - 1]
    return x + white, starts + BEFORE


def averaged_etalon(x, peaks, count=8):
    return np.mean([x[p - BEFORE:p + AFTER] for p in peaks[:count]], axis=0)


def detected(x, etalons, scale=1000.0):
    return tessaline.detect(x, etalons, TMIN, scale=scale, fit=FIT, penalty="auto")


class MismatchTest(unittest.TestCase):
    def f1(self, found, peaks):
        return tessaline.evaluate(found, peaks, 54, offset=BEFORE)["f1"]

    def test_beats_unlike_their_etalon_in_drift_and_noise_are_all_found(self):
        cases = [  # name, noise, variation, drift, coloured, the F1 at least
            ("varied by 20 %, drift as tall as R, noise 1/10", 0.1, 0.2, 1.0, False, 0.99),
            ("noise 1/3", 0.33, 0.2, 1.0, False, 0.93),
            ("coloured noise 1/10", 0.1, 0.2, 1.0, True, 0.98),
            ("coloured noise 1/5", 0.2, 0.2, 1.0, True, 0.9),
            ("no drift, no variation, noise 1/10", 0.1, 0.0, 0.0, False, 0.99),
        ]
        for seed, (name, noise, variation, drift, coloured, least) in enumerate(cases, 40):
            x, peaks = recording(seed, noise, variation, drift, coloured)
            with self.subTest(name):
                found = detected(x, [averaged_etalon(x, peaks)])
                self.assertGreaterEqual(self.f1(found, peaks), least)
                self.assertGreater(found["noise"], 0.0)

    def test_one_beat_cut_as_the_etalon_finds_the_beats_of_a_clean_recording(self):
        x, peaks = recording(50, 0.02)
        found = detected(x, [x[peaks[3] - BEFORE:peaks[3] + AFTER]])
        self.assertGreaterEqual(self.f1(found, peaks), 0.99)
        self.assertEqual(found["warnings"], [])

    def test_the_series_times_three_tenths_or_three_gives_the_same_beats(self):
        ecg = make_realistic.make_ecg(60, 0.1, 17)
        x, peaks, shapes = ecg["series"], ecg["positions"], ecg["shapes"]
        etalons = [averaged_etalon(x, peaks[shapes == shape], 4) for shape in (1, 2)]
        scale = 9000.0 / np.max(np.abs(x))
        results = [tessaline.detect(x * factor, etalons, TMIN, scale=scale, fit=FIT, penalty="auto",
                                    gain=(0.1, 10.0)) for factor in (1.0, 0.3, 3.0)]
        beats = [set(r["positions"][[p in tessaline.evaluate(r["positions"], peaks, 54, offset=BEFORE)["pairs"][:, 1]
                                     for p in range(len(r["positions"]))]]) for r in results]
        self.assertGreaterEqual(len(beats[0]), 0.98 * len(peaks))
        for factor, result, found in zip((0.3, 3.0), results[1:], beats[1:]):
            with self.subTest(factor=factor):
                # The same beats, but for a sample's shift where the rounding of the samples tips one.
                self.assertEqual(len(found), len(beats[0]))
                self.assertLessEqual(np.max(np.abs(np.sort(list(found)) - np.sort(list(beats[0])))), 1)
                self.assertAlmostEqual(result["noise"] / results[0]["noise"], factor, delta=0.05 * factor)

    def test_noise_alone_and_a_flat_line_hold_no_pulse(self):
        rng = np.random.default_rng(5)
        x, peaks = recording(60, 0.1)
        etalon = averaged_etalon(x, peaks)
        for name, series in (("white noise", rng.normal(0, 0.1, 20000)),
                             ("coloured noise", np.convolve(rng.normal(0, 0.1, 20000), np.ones(8) / 8, "same")),
                             ("a flat line with one-sample artefacts", np.where(np.arange(20000) % 997 == 0, 1.0, 0.0))):
            with self.subTest(name):
                found = detected(series, [etalon])
                self.assertEqual(len(found["positions"]), 0)
                self.assertEqual(found["count_range"][0], 0)

    def test_warnings_say_when_the_etalon_is_not_the_pulses_shape(self):
        x, peaks = recording(70, 0.01, 0.0, 0.0)
        t = np.arange(BEFORE + AFTER)
        for name, etalon, said in (("a bump for a beat", np.exp(-0.5 * ((t - BEFORE) / 3.0) ** 2),
                                    "the found pulses differ from their etalons"),
                                   ("the beat itself", averaged_etalon(x, peaks), None)):
            with self.subTest(name):
                warnings = detected(x, [etalon])["warnings"]
                self.assertEqual(len(warnings), 0 if said is None else 1, warnings)
                if said:
                    self.assertIn(said, warnings[0])

    def test_a_real_ecg_gives_its_three_beats(self):
        """The short real ECG of Debian's python3-pywt (360 Hz), one beat cut as the etalon: its three
        R peaks, counted by eye near samples 190, 518 and 847, are found."""
        try:
            import pywt.data
        except ImportError:
            self.skipTest("python3-pywt is not installed")
        x = pywt.data.ecg().astype(float)
        peak = 190
        found = detected(x, [x[peak - BEFORE:peak + AFTER]], scale=20000.0 / np.max(np.abs(x)))
        np.testing.assert_allclose(found["positions"] + BEFORE, [190, 518, 847], atol=2)


if __name__ == "__main__":
    unittest.main()
