// Runs a fuzz target's entry point over saved inputs without libFuzzer, so
// every input that once broke the interpreter replays as an ordinary test in
// the release and sanitizer builds. Arguments are files or folders (each file
// in a folder, recursively); a missing folder is skipped.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

// NUVEL_REPLAY_TRACE=1 names each input on standard error before it runs,
// so the one that hangs or crashes a replay can be found.
void run_file(const std::filesystem::path& path, int& count) {
  static const bool trace = std::getenv("NUVEL_REPLAY_TRACE") != nullptr;
  if (trace) std::fprintf(stderr, "%s\n", path.c_str());
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  (void)LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  ++count;
}

}  // namespace

int main(int argc, char** argv) {
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path arg(argv[i]);
    std::error_code ec;
    if (std::filesystem::is_directory(arg, ec)) {
      std::vector<std::filesystem::path> files;
      for (const auto& entry : std::filesystem::recursive_directory_iterator(arg, ec)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
      }
      std::sort(files.begin(), files.end());
      for (const auto& file : files) run_file(file, count);
    } else if (std::filesystem::is_regular_file(arg, ec)) {
      run_file(arg, count);
    }
  }
  std::printf("%d input(s) replayed\n", count);
  return 0;
}
