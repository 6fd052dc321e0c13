// The chain of interpreters: the newest is current, and an interpreter may
// be destroyed before the ones made after it without leaving a link to it.
#include <gtest/gtest.h>

#include "support/script_harness.h"

namespace {

using testing_support::fresh_interp;

TEST(InterpChain, OlderInterpreterGoesFirst) {
  core::Interp* before = core::_pglobal_interp;
  auto a = fresh_interp();
  auto b = fresh_interp();
  EXPECT_EQ(core::_pglobal_interp, b.get());
  EXPECT_EQ(b->previous, a.get());
  a.reset();
  // b now follows whatever a followed.
  EXPECT_EQ(b->previous, before);
  b.reset();
  EXPECT_EQ(core::_pglobal_interp, before);
  auto c = fresh_interp();
  EXPECT_EQ(c->previous, before);
}

TEST(InterpChain, MiddleInterpreterGoesFirst) {
  core::Interp* before = core::_pglobal_interp;
  auto a = fresh_interp();
  auto b = fresh_interp();
  auto c = fresh_interp();
  b.reset();
  EXPECT_EQ(c->previous, a.get());
  c.reset();
  EXPECT_EQ(core::_pglobal_interp, a.get());
  a.reset();
  EXPECT_EQ(core::_pglobal_interp, before);
}

}  // namespace
