// The chain of current interpreters when interpreters end in any order.
#include <gtest/gtest.h>

#include <memory>

#include "core/nuvel.h"

namespace {

TEST(InterpChain, OlderEndingFirstLeavesTheChain) {
  core::Interp* before = core::_pglobal_interp;
  auto older = std::make_unique<core::Interp>();
  auto newer = std::make_unique<core::Interp>();
  EXPECT_EQ(newer->previous, older.get());
  older.reset();  // not the current one
  EXPECT_EQ(newer->previous, before);
  EXPECT_EQ(core::_pglobal_interp, newer.get());
  newer.reset();
  EXPECT_EQ(core::_pglobal_interp, before);
  // A new interpreter starts from a live one.
  auto next = std::make_unique<core::Interp>();
  EXPECT_EQ(next->previous, before);
}

TEST(InterpChain, MiddleOfThreeLeaves) {
  core::Interp* before = core::_pglobal_interp;
  auto a = std::make_unique<core::Interp>();
  auto b = std::make_unique<core::Interp>();
  auto c = std::make_unique<core::Interp>();
  b.reset();
  EXPECT_EQ(c->previous, a.get());
  c.reset();
  EXPECT_EQ(core::_pglobal_interp, a.get());
  a.reset();
  EXPECT_EQ(core::_pglobal_interp, before);
}

}  // namespace
