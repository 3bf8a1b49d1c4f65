"""detect through the Python module is exact: on random series and etalons (every task, counts free,
known and within ranges, Tmin = Tmax, etalons far above and below the pulses) every chain keeps the
count range and the placement rules, its distance is the sum of its pulses' scores, each score is its
segment's fit, and the chains' distances are the optima of a plain reference programme written here."""
import os
import unittest

import numpy as np

import tessaline

CASES = int(os.environ.get("TESSALINE_RANDOM_CASES", "150"))


def admissible(etalon, energy, first, last):
    n = len(etalon)
    if first == 0 and last == n - 1:
        return True
    squares = etalon.astype(np.int64) ** 2
    return energy < 100 and squares[first:last + 1].sum() > energy * squares.sum() // 100


def segment_score(series, etalon, position, first, last):
    e = etalon[first:last + 1].astype(np.int64)
    x = series[position + first:position + last + 1].astype(np.int64)
    return int((e * (e - 2 * x)).sum())


def best_fit_row(series, etalons, energy):
    """The least score at each start position over the etalons' admissible segments."""
    n = etalons[0].shape[0]
    positions = len(series) - n + 1
    windows = np.lib.stride_tricks.sliding_window_view(series.astype(np.int64), n)[:positions]
    best = np.full(positions, np.iinfo(np.int64).max)
    for etalon in etalons:
        e = etalon.astype(np.int64)
        prefix = np.concatenate([np.zeros((positions, 1), np.int64), np.cumsum(e * (e - 2 * windows), axis=1)], axis=1)
        for first in range(n):
            for last in range(first, n):
                if admissible(etalon, energy, first, last):
                    best = np.minimum(best, prefix[:, last + 1] - prefix[:, first])
    return best


def best_chain_total(samples, n, tmin, tmax, rows, phase, least, most):
    """The least total of a chain of least..most pulses, pulse j scored by rows[(phase + j) % len(rows)]."""
    none = np.iinfo(np.int64).max
    positions = samples - n + 1
    totals = np.full(positions, none)
    first = min(tmax - n, positions - 1)
    totals[:first + 1] = rows[phase % len(rows)][:first + 1]
    best = None
    for j in range(most):
        if j > 0:
            row = rows[(phase + j) % len(rows)]
            nxt = np.full(positions, none)
            for gap in range(tmin, tmax + 1):
                if gap >= positions:
                    break
                before = totals[:positions - gap]
                reached = before != none
                candidate = np.where(reached, before + np.where(reached, row[gap:], 0), none)
                nxt[gap:] = np.minimum(nxt[gap:], candidate)
            totals = nxt
        if j + 1 >= least:
            ends = totals[max(0, samples - tmax):]
            ends = ends[ends != none]
            if ends.size and (best is None or ends.min() < best):
                best = int(ends.min())
    return best


def admitted_counts(samples, n, tmin, tmax):
    counts = [m for m in range(1, samples + 1) if (m - 1) * tmin <= samples - n and m * tmax - n >= samples - tmax]
    return (counts[0], counts[-1]) if counts else None


def random_case(rng):
    n = int(rng.integers(1, 7))
    tmin = int(rng.integers(n, 20))  # pulses never overlap
    tmax = tmin if rng.integers(4) == 0 else int(rng.integers(tmin, 35))
    amplitude = [1, 30, 1000, 32767][rng.integers(4)]
    etalons = rng.integers(-amplitude, amplitude + 1, (int(rng.integers(1, 4)), n)).astype(np.int16)
    samples = int(rng.integers(n, 80))
    noise = [0, 5, 100, 3000][rng.integers(4)]
    series = rng.integers(-noise, noise + 1, samples).astype(np.int64)
    scale = [0.02, 0.3, 1.0, 3.0, 40.0][rng.integers(5)]
    at = int(rng.integers(0, tmax - n + 1))
    while at + n <= samples:
        series[at:at + n] += (etalons[rng.integers(len(etalons))] * scale).astype(np.int64)
        at += int(rng.integers(tmin, tmax + 1))
    case = dict(series=np.clip(series, -32768, 32767).astype(np.int16), etalons=etalons, tmin=tmin, tmax=tmax,
                energy=100 if rng.integers(2) == 0 else int(rng.integers(0, 100)), chains=int(rng.integers(1, 5)),
                task=["joint", "recognition", "tuples-detection", "tuples-recognition"][rng.integers(4)])
    tuples = [[int(e) for e in rng.integers(1, len(etalons) + 1, int(rng.integers(1, 4)))]
              for _ in range(1 if case["task"] == "tuples-detection" else int(rng.integers(1, 4)))]
    if case["task"].startswith("tuples"):
        case["tuples"] = tuples
    most = samples // tmin + 2
    mode = rng.integers(3)
    if mode == 1:
        case["count"] = int(rng.integers(1, most + 1))
    elif mode == 2:
        least = int(rng.integers(1, most + 1))
        case["count_range"] = (least, int(rng.integers(least, most + 1)))
    return case


