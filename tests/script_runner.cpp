// Runs a script-test file. The file is a Nuvel script that calls `test` once
// per case:
//
//   test ID BODY ?-result TEXT? ?-code CODE? ?-output TEXT? ?-errormsg TEXT?
//        ?-pending REASON?
//
// Each BODY runs in a fresh interpreter with its console output captured.
// Without -code the case expects "ok" (code 0); CODE is a number or a code
// name. The runner prints every failure and exits non-zero if any case failed.
#include <cstdio>
#include <string>

#include "core/cmd_helpers.h"
#include "core/switches.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/system.h"
#include "support/script_harness.h"

namespace {

using core::Code;
using core::Interp;
using core::Value;

struct Totals {
  int passed = 0;
  int failed = 0;
  int pending = 0;
};

Totals g_totals;
std::string g_file;

int code_from_word(std::string_view word) {
  for (int c = 0; c <= 8; ++c) {
    if (word == core::code_name(c)) return c;
  }
  return static_cast<int>(core::leading_int(word));
}

void report_failure(const std::string& id, const char* what, std::string_view expected,
                    std::string_view actual, const testing_support::ScriptRun& run) {
  std::fprintf(stderr,
               "==== %s FAILED (%s)\n---- expected:\n%.*s\n---- actual:\n%.*s\n---- code %d, "
               "output:\n%s\n==== %s\n\n",
               id.c_str(), what, static_cast<int>(expected.size()), expected.data(),
               static_cast<int>(actual.size()), actual.data(), core::code_int(run.code),
               run.output.c_str(), id.c_str());
}

// The `test` command of the runner.
Code test_command(Interp& interp, int argc, Value* argv, void*) {
  if (argc < 3 || (argc - 3) % 2 != 0) {
    std::fprintf(stderr, "%s: malformed test command (%d words)\n", g_file.c_str(), argc);
    ++g_totals.failed;
    return Code::Ok;
  }
  std::string id(argv[1].view());
  const Value* expect_result = nullptr;
  const Value* expect_output = nullptr;
  const Value* expect_errormsg = nullptr;
  int expect_code = 0;
  for (int i = 3; i + 1 < argc; i += 2) {
    std::string_view opt = argv[i].view();
    if (opt == "-result") {
      expect_result = &argv[i + 1];
    } else if (opt == "-output") {
      expect_output = &argv[i + 1];
    } else if (opt == "-errormsg") {
      expect_errormsg = &argv[i + 1];
    } else if (opt == "-code") {
      expect_code = code_from_word(argv[i + 1].view());
    } else if (opt == "-pending") {
      ++g_totals.pending;
      return Code::Ok;
    } else {
      std::fprintf(stderr, "%s: %s: unknown test option %s\n", g_file.c_str(), id.c_str(),
                   argv[i].c_str());
      ++g_totals.failed;
      return Code::Ok;
    }
  }
  // Each case starts from the default switches and empty save slots.
  core::Switches saved = core::switches();
  core::switches() = core::Switches{};
  core::process().slots = core::SwitchSlots{};
  testing_support::ScriptRun run;
  {
    auto fresh = testing_support::fresh_interp();
    run = testing_support::run_script(*fresh, argv[2].view());
  }
  core::switches() = saved;
  (void)interp;
  bool ok = true;
  if (core::code_int(run.code) != expect_code) {
    report_failure(id, "code", core::code_name(expect_code),
                   core::code_name(core::code_int(run.code)), run);
    ok = false;
  }
  if (ok && expect_result && run.result != expect_result->view()) {
    report_failure(id, "result", expect_result->view(), run.result, run);
    ok = false;
  }
  if (ok && expect_output && run.output != expect_output->view()) {
    report_failure(id, "output", expect_output->view(), run.output, run);
    ok = false;
  }
  if (ok && expect_errormsg && run.errorMsg != expect_errormsg->view()) {
    report_failure(id, "errorMsg", expect_errormsg->view(), run.errorMsg, run);
    ok = false;
  }
  ok ? ++g_totals.passed : ++g_totals.failed;
  return Code::Ok;
}

int run_file(const char* path) {
  g_file = path;
  std::string text;
  if (!platform::read_file(path, text)) {
    std::fprintf(stderr, "cannot read %s\n", path);
    return 2;
  }
  auto interp = testing_support::fresh_interp();
  (void)core::nuvelRegisterCommand(*interp, "test", test_command, nullptr, false);
  Code rc = core::rindoEval(*interp, Value(text));
  platform::flush();
  if (rc != Code::Ok) {
    std::fprintf(stderr, "%s: the test file itself ended with code %d: %s\n", path,
                 core::code_int(rc), std::string(interp->result.view()).c_str());
    return 2;
  }
  std::fprintf(stdout, "%s: %d passed, %d failed, %d pending\n", path, g_totals.passed,
               g_totals.failed, g_totals.pending);
  return g_totals.failed == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: nuvel_script_tests FILE.test\n");
    return 2;
  }
  return platform::run_with_stack(size_t{1} << 30, [&] { return run_file(argv[1]); });
}
