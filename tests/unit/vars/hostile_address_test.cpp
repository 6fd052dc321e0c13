// Every command that follows an address a script hands in, fed foreign,
// boundary, freed and random addresses: none may touch memory outside the
// live blocks (this runs under the sanitizers too), every address outside
// them is refused with an error, and the live blocks keep their bytes.
// Also the dump printout with its addresses masked.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "support/script_harness.h"

namespace {

using core::Code;
using testing_support::fresh_interp;
using testing_support::run_script;
using testing_support::var_value;

uint64_t number(core::Interp& in, const std::string& script) {
  auto r = run_script(in, script);
  EXPECT_EQ(r.code, Code::Ok) << script << "\n" << r.output;
  return std::stoull(r.result);
}

// A world of live and dead blocks: struct p (8 bytes), malloc block m
// (17 bytes), the text of s (6 bytes), a freed malloc block and a released
// struct.
struct World {
  std::unique_ptr<core::Interp> in = fresh_interp();
  uint64_t p = 0, m = 0, s = 0, freed = 0, gone = 0;

  World() {
    p = number(*in, "struct p {x 4 y 4}");
    m = number(*in, "set m [malloc 16]");
    s = number(*in, "set s hello; strptr s");
    freed = number(*in, "set f [malloc 32]; set keep $f; free f; set keep");
    gone = number(*in, "struct q {z 12}; set g [struct elements q -value]; struct unset q; set g");
    run_script(*in, "=> p.x abcd; => p.y efgh; memset $m C 17");
  }
  // The bytes of the live blocks, to be compared after a refused command.
  std::string snapshot() {
    auto r = run_script(*in, "list [-> p.x] [-> p.y] [ofaddress $m] $s");
    return r.result;
  }
};

// Addresses that lie in no live block at all.
std::vector<std::string> foreign_addresses(const World& w) {
  std::vector<std::string> out = {"1",
                                  "4096",
                                  "-1",
                                  "0",
                                  "9223372036854775808",
                                  "9223372036854775807",
                                  "18446744073709551615",
                                  "-9223372036854775808",
                                  "0x1000",
                                  "abc",
                                  "",
                                  " ",
                                  "1e9",
                                  std::to_string(w.freed),
                                  std::to_string(w.freed + 4),
                                  std::to_string(w.gone),
                                  std::to_string(w.gone + 4),
                                  std::to_string(w.p + 8),
                                  std::to_string(w.m + 17),
                                  std::to_string(w.s + 6),
                                  std::to_string(w.p - 1),
                                  std::to_string(w.m - 1)};
  return out;
}

// Commands with one address word; {} is replaced by the address.
const char* const kAddressCommands[] = {
    "ofaddress {}",      "ofaddressb {}",
    "ofaddressb {} 8",   "memcpy {} $m 1",
    "memcpy $m {} 1",    "memcpy {} {} 4",
    "memcpy {} $m 2 -t", "memset {} x 1",
    "memset {} x 64",    "free {}",
    "struct copy p {}",  "dumpmem {}",
    "dumpmem {} 1",      "set v {}; ofaddressb v 8",
    "set v {}; free v",
};

std::string with_address(const std::string& pattern, const std::string& address) {
  std::string out;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern.compare(i, 2, "{}") == 0) {
      out += "{" + address + "}";
      ++i;
    } else {
      out.push_back(pattern[i]);
    }
  }
  return out;
}

TEST(HostileAddress, ForeignAndDeadAddressesAreRefused) {
  World w;
  const std::string before = w.snapshot();
  for (const std::string& a : foreign_addresses(w)) {
    for (const char* pattern : kAddressCommands) {
      std::string script = with_address(pattern, a);
      auto r = run_script(*w.in, script);
      EXPECT_EQ(r.code, Code::Error) << script;
    }
  }
  EXPECT_EQ(w.snapshot(), before);
  EXPECT_EQ(run_script(*w.in, "list [leakmem] [checkheap]").result, "1 1");
}

