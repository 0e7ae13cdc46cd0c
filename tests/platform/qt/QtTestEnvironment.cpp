#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "QtTestSupport.h"
#include "platform/WindowSystem.h"

namespace {

class WindowSystemEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "gui_tests";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    bool started = quadrell::StartWindowSystem(argc, argv, [](const std::string& reason) {
      std::fprintf(stderr, "no window system: %s\n", reason.c_str());
    });
    ASSERT_TRUE(started);
  }
  void TearDown() override {
    quadrell::test::Settle();
    quadrell::StopWindowSystem();
  }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new WindowSystemEnvironment);

}  // namespace
