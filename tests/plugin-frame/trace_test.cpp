// The trace switch file and the log it names. These tests own the switch
// file (CTest runs them under the "trace-switch-file" resource lock); a
// switch file a developer left in place is put back afterwards.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include <frame/trace.h>
#include <odbc/connection_record.h>
#include <tavro_host/tavro_host.h>

#include "checked_host.h"

namespace {

namespace fs = std::filesystem;
using sqelto::ConnectionRecord;

std::string ReadFile(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A connection record of its own, released and freed at scope end.
struct StandaloneConnection {
  ConnectionRecord *record = sqelto::NewStandaloneRecord();
  ~StandaloneConnection() {
    sqelto::Release(record);
    sqelto::DeleteStandaloneRecord(record);
  }
};

class TraceLog : public ::testing::Test {
 protected:
  void SetUp() override {
    switchFile_ = sqelto::TraceSwitchFilePath();
    if (fs::exists(switchFile_)) {
      saved_ = ReadFile(switchFile_);
      fs::remove(switchFile_);
    }
    folder_ = fs::temp_directory_path() /
              ("sqelto-trace-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    log_ = folder_ / "trace.log";
  }

  void TearDown() override {
    fs::remove(switchFile_);
    if (saved_) std::ofstream(switchFile_, std::ios::binary) << *saved_;
    fs::remove_all(folder_);
  }

  void WriteSwitchFile(const std::string &content) { std::ofstream(switchFile_, std::ios::binary) << content; }

  fs::path switchFile_;
  std::optional<std::string> saved_;
  fs::path folder_;
  fs::path log_;
};

TEST_F(TraceLog, NoSwitchFileTracesNothingAnywhere) {
  testing::internal::CaptureStdout();
  {
    StandaloneConnection connection;
    EXPECT_FALSE(sqelto::TraceOn(connection.record));
    EXPECT_EQ(connection.record->traceStream, nullptr);
    sqelto::Trace(connection.record, "ENTER ODBCCommit(", connection.record, ")");
    bool evaluated = false;
    SQELTO_TRACE(connection.record, "ENTER ", (evaluated = true) ? "x" : "y");
    EXPECT_FALSE(evaluated) << "a connection that does not trace formats nothing";
  }
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_TRUE(fs::is_empty(folder_));
}

TEST_F(TraceLog, EmptyFirstLineLeavesTracingOff) {
  WriteSwitchFile("\n" + log_.string() + "\n");
  StandaloneConnection connection;
  EXPECT_FALSE(sqelto::TraceOn(connection.record));
  EXPECT_FALSE(fs::exists(log_));

  WriteSwitchFile("");
  StandaloneConnection another;
  EXPECT_FALSE(sqelto::TraceOn(another.record));
}

TEST_F(TraceLog, LogInAMissingFolderLeavesTracingOffSilently) {
  const fs::path missing = folder_ / "no-such-folder" / "trace.log";
  WriteSwitchFile(missing.string() + "\n");
  testing::internal::CaptureStdout();
  {
    StandaloneConnection connection;
    EXPECT_FALSE(sqelto::TraceOn(connection.record));
    EXPECT_EQ(connection.record->traceStream, nullptr);
    sqelto::Trace(connection.record, "ENTER ODBCCommit(", connection.record, ")");
  }
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_FALSE(fs::exists(missing.parent_path()));
}

TEST_F(TraceLog, TwoConnectionsAppendToOneLog) {
  std::ofstream(log_) << "earlier run\n";
  WriteSwitchFile(log_.string() + "\nignored second line\n");
  {
    StandaloneConnection first;
    StandaloneConnection second;
    ASSERT_TRUE(sqelto::TraceOn(first.record));
    ASSERT_TRUE(sqelto::TraceOn(second.record));
    EXPECT_NE(first.record->traceStream, second.record->traceStream) << "each connection owns its stream";
    sqelto::Trace(first.record, "ENTER ODBCCommit(", first.record, ")");
    sqelto::Trace(second.record, "ENTER ODBCRollback(", second.record, ")");
    sqelto::Trace(first.record, "ENTER ColumnName(", 3, "): ", static_cast<void *>(nullptr));

    // Each line is flushed as it ends: the log holds it before any close.
    const std::vector<std::string> lines = Lines(ReadFile(log_));
    ASSERT_EQ(lines.size(), 4u) << ReadFile(log_);
    EXPECT_EQ(lines[0], "earlier run");

    // Pointers: upper-case hexadecimal, no prefix, as wide as a pointer.
    const std::string hexDigits = "([0-9A-F]{" + std::to_string(sizeof(void *) * 2) + "})";
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[1], match, std::regex("ENTER ODBCCommit\\(" + hexDigits + "\\)")));
    EXPECT_EQ(std::strtoull(match[1].str().c_str(), nullptr, 16), reinterpret_cast<uintptr_t>(first.record));
    ASSERT_TRUE(std::regex_match(lines[2], match, std::regex("ENTER ODBCRollback\\(" + hexDigits + "\\)")));
    EXPECT_EQ(std::strtoull(match[1].str().c_str(), nullptr, 16), reinterpret_cast<uintptr_t>(second.record));
    EXPECT_EQ(lines[3], "ENTER ColumnName(3): " + std::string(sizeof(void *) * 2, '0'));
  }
}

TEST_F(TraceLog, DecidedOnceWhenTheConnectionIsMade) {
  StandaloneConnection before;  // made while there is no switch file
  WriteSwitchFile(log_.string() + "\r\n");  // a line end written on Windows
  StandaloneConnection during;
  fs::remove(switchFile_);
  StandaloneConnection after;

  EXPECT_FALSE(sqelto::TraceOn(before.record));
  EXPECT_TRUE(sqelto::TraceOn(during.record));
  EXPECT_FALSE(sqelto::TraceOn(after.record));

  sqelto::Trace(before.record, "before");
  sqelto::Trace(during.record, "during ", uint8_t{7}, ' ', -12, ' ', std::string("text"));
  sqelto::Trace(after.record, "after");
  EXPECT_EQ(ReadFile(log_), "during 7 -12 text\n");
}

TEST_F(TraceLog, StreamFallsBackToStandardOutput) {
  StandaloneConnection connection;
  EXPECT_EQ(&sqelto::TraceStream(connection.record), &std::cout);
}

// End to end: the built plug-in's ODBCDatabase objects decide tracing in
// their constructor.
TEST_F(TraceLog, ODBCDatabaseInstancesOfTheBuiltPlugin) {
  sqelto_test::CheckedHost host;
  host.load(SQELTO_PLUGIN_PATH);
  tavro::Object quiet = host.createInstance("ODBCDatabase");
  WriteSwitchFile(log_.string() + "\n");
  tavro::Object traced = host.createInstance("ODBCDatabase");

  EXPECT_EQ(static_cast<ConnectionRecord *>(quiet.instanceData())->traceOn, 0);
  EXPECT_EQ(static_cast<ConnectionRecord *>(traced.instanceData())->traceOn, 1);
  EXPECT_TRUE(fs::exists(log_));
}

}  // namespace
