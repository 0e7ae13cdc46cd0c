#include "platform/ChildProcess.h"

#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace quadrell {

int RunInChildProcess(const std::function<bool()>& work) {
  pid_t pid = ::fork();
  if (pid == 0) {
    bool ok = work();
    // No exit handlers, no destructors of the parent's objects: the copy only writes.
    ::_exit(ok ? 0 : 1);
  }
  return pid > 0 ? static_cast<int>(pid) : -1;
}

bool ChildProcessEnded(int pid, bool* success) {
  if (pid <= 0) return true;
  int status = 0;
  pid_t done = ::waitpid(pid, &status, WNOHANG);
  if (done == 0) return false;
  if (success) *success = done == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return true;
}

bool WaitForChildProcess(int pid) {
  if (pid <= 0) return false;
  int status = 0;
  pid_t done;
  while ((done = ::waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
  }
  return done == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void StopChildProcess(int pid) {
  if (pid <= 0) return;
  ::kill(pid, SIGKILL);
  WaitForChildProcess(pid);
}

bool ProcessIsRunning(int pid) { return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM); }

int CurrentProcessId() { return static_cast<int>(::getpid()); }

}  // namespace quadrell
