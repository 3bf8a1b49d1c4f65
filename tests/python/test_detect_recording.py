"""tessaline-cli detect on recordings: a million samples in one call and in little memory, no pulse
invented in a long pause, weak pulses on a drifting baseline found with the gain-offset fit and the
automatic cost of a pulse."""
import json
import os
import subprocess
import sys
import tempfile
import unittest

import numpy as np

CLI = os.environ["TESSALINE_CLI"]


def bell_and_wave(length=60):
    t = np.arange(length)
    bell = np.exp(-((t - length / 2) / (length / 6)) ** 2)
    return np.round(np.vstack([1000 * bell, 800 * np.sin(t / (length / 8)) * bell])).astype(int)


def recording(rng, samples, etalons, starts, gains, noise, drift=0.0):
    """The etalons alternately at the starts, each times its gain, on a slow wave of `drift` and noise."""
    x = rng.normal(0, noise, samples) + drift * np.sin(np.arange(samples) / 5000.0)
    for i, (start, gain) in enumerate(zip(starts, gains)):
        x[start:start + etalons.shape[1]] += gain * etalons[i % 2]
    return x


# Runs a command in a child of its own and prints the child's peak memory (kilobytes) on stderr's
# last line, so that no other child of this process counts.
MEASURED = ("import resource, subprocess, sys\n"
            "done = subprocess.run(sys.argv[1:])\n"
            "print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss, file=sys.stderr)\n"
            "sys.exit(done.returncode)\n")


def detect(folder, series, etalons, *options):
    np.save(os.path.join(folder, "series.npy"), series.astype(np.float64))
    np.savetxt(os.path.join(folder, "etalons.csv"), etalons, fmt="%d", delimiter=",")
    return subprocess.run([sys.executable, "-c", MEASURED, CLI, "detect", "--series",
                           os.path.join(folder, "series.npy"), "--etalons", os.path.join(folder, "etalons.csv"),
                           "--scale", "1", "--json", *options], capture_output=True, text=True)


class RecordingTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp()
        self.rng = np.random.default_rng(26)
        self.etalons = bell_and_wave()

    def assert_near(self, positions, starts):
        """Every pulse found, none more, each within 2 samples of its start (noise moves a smooth pulse)."""
        self.assertEqual(len(positions), len(starts))
        self.assertLessEqual(int(np.max(np.abs(np.array(positions) - np.array(starts)))), 2)

    def found(self, done):
        self.assertEqual(done.returncode, 0, done.stderr)
        return json.loads(done.stdout)["pulses"]

    def test_a_million_samples_in_one_call_and_little_memory(self):
        starts = np.arange(500, 1_000_000 - 500, 900)
        series = recording(self.rng, 1_000_000, self.etalons, starts, np.ones(len(starts)), 80)
        done = detect(self.folder, series, self.etalons, "--tmin", "200", "--fit", "gain-offset", "--penalty", "auto")
        found = np.array([p["position"] for p in self.found(done)])
        # Noise alone fits a pulse now and then among a million samples: a few in a thousand at most.
        near = np.abs(found[:, None] - starts[None, :]) <= 2
        self.assertGreaterEqual(near.any(axis=0).mean(), 0.999)
        self.assertLessEqual((~near.any(axis=1)).sum(), 3)
        peak = int(done.stderr.strip().splitlines()[-1])  # kilobytes
        self.assertLess(peak, 200 * 1024)

    def test_no_pulse_in_a_pause_and_weak_pulses_on_a_drift_are_found(self):
        # Pulses every 300 samples, then a pause of 20,000 samples of noise alone, then pulses again;
        # gains from 0.4 to 1.6 on a baseline drifting by 2000.
        starts = list(range(400, 12_000, 300)) + list(range(32_000, 44_000, 300))
        gains = self.rng.uniform(0.4, 1.6, len(starts))
        series = recording(self.rng, 45_000, self.etalons, starts, gains, 60, drift=2000)
        for fit in ("gain-offset",):
            with self.subTest(fit=fit):
                pulses = self.found(detect(self.folder, series, self.etalons, "--tmin", "100", "--fit", fit,
                                           "--penalty", "auto"))
                positions = [p["position"] for p in pulses]
                self.assertFalse([p for p in positions if 12_100 < p < 31_900], "a pulse in the pause")
                self.assert_near(positions, starts)
                self.assertEqual([p["etalon"] for p in pulses], [1 + i % 2 for i in range(len(starts))])
                np.testing.assert_allclose([p["gain"] for p in pulses], gains, atol=0.1)


    def test_the_module_finds_what_the_command_finds(self):
        import tessaline  # built beside the command
        starts = list(range(300, 20_000, 250))
        series = recording(self.rng, 20_500, self.etalons, starts, self.rng.uniform(0.4, 1.6, len(starts)), 60,
                           drift=1000)
        for options in ({"fit": "gain-offset", "penalty": "auto"}, {"fit": "gain", "gain": (0.5, 2.0), "tmax": 400},
                        {"fit": "shape", "penalty": 100000}):
            with self.subTest(**options):
                words = ["--tmin", "100"]
                for key, value in options.items():
                    words += [f"--{key}", "..".join(map(str, value)) if isinstance(value, tuple) else str(value)]
                pulses = self.found(detect(self.folder, series, self.etalons, *words))
                found = tessaline.detect(series, self.etalons, 100, scale=1.0, **options)
                np.testing.assert_array_equal(found["positions"], [p["position"] for p in pulses])
                np.testing.assert_array_equal(found["scores"], [p["score"] for p in pulses])
                np.testing.assert_allclose(found["gains"], [p.get("gain", 1.0) for p in pulses])


if __name__ == "__main__":
    unittest.main()
