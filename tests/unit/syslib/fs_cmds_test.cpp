// File commands where script tests cannot reach: permission-denied paths (run
// in a child process that gives up root, since root passes every permission
// check), symbolic links, and the folders rmdir -force must refuse.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/script_harness.h"

namespace {

namespace fs = std::filesystem;
using testing_support::run_script;
using testing_support::ScriptRun;

// A fresh folder under /tmp, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder() {
    std::string tmpl = "/tmp/nuvel_fs_testXXXXXX";
    if (::mkdtemp(tmpl.data()) != nullptr) path_ = tmpl;
  }
  ~TempFolder() {
    std::error_code ec;
    if (!path_.empty()) {
      // Give back the permissions the tests took away, so that removal works.
      for (const auto& e : fs::recursive_directory_iterator(
               path_, fs::directory_options::skip_permission_denied, ec)) {
        if (!e.is_symlink()) ::chmod(e.path().c_str(), 0755);
      }
      ::chmod(path_.c_str(), 0755);
      for (const char* d : {"/closed", "/ro"}) ::chmod((path_ + d).c_str(), 0755);
      fs::remove_all(path_, ec);
    }
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

void write(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs `checks` in a child process without root's privileges; the child's
// failures are printed there and make its exit status non-zero.
template <class Checks>
void run_unprivileged(const Checks& checks) {
  std::fflush(nullptr);
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
    ::_exit(checks() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

bool expect_run(const std::string& script, core::Code code, const std::string& result,
                const std::string& error_msg) {
  ScriptRun run = run_script(script);
  if (run.code == code && run.result == result && run.errorMsg == error_msg) return true;
  std::fprintf(stderr,
               "script: %s\n  code %d (want %d)\n  result '%s' (want '%s')\n"
               "  errorMsg '%s' (want '%s')\n",
               script.c_str(), core::code_int(run.code), core::code_int(code), run.result.c_str(),
               result.c_str(), run.errorMsg.c_str(), error_msg.c_str());
  return false;
}

TEST(FileCommands, PermissionDeniedIsReportedAndKeepsData) {
  TempFolder tmp;
  ASSERT_FALSE(tmp.path().empty());
  const std::string d = tmp.path();
  ::chmod(d.c_str(), 0755);
  write(d + "/noread", "secret");
  ::chmod((d + "/noread").c_str(), 0);
  write(d + "/f", "data");
  ::chmod((d + "/f").c_str(), 0644);
  fs::create_directory(d + "/ro");
  write(d + "/ro/inside", "keep");
  ::chmod((d + "/ro/inside").c_str(), 0644);
  ::chmod((d + "/ro").c_str(), 0555);
  fs::create_directory(d + "/closed");
  ::chmod((d + "/closed").c_str(), 0);

  run_unprivileged([&] {
    bool ok = true;
    const std::string denied = " (Permission denied)";
    ok &= expect_run("readfile " + d + "/noread", core::Code::Error, "",
                     "readfile: Can't read '" + d + "/noread'" + denied);
    ok &= expect_run("readfile " + d + "/noread lines -array", core::Code::Error, "",
                     "readfile: Can't read '" + d + "/noread'" + denied);
    ok &= expect_run("writefile " + d + "/ro/new x", core::Code::Error, "0",
                     "writefile: Can't write '" + d + "/ro/new'" + denied);
    ok &= expect_run("writefile " + d + "/ro/inside x", core::Code::Error, "0",
                     "writefile: Can't write '" + d + "/ro/inside'" + denied);
    ok &= expect_run("copyfile " + d + "/f " + d + "/ro/", core::Code::Error, "0",
                     "copyfile: Can't copy '" + d + "/f' to '" + d + "/ro/f'" + denied);
    ok &= expect_run("copyfile " + d + "/f " + d + "/ro/inside -y", core::Code::Error, "0",
                     "copyfile: Can't copy '" + d + "/f' to '" + d + "/ro/inside'" + denied);
    ok &= expect_run("movefile " + d + "/ro/inside " + d + "/moved", core::Code::Ok, "0", "");
    ok &= expect_run("ren " + d + "/ro/inside " + d + "/moved", core::Code::Ok, "0", "");
    ok &= expect_run("file delete " + d + "/ro/inside", core::Code::Error, "0",
                     "delete: " + d + "/ro/inside not found");
    ok &= expect_run("file delete " + d + "/ro/insid? -nocomplain", core::Code::Ok, "0", "");
    ok &= expect_run("ls " + d + "/closed/", core::Code::Error, "",
                     "ls: Can't read '" + d + "/closed/'" + denied);
    ok &= expect_run("cd " + d + "/closed", core::Code::Error, "",
                     "cd: Can't change to '" + d + "/closed'" + denied);
    ok &= expect_run("list [file readable " + d + "/noread] [file writeable " + d +
                         "/ro/inside] [file md5 " + d + "/noread] [file attributes " + d +
                         "/ro/inside]",
                     core::Code::Ok,
                     "0 0 0 {-archive 0 -hidden 0 -system 0 -readonly 1 -longname inside "
                     "-shortname {}}",
                     "");
    ok &= expect_run("mkdirs " + d + "/ro/x/y", core::Code::Ok, "0", "");
    return ok;
  });
  // Nothing the refused commands touched was lost or changed.
  EXPECT_EQ(read(d + "/ro/inside"), "keep");
  EXPECT_EQ(read(d + "/f"), "data");
  EXPECT_FALSE(fs::exists(d + "/moved"));
  EXPECT_FALSE(fs::exists(d + "/ro/new"));
}

TEST(FileCommands, SymbolicLinksStandInForShortcuts) {
  TempFolder tmp;
  ASSERT_FALSE(tmp.path().empty());
  const std::string d = tmp.path();
  write(d + "/target.txt", "t");
  fs::create_directory(d + "/sub");
  write(d + "/sub/inner", "i");
  fs::create_symlink("target.txt", d + "/link");
  fs::create_symlink("../sub", d + "/sub/loop");  // a cycle ls -r must not follow
  fs::create_symlink("sub", d + "/dirlink");
  fs::create_symlink("nowhere", d + "/dangling");

  ScriptRun run =
      run_script("list [file type " + d + "/link] [file type " + d + "/dangling] [file exists " +
                 d + "/link] [file isfile " + d + "/link] [file isdirectory " + d + "/dirlink]");
  EXPECT_EQ(run.result, "link link 1 1 1") << run.errorMsg;
  run = run_script("link_to_path " + d + "/link");
  EXPECT_EQ(run.result, d + "/target.txt") << run.errorMsg;
  run = run_script("link_to_path " + d + "/sub/loop");
  EXPECT_EQ(run.result, d + "/sub") << run.errorMsg;
  run = run_script("ls " + d + " -r -list");
  EXPECT_EQ(run.result, "dangling dirlink/ link sub/ sub/inner sub/loop/ target.txt")
      << run.errorMsg;
  run = run_script("glob -directory " + d + " -tails -types l *");
  EXPECT_EQ(run.result, "dangling dirlink link");

  // Deleting or moving a link never touches what it points at.
  run = run_script("list [file delete " + d + "/link] [unlink " + d + "/dangling] [movefile " + d +
                   "/dirlink " + d + "/moved]");
  EXPECT_EQ(run.result, "1 1 1") << run.errorMsg;
  EXPECT_EQ(read(d + "/target.txt"), "t");
  EXPECT_TRUE(fs::is_symlink(d + "/moved"));
  EXPECT_EQ(read(d + "/sub/inner"), "i");

  // rmdir -force removes a tree holding links without following them.
  fs::create_directory(d + "/outside");
  write(d + "/outside/precious", "p");
  fs::create_directory(d + "/tree");
  fs::create_symlink(d + "/outside", d + "/tree/out");
  run = run_script("rmdir " + d + "/tree -force");
  EXPECT_EQ(run.result, "1") << run.errorMsg;
  EXPECT_FALSE(fs::exists(d + "/tree"));
  EXPECT_EQ(read(d + "/outside/precious"), "p");
}

TEST(FileCommands, RmdirForceRefusesTheHomeFolderAndWhatHoldsIt) {
  TempFolder tmp;
  ASSERT_FALSE(tmp.path().empty());
  const std::string d = tmp.path();
  fs::create_directories(d + "/home/user");
  write(d + "/home/user/notes", "n");
  const char* old_home = std::getenv("HOME");
  std::string saved = old_home ? old_home : "";
  ::setenv("HOME", (d + "/home/user").c_str(), 1);
  ScriptRun by_name = run_script("rmdir " + d + "/home/user -force");
  ScriptRun parent = run_script("rmdir " + d + "/home/../home -force");
  const fs::path here = fs::current_path();
  ScriptRun dot = run_script("cd " + d + "/home/user; catch {rmdir . -force}");
  fs::current_path(here);
  if (old_home) {
    ::setenv("HOME", saved.c_str(), 1);
  } else {
    ::unsetenv("HOME");
  }
  EXPECT_EQ(by_name.code, core::Code::Error);
  EXPECT_EQ(by_name.errorMsg, "rmdir: Refusing to remove '" + d + "/home/user'");
  EXPECT_EQ(parent.code, core::Code::Error);
  EXPECT_EQ(parent.errorMsg, "rmdir: Refusing to remove '" + d + "/home/../home'");
  EXPECT_EQ(dot.result, "1");
  EXPECT_EQ(read(d + "/home/user/notes"), "n");
}

TEST(FileCommands, HundredMegabyteFileKeepsEveryByte) {
  TempFolder tmp;
  ASSERT_FALSE(tmp.path().empty());
  const std::string f = tmp.path() + "/big";
  std::string data(100u << 20, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 7919u) >> 3);
  write(f, data);
  ScriptRun run = run_script("readfile " + f);
  EXPECT_EQ(run.code, core::Code::Ok);
  EXPECT_TRUE(run.result == data) << "size " << run.result.size();
  run = run_script("set n [readfile " + f + " v]; writefile " + f + ".copy v -var; set n");
  EXPECT_EQ(run.result, std::to_string(data.size())) << run.errorMsg;
  EXPECT_TRUE(read(f + ".copy") == data);
}

// Moves between two file systems copy first and remove the source only
// once the copy is in place. Needs /dev/shm on a file system of its own.
TEST(FileCommands, MoveAcrossFileSystemsKeepsTheSourceUntilDone) {
  struct stat a {
  }, b{};
  if (::stat("/tmp", &a) != 0 || ::stat("/dev/shm", &b) != 0 || a.st_dev == b.st_dev ||
      ::access("/dev/shm", W_OK) != 0) {
    GTEST_SKIP() << "no second writable file system at /dev/shm";
  }
  TempFolder src;
  ASSERT_FALSE(src.path().empty());
  std::string shm = "/dev/shm/nuvel_fs_testXXXXXX";
  ASSERT_NE(::mkdtemp(shm.data()), nullptr);
  const std::string s = src.path();
  write(s + "/file", "payload");
  fs::create_directories(s + "/tree/deep");
  write(s + "/tree/deep/x", "x");
  fs::create_symlink("deep/x", s + "/tree/link");
  write(shm + "/existing", "old");

  ScriptRun run = run_script("list [movefile " + s + "/file " + shm + "/file] [movefile " + s +
                             "/tree " + shm + "] [ren " + shm + "/file " + s + "/back]");
  EXPECT_EQ(run.result, "1 1 1") << run.errorMsg;
  EXPECT_FALSE(fs::exists(s + "/file"));
  EXPECT_FALSE(fs::exists(s + "/tree"));
  EXPECT_EQ(read(shm + "/tree/deep/x"), "x");
  EXPECT_TRUE(fs::is_symlink(shm + "/tree/link"));
  EXPECT_EQ(read(s + "/back"), "payload");

  // -overwrite replaces across file systems too; without it nothing moves.
  write(s + "/new", "new");
  run = run_script("list [catch {movefile " + s + "/new " + shm + "/existing}] [movefile " + s +
                   "/new " + shm + "/existing -overwrite]");
  EXPECT_EQ(run.result, "1 1") << run.errorMsg;
  EXPECT_EQ(read(shm + "/existing"), "new");

  // A copy that cannot be made leaves the source in place.
  fs::create_directory(shm + "/ro");
  ::chmod((shm + "/ro").c_str(), 0555);
  ::chmod(s.c_str(), 0777);
  ::chmod((s + "/back").c_str(), 0666);
  run_unprivileged([&] {
    return expect_run("movefile " + s + "/back " + shm + "/ro/back", core::Code::Ok, "0", "");
  });
  EXPECT_EQ(read(s + "/back"), "payload");
  EXPECT_FALSE(fs::exists(shm + "/ro/back"));
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(shm + "/ro")) left.push_back(e.path().string());
  EXPECT_TRUE(left.empty());
  ::chmod((shm + "/ro").c_str(), 0755);
  std::error_code ec;
  fs::remove_all(shm, ec);
}

}  // namespace
