"""The recording generator and the accuracy benchmark's scoring: a seed gives the same recording and
files, the ground truth is what the series holds and keeps the gap rule, matching pairs as many starts
as the tolerance allows, and the tuning's shortcut finds the peaks find_peaks finds."""
import os
import sys
import tempfile
import unittest

import numpy as np
from scipy.signal import find_peaks

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import detect_accuracy as acc  # noqa: E402
import make_recording as gen  # noqa: E402


class GeneratorTest(unittest.TestCase):
    def test_a_seed_gives_the_same_recording_and_files(self):
        first, again, other = (gen.make_recording(4000, 50.0, seed) for seed in (3, 3, 4))
        for key in ("series", "positions", "shapes", "amplitudes"):
            np.testing.assert_array_equal(first[key], again[key])
        self.assertFalse(np.array_equal(first["series"], other["series"]))
        with tempfile.TemporaryDirectory() as folder:
            names = gen.write_recording(first, os.path.join(folder, "r"))
            np.testing.assert_array_equal(np.load(names["series"]), first["series"])
            positions, shapes, amplitudes = gen.read_truth(names["truth"])
            np.testing.assert_array_equal(positions, first["positions"])
            np.testing.assert_array_equal(shapes, first["shapes"])
            np.testing.assert_allclose(amplitudes, first["amplitudes"], atol=1e-6)
            with open(names["etalons"]) as file:
                etalons = [np.array(line.split(","), dtype=float) for line in file]
            self.assertEqual([len(e) for e in etalons], [len(shape) for shape in gen.SHAPES])
            for etalon, row in zip(etalons, first["etalons"]):
                np.testing.assert_allclose(etalon, row[:len(etalon)], atol=0.5)

    def test_truth_keeps_the_gap_rule_and_is_what_the_series_holds(self):
        length = 20000
        recording = gen.make_recording(length, 0.0, 11, drift=0.0, artefact_every=0)
        positions, shapes, amplitudes = recording["positions"], recording["shapes"], recording["amplitudes"]
        gaps = np.diff(positions)
        usual = (gaps >= gen.LEAST_GAP) & (gaps <= gen.USUAL_GAP_MOST)
        pause = (gaps >= gen.PAUSE_LEAST) & (gaps <= gen.PAUSE_MOST)
        self.assertTrue(np.all(usual | pause))
        self.assertTrue(np.any(pause))
        self.assertLessEqual(positions[-1] + gen.ETALON_LENGTH, length)
        self.assertEqual(set(shapes), {1, 2})
        self.assertTrue(np.all((amplitudes >= gen.AMPLITUDE_LEAST) & (amplitudes <= gen.AMPLITUDE_MOST)))
        rebuilt = np.zeros(length)
        for at, shape, amplitude in zip(positions, shapes, amplitudes):
            rebuilt[at:at + gen.ETALON_LENGTH] += amplitude * recording["etalons"][shape - 1]
        np.testing.assert_allclose(recording["series"], rebuilt, atol=1e-9)

    def test_drift_and_artefacts_leave_the_pulses_where_they_are(self):
        plain = gen.make_recording(20000, 0.0, 11, drift=0.0, artefact_every=0)
        full = gen.make_recording(20000, 80.0, 11)
        np.testing.assert_array_equal(plain["positions"], full["positions"])
        np.testing.assert_array_equal(plain["shapes"], full["shapes"])
        self.assertGreater(len(full["artefacts"][0]), 0)
        self.assertLess(np.max(np.abs(full["series"])), 32767)

    def test_refused_settings(self):
        for length, noise, drift in [(10, 50.0, 0.0), (1000, -1.0, 0.0), (1000, 50.0, -5.0)]:
            with self.subTest(length=length, noise=noise, drift=drift), self.assertRaises(ValueError):
                gen.make_recording(length, noise, 1, drift=drift)


class ScoringTest(unittest.TestCase):
    def test_matching_and_f1_on_hand_made_tables(self):
        cases = [  # true starts, true shapes, found starts, found shapes, tolerance, matched, f1, recognition
            ([100, 200, 300, 400], [1, 2, 1, 2], [98, 204, 301, 302, 500], [1, 2, 2, 1, 1], 3, 2, 4 / 9, 0.5),
            ([10, 13], [1, 2], [12, 15], [1, 2], 2, 2, 1.0, 1.0),  # pairing 12 with 13 would leave 15 alone
            ([400, 100, 200], [2, 1, 1], [201, 99, 403], [1, 2, 2], 3, 3, 1.0, 2 / 3),  # unsorted
            ([100, 200], [1, 2], [104, 196], [1, 2], 3, 0, 0.0, None),
            ([100, 200], [1, 2], [], [], 3, 0, 0.0, None),
            ([], [], [], [], 3, 0, 1.0, None),
        ]
        for true, true_shapes, found, found_shapes, tolerance, matched, f1, recognition in cases:
            with self.subTest(true=true, found=found):
                scores = acc.measure(np.array(true), np.array(true_shapes), np.array(found),
                                     np.array(found_shapes), tolerance)
                self.assertEqual(scores["matched"], matched)
                self.assertAlmostEqual(scores["f1"], f1)
                if recognition is None:
                    self.assertIsNone(scores["recognition"])
                else:
                    self.assertAlmostEqual(scores["recognition"], recognition)
                self.assertIsNone(acc.measure(np.array(true), np.array(true_shapes), np.array(found), None,
                                              tolerance)["recognition"])

    def test_pairs_are_one_to_one_and_within_the_tolerance(self):
        rng = np.random.default_rng(5)
        true = np.sort(rng.choice(3000, 200, replace=False))
        found = np.concatenate([true[::2] + rng.integers(-4, 5, 100), rng.integers(0, 3000, 50)])
        pairs = acc.match(true, found, 3)
        self.assertEqual(len({i for i, _ in pairs}), len(pairs))
        self.assertEqual(len({j for _, j in pairs}), len(pairs))
        self.assertTrue(all(abs(true[i] - found[j]) <= 3 for i, j in pairs))

    def test_tuning_cuts_give_the_peaks_find_peaks_gives(self):
        signal = np.cumsum(np.random.default_rng(8).normal(size=3000))
        for distance in (1, 10, 40):
            peaks, _ = find_peaks(signal, distance=distance)
            for name, strength, keyword in (("prominence", acc.prominences, "prominence"),
                                            ("height", acc.heights, "height")):
                values = strength(signal, peaks)
                for threshold in np.quantile(values, [0.2, 0.6, 0.9]):
                    with self.subTest(distance=distance, cut=name, threshold=threshold):
                        direct, _ = find_peaks(signal, distance=distance, **{keyword: threshold})
                        np.testing.assert_array_equal(peaks[values >= threshold], direct)


if __name__ == "__main__":
    unittest.main()
