// Command tables: every family registers its commands from one table of rows,
// and a command with subcommands dispatches them from one ensemble table. The
// rows carry each command's word counts and usage, so the evaluator checks the
// number of words before a handler runs, and the usage report, the help file
// checks and the command fuzz test all read the same tables.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "core/messages.h"
#include "core/nuvel.h"

namespace core {

// Row flags.
enum CommandFlag : uint32_t {
  kSafe = 0,
  // Touches files, processes, the network, the terminal's input, the clock
  // or sleeps: random-script tests must not call it.
  kUnsafe = 1u << 0,
  // Ends or suspends the process or the evaluation (exit, cli, pause, ...).
  kNoFuzz = 1u << 1,
  // A procedure of the same name replaces it instead of being refused: for
  // built-ins with names scripts commonly give their own procedures ("run").
  kProcMayReplace = 1u << 2,
};

// No upper limit on the number of words.
inline constexpr int kAnyWords = -1;

// One row of a family's registration table. Word counts include the command
// name itself: `puts ?-nonewline? text` takes 2 to 3 words. A call outside
// [min_words, max_words] is answered with the wrong-argument report before the
// handler runs. `usage` is the syntax after the command name.
struct CommandRow {
  const char* name;
  CommandHandler handler;
  int min_words;
  int max_words;  // kAnyWords: no limit
  const char* usage;
  uint32_t flags = kSafe;
};

// How a subcommand word selects a row.
enum class Match : uint8_t {
  NoCase,  // the whole name, without regard to case
  Exact,   // the whole name, byte for byte
  Prefix,  // any unique case-insensitive prefix of the name
};

// One subcommand. The handler receives the whole word vector (argv[0] the
// command, argv[1] the subcommand); the word counts count both.
struct EnsembleRow {
  const char* name;
  CommandHandler handler;
  int min_words;
  int max_words;  // kAnyWords: no limit
  const char* usage;
  Match match = Match::NoCase;
  uint32_t flags = kSafe;
};

// A command made of subcommands. `unknown` is the family's message for a
// subcommand no row matches; it is formatted with the subcommand word.
struct Ensemble {
  const char* command;
  std::span<const EnsembleRow> rows;
  Msg unknown;
};

// Registers every row of a family (an existing name is left as it is).
// Every family's registration function, and these helpers, are placed in the
// section ".text.startup.register", which the linker puts beside the static
// initialisers: they run once, at start-up, and kept together they bring in
// a few pages of the binary instead of a page of every family's code.
void register_rows(Interp& interp, std::span<const CommandRow> rows);
// While a batch is open, register_rows collects the rows of every family
// and the table takes them in one sorted merge when the batch closes (or is
// flushed early).
// The first registration of a name wins, as without a batch.
void open_row_batch(Interp& interp);
void flush_row_batch(Interp& interp);
void close_row_batch(Interp& interp);
// The record `name` has, or will have once an open batch is registered: the
// table's, else the batch's first row of that name; null for neither. Lets a
// family look up one registered before it without flushing the batch.
const CommandRecord* find_command_or_row(Interp& interp, std::string_view name);

// Dispatches argv[1] through an ensemble: checks the word counts of the row
// and calls its handler; an unknown subcommand fails with the ensemble's
// message, a missing one with the wrong-argument report.
Code dispatch_ensemble(Interp& interp, const Ensemble& ensemble, int argc, Value* argv);
// The same with argv[1]'s row already found (find_subcommand), for families
// that look at it first.
Code dispatch_row(Interp& interp, const Ensemble& ensemble, const EnsembleRow* row, int argc,
                  Value* argv);

// Calls a handler directly (not through the command table) with `argv` as
// the running command's words, so that its messages carry its own name.
Code run_handler(Interp& interp, CommandHandler handler, int argc, Value* argv,
                 void* data = nullptr);

// The row of `sub` in an ensemble, or null.
const EnsembleRow* find_subcommand(const Ensemble& ensemble, std::string_view sub);

// Every ensemble registered by a family, for the usage report, the help
// checks and the fuzz test. Families add theirs in their register function.
void register_ensemble(Interp& interp, const Ensemble& ensemble);
const Ensemble* find_ensemble(const Interp& interp, std::string_view command);

// The usage line of a command: "name usage" from its row ("" when the command
// has no row, as procedures do).
std::string usage_of(const Interp& interp, std::string_view name);

}  // namespace core
