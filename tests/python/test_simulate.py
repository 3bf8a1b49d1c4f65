"""tessaline.simulate against the command line: the same settings give the same matrices and
spreads, the arrays keep their shapes, keywords are checked by name, the help lists them all, and
Ctrl-C stops a run."""
import json
import os
import re
import signal
import subprocess
import sys
import time
import unittest

import numpy as np

import tessaline

CLI = os.environ["TESSALINE_CLI"]

# Keywords as the command line spells them.
SETTINGS = [
    dict(series_type=4, required=[5, 1, 2, 1], pulses_from=8, pulses_to=10, noise_from=40, noise_steps=3,
         noise_incr=40, repeats=4, threads=2),
    dict(task="joint", series_type=2, required=[1, 2, 3], pulses_from=6, pulses_to=8, noise_steps=3,
         noise_incr=60, repeats=6, seed=11),
    dict(task="recognition", series_type=40, tuples=[[1, 2], [3, 4], [5]], chosen=2, pulses_to=9,
         noise_steps=2, noise_incr=40, repeats=6),
    dict(series_type=36, task="detection", subset=[1, 3], employment=3, init_position=2, pulses_to=9,
         noise_steps=2, noise_incr=40, repeats=4),
    dict(task="recognition", series_type=8, required=[2, 5], lost=50, length=600, tmin=30, tmax=100,
         noise_steps=2, noise_incr=50, repeats=5),
]


def words_of(settings):
    words = []
    for name, value in settings.items():
        if isinstance(value, list):
            value = ";".join(",".join(map(str, v)) for v in value) if isinstance(value[0], list) \
                else ",".join(map(str, value))
        words += ["--" + name.replace("_", "-"), str(value)]
    return words


def command_json(settings):
    done = subprocess.run([CLI, "simulate", "--json", *words_of(settings)], capture_output=True, text=True,
                          check=True)
    return json.loads(done.stdout)


def detect_keywords(signature):
    """The parameters of a signature line as "name" or "name=default", split at the commas outside
    brackets."""
    inside, depth, part, parts = signature[signature.index("(") + 1:signature.rindex(") ->")], 0, "", []
    for char in inside + ",":
        depth += 1 if char in "([" else -1 if char in ")]" else 0
        if char == "," and depth == 0:
            parts.append(part.strip())
            part = ""
        else:
            part += char
    return [re.sub(r":[^=]*(= )?", "=", p).rstrip("=").replace("= ", "=") for p in parts]


