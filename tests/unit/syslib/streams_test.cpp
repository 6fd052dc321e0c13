// Stream handles: binary-safe reads, the seek operation behind `file seek`,
// and the open-stream set.
#include "syslib/streams.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "support/script_harness.h"

namespace {

using core::Value;

// A file holding `bytes`, removed afterwards.
class DataFile {
 public:
  explicit DataFile(const std::string& bytes) {
    char name[] = "/tmp/nuvel_stream_XXXXXX";
    int fd = ::mkstemp(name);
    ::close(fd);
    path_ = name;
    std::ofstream(path_, std::ios::binary) << bytes;
  }
  ~DataFile() { ::unlink(path_.c_str()); }
  DataFile(const DataFile&) = delete;
  DataFile& operator=(const DataFile&) = delete;
  const std::string& path() const { return path_; }
  std::string contents() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::string path_;
};

class StreamsTest : public ::testing::Test {
 protected:
  std::unique_ptr<core::Interp> interp = testing_support::fresh_interp();

  testing_support::ScriptRun run(const std::string& script) {
    return testing_support::run_script(*interp, script);
  }
  std::string open(const std::string& path, const std::string& mode = "rb") {
    testing_support::ScriptRun r = run("open " + path + " " + mode);
    EXPECT_EQ(r.code, core::Code::Ok) << r.output;
    return r.result;
  }
  // Runs the seek operation as `file seek` will.
  std::string seek(const std::string& stream, const std::string& offset,
                   const char* origin = nullptr) {
    Value words[4] = {Value("seek"), Value(stream), Value(offset), Value(origin ? origin : "")};
    core::Code code = syslib::nuvelStreamSeek(*interp, origin ? 4 : 3, words);
    return code == core::Code::Ok ? std::string(interp->result.view()) : "error";
  }
};

TEST_F(StreamsTest, ReadKeepsNulBytes) {
  const std::string bytes("a\0b\0\0c\xff\n", 8);
  DataFile file(bytes);
  std::string h = open(file.path());
  testing_support::ScriptRun whole = run("read " + h);
  EXPECT_EQ(whole.code, core::Code::Ok);
  EXPECT_EQ(whole.result, bytes);
  testing_support::ScriptRun part = run("rewind " + h + "; read " + h + " 4");
  EXPECT_EQ(part.result, std::string("a\0b\0", 4));
  // A variable keeps the bytes too.
  testing_support::ScriptRun kept = run("set data [read " + h + "]; set data");
  EXPECT_EQ(kept.result, bytes);
  run("close " + h);
}

TEST_F(StreamsTest, HugeCountReadsWhatTheFileHolds) {
  std::string bytes(200000, 'q');
  bytes[123456] = 'Z';
  DataFile file(bytes);
  std::string h = open(file.path());
  testing_support::ScriptRun r = run("read " + h + " 9223372036854775807");
  EXPECT_EQ(r.code, core::Code::Ok);
  EXPECT_EQ(r.result, bytes);
  run("close " + h);
}

TEST_F(StreamsTest, SeekOriginsAndResults) {
  DataFile file("0123456789");
  std::string h = open(file.path());
  EXPECT_EQ(seek(h, "4"), "1");
  EXPECT_EQ(run("read " + h + " 2").result, "45");
  EXPECT_EQ(seek(h, "-3", "1"), "1");  // from the current position
  EXPECT_EQ(run("tell " + h).result, "3");
  EXPECT_EQ(seek(h, "-2", "2"), "1");                // from the end
  EXPECT_EQ(run("read " + h).result, "0123456789");  // read without count starts over
  EXPECT_EQ(seek(h, "-1", "2"), "1");
  EXPECT_EQ(run("read " + h + " 5").result, "9");
  // Origins below 0 count as 0, above 1 as 2.
  EXPECT_EQ(seek(h, "2", "-7"), "1");
  EXPECT_EQ(run("tell " + h).result, "2");
  EXPECT_EQ(seek(h, "-1", "9"), "1");
  EXPECT_EQ(run("tell " + h).result, "9");
  // A position before the start fails and leaves the position.
  EXPECT_EQ(seek(h, "-100"), "0");
  EXPECT_EQ(run("tell " + h).result, "9");
  run("close " + h);
}

TEST_F(StreamsTest, SeekRejectsHandlesThatAreNotOpen) {
  DataFile file("abc");
  std::string h = open(file.path());
  run("close " + h);
  EXPECT_EQ(seek(h, "0"), "error");
  EXPECT_EQ(seek("0", "0"), "error");
  EXPECT_EQ(seek("nonsense", "0"), "error");
  Value words[2] = {Value("seek"), Value(h)};
  EXPECT_EQ(syslib::nuvelStreamSeek(*interp, 2, words), core::Code::Stop);
}

TEST_F(StreamsTest, WritesReachTheFileAndCloseReportsSuccess) {
  DataFile file("");
  std::string h = open(file.path(), "wb");
  testing_support::ScriptRun r =
      run("puts " + h + " {one\\ttwo}; puts -nonewline " + h + " end; close " + h);
  EXPECT_EQ(r.result, "1");
  EXPECT_EQ(file.contents(), "one\ttwo\nend");
}

TEST_F(StreamsTest, OpenStreamsAreClosedWithTheirData) {
  DataFile file("");
  syslib::StreamTable& table = syslib::StreamTable::of(*interp);
  size_t before = table.open_count();
  std::string h = open(file.path(), "wb");
  run("puts " + h + " pending");
  EXPECT_EQ(table.open_count(), before + 1);
  table.close_all();
  EXPECT_EQ(table.open_count(), 0u);
  EXPECT_EQ(file.contents(), "pending\n");
  // The handle is gone; a new stream gets a new number.
  EXPECT_EQ(run("close " + h).code, core::Code::Error);
  std::string again = open(file.path());
  EXPECT_NE(again, h);
  run("close " + again);
}

TEST_F(StreamsTest, AccessDenied) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not apply to root";
  DataFile file("secret");
  ASSERT_EQ(::chmod(file.path().c_str(), 0), 0);
  testing_support::ScriptRun r = run("open " + file.path());
  EXPECT_EQ(r.code, core::Code::Error);
  EXPECT_EQ(r.result, "0");
  EXPECT_EQ(r.errorMsg, "open: Access denied opening '" + file.path() + "' for mode rb access");
}

}  // namespace
