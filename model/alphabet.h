#pragma once
// The alphabet of etalons: fixed shapes (constant, half sine, full sine, oscillation under a
// rise-and-decay envelope, the envelope), each followed by its negative, then Gaussian random pulses.
#include <cstdint>
#include <span>

#include "model/records.h"

namespace tessaline {

class MessageSink;

// Fills the records of `alphabet` (k = alphabet.size() etalons of n samples, amplitude bound A).
// Buffers are reused when large enough. Returns 1, or 0 after an allocation failure (the buffers
// of the records before the failing one are then released). The caller sets every lpData to null
// before the first call. The random etalons draw from `randomEtalonState`.
int makeAlphabet(MessageSink& messages, int16_t A, uint16_t n, std::span<PulseHeader> alphabet,
                 uint16_t& randomEtalonState);

// Sum of the squared samples of an etalon; 0 for an etalon without samples.
int64_t etalonEnergy(const PulseHeader& etalon) noexcept;

// The letter of an etalon in pulse texts and thumbnails: the character 96 + number ('a' for
// etalon 1), or '?' for a number that gives no printable character.
char etalonLetter(int number) noexcept;

// Releases the sample buffers of every record of the alphabet.
void releaseAlphabet(std::span<PulseHeader> alphabet) noexcept;

}  // namespace tessaline
