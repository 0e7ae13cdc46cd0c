#include "platform/CrashHandler.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "TestSupport.h"
#include "platform/Files.h"

namespace quadrell {
namespace {

// The death tests fork a child that dies; the parent reads what it left behind.
std::string gMarker;
int gRuns = 0;

void AppendMarker(const char* text) {
  int fd = open(gMarker.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  if (fd >= 0) {
    ssize_t ignored = write(fd, text, strlen(text));
    (void)ignored;
    close(fd);
  }
}

void Save() { AppendMarker("saved\n"); }

void SaveThatFaults() {
  AppendMarker("started\n");
  if (++gRuns > 1) AppendMarker("again\n");
  raise(SIGSEGV);
  AppendMarker("after fault\n");
}

void SaveThatAborts() {
  AppendMarker("started\n");
  if (++gRuns > 1) AppendMarker("again\n");
  std::abort();
}

class CrashHandlerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gMarker = folder.File("marker");
  }
  std::string Marker() { return ReadWholeFile(gMarker).value_or(""); }
  test::TempFolder folder;
};

TEST_F(CrashHandlerTest, AFatalSignalRunsTheSaveOnceThenEndsTheProcessWithIt) {
  struct Case {
    int signal;
    void (*fault)();
  } cases[] = {
      {SIGSEGV, [] { raise(SIGSEGV); }},
      {SIGABRT, [] { std::abort(); }},
      {SIGFPE, [] { raise(SIGFPE); }},
      {SIGBUS, [] { raise(SIGBUS); }},
      {SIGILL, [] { raise(SIGILL); }},
  };
  for (const Case& c : cases) {
    std::remove(gMarker.c_str());
    EXPECT_EXIT(
        {
          InstallCrashHandler(Save);
          c.fault();
        },
        ::testing::KilledBySignal(c.signal), "")
        << strsignal(c.signal);
    EXPECT_EQ(Marker(), "saved\n") << strsignal(c.signal);
  }
}

TEST_F(CrashHandlerTest, AFaultInsideTheSaveEndsTheProcessWithTheFirstSignal) {
  EXPECT_EXIT(
      {
        InstallCrashHandler(SaveThatFaults);
        std::abort();
      },
      ::testing::KilledBySignal(SIGABRT), "");
  EXPECT_EQ(Marker(), "started\n");

  std::remove(gMarker.c_str());
  EXPECT_EXIT(
      {
        InstallCrashHandler(SaveThatAborts);
        raise(SIGSEGV);
      },
      ::testing::KilledBySignal(SIGSEGV), "");
  EXPECT_EQ(Marker(), "started\n");
}

TEST_F(CrashHandlerTest, AStackOverflowStillReachesTheSave) {
  EXPECT_EXIT(
      {
        InstallCrashHandler(Save);
        struct Deep {
          static int Recurse(int depth) {
            if (depth > 100'000'000) return 0;
            volatile char block[4096];
            block[0] = static_cast<char>(depth);
            return Recurse(depth + 1) + block[0] + block[4095];
          }
        };
        Deep::Recurse(0);
      },
      ::testing::KilledBySignal(SIGSEGV), "");
  EXPECT_EQ(Marker(), "saved\n");
}

}  // namespace
}  // namespace quadrell
