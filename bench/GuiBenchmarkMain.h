#pragma once
// The main of the benchmarks that draw through the toolkit: the offscreen
// platform unless a display is asked for, a settings folder that is not the
// user's, and every window closed before the toolkit stops.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "model/Font.h"
#include "platform/WindowSystem.h"
#include "shell/Application.h"

namespace quadrell {

inline std::string gBenchmarkName;

// prepare() runs once the window system is up, before the fonts are measured.
template <typename Prepare>
int RunGuiBenchmarks(int argc, char** argv, const char* name, Prepare&& prepare) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  if (!std::getenv("localappdata")) setenv("localappdata", "/tmp", 0);
  gBenchmarkName = name;
  static int qtArgc = 1;
  static char* qtArgv[] = {gBenchmarkName.data(), nullptr};
  if (!StartWindowSystem(qtArgc, qtArgv, [](const std::string& reason) {
        std::fprintf(stderr, "%s: %s\n", gBenchmarkName.c_str(), reason.c_str());
      })) {
    return 1;
  }
  prepare();
  GetDefaultFont();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  while (!WindowMap().empty()) WindowMap().back()->Close();
  StopWindowSystem();
  return 0;
}

inline int RunGuiBenchmarks(int argc, char** argv, const char* name) {
  return RunGuiBenchmarks(argc, argv, name, [] {});
}

}  // namespace quadrell