def searches(case, least, most):
    """(candidate, phase, etalons in turn, best total) of every search the task makes."""
    series, etalons, energy = case["series"], case["etalons"], case["energy"]
    samples, n = len(series), etalons.shape[1]

    def total(rows, phase):
        return best_chain_total(samples, n, case["tmin"], case["tmax"], rows, phase, least, most)

    if case["task"] == "joint":
        return [(None, 0, None, total([best_fit_row(series, list(etalons), energy)], 0))]
    if case["task"] == "recognition":
        return [(e + 1, 0, [e + 1], total([best_fit_row(series, [etalons[e]], energy)], 0)) for e in range(len(etalons))]
    found = []
    for t, tuple_ in enumerate(case["tuples"]):
        rows = [best_fit_row(series, [etalons[e - 1]], energy) for e in tuple_]
        for phase in range(len(tuple_) if "count" in case else 1):
            found.append((t + 1, phase, tuple_, total(rows, phase)))
    return found


class DetectExactTest(unittest.TestCase):
    def check_chain(self, case, chain, least, most):
        series, etalons, n = case["series"], case["etalons"], case["etalons"].shape[1]
        positions = [int(p) for p in chain["positions"]]
        self.assertTrue(least <= len(positions) <= most)
        self.assertTrue(0 <= positions[0] <= case["tmax"] - n)
        self.assertTrue(len(series) - case["tmax"] <= positions[-1] <= len(series) - n)
        self.assertTrue(all(case["tmin"] <= b - a <= case["tmax"] for a, b in zip(positions, positions[1:])))
        for position, etalon, (first, last), score in zip(positions, chain["etalons"], chain["segments"], chain["scores"]):
            self.assertTrue(admissible(etalons[etalon - 1], case["energy"], first, last))
            self.assertEqual(int(score), segment_score(series, etalons[etalon - 1], position, first, last))
        self.assertEqual(int(chain["distance"]), int(np.sum(chain["scores"])))

    def test_every_chain_keeps_the_range_and_the_best_is_the_exact_optimum(self):
        rng = np.random.default_rng(23)
        accepted = 0
        for index in range(CASES):
            case = random_case(rng)
            with self.subTest(case=index, **{k: v for k, v in case.items() if k not in ("series", "etalons")}):
                counts = admitted_counts(len(case["series"]), case["etalons"].shape[1], case["tmin"], case["tmax"])
                asked = ((case["count"],) * 2 if "count" in case else case.get("count_range", counts))
                if counts is None or asked[0] < counts[0] or asked[1] > counts[1]:
                    with self.assertRaisesRegex(ValueError, " admits "):
                        tessaline.detect(**case)
                    continue
                found = tessaline.detect(**case)
                accepted += 1
                self.assertEqual(found["count_range"], tuple(asked))
                expected = sorted(searches(case, *asked), key=lambda s: s[3])
                self.assertEqual(len(found["chains"]), min(len(expected), case["chains"]))
                np.testing.assert_array_equal(found["chain_distances"], [s[3] for s in expected[:len(found["chains"])]])
                for chain in found["chains"]:
                    self.check_chain(case, chain, *asked)
                np.testing.assert_array_equal(found["positions"], found["chains"][0]["positions"])
                recognises = case["task"] in ("recognition", "tuples-recognition")
                self.assertEqual(found["recognized"], expected[0][0] if recognises else None)
        self.assertGreater(accepted, CASES // 3)


if __name__ == "__main__":
    unittest.main()
