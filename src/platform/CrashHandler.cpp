#include "platform/CrashHandler.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>

namespace quadrell {

namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
// Writing a workbook needs more than the default signal stack.
constexpr size_t kStackSize = 1 << 20;

std::atomic<CrashProcedure> gProcedure{nullptr};
std::atomic<int> gFirstSignal{0};

// Ends the process by the signal's default action.
[[noreturn]] void DieBy(int signal) {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(signal);
  _exit(128 + signal);  // only if the signal did not end the process
}

void OnFatalSignal(int signal) {
  int expected = 0;
  if (!gFirstSignal.compare_exchange_strong(expected, signal)) {
    // A fault while the procedure runs (or in another thread meanwhile).
    DieBy(expected);
  }
  if (CrashProcedure procedure = gProcedure.load()) procedure();
  DieBy(signal);
}

}  // namespace

bool InstallCrashHandler(CrashProcedure procedure) {
  gProcedure.store(procedure);
  static bool installed = false;
  if (installed) return true;
  void* stack = mmap(nullptr, kStackSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (stack == MAP_FAILED) return false;
  stack_t alternate{};
  alternate.ss_sp = stack;
  alternate.ss_size = kStackSize;
  if (sigaltstack(&alternate, nullptr) != 0) return false;
  struct sigaction action {};
  action.sa_handler = OnFatalSignal;
  action.sa_flags = SA_ONSTACK;
  // The signal being handled stays blocked, so the same fault again inside the
  // procedure ends the process by the kernel; any other fatal signal comes back
  // here and ends it with the first one.
  sigemptyset(&action.sa_mask);
  for (int s : kFatalSignals) {
    if (sigaction(s, &action, nullptr) != 0) return false;
  }
  installed = true;
  return true;
}

}  // namespace quadrell
