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
#include <string>

#include "platform/Environment.h"
#include "shell/Startup.h"

extern char** environ;

namespace {

// With a file, the child opens it from its command line as users do.
void StartToPaintedWindow(benchmark::State& state, const char* file) {
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
  state.SetLabel(std::getenv("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "display");
  char self[] = "/proc/self/exe";
  char child[] = "--start-child";
  std::string path = file ? file : "";
  char* argv[] = {self, child, file ? path.data() : nullptr, nullptr};
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
void BM_StartToPaintedWindow(benchmark::State& state) { StartToPaintedWindow(state, nullptr); }
BENCHMARK(BM_StartToPaintedWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// The mixed workload (100,000 rows, 1,000,000 cells) named on the command
// line: the first painted screen shows its cells.
void BM_StartWithMixedToPaintedWindow(benchmark::State& state) {
  const char* folder = std::getenv("QUADRELL_BENCH_WORK");
  std::string path = std::string(folder ? folder : "build/bench-workloads") + "/mixed.xlsx";
  StartToPaintedWindow(state, path.c_str());
}
BENCHMARK(BM_StartWithMixedToPaintedWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--start-child") == 0) {
    // As the window program starts: with the heap on large pages.
    quadrell::UseLargeMemoryPages(argv);
    char* childArgv[] = {argv[0], argc > 2 ? argv[2] : nullptr, nullptr};
    int childArgc = argc > 2 ? 2 : 1;
    return quadrell::RunProgram(childArgc, childArgv, quadrell::StartupOptions{.quitWhenPainted = true});
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
