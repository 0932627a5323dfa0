// The host is at least as strict as the runtime a plug-in ships to: text
// without an encoding, null strings where text is needed, values read by two
// threads, plug-in files that are cut short, and plug-ins that do not start.
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "fake_plugin_fixture.h"

namespace fs = std::filesystem;
using tavro::Object;

TEST_F(FakePluginTest, TextWithoutAnEncodingAndNullStringsAreMisuse) {
  Object o = host_.createInstance("FakeCounter");
  EXPECT_EQ(host_.call<tavro::String>(o, "RawString").bytes(), "raw");
  EXPECT_EQ(host_.violations(), (std::vector<std::string>{
                                    "method result: host string has no encoding (VANTSetStringEncoding was never called)"}));
  host_.clearViolations();

  // Every entry point answered its default; none took a null for the empty string.
  EXPECT_EQ(host_.call<int32_t>(o, "NullStrings"), 0);
  EXPECT_EQ(host_.violations(),
            (std::vector<std::string>{"StringGetCString: null string", "VANTGetStringEncoding: null string",
                                      "PluginGetStringData: null string",
                                      "PluginGetStringData: host string has no encoding (VANTSetStringEncoding was "
                                      "never called)"}));
  host_.clearViolations();
}

TEST_F(FakePluginTest, ValuesReadByTwoThreadsStayTheirOwn) {
  // Both cursors hand their text through one process-wide slot, as plug-ins
  // do. The host reads and keeps the slot's string before another thread
  // may run plug-in code; read later, the string may be another thread's or
  // already released.
  tavro::Database db(host_, host_.createInstance("FakeDatabase"));
  std::atomic<int> wrong{0};
  auto reader = [&] {
    for (int round = 0; round < 2000; ++round) {
      tavro::RecordSet rows = db.select("SELECT * FROM t");
      const char* const expected[] = {"Ann", "Zo\xC3\xAB", ""};
      for (int row = 0; rows.next(); ++row) {
        try {
          if (rows.value(1).asText() != expected[row]) ++wrong;
        } catch (const tavro::HostError&) {
          ++wrong;
        }
      }
    }
  };
  std::thread first(reader), second(reader);
  first.join();
  second.join();
  EXPECT_EQ(wrong.load(), 0);
}

namespace {

std::string RunTool(const std::string& arguments, int& status) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((TAVRO_HOST_TOOL " " + arguments + " 2>&1").c_str(), "r"), pclose);
  std::string out;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), pipe.get())) > 0) out.append(buf.data(), n);
  status = pclose(pipe.release());
  return out;
}

// A copy of the fake plug-in in a folder of its own, removed afterwards.
class PluginFileCopy : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("tavro-host-test-" + std::to_string(getpid()));
    fs::create_directories(folder_);
    copy_ = folder_ / "copy_of_plugin.so";
    fs::copy_file(FAKE_PLUGIN_PATH, copy_, fs::copy_options::overwrite_existing);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string LoadErrorOf(const std::string& path) {
    tavro::Host host;
    try {
      host.load(path);
    } catch (const tavro::LoadError& e) {
      return e.what();
    }
    return "(loaded)";
  }

  fs::path folder_;
  fs::path copy_;
};

}  // namespace

TEST_F(PluginFileCopy, ATruncatedOrDamagedFileIsRefusedBeforeItIsMapped) {
  // Cut inside the code: only the first pages remain. (A cut in the debug
  // sections at the end would still load; nothing maps them.)
  fs::resize_file(copy_, 8192);
  const std::string cut = LoadErrorOf(copy_.string());
  EXPECT_NE(cut.find("cannot load plug-in " + copy_.string() + ": it is truncated"), std::string::npos) << cut;

  // A program header table pointing past the end of the file.
  const fs::path damaged = folder_ / "damaged.so";
  fs::copy_file(FAKE_PLUGIN_PATH, damaged);
  {
    std::fstream file(damaged, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(32);  // e_phoff of a 64-bit ELF header
    const uint64_t farAway = uint64_t{1} << 40;
    file.write(reinterpret_cast<const char*>(&farAway), sizeof farAway);
  }
  EXPECT_NE(LoadErrorOf(damaged.string()).find("program header table ends past"), std::string::npos);

  const fs::path text = folder_ / "text.so";
  std::ofstream(text) << "not a library";
  EXPECT_NE(LoadErrorOf(text.string()).find("too short to be a shared library"), std::string::npos);
}

TEST_F(PluginFileCopy, APathWithoutAFolderIsTakenFromTheCurrentFolder) {
  const fs::path before = fs::current_path();
  fs::current_path(folder_);
  std::string loaded = LoadErrorOf("copy_of_plugin.so");
  // The system's library path is not searched: the driver manager's library
  // exists there but not here.
  std::string systemOnly = LoadErrorOf("libodbc.so.2");
  fs::current_path(before);
  EXPECT_EQ(loaded, "(loaded)");
  EXPECT_NE(systemOnly.find("./libodbc.so.2"), std::string::npos) << systemOnly;
}

TEST(HostTool, DescribeFailsForAPluginThatDidNotStart) {
  int status = 0;
  const std::string out = RunTool("describe " PLUGIN_THAT_DOES_NOT_START_PATH, status);
  EXPECT_NE(status, 0) << out;
  EXPECT_NE(out.find("VANTPluginMain result: 0"), std::string::npos) << out;
  EXPECT_NE(out.find("VANTPluginMain returned 0"), std::string::npos) << out;

  RunTool("describe " FAKE_PLUGIN_PATH, status);
  EXPECT_EQ(status, 0);
}
