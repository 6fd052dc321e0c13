// Registration from command tables and the one dispatcher of ensembles.
#include "core/command_table.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "containers/text_compare.h"
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

[[gnu::section(".text.startup.register")]] int nuvelRegisterCommands(
    Interp& interp, std::vector<CommandRecord>&& fresh) {
  auto& cmds = interp.commands;
  auto by_name = [](const CommandRecord& a, const CommandRecord& b) { return a.name < b.name; };
  // Names compare byte for byte, as in the lookup. The order is sorted as
  // positions (records are large to move), and of equal names the first
  // keeps its place and the rest go. Start-up sorts some 400 names: each is
  // compared first by its leading eight bytes as one number (in byte order,
  // zero-padded), and positions break ties, which keeps the sort stable
  // without a merge buffer.
  std::vector<uint32_t> order(fresh.size());
  std::vector<uint64_t> prefix(fresh.size());
  for (uint32_t i = 0; i < order.size(); ++i) {
    order[i] = i;
    const std::string& name = fresh[i].name;
    uint64_t key = 0;
    for (size_t k = 0; k < 8; ++k) {
      key = (key << 8) | (k < name.size() ? static_cast<unsigned char>(name[k]) : 0U);
    }
    prefix[i] = key;
  }
  std::sort(order.begin(), order.end(), [&fresh, &prefix](uint32_t a, uint32_t b) {
    if (prefix[a] != prefix[b]) return prefix[a] < prefix[b];
    int c = fresh[a].name.compare(fresh[b].name);
    return c != 0 ? c < 0 : a < b;
  });
  size_t old_size = cmds.size();
  cmds.reserve(old_size + fresh.size());
  int added = 0;
  for (uint32_t i : order) {
    CommandRecord& record = fresh[i];
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

namespace {

struct RowBatch {
  bool open = false;
  std::vector<CommandRecord> rows;
};

}  // namespace

void open_row_batch(Interp& interp) {
  RowBatch& batch = interp.state<RowBatch>();
  batch.open = true;
  batch.rows.reserve(512);
}

[[gnu::section(".text.startup.register")]] void flush_row_batch(Interp& interp) {
  RowBatch& batch = interp.state<RowBatch>();
  if (!batch.rows.empty()) (void)nuvelRegisterCommands(interp, std::exchange(batch.rows, {}));
}

const CommandRecord* find_command_or_row(Interp& interp, std::string_view name) {
  if (const CommandRecord* found = nuvelGetCommand(interp, name)) return found;
  const RowBatch& batch = interp.state<RowBatch>();
  if (!batch.open) return nullptr;
  for (const CommandRecord& row : batch.rows) {
    if (row.name == name) return &row;
  }
  return nullptr;
}

void close_row_batch(Interp& interp) {
  flush_row_batch(interp);
  interp.state<RowBatch>().open = false;
}

[[gnu::section(".text.startup.register")]] void register_rows(Interp& interp,
                                                              std::span<const CommandRow> rows) {
  RowBatch& batch = interp.state<RowBatch>();
  std::vector<CommandRecord> fresh;
  std::vector<CommandRecord>& into = batch.open ? batch.rows : fresh;
  if (!batch.open) fresh.reserve(rows.size());
  for (const CommandRow& row : rows) {
    if (row.name == nullptr) continue;
    CommandRecord& rec = into.emplace_back();
    rec.name = row.name;
    rec.handler = row.handler;
    rec.min_words = row.min_words;
    rec.max_words = row.max_words;
    rec.usage = row.usage;
    rec.flags = row.flags;
  }
  if (!batch.open) (void)nuvelRegisterCommands(interp, std::move(fresh));
}

const EnsembleRow* find_subcommand(const Ensemble& ensemble, std::string_view sub) {
  const EnsembleRow* prefix_hit = nullptr;
  int prefix_hits = 0;
  // Every kind of match needs the first letters to agree, without regard to
  // ASCII case: rows that start otherwise are passed over at one compare.
  const char first = sub.empty() ? '\0' : containers::ascii_lower(sub[0]);
  for (const EnsembleRow& row : ensemble.rows) {
    if (!sub.empty() && containers::ascii_lower(row.name[0]) != first) continue;
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
  return dispatch_row(interp, ensemble, find_subcommand(ensemble, argv[1].view()), argc, argv);
}

Code dispatch_row(Interp& interp, const Ensemble& ensemble, const EnsembleRow* row, int argc,
                  Value* argv) {
  if (row == nullptr) return fail(interp, ensemble.unknown, argv[1]);
  if (outside(argc, row->min_words, row->max_words)) return nuvelWrongArgs(interp, argc, argv);
  return row->handler(interp, argc, argv, nullptr);
}

Code run_handler(Interp& interp, CommandHandler handler, int argc, Value* argv, void* data) {
  ScopedRestore<int> keep_argc(interp.command_argc, argc);
  ScopedRestore<const Value*> keep_argv(interp.command_argv, argv);
  return handler(interp, argc, argv, data);
}

[[gnu::section(".text.startup.register")]] void register_ensemble(Interp& interp,
                                                                  const Ensemble& ensemble) {
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