TEST(HostileAddress, RangesRunningPastTheirBlockAreRefused) {
  World w;
  const std::string before = w.snapshot();
  const std::string p = std::to_string(w.p), m = std::to_string(w.m), s = std::to_string(w.s);
  const std::vector<std::string> scripts = {
      "memset " + p + " x 9",
      "memset " + std::to_string(w.p + 4) + " x 5",
      "memcpy " + p + " " + m + " 9",
      "memcpy " + m + " " + p + " 9",
      "memcpy " + m + " " + s + " 7",
      "memcpy " + s + " " + m + " 2",
      "memset " + s + " x 1",
      "dumpmem " + p + " 9",
      "dumpmem " + s + " 7",
      "dumpmem " + m + " 18",
      "struct q {z 18}; struct copy q " + m,
      "free " + p,
      "free " + s,
      "free " + std::to_string(w.m + 1),
  };
  for (const std::string& script : scripts) {
    EXPECT_EQ(run_script(*w.in, script).code, Code::Error) << script;
  }
  EXPECT_EQ(w.snapshot(), before);
  // The same ranges one byte shorter are inside their blocks.
  EXPECT_EQ(run_script(*w.in, "memcpy " + m + " " + p + " 8").code, Code::Ok);
  EXPECT_EQ(run_script(*w.in, "ofaddress $m").result, "abcdefghCCCCCCCCC");
  EXPECT_EQ(run_script(*w.in, "memcpy " + m + " " + s + " 6").code, Code::Ok);
  EXPECT_EQ(run_script(*w.in, "ofaddress $m").result, "hello");
  EXPECT_EQ(run_script(*w.in, "dumpmem " + m + " 17").code, Code::Ok);
}

// Random words near the live blocks and anywhere in the address space, with
// random lengths and widths: whatever a command does, it stays inside live
// blocks (the sanitizer build checks every access) and the interpreter goes on.
TEST(HostileAddress, RandomAddressesNeverEscapeTheBlocks) {
  World w;
  std::mt19937_64 rng(20261208);
  const uint64_t bases[] = {w.p, w.m, w.s, w.freed, w.gone};
  auto random_address = [&]() -> std::string {
    switch (rng() % 4) {
      case 0:
        return std::to_string(rng());
      case 1:
        return std::to_string(static_cast<int64_t>(rng()) >> (rng() % 63));
      default: {
        uint64_t base = bases[rng() % 5];
        return std::to_string(base + (rng() % 96) - 48);
      }
    }
  };
  const char* const patterns[] = {
      "ofaddress {A}",      "ofaddressb {A}",        "set v {A}; ofaddressb v {N}",
      "memcpy {A} {A} {N}", "memcpy {A} {A} {N} -t", "memset {A} z {N}",
      "free {A}",           "struct copy p {A}",     "dumpmem {A} {N}",
      "setb p.y {A} {N}",   "=> p.x {A} {N}",        "set v {A}; free v",
  };
  int ok = 0, refused = 0;
  for (int i = 0; i < 4000; ++i) {
    std::string script = patterns[rng() % (sizeof patterns / sizeof patterns[0])];
    for (size_t at; (at = script.find("{A}")) != std::string::npos;) {
      script.replace(at, 3, "{" + random_address() + "}");
    }
    for (size_t at; (at = script.find("{N}")) != std::string::npos;) {
      script.replace(at, 3, std::to_string(static_cast<int64_t>(rng() % 40) - 4));
    }
    auto r = run_script(*w.in, script);
    ASSERT_TRUE(r.code == Code::Ok || r.code == Code::Error) << script;
    (r.code == Code::Ok ? ok : refused) += 1;
  }
  // Both kinds happen: some words land inside the blocks.
  EXPECT_GT(ok, 100);
  EXPECT_GT(refused, 100);
  // The live blocks are still there and the registry is sound.
  EXPECT_EQ(run_script(*w.in, "checkheap").result, "1");
  EXPECT_EQ(run_script(*w.in, "struct size p").result, "8");
  EXPECT_EQ(var_value(*w.in, "s"), "hello");
}

// Releasing a struct (unset, struct unset, the end of a frame) makes its
// block and its members' addresses dead at once.
TEST(HostileAddress, ReleasedStructsTakeTheirAddressesWithThem) {
  auto in = fresh_interp();
  for (const char* release : {"unset p", "struct unset p", "clear"}) {
    uint64_t a = number(*in, "struct p {x 4 y 4}");
    ASSERT_EQ(run_script(*in, release).code, Code::Ok) << release;
    std::string at = std::to_string(a);
    EXPECT_EQ(run_script(*in, "memset " + at + " x 1").code, Code::Error) << release;
    EXPECT_EQ(run_script(*in, "ofaddress " + at).code, Code::Error) << release;
  }
  uint64_t a = number(*in, "proc f {} {struct loc {x 4}; struct elements loc -value}; f");
  EXPECT_EQ(run_script(*in, "memset " + std::to_string(a) + " x 1").code, Code::Error);
  EXPECT_EQ(run_script(*in, "checkheap").result, "1");
}

