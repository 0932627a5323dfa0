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
  // Lengths on both sides of the small-block size the host recycles.
  for (std::size_t length : {0u, 1u, 15u, 16u, 47u, 48u, 61u, 62u, 63u, 64u, 65u, 200u, 5000u}) {
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
