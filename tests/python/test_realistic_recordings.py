"""The realistic recordings and their accuracy tool: a seed gives the same files, the truth is what the
series holds (R peaks, unit troughs), the rhythm and firing rules hold, signal loss keeps no truth, the
peers' fixed rules find the pulses of clean recordings, and the scoring and the detect settings are sound."""
import decimal
import os
import subprocess
import sys
import tempfile
import unittest

import numpy as np

TOOLS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools")
sys.path.insert(0, TOOLS)
import make_realistic as gen  # noqa: E402
import realistic_accuracy as acc  # noqa: E402

MAKERS = {"ecg": lambda noise, seed: gen.make_ecg(30.0, noise, seed),
          "spikes": lambda noise, seed: gen.make_spikes(3.0, noise, seed)}


class RecordingTest(unittest.TestCase):
    def test_a_seed_gives_the_same_files(self):
        for kind, noise in (("ecg", 0.1), ("spikes", 0.2)):
            with self.subTest(kind=kind), tempfile.TemporaryDirectory() as folder:
                first, again = (gen.write_realistic(MAKERS[kind](noise, 7), os.path.join(folder, name))
                                for name in ("a", "b"))
                for key in first:
                    with open(first[key], "rb") as one, open(again[key], "rb") as other:
                        self.assertEqual(one.read(), other.read(), key)
                other = MAKERS[kind](noise, 8)
                self.assertFalse(np.array_equal(np.load(first["series"])[:1000], other["series"][:1000]))
                positions, shapes = gen.read_truth(first["truth"])
                recording = MAKERS[kind](noise, 7)
                np.testing.assert_array_equal(positions, recording["positions"])
                np.testing.assert_array_equal(shapes, recording["shapes"])

    def test_r_peaks_are_the_largest_samples_of_their_beats(self):
        for seed in (1, 2, 3):
            clean = gen.make_ecg(60.0, 0.0, seed, extras=False)
            series, positions, shapes = clean["series"], clean["positions"], clean["shapes"]
            reach = round(0.1 * gen.ECG_RATE)
            with self.subTest(seed=seed):
                self.assertTrue({1, 2} <= set(shapes))
                windows = positions[:, None] + np.arange(-reach, reach + 1)
                np.testing.assert_array_equal(series[np.clip(windows, 0, len(series) - 1)].argmax(axis=1), reach)
                self.assertTrue(0.7 < clean["meta"]["qrs_height_mV"] < 1.3)
                noisy = gen.make_ecg(60.0, 0.1, seed)
                np.testing.assert_array_equal(noisy["positions"], positions[np.isin(positions, noisy["positions"])])

    def test_premature_beats_come_early_and_are_followed_by_a_compensatory_pause(self):
        for seed in (1, 2, 3, 4):
            times, shapes, _ = gen.beat_times(np.random.default_rng(seed), 300.0)
            share = np.mean(shapes == gen.PREMATURE)
            with self.subTest(seed=seed):
                self.assertTrue(0.03 < share < 0.18, share)
                rr = np.diff(times)
                self.assertTrue(np.all((rr > 0.25) & (rr <= 2.0)))
                for i in np.flatnonzero(shapes == gen.PREMATURE):
                    if 2 <= i < len(times) - 1 and shapes[i - 1] == shapes[i - 2] == gen.NORMAL:
                        before, after, sinus = times[i] - times[i - 1], times[i + 1] - times[i], rr[i - 2]
                        self.assertGreater(after, 1.3 * before)
                        self.assertLess(abs(before + after - 2 * sinus), 0.25 * sinus)

    def test_no_truth_inside_a_signal_loss_and_the_beats_there_listed(self):
        for seed in (1, 2, 3, 4, 5):
            recording = gen.make_ecg(60.0, 0.1, seed)
            series, positions, meta = recording["series"], recording["positions"], recording["meta"]
            with self.subTest(seed=seed):
                self.assertIn(len(meta["signal_loss"]), (1, 2))
                for stretch in meta["signal_loss"]:
                    start, end = stretch["start"], stretch["end"]
                    self.assertTrue(gen.ECG_RATE <= end - start <= 4 * gen.ECG_RATE)
                    self.assertEqual(np.ptp(series[start:end]), 0.0)
                    self.assertFalse(np.any((positions >= start) & (positions < end)))
                    inside = [b for b in meta["left_out"] if start - 18 <= b["position"] < end + 18]
                    self.assertGreaterEqual(len(inside), (end - start) // (gen.ECG_RATE))
                self.assertTrue(any(a["kind"] == "motion" for a in meta["artefacts"]))

    def test_spikes_are_unit_troughs_keep_refractory_and_coincide_in_share(self):
        for seed in (1, 2, 3, 4):
            recording = gen.make_spikes(20.0, 0.0, seed)
            series, positions, shapes = recording["series"], recording["positions"], recording["shapes"]
            with self.subTest(seed=seed):
                for unit in set(shapes):
                    self.assertGreaterEqual(np.diff(positions[shapes == unit]).min(), 2 * 24 - 1)
                near = gen.coincident(positions / 24.0, shapes)
                self.assertTrue(0.10 <= np.mean(near) <= 0.15, np.mean(near))
                gaps = np.diff(positions)
                alone = np.concatenate([[True], gaps > 48]) & np.concatenate([gaps > 48, [True]])
                windows = positions[alone, None] + np.arange(-8, 9)
                np.testing.assert_array_equal(series[windows].argmin(axis=1), 8)
                noisy = gen.make_spikes(20.0, 0.2, seed)
                self.assertAlmostEqual(np.std(noisy["series"] - series) / noisy["meta"]["noise_sd_uV"], 1.0, delta=0.1)

    def test_refusals(self):
        for args in (["--kind", "eeg", "--noise", "0.1"], ["--kind", "ecg", "--noise", "-1"],
                     ["--kind", "ecg", "--noise", "0.1", "--seconds", "5"],
                     ["--kind", "spikes", "--noise", "nan"]):
            with self.subTest(args=args), tempfile.TemporaryDirectory() as folder:
                done = subprocess.run([sys.executable, os.path.join(TOOLS, "make_realistic.py"), *args,
                                       "--out", os.path.join(folder, "r")], capture_output=True, text=True)
                self.assertEqual(done.returncode, 2, done.stderr)
                self.assertEqual(os.listdir(folder), [])
        done = subprocess.run([sys.executable, os.path.join(TOOLS, "make_realistic.py"), "--kind", "spikes",
                               "--noise", "0.1", "--seconds", "1", "--out", "/nonexistent/folder/r"],
                              capture_output=True, text=True)
        self.assertEqual(done.returncode, 1)
        self.assertIn("--out", done.stderr)


class AccuracyToolTest(unittest.TestCase):
    def test_the_peers_find_the_pulses_of_clean_recordings(self):
        cases = [("ecg", lambda seed: gen.make_ecg(30.0, 0.02, seed, extras=False)),
                 ("spikes", lambda seed: gen.make_spikes(3.0, 0.05, seed))]
        with tempfile.TemporaryDirectory() as folder:
            for kind, make in cases:
                k = acc.KINDS[kind]
                peer = acc.qrs_detector if kind == "ecg" else acc.mad_threshold
                for seed in (1, 2, 3):
                    recording = make(seed)
                    names = gen.write_realistic(recording, os.path.join(folder, "r"))
                    rows, shapes = acc.recipe_etalons(recording, kind, False)
                    runs = {"find_peaks": (acc.find_peaks_method(recording["series"], kind), 0),
                            "matched filter": (acc.matched_filter(recording["series"], kind, rows, shapes),
                                               k["before"]),
                            "peer": (peer(recording["series"], k["rate"]), 0)}
                    for name, ((positions, labels), offset) in runs.items():
                        found = os.path.join(folder, "found.json")
                        acc.write_found(found, positions, labels)
                        scores = acc.evaluate_here(names["truth"], found, k["tolerance"], offset)
                        with self.subTest(kind=kind, seed=seed, method=name):
                            self.assertGreaterEqual(scores["f1"], 0.95)

    def test_recipe_cuts_clear_examples_aligned_at_the_fiducial(self):
        recording = gen.make_ecg(60.0, 0.1, 3)
        meta = recording["meta"]
        rows, shapes = acc.recipe_etalons(recording, "ecg", True)
        self.assertEqual(shapes, [1, 2])
        self.assertEqual([len(row) for row in rows], [90, 90])
        for shape in shapes:
            for p in acc.clear_examples(recording, "ecg", shape):
                for zone in meta["artefacts"] + meta["signal_loss"]:
                    self.assertFalse(zone["start"] - gen.ECG_RATE <= p < zone["end"] + gen.ECG_RATE)
        self.assertEqual(int(np.argmax(rows[0])), 36)

    def test_scoring_on_hand_made_tables(self):
        cases = [  # truth, found starts and shapes, tolerance, offset: tp, fp, fn, agreement
            ([(100, 1), (200, 2), (300, 1)], [(95, 1), (150, 2), (196, 1)], 5, 5, (2, 1, 1, 0.5)),
            ([(10, 1), (13, 2)], [(12, 1), (15, 2)], 2, 0, (2, 0, 0, 1.0)),  # not 12 with 13, leaving 15 alone
            ([(400, 2), (100, 1)], [(399, 2), (101, 1), (250, 1)], 3, 0, (2, 1, 0, 1.0)),
            ([(100, 1)], [], 3, 0, (0, 0, 1, None)),
        ]
        with tempfile.TemporaryDirectory() as folder:
            truth, found = os.path.join(folder, "t.csv"), os.path.join(folder, "f.json")
            for rows, pulses, tolerance, offset, (tp, fp, fn, agreement) in cases:
                with self.subTest(rows=rows, pulses=pulses):
                    with open(truth, "w") as file:
                        file.writelines(f"{p},{s}\n" for p, s in rows)
                    acc.write_found(found, [p for p, _ in pulses], [s for _, s in pulses])
                    scores = acc.evaluate_here(truth, found, tolerance, offset)
                    self.assertEqual((scores["true_positives"], scores["false_positives"],
                                      scores["false_negatives"]), (tp, fp, fn))
                    self.assertAlmostEqual(scores["f1"], 2 * tp / (2 * tp + fp + fn))
                    self.assertEqual(scores["agreement"], agreement)

    def test_a_program_without_evaluate_is_not_taken_for_one(self):
        with tempfile.TemporaryDirectory() as folder:
            for help_text, has in (("Usage: cli [OPTIONS] SUBCOMMAND", False),
                                   ("Usage: cli evaluate --truth FILE --found FILE", True)):
                program = os.path.join(folder, f"cli{int(has)}")
                with open(program, "w") as file:
                    file.write(f"#!/bin/sh\necho '{help_text}'\nexit 0\n")
                os.chmod(program, 0o755)
                with self.subTest(has=has):
                    self.assertEqual(acc.evaluate_available(program), has)

    def test_a_refusing_detect_is_recorded_not_raised(self):
        with tempfile.TemporaryDirectory() as folder:
            program, series = os.path.join(folder, "cli"), os.path.join(folder, "x.npy")
            with open(program, "w") as file:
                file.write("#!/bin/sh\necho 'tessaline-cli: detect: --scale 0: above 0' >&2\nexit 2\n")
            os.chmod(program, 0o755)
            np.save(series, np.array([0.0, 1.0, -2.0]))
            positions, _, _, status = acc.run_detect(program, folder, series, [np.ones(36)], "spikes", "t")
            self.assertIsNone(positions)
            self.assertEqual(status, "exit 2: tessaline-cli: detect: --scale 0: above 0")

    def test_scale_is_rounded_down_to_three_digits(self):
        for peak, scale in ((4.123, "4850"), (250.0, "80"), (0.0523456, "382000"), (3.0, "6660"), (7e4, "0.285")):
            with self.subTest(peak=peak):
                self.assertEqual(acc.scale_for(np.array([0.0, -peak])), scale)
                self.assertLessEqual(decimal.Decimal(scale) * decimal.Decimal(peak), 20000)


if __name__ == "__main__":
    unittest.main()
