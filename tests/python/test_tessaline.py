"""The Python module against the command line: a series the workbench makes is found where the
workbench finds it, refused input raises ValueError, and detections run while other Python threads
run. The simulations are tested in test_simulate.py."""
import json
import os
import signal
import subprocess
import sys
import threading
import time
import unittest

import numpy as np

import tessaline

CLI = os.environ["TESSALINE_CLI"]


def command_json(*args):
    done = subprocess.run([CLI, *args], capture_output=True, text=True, check=True)
    return json.loads(done.stdout.strip().splitlines()[-1])


def python_child(code):
    """Runs `code` (numpy as np and tessaline imported) in a child interpreter of 2 GB of address
    space, so that a copy of a huge array fails at once instead of filling the machine."""
    prelude = ("import resource\nresource.setrlimit(resource.RLIMIT_AS, (2 * 10**9, 2 * 10**9))\n"
               "import numpy as np, tessaline\n")
    return subprocess.run([sys.executable, "-c", prelude + code], capture_output=True, text=True, timeout=60)


class DetectTest(unittest.TestCase):
    def test_workbench_series_is_found_where_the_workbench_finds_it(self):
        alphabet = [e["lpData"] for e in command_json("alphabet", "--json")["etalons"]]
        required = [3, 7, 12]
        for series_type, task, known in [("2", "joint", True), ("4", "joint", False), ("8", "recognition", False)]:
            with self.subTest(series_type=series_type, task=task):
                made = command_json("run", "--json", "--series-type", series_type, "--task", task,
                                    "--required", ",".join(map(str, required)))
                state, series = made["state"], made["series"]
                found = tessaline.detect(
                    np.array(series["lpNoisyData"], dtype=np.int16), np.array([alphabet[e - 1] for e in required]),
                    series["wTmin"], series["wTmax"], count=series["wImpulseQuantity"] if known else None,
                    task=task, energy=state["wProcessingEnergyLevel"])
                pulses = series["wFoundPulses"]
                self.assertGreater(pulses, 0)
                np.testing.assert_array_equal(found["positions"], series["lpFoundPositions"][:pulses])
                np.testing.assert_array_equal([required[e - 1] for e in found["etalons"]],
                                              series["lpFoundEtalonNumbers"][:pulses])
                np.testing.assert_array_equal(found["segments"][:, 0], series["lpFoundCutBegins"][:pulses])
                np.testing.assert_array_equal(found["segments"][:, 1], series["lpFoundCutEnds"][:pulses])

    def test_result_arrays_and_scale(self):
        etalon = np.array([3.0, 6.0, 3.0])
        series = np.zeros(30)
        series[[4, 14, 24]] = 0.5, 0.5, 0.5
        series[[5, 15, 25]] = 1.0, 1.0, 1.0
        series[[6, 16, 26]] = 0.5, 0.5, 0.5
        found = tessaline.detect(series, etalon / 6.0, 5, 12, scale=100.0, chains=3)
        np.testing.assert_array_equal(found["positions"], [4, 14, 24])
        self.assertEqual(found["positions"].dtype, np.int32)
        self.assertEqual(found["segments"].shape, (3, 2))
        np.testing.assert_array_equal(found["scores"], [50 * 50 + 100 * 100 + 50 * 50 - 2 * (2 * 50 * 50 + 100 * 100)] * 3)
        self.assertEqual(found["chain_distances"][0], found["chains"][0]["distance"])
        self.assertLessEqual(len(found["chains"]), 3)
        self.assertIsNone(found["recognized"])

    def test_refused_input_raises_value_error(self):
        series, etalons = np.zeros(100, dtype=np.int16), np.ones((2, 10), dtype=np.int16)
        cases = [
            (dict(tmin=0, tmax=20), "tmin 0 is not in 1..2147483647"),
            (dict(tmin=30, tmax=20), "tmin 30 is above tmax 20"),
            (dict(tmin=10, tmax=20, count=3, count_range=(1, 2)), "give count or count_range"),
            (dict(tmin=10, tmax=20, count=50), "count 50 admits no chain"),
            (dict(tmin=10, tmax=20, task="tuples-detection"), "needs its tuples"),
            (dict(tmin=10, tmax=20, task="tuples-detection", tuples=[[1], [2]]), "looks for one tuple"),
            (dict(tmin=10, tmax=20, task="tuples-recognition", tuples=[[1, 3]]), "names etalon 3"),
            (dict(tmin=10, tmax=20, task="sorting"), "task must be"),
            (dict(tmin=10, tmax=20, energy=101), "energy 101 is not in 0..100"),
            (dict(tmin=5, tmax=8), "longer than tmax 8"),
            (dict(series=np.arange(99000, 99100), tmin=10, tmax=20), "sample 0 is 99000"),
            (dict(series=np.where(np.arange(10000) == 9000, 40000, 0), tmin=10, tmax=20), "sample 9000 is 40000"),
            (dict(etalons=np.ones((1001, 10)), tmin=10, tmax=20), r"etalons: 1001 etalons \(rows\), at most \d+ taken"),
            (dict(series=np.zeros(100) + 0.5, tmin=10, tmax=20), "float array is taken only with scale"),
            (dict(series=np.zeros((10, 10)), tmin=10, tmax=20), "one-dimensional"),
            (dict(tmin=5, tmax=20), "tmin 5 is below the etalons' length 10: consecutive pulses would overlap"),
            (dict(etalons=[[1, 2], []], tmin=10, tmax=20), "etalon 2 has no samples"),
            (dict(series=[], tmin=10, tmax=20), "no samples"),
        ]
        for arguments, said in cases:
            with self.subTest(arguments=list(arguments)), self.assertRaisesRegex(ValueError, said):
                tessaline.detect(**{"series": series, "etalons": etalons, **arguments})

    def test_interrupt_stops_a_detection(self):
        # A known-count tuples recognition below full energy on a long series: many seconds of work.
        code = ("rng = np.random.default_rng(3)\n"
                "series, etalons = rng.integers(-1000, 1000, 32767), rng.integers(-1000, 1000, (20, 20))\n"
                "tuples = [[int(e) for e in rng.integers(1, 21, 3)] for _ in range(100)]\n"
                "print('running', flush=True)\n"
                "tessaline.detect(series, etalons, 20, 200, count=1000, task='tuples-recognition', "
                "tuples=tuples, energy=50)\n")
        child = subprocess.Popen([sys.executable, "-c", "import numpy as np, tessaline\n" + code],
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.assertEqual(child.stdout.readline().strip(), "running")
        time.sleep(0.5)
        child.send_signal(signal.SIGINT)
        try:
            _, said = child.communicate(timeout=2.5)
        except subprocess.TimeoutExpired:
            child.kill()
            child.communicate()
            self.fail("the detection went on for 2.5 s after Ctrl-C")
        self.assertIn("KeyboardInterrupt", said)

    def test_detections_run_while_other_threads_run_python(self):
        rng = np.random.default_rng(7)
        arguments = (rng.integers(-100, 100, 32767), rng.integers(-100, 100, (1000, 20)), 20, 200)
        start = time.perf_counter()
        alone = tessaline.detect(*arguments, task="recognition")
        seconds = time.perf_counter() - start
        results, started = [], threading.Event()

        def work():
            started.set()
            results.append(tessaline.detect(*arguments, task="recognition"))

        # This thread gets back to Python while the other one detects only if the detection lets go of
        # the interpreter; otherwise it waits for the whole detection.
        worker = threading.Thread(target=work)
        start = time.perf_counter()
        worker.start()
        started.wait()
        time.sleep(seconds / 4)
        waited = time.perf_counter() - start
        worker.join()
        self.assertLess(waited, seconds * 0.6)
        np.testing.assert_array_equal(results[0]["positions"], alone["positions"])
        self.assertEqual(results[0]["recognized"], alone["recognized"])


class HugeInputTest(unittest.TestCase):
    """Input that once crashed the interpreter (also with 2*10**8 samples in its 2 GB), each in a
    child process: it must end quickly with Python's error, not with a signal."""

    def test_huge_arrays_and_endless_lists_raise(self):
        etalons, zeros = "np.ones((2, 10), np.int16)", "np.broadcast_to(np.int16(0), {})"
        cases = [
            ("10**10 samples", f"tessaline.detect({zeros.format('(10**10,)')}, {etalons}, 10, 20)",
             r"ValueError: series: 10000000000 samples, at most \d+ taken"),
            ("2*10**8 samples", f"tessaline.detect({zeros.format('(2 * 10**8,)')}, {etalons}, 10, 20)",
             r"MemoryError: the processing could not get its working memory"),
            ("10**6 etalons of 10**6 samples",
             f"tessaline.detect(np.zeros(100, np.int16), {zeros.format('(10**6, 10**6)')}, 10, 20)",
             r"ValueError: etalons: 1000000 etalons \(rows\), at most \d+ taken"),
            ("2 etalons of 10**9 samples",
             f"tessaline.detect(np.zeros(100, np.int16), {zeros.format('(2, 10**9)')}, 10, 20)",
             r"ValueError: etalons: 1000000000 samples per etalon \(row\), at most \d+ taken"),
            ("one etalon of 10**9 samples",
             f"tessaline.detect(np.zeros(100, np.int16), {zeros.format('(10**9,)')}, 10, 20)",
             r"ValueError: etalon 1: 1000000000 samples, at most \d+ taken"),
        ]
        for name, code, said in cases:
            with self.subTest(name):
                start = time.perf_counter()
                done = python_child(code)
                self.assertEqual(done.returncode, 1, done.stderr)  # killed by a signal: negative
                self.assertRegex(done.stderr.strip().splitlines()[-1], said)
                self.assertLess(time.perf_counter() - start, 10)


if __name__ == "__main__":
    unittest.main()