class SimulateTest(unittest.TestCase):
    def test_results_are_the_command_lines(self):
        for settings in SETTINGS:
            with self.subTest(settings=settings):
                expected, result = command_json(settings), tessaline.simulate(**settings)
                pairs = [("errors", "lpErrors"), ("detection_errors", "lpDetectionErrors"),
                         ("recognition_errors", "lpRecognitionErrors"), ("restored_sd", "lpErrorsSd"),
                         ("detection_sd", "lpDetectionErrorsSd"), ("recognition_sd", "lpRecognitionErrorsSd")]
                for key, name in pairs:
                    np.testing.assert_array_equal(result[key], np.array(expected[name]), err_msg=key)
                shown = expected["displayed"]
                for measure in ("restored", "detection", "recognition"):
                    np.testing.assert_array_equal(result[measure], shown["componentwise"][measure])
                    np.testing.assert_array_equal(result[measure + "_aggregate"], shown["aggregate"][measure])
                    np.testing.assert_array_equal(result[measure + "_aggregate_sd"], shown["aggregateSd"][measure])
                np.testing.assert_array_equal(result["pulse_counts"], expected["wPulseValues"])
                self.assertEqual(result["task_type"], expected["wTaskType"])
                self.assertEqual(result["seed"], settings.get("seed"))

    def test_arrays_keep_their_shapes_for_one_level_or_one_count(self):
        result = tessaline.simulate(pulses_from=7, pulses_to=7, noise_steps=1, repeats=2, measure="detection",
                                    view="aggregate")
        for key in ("errors", "restored", "recognition_sd"):
            self.assertEqual(result[key].shape, (1, 1), key)
        for key in ("noise_levels", "pulse_counts", "p1", "detection_aggregate_sd"):
            self.assertEqual(result[key].shape, (1,), key)
        self.assertEqual(result["statistics_view"], 3)
        self.assertEqual(result["errors"].dtype, np.int64)

    def test_keywords_are_checked_by_name(self):
        array = np.arange(100000)
        cases = [(dict(bogus=1), TypeError, "unexpected keyword argument 'bogus'"),
                 (dict(repeats="many"), TypeError, "repeats: expected a whole number, not str"),
                 (dict(repeats=array), TypeError, "repeats: expected a whole number, not ndarray"),
                 (dict(repeats=2.0), TypeError, "repeats: expected a whole number, not float"),
                 (dict(repeats=10**30), ValueError, "repeats: the number is out of range"),
                 (dict(repeats=0), ValueError, "repeats 0: a simulation needs at least one repeat"),
                 (dict(pulses_from=1), ValueError, "pulses_from 1 is below 6"),
                 (dict(pulses_to=31), ValueError, "pulses_to 31 is above 30"),
                 (dict(required=[1, 21]), ValueError, "required: etalon 21 is not in 1..20"),
                 (dict(required=array), ValueError, "required: more than 1000 entries"),
                 (dict(required="1,2"), TypeError, "required: expected a list of etalon numbers, not str"),
                 (dict(tuples=[[1, [2]]]), TypeError, "tuples: expected a whole number, not list"),
                 (dict(task="guess"), ValueError, "task: expected one of 'detection', 'recognition'"),
                 (dict(series_type=40), ValueError, "give the tuple with subset"),
                 (dict(series_type=1, lost=10), ValueError, "lost applies to the cut-off series types"),
                 (dict(measure="recognition"), ValueError, "measure: the recognition error is offered"),
                 (dict(noise_from=10000, noise_steps=3, noise_incr=500), ValueError, "last noise level 11000"),
                 (dict(threads=0), ValueError, "threads 0 is not in 1..1024"),
                 (dict(seed=-1), ValueError, "seed: expected a whole number 0..18446744073709551615")]
        for settings, error, said in cases:
            with self.subTest(settings=list(settings)), self.assertRaises(error) as raised:
                tessaline.simulate(**settings)
            self.assertIn(said, str(raised.exception))
            self.assertLess(len(str(raised.exception)), 200)  # no dump of what was passed

    def test_lists_holding_themselves_end_with_an_error(self):
        holding = []
        holding.append(holding)
        deep = [1]
        for _ in range(200000):
            deep = [deep]
        for name, value in (("required", holding), ("tuples", deep), ("subset", holding)):
            with self.subTest(name), self.assertRaisesRegex(TypeError, name + ": expected a whole number"):
                tessaline.simulate(**{name: value})

    def test_seeds_change_the_matrices_and_keep_them_across_threads(self):
        grid = dict(task="joint", series_type=2, required=[1, 2, 3], pulses_to=7, noise_steps=2, noise_incr=90,
                    repeats=4)
        one = tessaline.simulate(seed=1, threads=1, **grid)
        np.testing.assert_array_equal(one["errors"], tessaline.simulate(seed=1, threads=3, **grid)["errors"])
        self.assertFalse(np.array_equal(one["errors"], tessaline.simulate(seed=2, **grid)["errors"]))

    def test_help_lists_every_keyword_with_its_default(self):
        simulate, detect = tessaline.simulate.__doc__, tessaline.detect.__doc__
        for keyword in ("series_type=8", "task=None", "required=None", "tmin=40", "tmax=181", "length=1200",
                        "lost=None", "employment=4", "init_position=1", "proceeding=1", "subset=None",
                        "tuples=None", "chosen=None", "pulses_from=None", "pulses_to=None", "pulses_incr=1",
                        "noise_from=0", "noise_steps=29", "noise_incr=5", "repeats=100", "measure='restored'",
                        "view='componentwise'", "bounds=False", "upper_bound=None", "threads=None", "seed=None"):
            self.assertRegex(simulate, r"\n  " + re.escape(keyword) + ": ", keyword)
        for spelled in detect_keywords(detect.splitlines()[0]):
            self.assertRegex(detect, r"\n  " + re.escape(spelled) + ": ", spelled)

    def test_interrupt_stops_a_run(self):
        code = "import tessaline; print('running', flush=True); tessaline.simulate(repeats=65535)"
        child = subprocess.Popen([sys.executable, "-c", code], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                 text=True)
        self.assertEqual(child.stdout.readline().strip(), "running")
        time.sleep(0.3)
        child.send_signal(signal.SIGINT)
        _, said = child.communicate(timeout=60)
        self.assertIn("KeyboardInterrupt", said)


if __name__ == "__main__":
    unittest.main()
