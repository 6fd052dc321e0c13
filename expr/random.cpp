// The MT19937 generator behind rand(), rnd(), srand and the random commands.
#include "expr/random.h"

#include <chrono>
#include <cstdlib>
#include <random>

#include "core/cmd_helpers.h"
#include "expr/number.h"
#include "platform/system.h"

namespace expr {
namespace {

// One generator per interpreter.
struct Generator {
  std::mt19937 mt;  // MT19937, standard tempering, 5489 until seeded
  bool seeded = false;
};

// Tick count times the current millisecond of the wall clock.
uint32_t clock_seed() {
  auto now = std::chrono::system_clock::now().time_since_epoch();
  uint64_t ms = static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(now).count() % 1000);
  uint64_t seed = platform::tick_ms() * (ms + 1);
  return static_cast<uint32_t>(seed ^ (seed >> 32));
}

}  // namespace

void random_seed(core::Interp& interp, uint32_t seed) {
  if (seed == 0) seed = clock_seed();
  std::srand(seed);
  Generator& g = interp.state<Generator>();
  g.mt.seed(seed);
  g.seeded = true;
}

uint32_t random_word(core::Interp& interp) {
  Generator& g = interp.state<Generator>();
  if (!g.seeded) {
    g.mt.seed(clock_seed());
    g.seeded = true;
  }
  return static_cast<uint32_t>(g.mt());
}

uint32_t random_range(core::Interp& interp, uint32_t lo, uint32_t hi) {
  if (lo > hi) std::swap(lo, hi);
  if (lo == hi) return lo;
  uint64_t span = static_cast<uint64_t>(hi) - lo + 1;
  if (span > 0xFFFFFFFFu) return 0;
  return lo + static_cast<uint32_t>(random_word(interp) % span);
}

double random_unit(core::Interp& interp) {
  return static_cast<double>(random_range(interp, 0, 2147483647)) * 4.656612875245797e-10;
}

uint64_t random_below(core::Interp& interp, uint64_t n) {
  if (n <= 1) return 0;
  if (n <= 0x100000000ull) return random_word(interp) % n;
  uint64_t high = random_word(interp);
  return ((high << 32) | random_word(interp)) % n;
}

namespace {

// srand ?seed?
// Results: "0".
// Side effects: seeds the generators with the 32-bit seed (0 or none: from
// the clock).
core::Code nuvelCommandSrand(core::Interp& interp, int argc, core::Value* argv, void*) {
  uint32_t seed = argc > 1 ? static_cast<uint32_t>(read_decimal(argv[1])) : 0;
  random_seed(interp, seed);
  return core::result_int(interp, 0);
}

constexpr core::CommandRow kRandomCommands[] = {
    {"srand", nuvelCommandSrand, 1, core::kAnyWords, "?seed?"},
};

}  // namespace

[[gnu::section(".text.startup.register")]] void register_random_cmds(core::Interp& interp) {
  core::register_rows(interp, kRandomCommands);
}

}  // namespace expr
