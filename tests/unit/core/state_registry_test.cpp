// Per-interpreter state: one object per type and interpreter, made on first
// use, destroyed newest first with the registry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/nuvel.h"

namespace {

struct Log {
  std::vector<std::string> lines;
};

// Records its own destruction in a log outside the registry.
struct First {
  Log* log = nullptr;
  int value = 0;
  ~First() {
    if (log) log->lines.push_back("first");
  }
};

struct Second {
  Log* log = nullptr;
  core::StateRegistry* owner = nullptr;
  ~Second() {
    if (!log) return;
    // An older state is still reachable while a newer one is destroyed.
    log->lines.push_back("second sees " + std::to_string(owner->get<First>().value));
  }
};

TEST(StateRegistry, OneObjectPerTypeAndRegistry) {
  core::StateRegistry a;
  core::StateRegistry b;
  a.get<First>().value = 7;
  EXPECT_EQ(a.get<First>().value, 7);
  EXPECT_EQ(&a.get<First>(), &a.get<First>());
  EXPECT_EQ(b.get<First>().value, 0);
  EXPECT_NE(&a.get<First>(), &b.get<First>());
  // A type first asked for by the second registry works in the first too.
  b.get<Second>();
  EXPECT_EQ(a.get<Second>().log, nullptr);
}

TEST(StateRegistry, ClearDestroysNewestFirstAndStartsAfresh) {
  Log log;
  core::StateRegistry reg;
  reg.get<First>().log = &log;
  reg.get<First>().value = 3;
  Second& second = reg.get<Second>();
  second.log = &log;
  second.owner = &reg;
  reg.clear();
  ASSERT_EQ(log.lines.size(), 2u);
  EXPECT_EQ(log.lines[0], "second sees 3");
  EXPECT_EQ(log.lines[1], "first");
  // After clearing, a state is made anew with its defaults.
  EXPECT_EQ(reg.get<First>().value, 0);
  EXPECT_EQ(reg.get<Second>().log, nullptr);
}

}  // namespace
