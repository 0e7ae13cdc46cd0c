// From the start of the process to the first window painted on the screen.
// Each iteration starts this program again as a child that runs the real
// start-up and ends once its window has been painted. Without a display the
// child draws on Qt's offscreen platform; run under xvfb-run for a real X server.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "shell/Startup.h"

extern char** environ;

namespace {

void BM_StartToPaintedWindow(benchmark::State& state) {
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
  state.SetLabel(std::getenv("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "display");
  char self[] = "/proc/self/exe";
  char child[] = "--start-child";
  char* argv[] = {self, child, nullptr};
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, self, nullptr, nullptr, argv, environ) != 0) {
      state.SkipWithError("cannot start the program");
      return;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("the window was not painted");
      return;
    }
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
}
BENCHMARK(BM_StartToPaintedWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--start-child") == 0) {
    int childArgc = 1;
    return quadrell::RunProgram(childArgc, argv, quadrell::StartupOptions{.quitWhenPainted = true});
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
