// The trace switch file and the log it names. These tests own the switch
// file (CTest runs them under the "trace-switch-file" resource lock); a
// switch file a developer left in place is put back afterwards.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <iterator>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include <frame/trace.h>
#include <odbc/connection_record.h>
#include <tavro_host/tavro_host.h>

#include "checked_host.h"
#include "trace_switch_file.h"

namespace {

namespace fs = std::filesystem;
using sqelto::ConnectionRecord;

std::string ReadFile(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The log is a text file: its lines end the platform's way.
#ifdef _WIN32
constexpr std::string_view kLineEnd = "\r\n";
#else
constexpr std::string_view kLineEnd = "\n";
#endif

std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find(kLineEnd, start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + kLineEnd.size();
  }
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

  void WriteSwitchFile(const std::string &content) { sqelto_test::WriteTraceSwitchFile(content); }

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
  EXPECT_EQ(ReadFile(log_), "during 7 -12 text" + std::string(kLineEnd));
}

// Every connection has a stream of its own on the log, and so does every
// program that traces into it: a line one of them appends must never land
// over a line another appended at the same moment.
TEST_F(TraceLog, LinesOfStreamsWritingAtOnceAreAllKeptWhole) {
  WriteSwitchFile(log_.string() + "\n");
  constexpr int kLinesEach = 3000;
  const std::string padding(150, '.');  // lines long enough to be cut in pieces by a careless writer
  std::vector<std::string> ourClosings;
  {
    StandaloneConnection first;
    StandaloneConnection second;
    // The switch file is the whole machine's: a connection another test
    // program makes meanwhile traces into this log too. Gone now, it lets
    // none join later; the lines of one that joined before are whole lines
    // of their own and are passed over below.
    fs::remove(switchFile_);
    ASSERT_TRUE(sqelto::TraceOn(first.record));
    ASSERT_TRUE(sqelto::TraceOn(second.record));
    for (const ConnectionRecord *record : {first.record, second.record}) {
      std::ostringstream address;
      address << "ENTER ODBCCloseDatabase(" << std::uppercase << std::hex << std::setfill('0')
              << std::setw(static_cast<int>(sizeof(void *) * 2)) << reinterpret_cast<uintptr_t>(record) << ")";
      ourClosings.push_back(address.str());
    }
    auto writeLines = [&padding](ConnectionRecord *record, char name) {
      for (int i = 0; i < kLinesEach; ++i) sqelto::Trace(record, name, ' ', i, ' ', padding);
    };
    std::thread one(writeLines, first.record, 'a');
    std::thread two(writeLines, second.record, 'b');
    one.join();
    two.join();
  }

  const std::vector<std::string> lines = Lines(ReadFile(log_));
  std::vector<int> next(2, 0);
  int closings = 0;
  int ours = 0;
  int mangled = 0;
  int outOfOrder = 0;
  const std::regex shape("([ab]) ([0-9]+) (\\.+)");
  const std::regex pieceOfOurs("(.*\\.\\.\\.\\..*)|([ab] [0-9]+ ?)");
  for (const std::string &line : lines) {
    if (std::find(ourClosings.begin(), ourClosings.end(), line) != ourClosings.end()) {  // each record's release
      ++closings;
      continue;
    }
    std::smatch match;
    if (!std::regex_match(line, match, shape) || match[3].str() != padding) {
      if (!std::regex_match(line, pieceOfOurs)) continue;  // a whole line of another program's connection
      if (++mangled <= 3) ADD_FAILURE() << "a line not written whole: " << line;
      continue;
    }
    ++ours;
    // Each stream's own lines stay in the order it wrote them.
    const int stream = match[1].str() == "a" ? 0 : 1;
    const int number = std::stoi(match[2].str());
    if (number != next[stream] && ++outOfOrder <= 3)
      ADD_FAILURE() << "stream " << match[1].str() << " wrote line " << number << " after line " << next[stream] - 1;
    next[stream] = number + 1;
  }
  EXPECT_EQ(mangled, 0);
  EXPECT_EQ(outOfOrder, 0);
  EXPECT_EQ(closings, 2);
  EXPECT_EQ(ours, 2 * kLinesEach);
  EXPECT_EQ(next, std::vector<int>(2, kLinesEach));
}

TEST_F(TraceLog, StreamFallsBackToStandardOutput) {
  StandaloneConnection connection;
  EXPECT_EQ(&sqelto::TraceStream(connection.record), &std::cout);
}

#ifndef _WIN32
// The switch file is in /tmp, where any local user can put one, and the log
// receives connection strings with their passwords: only a switch file no
// other user could have written counts, and the log is never another user's
// file nor reached through a symbolic link.
TEST_F(TraceLog, OnlyASwitchFileNoOtherUserCouldWriteCounts) {
  const uid_t nobody = 65534;
  auto traces = [] { return sqelto::TraceOn(StandaloneConnection().record); };
  WriteSwitchFile(log_.string() + "\n");
  ASSERT_TRUE(traces());

  ASSERT_EQ(chown(switchFile_.c_str(), nobody, nobody), 0);
  EXPECT_FALSE(traces()) << "a switch file of another user";
  ASSERT_EQ(chown(switchFile_.c_str(), geteuid(), getegid()), 0);
  for (const mode_t writable : {0664, 0646, 0666}) {
    ASSERT_EQ(chmod(switchFile_.c_str(), writable), 0);
    EXPECT_FALSE(traces()) << "mode " << std::oct << writable;
  }
  ASSERT_EQ(chmod(switchFile_.c_str(), 0600), 0);
  EXPECT_TRUE(traces());

  // A symbolic link to a switch file that would count on its own.
  const fs::path target = folder_ / "switch.txt";
  fs::rename(switchFile_, target);
  fs::create_symlink(target, switchFile_);
  EXPECT_FALSE(traces()) << "a switch file reached through a symbolic link";
}

TEST_F(TraceLog, TheLogIsTheUsersOwnAndNewOnesAreReadableByItOnly) {
  WriteSwitchFile(log_.string() + "\n");
  {
    StandaloneConnection connection;
    ASSERT_TRUE(sqelto::TraceOn(connection.record));
    sqelto::Trace(connection.record, "ENTER ODBCConnect(PWD=s3cret)");
  }
  struct stat status {};
  ASSERT_EQ(stat(log_.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0600u);

  // A log of another user is not written to.
  ASSERT_EQ(chown(log_.c_str(), 65534, 65534), 0);
  EXPECT_FALSE(sqelto::TraceOn(StandaloneConnection().record));
  fs::remove(log_);

  // Nor is a symbolic link followed, whether its target exists or not.
  const fs::path target = folder_ / "elsewhere.txt";
  fs::create_symlink(target, log_);
  EXPECT_FALSE(sqelto::TraceOn(StandaloneConnection().record));
  EXPECT_FALSE(fs::exists(target));
  std::ofstream(target) << "kept\n";
  EXPECT_FALSE(sqelto::TraceOn(StandaloneConnection().record));
  EXPECT_EQ(ReadFile(target), "kept\n");
}
#endif

#ifdef _WIN32
// Windows tools save text in more than one encoding (PowerShell's redirection
// UTF-16, Notepad UTF-8, cmd's echo the code page); the switch file names its
// log whichever it was saved in, also outside the ANSI code page.
TEST_F(TraceLog, SwitchFilesSavedByWindowsToolsNameTheirLog) {
  const auto utf8 = [](const fs::path &path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
  };
  const auto utf16 = [](const std::wstring &text) {
    std::string bytes = "\xFF\xFE";
    for (const wchar_t unit : text) {
      bytes += static_cast<char>(unit & 0xFF);
      bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
  };
  struct Case {
    const char *how;
    std::string content;
    fs::path log;
  };
  std::vector<Case> cases = {
      {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF" + utf8(folder_ / "marked.log") + "\r\n", folder_ / "marked.log"},
      {"UTF-16 with a byte-order mark", utf16((folder_ / L"wide-\u00FC\u2713.log").wstring() + L"\r\n"),
       folder_ / L"wide-\u00FC\u2713.log"},
      {"UTF-8 outside the code page", utf8(folder_ / L"J\u00FCrgen-\u2713.log") + "\r\n",
       folder_ / L"J\u00FCrgen-\u2713.log"},
  };
  if (GetACP() == 1252)  // as before: text that is not UTF-8 is in the ANSI code page
    cases.push_back({"code page 1252", utf8(folder_) + "\\J\xFCrgen.log\r\n", folder_ / L"J\u00FCrgen.log"});

  for (const Case &c : cases) {
    WriteSwitchFile(c.content);
    {
      StandaloneConnection connection;
      EXPECT_TRUE(sqelto::TraceOn(connection.record)) << c.how;
      sqelto::Trace(connection.record, "ENTER ODBCCommit(", connection.record, ")");
    }
    const std::vector<std::string> lines = Lines(ReadFile(c.log));
    EXPECT_EQ(lines.size(), 2u) << c.how;  // with the record's closing line
    if (!lines.empty()) {
      EXPECT_TRUE(lines[0].starts_with("ENTER ODBCCommit(")) << c.how << ": " << lines[0];
    }
  }
  std::vector<std::string> logs;
  for (const fs::directory_entry &entry : fs::directory_iterator(folder_)) logs.push_back(utf8(entry.path().filename()));
  EXPECT_EQ(logs.size(), cases.size()) << "a log made under another name: " << testing::PrintToString(logs);
}
#endif

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
