// The random generator of rand(), rnd() and the random commands: an MT19937
// with the standard tempering, one per interpreter, seeded from the clock
// before its first use unless srand seeded it. Every random command draws
// from it, so a seeded script gives the same sequence whichever it calls.
#pragma once

#include <cstdint>

#include "core/nuvel.h"

namespace expr {

// Seeds the C library generator and the interpreter's MT19937 with `seed`;
// 0 seeds from the clock.
void random_seed(core::Interp& interp, uint32_t seed);
// The next tempered word.
uint32_t random_word(core::Interp& interp);
// A draw in lo..hi (bounds swapped when given reversed): lo + word mod the
// span; equal bounds give the bound, a span of all 2^32 values gives 0.
uint32_t random_range(core::Interp& interp, uint32_t lo, uint32_t hi);
// rand(): a word's low 31 bits over 2^31, so always in [0, 1).
double random_unit(core::Interp& interp);
// A draw in 0..n-1 for any n > 0 (64-bit spans take two words); no bias
// beyond that of the modulo, like random_range.
uint64_t random_below(core::Interp& interp, uint64_t n);

}  // namespace expr
