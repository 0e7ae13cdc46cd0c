#include "platform/Environment.h"

#include <malloc.h>
#include <pwd.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdlib>
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

}  // namespace quadrell
