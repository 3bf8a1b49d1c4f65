# The figure of a statistical simulation drawn with matplotlib: the Python side of the command
# line's `simulate --figure`. It is compiled into the module and run when the module is imported.


def plot_simulation(result, measure="detection", view="componentwise", ax=None, bounds=None):
    """Draws a simulate() result as a figure for a paper, on a matplotlib Axes.

    Arguments and keywords (default, then meaning):
      result: the dict simulate() returned.
      measure='detection': 'restored', 'detection' or 'recognition': the error drawn.
      view='componentwise': one curve per pulse count, or 'aggregate': one curve over them.
      ax=None: the Axes to draw on; None: a new figure's.
      bounds=None: the theoretical recognition curves p1 and p2 as well (measure 'recognition'
          only); None: as the run's display choice (statistics_view 12 or 13).

    Error bars are the 95% intervals value +- 1.96 sd / sqrt(repeats). The x axis is the noise
    level sigma, the y axis is named after the measure, the title names the run. Returns the Axes.
    Raises ImportError naming matplotlib when it is not installed, ValueError for a measure or view
    not listed above, KeyError for a result without the keys simulate() gives.
    """
    if measure not in ("restored", "detection", "recognition"):
        raise ValueError("measure: expected 'restored', 'detection' or 'recognition', not %r" % (measure,))
    if view not in ("componentwise", "aggregate"):
        raise ValueError("view: expected 'componentwise' or 'aggregate', not %r" % (view,))
    try:
        import matplotlib.pyplot as pyplot
    except ImportError as missing:
        raise ImportError("plot_simulation needs matplotlib (pip install matplotlib, or Debian's "
                          "python3-matplotlib)") from missing
    import numpy

    if ax is None:
        ax = pyplot.figure(figsize=(8, 5)).add_subplot()
    levels = numpy.asarray(result["noise_levels"], dtype=float)
    counts = list(result["pulse_counts"])
    half = 1.96 / numpy.sqrt(max(int(result["repeats"]), 1))
    if view == "aggregate":
        label = "%d pulses" % counts[0] if len(counts) == 1 else "mean over %d..%d pulses" % (counts[0], counts[-1])
        curves = [(label, result[measure + "_aggregate"], result[measure + "_aggregate_sd"])]
    else:
        values, spread = numpy.asarray(result[measure]), numpy.asarray(result[measure + "_sd"])
        curves = [("%d pulses" % count, values[:, j], spread[:, j]) for j, count in enumerate(counts)]
    colours = _curve_colours(len(curves))
    for (label, values, spread), colour in zip(curves, colours):
        ax.errorbar(levels, values, yerr=half * numpy.asarray(spread), label=label, color=colour, marker="o",
                    markersize=3, linewidth=1.4, elinewidth=0.9, capsize=2.5)
    if bounds is None:
        bounds = int(result.get("statistics_view", 0)) in (12, 13)
    if bounds and measure == "recognition":
        ax.plot(levels, result["p1"], "k--", linewidth=1.3, label="P1 (theoretical)")
        ax.plot(levels, result["p2"], "k:", linewidth=1.3, label="P2 (theoretical)")
    ax.set_xlabel("noise level σ")
    ax.set_ylabel(_measure_title(measure, result))
    ax.set_ylim(bottom=0)
    ax.set_title(_figure_title(result), fontsize="medium")
    ax.grid(True, color="0.88")
    ax.legend(loc="upper left", bbox_to_anchor=(1.01, 1.0), fontsize="small", frameon=False)
    return ax


def _measure_title(measure, result):
    if measure == "recognition" and int(result.get("task_type", 0)) == 4:
        return "share of misrecognised pulses"
    return measure + " error"


def _figure_title(result):
    def named(code, name):
        return "%d (%s)" % (code, name) if name else "%d" % code

    return "series type %s, task %s, N = %d, Tmin = %d, Tmax = %d, %d repeats" % (
        named(result["series_type"], result["series_type_name"]), named(result["task_type"], result["task_name"]),
        result["length"], result["tmin"], result["tmax"], result["repeats"])


def _curve_colours(count):
    # Ten well-told-apart colours; for more curves hues spread from red to purple.
    told_apart = ["#1f77b4", "#d62728", "#2ca02c", "#ff7f0e", "#9467bd", "#17becf", "#8c564b", "#e377c2",
                  "#7f7f7f", "#bcbd22"]
    if count <= len(told_apart):
        return told_apart[:count]
    import colorsys
    return [colorsys.hls_to_rgb(0.85 * i / (count - 1), 0.45, 0.75) for i in range(count)]
