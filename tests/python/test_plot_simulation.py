"""tessaline.plot_simulation: the figure of a simulate() result on a matplotlib Axes, its curves,
95% error bars, theoretical curves and titles, and its refusals (a missing matplotlib named)."""
import sys
import unittest
from unittest import mock

import numpy as np

import tessaline

RUN = dict(task="recognition", series_type=2, required=[1, 4, 7], pulses_from=6, pulses_to=8, noise_from=0,
           noise_steps=3, noise_incr=150, repeats=12, measure="recognition", view="aggregate", bounds=True)


def bar_half_widths(container):
    # The vertical segments of an errorbar container: half their lengths.
    segments = container.lines[2][0].get_segments()
    return np.array([(top[1] - bottom[1]) / 2 for bottom, top in segments])


@unittest.skipIf(__import__("importlib").util.find_spec("matplotlib") is None, "matplotlib is not installed")
class PlotSimulationTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        import matplotlib
        matplotlib.use("Agg")
        cls.result = tessaline.simulate(**RUN)

    def test_curves_bars_and_titles_follow_the_choice(self):
        r = self.result
        cases = [("detection", "componentwise", None, ["6 pulses", "7 pulses", "8 pulses"], "detection error"),
                 ("restored", "aggregate", None, ["mean over 6..8 pulses"], "restored error"),
                 ("recognition", "aggregate", None,
                  ["P1 (theoretical)", "P2 (theoretical)", "mean over 6..8 pulses"], "recognition error"),
                 ("recognition", "componentwise", False, ["6 pulses", "7 pulses", "8 pulses"], "recognition error")]
        for measure, view, bounds, labels, ylabel in cases:
            with self.subTest(measure=measure, view=view):
                ax = tessaline.plot_simulation(r, measure=measure, view=view, bounds=bounds)
                self.assertEqual(ax.get_legend_handles_labels()[1], labels)
                self.assertEqual(ax.get_ylabel(), ylabel)
                self.assertEqual(ax.get_xlabel(), "noise level σ")
                self.assertIn("series type 2", ax.get_title())
                self.assertIn("N = 1200, Tmin = 40, Tmax = 181, 12 repeats", ax.get_title())
                first = ax.containers[0]
                sd = r[measure + "_aggregate_sd"] if view == "aggregate" else r[measure + "_sd"][:, 0]
                np.testing.assert_allclose(bar_half_widths(first), 1.96 * sd / np.sqrt(12), atol=1e-9)

    def test_it_draws_on_the_axes_given(self):
        import matplotlib.pyplot as pyplot
        figure, axes = pyplot.subplots(1, 2)
        self.assertIs(tessaline.plot_simulation(self.result, ax=axes[1]), axes[1])
        self.assertEqual(len(axes[0].containers), 0)
        self.assertEqual(len(axes[1].containers), 3)

    def test_refusals_name_what_is_wrong(self):
        cases = [(dict(measure="energy"), ValueError, "measure: expected 'restored'"),
                 (dict(view="summary"), ValueError, "view: expected 'componentwise' or 'aggregate'")]
        for keywords, error, said in cases:
            with self.subTest(keywords=keywords), self.assertRaises(error) as raised:
                tessaline.plot_simulation(self.result, **keywords)
            self.assertIn(said, str(raised.exception))


class MissingMatplotlibTest(unittest.TestCase):
    def test_import_error_names_the_package(self):
        with mock.patch.dict(sys.modules, {"matplotlib": None, "matplotlib.pyplot": None}), \
                self.assertRaises(ImportError) as raised:
            tessaline.plot_simulation({"noise_levels": [0]})
        self.assertIn("matplotlib", str(raised.exception))


if __name__ == "__main__":
    unittest.main()
