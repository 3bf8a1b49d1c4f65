#include "detect/level_sums.h"

namespace tessaline {
namespace {

using Wide = __int128;

// u . P v with P the projection off span{1, t}, times the Gram determinant: the sums of u and v, of
// t u and t v, and u . v.
Wide offLine(int64_t n, int64_t uSum, int64_t uMoment, int64_t vSum, int64_t vMoment, int64_t product) {
    const Wide t1 = Wide{n} * (n - 1) / 2, t2 = Wide{n - 1} * n * (2 * n - 1) / 6;
    const Wide determinant = Wide{n} * t2 - t1 * t1;
    return determinant * product - (t2 * uSum * vSum - t1 * (Wide{uSum} * vMoment + Wide{uMoment} * vSum) +
                                    Wide{n} * uMoment * vMoment);
}

}  // namespace

Projected projected(FitKind kind, const LevelSums& s) {
    switch (kind) {
        case FitKind::Shape:
        case FitKind::Gain:
            return {static_cast<double>(s.correlation), static_cast<double>(s.energy),
                    static_cast<double>(s.squares), 1.0};
        case FitKind::GainOffset:
            return {static_cast<double>(s.n * s.correlation - s.etalonSum * s.sum),
                    static_cast<double>(s.n * s.energy - s.etalonSum * s.etalonSum),
                    static_cast<double>(s.n * s.squares - s.sum * s.sum), static_cast<double>(s.n)};
        case FitKind::GainTrend: break;
    }
    const Wide t1 = Wide{s.n} * (s.n - 1) / 2, t2 = Wide{s.n - 1} * s.n * (2 * s.n - 1) / 6;
    const auto determinant = static_cast<double>(Wide{s.n} * t2 - t1 * t1);
    return {
        static_cast<double>(offLine(s.n, s.etalonSum, s.etalonMoment, s.sum, s.moment, s.correlation)),
        static_cast<double>(offLine(s.n, s.etalonSum, s.etalonMoment, s.etalonSum, s.etalonMoment, s.energy)),
        static_cast<double>(offLine(s.n, s.sum, s.moment, s.sum, s.moment, s.squares)),
        determinant > 0.0 ? determinant : 1.0};
}

LevelSums windowSums(const int16_t* window, const int16_t* etalon, const LevelSums& etalonPart) {
    LevelSums s = etalonPart;
    s.sum = s.moment = s.squares = s.correlation = 0;
    for (int64_t t = 0; t < s.n; ++t) {
        const int64_t x = window[t];
        s.sum += x;
        s.moment += t * x;
        s.squares += x * x;
        s.correlation += etalon[t] * x;
    }
    return s;
}

LevelSums levelSums(const int16_t* window, const int16_t* etalon, int64_t n) {
    LevelSums s;
    s.n = n;
    for (int64_t t = 0; t < n; ++t) {
        const int64_t e = etalon[t], x = window[t];
        s.etalonSum += e;
        s.etalonMoment += t * e;
        s.energy += e * e;
        s.sum += x;
        s.moment += t * x;
        s.squares += x * x;
        s.correlation += e * x;
    }
    return s;
}

}  // namespace tessaline
