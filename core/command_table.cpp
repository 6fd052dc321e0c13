// Registration from command tables and the one dispatcher of ensembles.
#include "core/command_table.h"

#include <algorithm>
#include <vector>

#include "core/cmd_helpers.h"

namespace core {

namespace {

// The ensembles registered in one interpreter.
struct EnsembleList {
  std::vector<const Ensemble*> items;
};

bool outside(int argc, int min_words, int max_words) {
  return argc < min_words || (max_words >= 0 && argc > max_words);
}

}  // namespace

uint64_t fresh_command_epoch();

int nuvelRegisterCommands(Interp& interp, std::vector<CommandRecord>&& fresh) {
  auto& cmds = interp.commands;
  auto by_name = [](const CommandRecord& a, const CommandRecord& b) { return a.name < b.name; };
  // Names compare byte for byte, as in the lookup. Stable, so of equal names the first keeps its
  // place and the rest go.
  std::stable_sort(fresh.begin(), fresh.end(), by_name);
  size_t old_size = cmds.size();
  int added = 0;
  for (CommandRecord& record : fresh) {
    if (!cmds.empty() && cmds.size() > old_size && cmds.back().name == record.name) continue;
    auto end = cmds.begin() + static_cast<std::ptrdiff_t>(old_size);
    auto pos = std::lower_bound(cmds.begin(), end, record, by_name);
    if (pos != end && pos->name == record.name) continue;
    cmds.push_back(std::move(record));
    ++added;
  }
  if (added == 0) return 0;
  std::inplace_merge(cmds.begin(), cmds.begin() + static_cast<std::ptrdiff_t>(old_size), cmds.end(),
                     by_name);
  interp.command_count = static_cast<int32_t>(cmds.size());
  interp.commands_sorted = 1;
  interp.command_epoch = fresh_command_epoch();
  return added;
}

void register_rows(Interp& interp, std::span<const CommandRow> rows) {
  std::vector<CommandRecord> fresh;
  fresh.reserve(rows.size());
  for (const CommandRow& row : rows) {
    if (row.name == nullptr) continue;
    CommandRecord& rec = fresh.emplace_back();
    rec.name = row.name;
    rec.handler = row.handler;
    rec.min_words = row.min_words;
    rec.max_words = row.max_words;
    rec.usage = row.usage;
    rec.flags = row.flags;
  }
  (void)nuvelRegisterCommands(interp, std::move(fresh));
}

const EnsembleRow* find_subcommand(const Ensemble& ensemble, std::string_view sub) {
  const EnsembleRow* prefix_hit = nullptr;
  int prefix_hits = 0;
  for (const EnsembleRow& row : ensemble.rows) {
    switch (row.match) {
      case Match::Exact:
        if (sub == row.name) return &row;
        break;
      case Match::NoCase:
        if (iequals(sub, row.name)) return &row;
        break;
      case Match::Prefix:
        if (iequals(sub, row.name)) return &row;
        if (!sub.empty() && istarts_with(row.name, sub)) {
          prefix_hit = &row;
          ++prefix_hits;
        }
        break;
    }
  }
  return prefix_hits == 1 ? prefix_hit : nullptr;
}

Code dispatch_ensemble(Interp& interp, const Ensemble& ensemble, int argc, Value* argv) {
  if (argc < 2) return nuvelWrongArgs(interp, argc, argv);
  const EnsembleRow* row = find_subcommand(ensemble, argv[1].view());
  if (row == nullptr) return fail(interp, ensemble.unknown, argv[1]);
  if (outside(argc, row->min_words, row->max_words)) return nuvelWrongArgs(interp, argc, argv);
  return row->handler(interp, argc, argv, nullptr);
}

Code run_handler(Interp& interp, CommandHandler handler, int argc, Value* argv, void* data) {
  ScopedRestore<int> keep_argc(interp.command_argc, argc);
  ScopedRestore<const Value*> keep_argv(interp.command_argv, argv);
  return handler(interp, argc, argv, data);
}

void register_ensemble(Interp& interp, const Ensemble& ensemble) {
  auto& list = interp.state<EnsembleList>().items;
  for (const Ensemble* e : list) {
    if (e == &ensemble) return;
  }
  list.push_back(&ensemble);
}

const Ensemble* find_ensemble(const Interp& interp, std::string_view command) {
  auto& list = const_cast<Interp&>(interp).state<EnsembleList>().items;
  for (const Ensemble* e : list) {
    if (command == e->command) return e;
  }
  return nullptr;
}

std::string usage_of(const Interp& interp, std::string_view name) {
  for (const CommandRecord& rec : interp.commands) {
    if (rec.name != name) continue;
    if (rec.usage == nullptr) return "";
    std::string out(name);
    if (*rec.usage != '\0') {
      out += ' ';
      out += rec.usage;
    }
    return out;
  }
  return "";
}

}  // namespace core