// Blocks left by malloc are counted while live and released with the
// interpreter (the sanitizer build reports a leak otherwise).
TEST(HostileAddress, MallocBlocksAreTrackedAndReleasedAtTheEnd) {
  auto in = fresh_interp();
  run_script(*in, "set a [malloc 10]; set b [malloc 20]; set c [malloc 30]; free b");
  EXPECT_EQ(run_script(*in, "leakmem").result, "2");
  auto r = run_script(*in, "expr {[leakmem -list] eq \"$a $c\" || [leakmem -list] eq \"$c $a\"}");
  EXPECT_EQ(r.result, "1");
  in.reset();
}

bool is_hex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

// Replaces what changes from run to run: "0x..." hexadecimal addresses,
// decimal numbers of six digits or more, and the row addresses of the hex
// dump (a line " <hex>  ...").
std::string mask_addresses(const std::string& text) {
  std::string out;
  size_t i = 0;
  bool line_start = true;
  while (i < text.size()) {
    if (line_start && text[i] == ' ') {
      size_t j = i + 1;
      while (j < text.size() && is_hex(text[j])) ++j;
      if (j - i - 1 >= 8 && text.compare(j, 2, "  ") == 0) {
        out += " ROW";
        i = j;
        line_start = false;
        continue;
      }
    }
    line_start = false;
    if (text.compare(i, 2, "0x") == 0 && i + 2 < text.size() && is_hex(text[i + 2])) {
      size_t j = i + 2;
      while (j < text.size() && is_hex(text[j])) ++j;
      out += "0xADDR";
      i = j;
      continue;
    }
    if (text[i] >= '0' && text[i] <= '9') {
      size_t j = i;
      while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
      out += j - i >= 6 ? std::string("ADDR") : text.substr(i, j - i);
      i = j;
      continue;
    }
    if (text[i] == '\n') line_start = true;
    out.push_back(text[i++]);
  }
  return out;
}

TEST(Dump, StructPrintoutWithAddressesMasked) {
  auto in = fresh_interp();
  auto r = run_script(
      *in,
      "set nl [format %c 10]; set cr [format %c 13]; struct pt {x 2 y 3}; => pt.x A$nl$nl; "
      "=> pt.y $cr; dump pt");
  ASSERT_EQ(r.code, Code::Ok) << r.output;
  EXPECT_EQ(mask_addresses(r.output),
            "\n struct 'pt' level 0 (0xADDR) data @ADDR (0xADDR)\n"
            " \u2502\t5 byte(s), 2 member(s)\n"
            "1:'->pt.x'\t=> ADDR (0xADDR) 2 byte(s)\n"
            "2:'->pt.y'\t=> ADDR (0xADDR) 3 byte(s)\n"
            "\n Address    0  1  2  3  4  5  6  7    8  9  A  B  C  D  E  F  ASCII\n"
            " ----------------------------------------------------------------------------\n"
            " ROW  41 0A 0D 00 00          -                          A\u2518\u25c4..\n"
            "\n * Var 0::'pt' has no parents\n");
}

TEST(Dump, LinkChainOfAnUpvar) {
  auto in = fresh_interp();
  auto r = run_script(*in, "set v hi; proc f {} {upvar 1 v w; dump w}; f");
  ASSERT_EQ(r.code, Code::Ok) << r.output;
  EXPECT_EQ(mask_addresses(r.output),
            "\n var 'w' level 1 (0xADDR) data @ADDR (0xADDR)\n"
            " \u2502\t2 byte(s)\n"
            "\n Address    0  1  2  3  4  5  6  7    8  9  A  B  C  D  E  F  ASCII\n"
            " ----------------------------------------------------------------------------\n"
            " ROW  68 69                   -                          hi\n"
            "\n \u250c Parents of 1::'w' (0xADDR / ADDR):\nhi\n"
            " \u2502 Lvl::Variable Name           This       -> Parent      Type    Const\n"
            " \u251c   1::w                   \t0xADDR -> 0xADDR  auto   False\nhi\n"
            " \u251c   0::v                   \t0xADDR -> 0xADDR  auto   False\nhi\n");
}

}  // namespace
