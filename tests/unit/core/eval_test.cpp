// The evaluator's caches: compiled scripts shared between evaluations and
// interpreters, and cached command look-ups that follow table changes.
#include <gtest/gtest.h>

#include "core/script.h"
#include "core/switches.h"
#include "support/script_harness.h"

namespace {

using core::Code;
using core::Value;
using testing_support::fresh_interp;
using testing_support::run_script;

Code answer(core::Interp& interp, int, Value*, void*) {
  core::nuvelSetResult(interp, "42");
  return Code::Ok;
}

// Autoexec off for the length of a test.
struct NoAutoexec {
  core::Switches saved = core::switches();
  NoAutoexec() { core::switches().autoexec = 0; }
  ~NoAutoexec() { core::switches() = saved; }
};

TEST(Eval, CompiledFormIsCachedOnTheText) {
  Value script("set a 1; set b 2");
  auto first = core::compile_script(script);
  Value copy = script;
  EXPECT_EQ(core::compile_script(copy).get(), first.get());
  EXPECT_EQ(first->commands.size(), 2u);
}

TEST(Eval, CachedLookupsDoNotCrossInterpreters) {
  NoAutoexec off;
  Value script("answer");
  auto a = fresh_interp();
  ASSERT_EQ(core::nuvelRegisterCommand(*a, "answer", answer, nullptr, false), 0);
  ASSERT_EQ(core::rindoEval(*a, script), Code::Ok);
  EXPECT_EQ(a->result.view(), "42");
  auto b = fresh_interp();
  EXPECT_EQ(core::rindoEval(*b, script), Code::Error);
  ASSERT_EQ(core::rindoEval(*a, script), Code::Ok);
}

TEST(Eval, CachedLookupsFollowTableChanges) {
  NoAutoexec off;
  auto interp = fresh_interp();
  Value script("answer");
  EXPECT_EQ(core::rindoEval(*interp, script), Code::Error);
  ASSERT_EQ(core::nuvelRegisterCommand(*interp, "answer", answer, nullptr, false), 0);
  EXPECT_EQ(core::rindoEval(*interp, script), Code::Ok);
  ASSERT_TRUE(core::nuvelDeleteCommand(*interp, "answer"));
  EXPECT_EQ(core::rindoEval(*interp, script), Code::Error);
  // A loop body that renames the command it calls sees each new definition.
  auto run = run_script(*interp,
                        "proc f {} {return 1}; set out {}; foreach i {1 2 3} {lappend out [f]; "
                        "rename f {}; proc f {} [list return [+ $i 1]]}; set out");
  EXPECT_EQ(run.code, Code::Ok) << run.output;
  EXPECT_EQ(run.result, "1 2 3");
}

TEST(Eval, RegistrationKeepsTheTableSortedAndRefusesDuplicates) {
  auto interp = fresh_interp();
  EXPECT_EQ(core::nuvelRegisterCommand(*interp, "set", answer, nullptr, false), 8);
  EXPECT_EQ(core::nuvelRegisterCommand(*interp, "zzz", answer, nullptr, false), 0);
  EXPECT_EQ(core::nuvelRegisterCommand(*interp, "!!", answer, nullptr, false), 0);
  for (size_t i = 1; i < interp->commands.size(); ++i) {
    EXPECT_LT(interp->commands[i - 1].name, interp->commands[i].name);
  }
  EXPECT_NE(core::nuvelGetCommand(*interp, "::zzz"), nullptr);
  EXPECT_EQ(core::nuvelGetCommand(*interp, "zz"), nullptr);
}

TEST(Eval, HandlerExceptionsAreReportedAsErrors) {
  auto interp = fresh_interp();
  ASSERT_EQ(core::nuvelRegisterCommand(
                *interp, "boom",
                [](core::Interp&, int, Value*, void*) -> Code { throw std::runtime_error("bad"); },
                nullptr, false),
            0);
  auto run = run_script(*interp, "catch {boom} m; set m");
  EXPECT_EQ(run.result, "boom: bad");
  EXPECT_EQ(run.output, "\nException in 'boom' at line 0 (bad)\n");
}

// Deletes the command named by its word from the table directly, past the
// guards of rename and undef that refuse to remove a running procedure.
Code drop_command(core::Interp& interp, int argc, Value* argv, void*) {
  if (argc == 2) (void)core::nuvelDeleteCommand(interp, argv[1].view());
  return Code::Ok;
}

// A procedure removed while it runs keeps its definition until the call
// ends: its body goes on, and a report made afterwards still reads the body's
// text (under AddressSanitizer a freed definition fails here).
TEST(Eval, ProcedureRemovedWhileRunningFinishes) {
  auto interp = fresh_interp();
  ASSERT_EQ(core::nuvelRegisterCommand(*interp, "drop_command", drop_command, nullptr, false), 0);
  // The report of the missing variable shows the body's text around it.
  auto run = run_script(*interp,
                        "proc p {n} { drop_command p; set x [+ $n 1]; set y $undefined_variable }\n"
                        "list [catch {p 41} m] [info procs p]");
  EXPECT_EQ(run.code, Code::Ok) << run.errorMsg;
  EXPECT_EQ(run.result, "1 {}");
  EXPECT_NE(run.output.find("set x [+ $n 1]; set y"), std::string::npos) << run.output;
  EXPECT_TRUE(interp->retired_owners.empty());  // let go once the call ended
  // Removed from inside a deeper call, and the outer call goes on.
  run = run_script(*interp, "proc q {} { r; return q-done }\nproc r {} { drop_command q }\nq");
  EXPECT_EQ(run.code, Code::Ok) << run.errorMsg;
  EXPECT_EQ(run.result, "q-done");
  EXPECT_TRUE(interp->retired_owners.empty());
}

TEST(Eval, DeepProcedureNestingAndBrackets) {
  auto run = testing_support::run_script_deep(
      "proc f {n} {if {== $n 0} {return 0}; return [+ 1 [f [- $n 1]]]}; f 4990");
  EXPECT_EQ(run.code, Code::Ok) << run.output.substr(0, 300);
  EXPECT_EQ(run.result, "4990");
  std::string deep = "set a " + std::string(1500, '[') + "set b 1" + std::string(1500, ']');
  auto brackets = run_script(deep);
  EXPECT_EQ(brackets.code, Code::Error);
  EXPECT_EQ(brackets.errorMsg, "eval: Brackets nested too deeply (more than 1000 levels)");
}

}  // namespace

namespace {

TEST(ValueTest, SelfAssignmentKeepsTheText) {
  core::Value v("kept");
  core::Value& same = v;
  v = same;
  EXPECT_EQ(v.view(), "kept");
  core::Value shared = v;
  v = same;
  EXPECT_EQ(v.view(), "kept");
  EXPECT_EQ(shared.view(), "kept");
}

}  // namespace

// Interpreters may end in any order; the current one is always alive.
TEST(InterpChain, EndingOutOfOrderLeavesNoDanglingCurrent) {
  core::Interp* before = core::_pglobal_interp;
  {
    auto a = std::make_unique<core::Interp>();
    auto b = std::make_unique<core::Interp>();
    auto c = std::make_unique<core::Interp>();
    EXPECT_EQ(core::_pglobal_interp, c.get());
    b.reset();  // c's predecessor is now a
    EXPECT_EQ(c->previous, a.get());
    c.reset();
    EXPECT_EQ(core::_pglobal_interp, a.get());
    auto d = std::make_unique<core::Interp>();
    a.reset();  // d's predecessor goes to whatever came before a
    EXPECT_EQ(d->previous, before);
    d.reset();
  }
  EXPECT_EQ(core::_pglobal_interp, before);
}
