// Links made by upvar, global and static inside procedure frames, uplevel
// across frames, and links whose target goes away.
#include <gtest/gtest.h>

#include "core/var.h"
#include "support/script_harness.h"

namespace {

using core::Code;
using testing_support::fresh_interp;
using testing_support::run_script;
using testing_support::var_value;

TEST(Upvar, LinksOneLevelUpAndWritesThrough) {
  auto in = fresh_interp();
  run_script(*in, "set x 1");
  {
    vars::FrameGuard f(*in, "p");
    auto r = run_script(*in, "upvar x; set x 2");
    EXPECT_EQ(r.code, Code::Ok) << r.output;
    EXPECT_EQ(run_script(*in, "set x").result, "2");
  }
  EXPECT_EQ(var_value(*in, "x"), "2");
}

TEST(Upvar, SecondLinkOfTheSameNameFails) {
  auto in = fresh_interp();
  run_script(*in, "set x 1");
  vars::FrameGuard f(*in, "p");
  EXPECT_EQ(run_script(*in, "upvar x").code, Code::Ok);
  auto r = run_script(*in, "upvar x");
  EXPECT_EQ(r.code, Code::Error);
  EXPECT_EQ(r.errorMsg, "upvar: 'x' already exists at level 1 (check proc args)");
}

TEST(Upvar, LevelFormsAndLocalNames) {
  auto in = fresh_interp();
  run_script(*in, "set g 0");
  vars::FrameGuard f1(*in, "p1");
  run_script(*in, "set mid m");
  vars::FrameGuard f2(*in, "p2");
  EXPECT_EQ(run_script(*in, "upvar 1 mid local; set local").result, "m");
  EXPECT_EQ(run_script(*in, "upvar @0 g gl; set gl 5").code, Code::Ok);
  EXPECT_EQ(run_script(*in, "upvar ::g g2; set g2").result, "5");
  auto r = run_script(*in, "upvar @9 nosuch");
  EXPECT_EQ(r.code, Code::Error);
  EXPECT_EQ(r.errorMsg, "upvar: Variable 'nosuch' not found at uplevel 9 ");
  EXPECT_EQ(run_script(*in, "upvar @9 nosuch -nocomplain").code, Code::Ok);
  r = run_script(*in, "upvar 1 ::g xx");
  EXPECT_EQ(r.errorMsg, "upvar: Conflict between requested level 1 and global var prefix '::g'");
}

TEST(Upvar, MissingTargetIsCreatedEmpty) {
  auto in = fresh_interp();
  {
    vars::FrameGuard f(*in, "p");
    EXPECT_EQ(run_script(*in, "upvar fresh; set fresh 7").code, Code::Ok);
  }
  EXPECT_EQ(var_value(*in, "fresh"), "7");
}

TEST(Upvar, ElementLinksReadAndWriteTheElement) {
  auto in = fresh_interp();
  run_script(*in, "set a(k) 1");
  {
    vars::FrameGuard f(*in, "p");
    EXPECT_EQ(run_script(*in, "upvar a(k) e; set e").result, "1");
    EXPECT_EQ(run_script(*in, "set e 9").code, Code::Ok);
    EXPECT_EQ(run_script(*in, "upvar a(new) n; set n").result, "");
    auto r = run_script(*in, "upvar a() z");
    EXPECT_EQ(r.errorMsg, "upvar: Invalid array subscript 'a()'");
  }
  EXPECT_EQ(run_script(*in, "set a(k)").result, "9");
  EXPECT_EQ(run_script(*in, "array exists a(new)").result, "1");
}

TEST(Upvar, ArrayLinkSharesTheTable) {
  auto in = fresh_interp();
  run_script(*in, "set a(x) 1");
  {
    vars::FrameGuard f(*in, "p");
    EXPECT_EQ(run_script(*in, "upvar a b; set b(y) 2; array size b").result, "2");
    // Unsetting the link leaves the target alone.
    EXPECT_EQ(run_script(*in, "unset b").code, Code::Ok);
  }
  EXPECT_EQ(run_script(*in, "array size a").result, "2");
}

TEST(Upvar, ChainOfThreeWritesEveryRecord) {
  auto in = fresh_interp();
  run_script(*in, "set x 1");
  vars::FrameGuard f1(*in, "p1");
  run_script(*in, "upvar x y");
  vars::FrameGuard f2(*in, "p2");
  EXPECT_EQ(run_script(*in, "upvar y z; set z 3").code, Code::Ok);
  EXPECT_EQ(run_script(*in, "set ::x").result, "3");
  EXPECT_EQ(run_script(*in, "uplevel 1 {set y}").result, "3");
}

TEST(Upvar, LinkWhoseTargetIsGoneReadsAsMissing) {
  auto in = fresh_interp();
  run_script(*in, "set x 1; set a(k) 2");
  vars::FrameGuard f(*in, "p");
  run_script(*in, "upvar x lx; upvar a(k) le; upvar a la");
  EXPECT_EQ(run_script(*in, "unset ::x").code, Code::Ok);
  EXPECT_EQ(run_script(*in, "uplevel {array unset a}").code, Code::Ok);
  auto r = run_script(*in, "set lx");
  EXPECT_EQ(r.code, Code::Error);
  EXPECT_EQ(r.errorMsg, "set: Variable 'lx' not found");
  EXPECT_EQ(run_script(*in, "is_set la").result, "0");
  EXPECT_EQ(run_script(*in, "is_set le").result, "0");
  // A redefined target is a new variable: the old link stays gone.
  run_script(*in, "set ::x 5");
  EXPECT_EQ(run_script(*in, "is_set lx").result, "0");
  EXPECT_EQ(run_script(*in, "upvar x lx; set lx").result, "5");
}

TEST(Uplevel, DefaultIsTheGlobalFrame) {
  auto in = fresh_interp();
  vars::FrameGuard f1(*in, "p1");
  vars::FrameGuard f2(*in, "p2");
  EXPECT_EQ(run_script(*in, "uplevel {set y 1}").code, Code::Ok);
  EXPECT_EQ(var_value(*in, "::y"), "1");
  EXPECT_EQ(run_script(*in, "uplevel 1 {set y 2}").code, Code::Ok);
  EXPECT_EQ(run_script(*in, "uplevel 1 {set y}").result, "2");
  EXPECT_EQ(run_script(*in, "set ::y").result, "1");
  auto r = run_script(*in, "uplevel @7 {set y 1}");
  EXPECT_EQ(r.errorMsg, "uplevel: Callframe 7 not found");
  EXPECT_EQ(in->callframe->level, 2);
}

TEST(Global, LinksAndGivesNewGlobalsTheirValue) {
  auto in = fresh_interp();
  run_script(*in, "set old 1");
  {
    vars::FrameGuard f(*in, "p");
    EXPECT_EQ(run_script(*in, "global old new -value 5").result, "1");
    EXPECT_EQ(run_script(*in, "set old").result, "1");
    EXPECT_EQ(run_script(*in, "set new").result, "5");
    run_script(*in, "set old 2");
    EXPECT_EQ(run_script(*in, "global ::ns::deep; set deep 4").code, Code::Ok);
    auto r = run_script(*in, "global old");
    EXPECT_EQ(r.code, Code::Error);
    EXPECT_EQ(r.result, "0");
    EXPECT_EQ(r.errorMsg, "global: Error setting variable 'old'");
  }
  EXPECT_EQ(var_value(*in, "old"), "2");
  EXPECT_EQ(var_value(*in, "ns::deep"), "4");
}

TEST(Static, KeepsItsValueBetweenCalls) {
  auto in = fresh_interp();
  for (int call = 0; call < 3; ++call) {
    vars::FrameGuard f(*in, "counter");
    EXPECT_EQ(run_script(*in, "static n 10; set n [set n]x; set n").code, Code::Ok);
  }
  EXPECT_EQ(var_value(*in, "counter::n"), "10xxx");
}

TEST(Clear, OnlyAtTheGlobalLevel) {
  auto in = fresh_interp();
  vars::FrameGuard f(*in, "p");
  auto r = run_script(*in, "clear");
  EXPECT_EQ(r.code, Code::Error);
  EXPECT_EQ(r.errorMsg, "clear: Valid only at global level");
}

TEST(Vars, ListsTheFrameOfALevel) {
  auto in = fresh_interp();
  run_script(*in, "clear; set g 1");
  vars::FrameGuard f(*in, "p");
  run_script(*in, "set local 1");
  EXPECT_EQ(run_script(*in, "vars -list").result, "local");
  EXPECT_EQ(run_script(*in, "vars -list -level 0").result, "g");
}

TEST(Inspect, ConstantsCreatedInAProcedureReportLevelZero) {
  auto in = fresh_interp();
  vars::FrameGuard f(*in, "p");
  auto r = run_script(*in, "const k 1; inspect k");
  EXPECT_NE(r.output.find("Level:          '0'\n"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("is_constant      1\n"), std::string::npos);
}

}  // namespace
