// Host strings keep their bytes and two terminating NULs in one allocation,
// and the live-string count stays exact when strings are made and released
// on different threads (the count is kept per thread and summed on read).
#include <string>
#include <thread>
#include <vector>

#include "fake_plugin_fixture.h"

namespace {

using StringGetCString = const char *(*)(TavroString);

TEST_F(FakePluginTest, StringsKeepTheirBytesAndBothTerminatorsAtEveryLength) {
  auto cString = reinterpret_cast<StringGetCString>(tavro::Host::resolver()("StringGetCString"));
  ASSERT_NE(cString, nullptr);
  tavro::Host::CallScope scope(host_);
  // Lengths on both sides of each block size the host recycles.
  for (std::size_t length : {0u, 1u, 15u, 16u, 61u, 62u, 63u, 64u, 126u, 127u, 128u, 254u, 255u, 256u, 5000u}) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) text.push_back(static_cast<char>('a' + i % 26));
    tavro::String s = tavro::String::fromBytes(text);
    EXPECT_EQ(s.bytes(), text) << length;
    const char *raw = cString(s.get());
    ASSERT_NE(raw, nullptr);
    EXPECT_EQ(raw[length], '\0') << length;
    EXPECT_EQ(raw[length + 1], '\0') << length;  // a UTF-16 reader sees a terminator too
  }
}

// Released blocks go back to a cache of their size: a block must never be
// handed to a string longer than it was made for. Runs in the build that
// keeps the cache (the address-sanitizer build frees every block at once).
TEST_F(FakePluginTest, StringBlocksAreReusedOnlyAtTheirOwnSize) {
  tavro::Host::CallScope scope(host_);
  const std::size_t lengths[] = {10, 250, 62, 126, 63, 200, 127, 1, 254, 100};
  auto textOf = [](std::size_t length, std::size_t round) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) text.push_back(static_cast<char>('a' + (i + round) % 26));
    return text;
  };
  std::vector<tavro::String> held;
  for (std::size_t round = 0; round < 20; ++round) {
    // Made in one order, released in another, so that each round's strings
    // take blocks the previous round gave back, of every size.
    for (std::size_t k = 0; k < std::size(lengths); ++k) {
      const std::size_t length = lengths[(k * 3 + round) % std::size(lengths)];
      held.push_back(tavro::String::fromBytes(textOf(length, round)));
    }
    for (std::size_t k = 0; k < held.size(); ++k) {
      const std::size_t length = lengths[(k * 3 + round) % std::size(lengths)];
      ASSERT_EQ(held[k].bytes(), textOf(length, round)) << "round " << round << " length " << length;
    }
    for (std::size_t k = held.size(); k-- > 0;)
      if (k % 2 == round % 2) held.erase(held.begin() + static_cast<std::ptrdiff_t>(k));
    held.clear();
  }
}

// The next string of a released one's size takes its block (from the
// host's cache, or from the allocator's): the released handle must still be
// seen as released, not as the new string.
TEST_F(FakePluginTest, AReleasedStringIsRefusedWhenItsBlockIsReused) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reports the read of the released block itself";
#endif
  auto build = reinterpret_cast<TavroBuildStringFn>(tavro::Host::resolver()("VANTBuildString"));
  auto setEncoding = reinterpret_cast<TavroSetStringEncodingFn>(tavro::Host::resolver()("VANTSetStringEncoding"));
  auto encodingOf = reinterpret_cast<TavroGetStringEncodingFn>(tavro::Host::resolver()("VANTGetStringEncoding"));
  auto unlock = reinterpret_cast<TavroUnlockStringFn>(tavro::Host::resolver()("VANTUnlockString"));
  tavro::Host::CallScope scope(host_);
  for (int round = 0; round < 20; ++round) {
    TavroString released = build("abc", 3);
    unlock(released);
    TavroString next = build("xyz", 3);
    setEncoding(next, TAVRO_ENCODING_UTF8);
    EXPECT_EQ(encodingOf(released), 0u) << "round " << round;
    EXPECT_EQ(unlock(released), 0) << "round " << round;
    EXPECT_EQ(encodingOf(next), TAVRO_ENCODING_UTF8);  // the new string is untouched
    unlock(next);
    ASSERT_EQ(host_.violations(),
              (std::vector<std::string>{"VANTGetStringEncoding: host string used after its last release",
                                        "VANTUnlockString: host string used after its last release"}))
        << "round " << round;
    host_.clearViolations();
  }
}

TEST_F(FakePluginTest, LiveStringCountIsExactAcrossThreads) {
  const int64_t before = host_.liveStrings();
  std::vector<tavro::String> made(64);
  std::thread maker([&] {
    tavro::Host::CallScope scope(host_);
    for (std::size_t i = 0; i < made.size(); ++i) made[i] = tavro::String::fromUtf8("value " + std::to_string(i));
  });
  maker.join();  // the maker thread has ended: its strings are still counted
  EXPECT_EQ(host_.liveStrings(), before + 64);

  std::thread releaser([&] {
    tavro::Host::CallScope scope(host_);
    made.resize(16);  // releases 48 strings made by the other thread
  });
  releaser.join();
  EXPECT_EQ(host_.liveStrings(), before + 16);
  {
    tavro::Host::CallScope scope(host_);
    made.clear();
  }
  EXPECT_EQ(host_.liveStrings(), before);
}

}  // namespace
