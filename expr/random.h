// The random generator of rand(), rnd(), srand and lrand: an MT19937 with the
// standard tempering, one per interpreter, seeded from the clock before its
// first use unless srand seeded it.
#pragma once

#include <cstdint>

#include "core/nuvel.h"

namespace expr {

// Seeds the interpreter's MT19937 with `seed`; 0 seeds from the clock.
void random_seed(core::Interp& interp, uint32_t seed);
// The next tempered word.
uint32_t random_word(core::Interp& interp);
// A draw in lo..hi (bounds swapped when given reversed): lo + word mod the
// span; equal bounds give the bound, a span of all 2^32 values gives 0.
uint32_t random_range(core::Interp& interp, uint32_t lo, uint32_t hi);

}  // namespace expr
