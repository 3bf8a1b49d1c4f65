#include "model/alphabet.h"

#include <cmath>

#include "model/messages.h"
#include "model/random.h"
#include "platform/alloc.h"
#include "platform/message_sink.h"

namespace tessaline {
namespace {

// The constants of the shapes, kept as the workbench has always used them (not pi to full
// precision), so that every etalon comes out sample for sample the same.
constexpr double HALF_TURN = 3.141592654;
constexpr double FULL_TURN = 6.283185308;
constexpr int OSCILLATION_PERIODS = 4;

int16_t truncated(double value) noexcept { return static_cast<int16_t>(static_cast<int32_t>(value)); }

// Rises from 0 towards 1 over r samples, is 1 at j = r, decays to about exp(-4) at the end.
double envelope(int j, int r, int n) noexcept {
    if (j < r) return 1.0 - std::exp(j * (-8.0 / r));
    return std::exp(-(4.0 / (n - r)) * (j - r));
}

void fillConstant(std::span<int16_t> samples) {
    for (int16_t& sample : samples) sample = 60;
}

void fillNegative(std::span<int16_t> samples, const int16_t* source) {
    for (std::size_t j = 0; j < samples.size(); ++j) samples[j] = static_cast<int16_t>(-source[j]);
}

// A sine arc with the angle accumulated step by step from `turn` / (n + 1).
void fillSine(std::span<int16_t> samples, double turn, int amplitude) {
    const double step = turn / static_cast<double>(samples.size() + 1);
    double angle = 0;
    for (int16_t& sample : samples) {
        angle += step;
        sample = truncated(std::sin(angle) * amplitude);
    }
}

void fillOscillation(std::span<int16_t> samples, int amplitude, int r) {
    const int n = static_cast<int>(samples.size());
    const double step = OSCILLATION_PERIODS * FULL_TURN / n;
    double angle = 0;
    for (int j = 0; j < n; ++j) {
        const double bound = amplitude * envelope(j, r, n);
        samples[j] = truncated(std::sin(angle) * bound);
        angle += step;
    }
}

void fillEnvelope(std::span<int16_t> samples, int amplitude, int r) {
    const int n = static_cast<int>(samples.size());
    for (int j = 0; j < n; ++j) samples[j] = truncated(amplitude * envelope(j, r, n));
}

void fillRandom(std::span<int16_t> samples, int16_t A, uint16_t& state) {
    const int16_t sigma = static_cast<int16_t>(A / 2);
    for (int16_t& sample : samples) {
        int32_t v = static_cast<int16_t>(gaussNoise(state, 0, sigma));
        if (v > A - 1) v = A - 1;
        if (v < -A) v = -A;
        sample = static_cast<int16_t>(v);
    }
}

void fillShape(std::span<PulseHeader> alphabet, std::size_t i, int16_t A, uint16_t& state) {
    const int n = alphabet[i].wSize;
    std::span<int16_t> samples(alphabet[i].lpData, static_cast<std::size_t>(n));
    const int16_t* previous = i > 0 ? alphabet[i - 1].lpData : nullptr;
    switch (i) {
        case 0: fillConstant(samples); break;
        case 2: fillSine(samples, HALF_TURN, 2 * A / 3 - 1); break;
        case 4: fillSine(samples, FULL_TURN, 60 * 1414 / 1000); break;
        case 6: fillOscillation(samples, 6 * A / 5 + 2, (2 * n + 4) / 8); break;
        case 8: fillEnvelope(samples, (7 * A + 4) / 8 + 6, (2 * n + 4) / 8 - 1); break;
        case 1:
        case 3:
        case 5:
        case 7:
        case 9: fillNegative(samples, previous); break;
        default: fillRandom(samples, A, state); break;
    }
}

// Gives every record a buffer of at least n samples; on failure releases records 0..i-1.
bool reserveBuffers(MessageSink& messages, uint16_t n, std::span<PulseHeader> alphabet) {
    for (std::size_t i = 0; i < alphabet.size(); ++i) {
        PulseHeader& etalon = alphabet[i];
        if (etalon.lpData != nullptr && etalon.wReservedSize < n) {
            if (i == 0) {
                messages.showMessage(model_text::BUFFERS_RELEASED_FIRST, model_text::DEBUG_CAPTION,
                                     MessageIcon::Warning);
            }
            memory::release(etalon.lpData);
        }
        if (etalon.lpData == nullptr) {
            etalon.lpData = memory::allocateArray<int16_t>(n);
            if (etalon.lpData == nullptr) {
                messages.showMessage(model_text::NO_MEMORY_FOR_ETALON, model_text::NO_CAPTION,
                                     MessageIcon::Warning);
                releaseAlphabet(alphabet.first(i));
                return false;
            }
            etalon.wReservedSize = n;
        }
        etalon.wSize = n;
        etalon.wNumber = static_cast<int16_t>(i + 1);
    }
    return true;
}

}  // namespace

int makeAlphabet(MessageSink& messages, int16_t A, uint16_t n, std::span<PulseHeader> alphabet,
                 uint16_t& randomEtalonState) {
    if (!reserveBuffers(messages, n, alphabet)) return 0;
    for (std::size_t i = 0; i < alphabet.size(); ++i) fillShape(alphabet, i, A, randomEtalonState);
    return 1;
}

int64_t etalonEnergy(const PulseHeader& etalon) noexcept {
    int64_t energy = 0;
    if (etalon.lpData == nullptr) return energy;
    for (uint16_t j = 0; j < etalon.wSize; ++j) energy += int64_t{etalon.lpData[j]} * etalon.lpData[j];
    return energy;
}

char etalonLetter(int number) noexcept {
    const int code = 96 + number;
    return code >= 32 && code <= 126 ? static_cast<char>(code) : '?';
}

void releaseAlphabet(std::span<PulseHeader> alphabet) noexcept {
    for (PulseHeader& etalon : alphabet) memory::release(etalon.lpData);
}

}  // namespace tessaline
