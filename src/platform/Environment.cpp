#include "platform/Environment.h"

#include <malloc.h>
#include <pwd.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <string_view>
#include <ctime>

namespace quadrell {

LocalTime CurrentLocalTime() {
  struct timeval tv;
  gettimeofday(&tv, nullptr);
  std::time_t seconds = tv.tv_sec;
  std::tm parts{};
  localtime_r(&seconds, &parts);
  LocalTime t;
  t.year = parts.tm_year + 1900;
  t.month = parts.tm_mon + 1;
  t.day = parts.tm_mday;
  t.hour = parts.tm_hour;
  t.minute = parts.tm_min;
  t.second = parts.tm_sec;
  t.millisecond = static_cast<int>(tv.tv_usec / 1000);
  return t;
}

namespace {
std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}
}  // namespace

std::string LocalAppDataFolder() {
  std::string folder = Env("localappdata");
  if (folder.empty()) folder = Env("XDG_DATA_HOME");
  if (folder.empty()) {
    std::string home = Env("HOME");
    if (home.empty()) {
      if (const passwd* pw = getpwuid(getuid())) home = pw->pw_dir;
    }
    folder = home + "/.local/share";
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string CurrentUserName() {
  if (const passwd* pw = getpwuid(getuid())) {
    if (pw->pw_name && *pw->pw_name) return pw->pw_name;
  }
  std::string name = Env("LOGNAME");
  if (name.empty()) name = Env("USER");
  return name;
}

std::string SystemLanguage() {
  std::string locale;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    locale = Env(name);
    if (!locale.empty()) break;
  }
  std::string language = locale.substr(0, locale.find_first_of("_.@"));
  if (language == "de") return "de";
  if (language == "en" || language == "es" || language == "fr") return "en";
  return "";
}

void TrimWorkingSet() { malloc_trim(0); }

namespace {
constexpr const char* kTunables = "GLIBC_TUNABLES";
constexpr const char* kLargePages = "glibc.malloc.hugetlb";
// What GLIBC_TUNABLES held before the restart ("-" when unset), so that the
// programs we start later see the user's environment, not ours.
constexpr const char* kSavedTunables = "QUADRELL_SAVED_TUNABLES";
}  // namespace

std::string TunablesWithLargePages(const char* current) {
  std::string value = current ? current : "";
  if (value.find(kLargePages) != std::string::npos) return "";
  return value + (value.empty() ? "" : ":") + kLargePages + "=1";
}

namespace {

// The parsing thread hands its chunks of cells to the main thread, which frees
// them; in an arena of the parser's own that memory cannot serve the main
// thread's cells, and the peak grows by it. One arena for all threads, unless
// the caller chose otherwise.
[[maybe_unused]] void UseOneMemoryArena() {
  const char* tunables = getenv(kTunables);
  if (tunables && std::string_view(tunables).find("arena_max") != std::string_view::npos) return;
  mallopt(M_ARENA_MAX, 1);
}

}  // namespace

void UseLargeMemoryPages(char** argv) {
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define QUADRELL_OWN_ALLOCATOR 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || defined(QUADRELL_OWN_ALLOCATOR)
  // The sanitizers bring their own allocator: the setting would change nothing.
  (void)argv;
#else
  if (const char* saved = getenv(kSavedTunables)) {
    // This is the restarted program: the library has read the setting already.
    std::string before = saved;
    if (before == "-") {
      unsetenv(kTunables);
    } else {
      setenv(kTunables, before.c_str(), 1);
    }
    unsetenv(kSavedTunables);
    UseOneMemoryArena();
    return;
  }
  if (!argv || !argv[0]) {
    UseOneMemoryArena();
    return;
  }
  const char* current = getenv(kTunables);
  std::string wanted = TunablesWithLargePages(current);
  if (wanted.empty()) {
    UseOneMemoryArena();
    return;
  }
  setenv(kSavedTunables, current ? current : "-", 1);
  setenv(kTunables, wanted.c_str(), 1);
  execv("/proc/self/exe", argv);
  // No restart possible (no /proc): go on as we are, with the environment as it was.
  if (current) {
    setenv(kTunables, current, 1);
  } else {
    unsetenv(kTunables);
  }
  unsetenv(kSavedTunables);
  UseOneMemoryArena();
#endif
}

}  // namespace quadrell
