// A host with FakePluginForHostTests loaded, checking after each test that
// nothing the test made was leaked.
#pragma once

#include <gtest/gtest.h>

#include "tavro_host/tavro_host.h"

class FakePluginTest : public ::testing::Test {
 protected:
  void SetUp() override { result_ = host_.load(FAKE_PLUGIN_PATH); }
  void TearDown() override {
    EXPECT_EQ(host_.liveObjects(), 0) << "host objects leaked";
    EXPECT_EQ(host_.liveStringData(), 0) << "string data copies not disposed";
    // Tests that provoke misuse on purpose clear what they checked.
    EXPECT_EQ(host_.violations(), std::vector<std::string>{}) << "misuse the test did not expect";
  }

  tavro::Host host_;
  int32_t result_ = -1;
};
