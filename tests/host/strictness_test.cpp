// The host is at least as strict as the runtime a plug-in ships to: text
// without an encoding, null strings where text is needed, values read by two
// threads, plug-in files that are cut short, and plug-ins that do not start.
#ifdef _WIN32
#include <process.h>
#else
#include <elf.h>
#include <unistd.h>
#endif

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

const std::string kLibrarySuffix = fs::path(FAKE_PLUGIN_PATH).extension().string();  // ".so" or ".dll"

std::string RunTool(const std::string& arguments, int& status) {
  const std::string tool = fs::path(TAVRO_HOST_TOOL).make_preferred().string();  // cmd.exe wants backslashes
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((tool + " " + arguments + " 2>&1").c_str(), "r"), pclose);
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
    copy_ = folder_ / ("copy_of_plugin" + kLibrarySuffix);
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
  // sections at the end would still load on ELF systems; nothing maps them.)
  fs::resize_file(copy_, 8192);
  const std::string cut = LoadErrorOf(copy_.string());
  EXPECT_NE(cut.find("cannot load plug-in " + copy_.string() + ": it is truncated"), std::string::npos) << cut;

  // The header that locates the rest points past the end of the file.
  const fs::path damaged = folder_ / ("damaged" + kLibrarySuffix);
  fs::copy_file(FAKE_PLUGIN_PATH, damaged);
  {
    std::fstream file(damaged, std::ios::in | std::ios::out | std::ios::binary);
#ifdef _WIN32
    file.seekp(0x3C);  // e_lfanew: where the PE header starts
    const uint32_t farAway = 0x7FFFFFF0;
#else
    file.seekp(32);  // e_phoff of a 64-bit ELF header
    const uint64_t farAway = uint64_t{1} << 40;
#endif
    file.write(reinterpret_cast<const char*>(&farAway), sizeof farAway);
  }
#ifdef _WIN32
  EXPECT_NE(LoadErrorOf(damaged.string()).find("its PE header lies past"), std::string::npos);
#else
  EXPECT_NE(LoadErrorOf(damaged.string()).find("program header table ends past"), std::string::npos);
#endif

  const fs::path text = folder_ / ("text" + kLibrarySuffix);
  std::ofstream(text) << "not a library";
#ifdef _WIN32
  EXPECT_NE(LoadErrorOf(text.string()).find("too short to be a DLL"), std::string::npos);
#else
  EXPECT_NE(LoadErrorOf(text.string()).find("too short to be a shared library"), std::string::npos);
#endif
}

#ifndef _WIN32
TEST_F(PluginFileCopy, ASegmentWhoseFileBytesReachItsZeroFilledPartIsRefused) {
  // A writable segment's file size grown into its .bss: the loader would map
  // file bytes where the plug-in's zero-initialised data belongs.
  std::fstream file(copy_, std::ios::in | std::ios::out | std::ios::binary);
  Elf64_Ehdr header;
  file.read(reinterpret_cast<char*>(&header), sizeof header);
  bool grown = false;
  for (unsigned i = 0; i < header.e_phnum && !grown; ++i) {
    const auto at = static_cast<std::streamoff>(header.e_phoff + uint64_t{i} * header.e_phentsize);
    Elf64_Phdr segment;
    file.seekg(at);
    file.read(reinterpret_cast<char*>(&segment), sizeof segment);
    if (segment.p_type != PT_LOAD || segment.p_memsz <= segment.p_filesz) continue;
    segment.p_filesz = segment.p_memsz;
    ASSERT_LE(segment.p_offset + segment.p_filesz, fs::file_size(copy_));
    file.seekp(at);
    file.write(reinterpret_cast<const char*>(&segment), sizeof segment);
    grown = true;
  }
  file.close();
  ASSERT_TRUE(grown) << "the test plug-in has no zero-filled data";
  const std::string refusal = LoadErrorOf(copy_.string());
  EXPECT_NE(refusal.find("its loadable segments map file bytes over its .bss section"), std::string::npos) << refusal;
}
#endif

TEST_F(PluginFileCopy, AFolderIsNamedAsSuch) {
  // A folder opens for reading on some systems and then reads as nothing.
  const fs::path folder = folder_ / ("folder" + kLibrarySuffix);
  fs::create_directories(folder);
  EXPECT_NE(LoadErrorOf(folder.string()).find("cannot load plug-in " + folder.string() +
                                              ": it is a folder, not a regular file"),
            std::string::npos)
      << LoadErrorOf(folder.string());
}

#ifdef _WIN32
TEST_F(PluginFileCopy, AProgramOrAnotherSystemsLibraryIsNoPlugin) {
  // The host tool itself: a Windows program of this machine, but no DLL.
  EXPECT_NE(LoadErrorOf(fs::path(TAVRO_HOST_TOOL).string()).find(": it is a program, not a DLL"), std::string::npos);
  // An ELF library: the bytes of a Linux plug-in under a DLL's name.
  const fs::path elf = folder_ / "linux.dll";
  std::ofstream(elf, std::ios::binary) << std::string("\x7F" "ELF\x02\x01\x01", 7) << std::string(120, '\0');
  EXPECT_NE(LoadErrorOf(elf.string()).find(": it is not a Windows DLL"), std::string::npos);
}
#endif

TEST_F(PluginFileCopy, APathWithoutAFolderIsTakenFromTheCurrentFolder) {
  const fs::path before = fs::current_path();
  fs::current_path(folder_);
  std::string loaded = LoadErrorOf("copy_of_plugin" + kLibrarySuffix);
  // The system's library path is not searched: the driver manager's library
  // exists there but not here.
#ifdef _WIN32
  std::string systemOnly = LoadErrorOf("odbc32.dll");
#else
  std::string systemOnly = LoadErrorOf("libodbc.so.2");
#endif
  fs::current_path(before);
  EXPECT_EQ(loaded, "(loaded)");
#ifdef _WIN32
  EXPECT_NE(systemOnly.find("cannot load plug-in odbc32.dll: "), std::string::npos) << systemOnly;
#else
  EXPECT_NE(systemOnly.find("./libodbc.so.2"), std::string::npos) << systemOnly;
#endif
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
