// A sandboxed interpreter for the fuzz targets: only commands whose table
// rows call them safe (no files, processes, sockets, terminal input, sleeps,
// nothing that ends the process), autoexec off, output captured and dropped,
// and a watchdog that interrupts a script running longer than a moment, so
// an endless loop ends like a Ctrl+C instead of hanging the fuzzer.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "builtins/builtins.h"
#include "core/cmd_helpers.h"
#include "core/switches.h"
#include "platform/console.h"
#include "platform/process.h"
#include "platform/system.h"

namespace fuzzing {

// The debugger's trace lines without its single-step prompt: a fuzzed run
// has no one to answer it, and the evaluation goes on as if answered.
class NoPrompt final : public core::EvalObserver {
 public:
  explicit NoPrompt(const core::EvalObserver* debugger) : debugger_(debugger) {}
  void trace(core::Interp& interp, int argc, core::Value* argv, bool returning,
             int code) const override {
    if (debugger_) debugger_->trace(interp, argc, argv, returning, code);
  }
  core::Code single_step(core::Interp&, int, core::Value*) const override { return core::Code::Ok; }

 private:
  const core::EvalObserver* debugger_;
};

// The observer that stands for `debugger` in fuzzed interpreters (every
// interpreter has the same debugger, so one serves them all).
inline const core::EvalObserver* without_prompt(const core::EvalObserver* debugger) {
  static const NoPrompt quiet(debugger);
  return &quiet;
}

inline void remove_unsafe_commands(core::Interp& interp) {
  std::vector<std::string> unsafe;
  for (const core::CommandRecord& rec : interp.commands) {
    if ((rec.flags & (core::kUnsafe | core::kNoFuzz)) != 0) unsafe.push_back(rec.name);
  }
  for (const std::string& name : unsafe) (void)core::nuvelDeleteCommand(interp, name);
  interp.hooks.run_external = nullptr;
  interp.hooks.observer = without_prompt(interp.hooks.observer);
}

// The registry's installer, kept so that interpreters made inside a fuzzed
// run (the preprocessor's private one for #exec and #if, interp) are filled
// by safe_install and get the same safe subset.
inline void (*full_install)(core::Interp&, int) = nullptr;

inline void safe_install(core::Interp& interp, int flag) {
  if (full_install) full_install(interp, flag);
  remove_unsafe_commands(interp);
  interp.install = safe_install;
}

// The process-wide switches as a fuzzed run starts: the defaults, with
// autoexec and the echo of reports off. Set before every input, so that an
// input that turns a switch (option expression on ...) does not change what
// the inputs after it mean, and a saved input replays as it ran.
inline void reset_switches() {
  core::switches() = core::Switches{};
  core::switches().autoexec = 0;
  core::switches().verbose = 0;
}

inline std::unique_ptr<core::Interp> safe_interp() {
  reset_switches();
  auto interp = core::nuvelCreateTopInterp(0, nullptr);
  if (interp->install != safe_install) full_install = interp->install;
  remove_unsafe_commands(*interp);
  interp->install = safe_install;
  return interp;
}

// The inputs run in one interpreter since it was made, kept so that a run
// that only goes wrong after what earlier inputs left behind can be replayed:
// on a finding they are written to the folder "sequence-<pid>", named in the
// order they ran, ready for fuzz/sequences/.
class History {
 public:
  void restart() { inputs_.clear(); }
  void add(const uint8_t* data, size_t size) {
    inputs_.emplace_back(reinterpret_cast<const char*>(data), size);
  }
  void write() const {
    const std::string dir = "sequence-" + std::to_string(platform::process_id());
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    for (size_t i = 0; i < inputs_.size(); ++i) {
      char name[24];
      std::snprintf(name, sizeof name, "%03zu", i);
      std::ofstream(dir + "/" + name, std::ios::binary) << inputs_[i];
    }
    std::fprintf(stderr, "the %zu inputs run in this interpreter are in %s/\n", inputs_.size(),
                 dir.c_str());
  }

 private:
  std::vector<std::string> inputs_;
};

// Sets the break flag when a run lasts longer than `limit` (Ctrl+C); when the
// run goes on for 2 more seconds, sets it every millisecond (Ctrl+C held
// down) and aborts when even that has not ended the run after 20 seconds.
class Watchdog {
 public:
  explicit Watchdog(std::chrono::milliseconds limit, const History* history = nullptr)
      : limit_(limit), history_(history), thread_([this] { loop(); }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  void begin() {
    std::lock_guard<std::mutex> lock(mutex_);
    (void)platform::take_break_flag();
    deadline_ = std::chrono::steady_clock::now() + limit_;
    armed_ = true;
    stage_ = Stage::Waiting;
    wake_.notify_all();
  }
  void end() {
    std::lock_guard<std::mutex> lock(mutex_);
    armed_ = false;
    (void)platform::take_break_flag();
  }

 private:
  void loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!done_) {
      if (!armed_) {
        wake_.wait(lock);
        continue;
      }
      if (wake_.wait_until(lock, deadline_) != std::cv_status::timeout || !armed_) continue;
      const auto now = std::chrono::steady_clock::now();
      switch (stage_) {
        case Stage::Waiting:  // Ctrl+C, once
          platform::set_break_flag();
          stage_ = Stage::Pressed;
          deadline_ = now + std::chrono::seconds(2);
          break;
        case Stage::Pressed:
          // Caught (catch absorbs an interruption by design): Ctrl+C held
          // down, so every loop and command around ends too.
          stage_ = Stage::Held;
          held_until_ = now + std::chrono::seconds(20);
          [[fallthrough]];
        case Stage::Held:
          if (now >= held_until_) {
            // Nothing stopped it: a script that cannot be interrupted.
            // Crash so that the input is kept.
            std::fputs("watchdog: a script went on running under Ctrl+C\n", stderr);
            // The evaluation thread is stuck, so the history holds still.
            if (history_) history_->write();
            std::abort();
          }
          platform::set_break_flag();
          deadline_ = now + std::chrono::milliseconds(1);
          break;
      }
    }
  }

  std::chrono::milliseconds limit_;
  const History* history_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::chrono::steady_clock::time_point deadline_{};
  bool armed_ = false;
  enum class Stage { Waiting, Pressed, Held };
  Stage stage_ = Stage::Waiting;
  std::chrono::steady_clock::time_point held_until_{};
  bool done_ = false;
  std::thread thread_;
};

// Runs `body` with console output captured and thrown away, on a thread
// with the interpreter's large stack.
template <class F>
void quietly(F&& body) {
  std::string sink;
  std::string* previous = platform::capture();
  platform::set_capture(&sink);
  (void)platform::run_with_stack(size_t{1} << 30, [&] {
    body();
    return 0;
  });
  platform::set_capture(previous);
}

}  // namespace fuzzing
