// Plug-in files whose program header table is damaged (a bad disk, a broken
// copy tool, a packer's bug): the host refuses them before the system loader
// maps them, and whatever it lets through loads or fails with the loader's
// error, but never takes the process down. Each damaged copy is loaded in a
// child process, so a crash is a failed case and not a dead test runner.
#ifndef _WIN32
#include <elf.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tavro_host/tavro_host.h"

namespace fs = std::filesystem;

namespace {

std::vector<char> readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const std::vector<char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

enum class Outcome { Loaded, Refused, Crashed };

// Loads the file in a child process: loaded (the plug-in started), refused
// with LoadError (by the host's check or the loader's dlerror), or anything
// else, a crash included (AddressSanitizer turns a SIGSEGV into exit 1).
Outcome loadInChild(const fs::path& path, std::string& refusal) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return Outcome::Crashed;
  const pid_t child = fork();
  if (child == 0) {
    close(pipeEnds[0]);
    int code = 3;
    try {
      tavro::Host host;
      host.load(path.string());
      code = 0;
    } catch (const tavro::LoadError& e) {
      const std::string why = e.what();
      (void)!write(pipeEnds[1], why.data(), why.size());
      code = 2;
    } catch (...) {
    }
    _exit(code);
  }
  close(pipeEnds[1]);
  char buffer[512];
  ssize_t n;
  refusal.clear();
  while ((n = read(pipeEnds[0], buffer, sizeof buffer)) > 0) refusal.append(buffer, static_cast<size_t>(n));
  close(pipeEnds[0]);
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return Outcome::Crashed;
  if (WEXITSTATUS(status) == 0) return Outcome::Loaded;
  return WEXITSTATUS(status) == 2 ? Outcome::Refused : Outcome::Crashed;
}

struct DamageTally {
  int loaded = 0;
  int refused = 0;
  std::vector<std::string> crashes;  // the seeds, with what was changed
};

// Overwrites one to four random bytes of the program header table of a copy
// of `original`, once per seed, and loads each copy in a child process.
DamageTally damageProgramHeaders(const fs::path& original, const fs::path& copy, unsigned seeds) {
  const std::vector<char> intact = readFile(original);
  Elf64_Ehdr header;
  EXPECT_GE(intact.size(), sizeof header);
  std::memcpy(&header, intact.data(), sizeof header);
  const uint64_t tableStart = header.e_phoff;
  const uint64_t tableBytes = uint64_t{header.e_phnum} * header.e_phentsize;
  EXPECT_LE(tableStart + tableBytes, intact.size());

  DamageTally tally;
  writeFile(copy, intact);
  const std::vector<char> intactTable(intact.begin() + static_cast<std::ptrdiff_t>(tableStart),
                                      intact.begin() + static_cast<std::ptrdiff_t>(tableStart + tableBytes));
  for (unsigned seed = 1; seed <= seeds; ++seed) {
    std::mt19937 random(seed);
    std::vector<char> table = intactTable;
    std::string changes;
    const int count = 1 + static_cast<int>(random() % 4);
    for (int k = 0; k < count; ++k) {
      const uint64_t at = random() % tableBytes;
      table[at] = static_cast<char>(random() & 0xFF);
      changes += " @" + std::to_string(at);
    }
    {
      // Only the table changes: the rest of the copy stays as written.
      std::fstream file(copy, std::ios::in | std::ios::out | std::ios::binary);
      file.seekp(static_cast<std::streamoff>(tableStart));
      file.write(table.data(), static_cast<std::streamsize>(table.size()));
    }
    std::string refusal;
    switch (loadInChild(copy, refusal)) {
      case Outcome::Loaded: ++tally.loaded; break;
      case Outcome::Refused: ++tally.refused; break;
      case Outcome::Crashed: tally.crashes.push_back("seed " + std::to_string(seed) + ":" + changes); break;
    }
  }
  return tally;
}

class DamagedPluginFile : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("tavro-host-damage-" + std::to_string(getpid()));
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  void expectNoCrash(const fs::path& plugin, unsigned seeds) {
    const DamageTally tally = damageProgramHeaders(plugin, folder_ / plugin.filename(), seeds);
    RecordProperty("loaded", tally.loaded);
    RecordProperty("refused", tally.refused);
    std::string crashes;
    for (const std::string& c : tally.crashes) crashes += "\n  " + c;
    EXPECT_TRUE(tally.crashes.empty()) << tally.crashes.size() << " of " << seeds << " damaged copies of "
                                       << plugin.filename() << " crashed the loader:" << crashes;
    // Most damage is caught by the check; the intact copy itself still loads.
    EXPECT_GT(tally.refused, 0);
    std::string refusal;
    EXPECT_EQ(loadInChild(plugin, refusal), Outcome::Loaded) << refusal;
  }

  fs::path folder_;
};

TEST_F(DamagedPluginFile, DamagedProgramHeadersAreRefusedOrLoadButNeverCrash) {
  expectNoCrash(FAKE_PLUGIN_PATH, 300);
}

#ifdef SQELTO_PLUGIN_PATH
TEST_F(DamagedPluginFile, DamagedProgramHeadersOfSqeltoAreRefusedOrLoadButNeverCrash) {
  expectNoCrash(SQELTO_PLUGIN_PATH, 300);
}
#endif

}  // namespace
#endif
