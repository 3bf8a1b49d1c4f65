"""tessaline.evaluate: the scores of tessaline-cli evaluate on the same pulses, truth as positions or
(position, shape) rows, refusals naming the argument; and the command's output that cannot be
written failing the run."""
import json
import os
import subprocess
import tempfile
import unittest

import numpy as np

import tessaline

CLI = os.environ["TESSALINE_CLI"]


def command_scores(folder, truth, found, *options):
    truth_file, found_file = os.path.join(folder, "truth.csv"), os.path.join(folder, "found.json")
    np.savetxt(truth_file, truth, fmt="%d", delimiter=",", header="position,shape", comments="")
    pulses = [{"position": int(p), "etalon": int(e)} for p, e in zip(found["positions"], found["etalons"])]
    with open(found_file, "w") as out:
        json.dump({"tmin": 40, "pulses": pulses}, out)
    done = subprocess.run([CLI, "evaluate", "--truth", truth_file, "--found", found_file, "--json", *options],
                          capture_output=True, text=True, check=True)
    return json.loads(done.stdout)


class EvaluateTest(unittest.TestCase):
    def test_same_scores_as_the_command(self):
        rng = np.random.default_rng(7)
        truth = np.column_stack([np.sort(rng.choice(100000, 300, replace=False)), rng.integers(1, 4, 300)])
        kept = rng.random(300) < 0.9
        found = {"positions": (truth[kept, 0] + rng.integers(-30, 31, kept.sum()) - 36).astype(np.int32),
                 "etalons": np.where(rng.random(kept.sum()) < 0.95, truth[kept, 1], 2).astype(np.int32)}
        found["positions"] = np.concatenate([found["positions"], rng.integers(0, 100000, 20).astype(np.int32)])
        found["etalons"] = np.concatenate([found["etalons"], np.full(20, 1, np.int32)])
        with tempfile.TemporaryDirectory() as folder:
            expected = command_scores(folder, truth, found, "--tolerance", "20", "--offset", "36")
        got = tessaline.evaluate(found, truth.astype(np.float64), 20, offset=36)
        self.assertEqual(list(got), list(expected))
        for key in ("tolerance", "offset", "true_positives", "false_positives", "false_negatives", "sensitivity",
                    "positive_predictivity", "f1", "agreement"):
            self.assertEqual(got[key], expected[key], key)
        self.assertEqual(got["truth"], {"pulses": 300})
        self.assertEqual(got["pairs"].dtype, np.int64)
        self.assertEqual(got["pairs"].tolist(), expected["pairs"])
        for key in ("shapes", "etalons", "counts"):
            self.assertEqual(got["confusion"][key].tolist(), expected["confusion"][key], key)
        self.assertGreater(got["true_positives"], 150)  # most of the kept pulses lie within the tolerance

    def test_positions_alone_and_empty_sides(self):
        got = tessaline.evaluate(np.array([9, 31]), [10, 20, 30], 1)
        self.assertEqual((got["true_positives"], got["false_positives"], got["false_negatives"]), (2, 0, 1))
        self.assertIsNone(got["agreement"])
        self.assertIsNone(got["confusion"])
        empty = tessaline.evaluate([], np.zeros((0, 2)), 0)
        self.assertEqual((empty["sensitivity"], empty["positive_predictivity"], empty["f1"]), (1.0, 1.0, 1.0))
        self.assertEqual(empty["pairs"].shape, (0, 2))

    def test_refusals_name_the_argument(self):
        cases = [(([1.5], [1], 1), "found: pulse 0: position 1.5"),
                 (({"etalons": [1]}, [1], 1), "found: a dict must have the key 'positions'"),
                 (({"positions": [1, 2], "etalons": [1]}, [[1, 1]], 1), "found: 1 shapes for 2 positions"),
                 (([1], [[1, 0]], 1), "truth: pulse 0: shape 0 is below 1"),
                 (([1], np.zeros((2, 3)), 1), "truth must be one-dimensional"),
                 (([1], ["a"], 1), "truth: positions must be whole numbers"),
                 (([2 ** 63], [1], 1), "found: pulse 0: position outside"),
                 (([1], [1], -1), "tolerance -1 is outside 0..2^62"),
                 (([1], [1], 0.5), "tolerance must be a whole number"),
                 (([1], [1], 1, "x"), "offset must be a whole number")]
        for arguments, said in cases:
            with self.assertRaises(ValueError, msg=said) as raised:
                tessaline.evaluate(*arguments)
            self.assertIn(said, str(raised.exception))

    def test_documentation_names_every_key(self):
        got = tessaline.evaluate([1], [1], 0)
        for key in got:
            self.assertIn(key, tessaline.evaluate.__doc__)

    def test_output_that_cannot_be_written_fails_the_command(self):
        with tempfile.TemporaryDirectory() as folder:
            truth, found = os.path.join(folder, "t.csv"), os.path.join(folder, "f.json")
            with open(truth, "w") as out:
                out.write("5\n")
            with open(found, "w") as out:
                out.write('{"pulses":[{"position":5}]}')
            with open("/dev/full", "w") as full:
                done = subprocess.run([CLI, "evaluate", "--truth", truth, "--found", found, "--tolerance", "0",
                                       "--json"], stdout=full, stderr=subprocess.PIPE, text=True)
        self.assertEqual(done.returncode, 1)
        self.assertIn("cannot write standard output", done.stderr)


if __name__ == "__main__":
    unittest.main()
