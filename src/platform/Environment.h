#pragma once
// Facts about the machine and the user that the core needs: the local clock,
// the folder for the program's own files, the user's name and language.
#include <string>

namespace quadrell {

struct LocalTime {
  int year = 1900;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};
LocalTime CurrentLocalTime();

// $localappdata when set, else $XDG_DATA_HOME, else ~/.local/share (no trailing slash).
std::string LocalAppDataFolder();
// The login name of the current user (UTF-8).
std::string CurrentUserName();
// From LC_ALL, LC_MESSAGES and LANG: German gives "de"; English, Spanish and
// French give "en"; anything else gives "".
std::string SystemLanguage();

// Hands memory that is free again back to the system (after a large import).
void TrimWorkingSet();

// Large workbooks are built of millions of small blocks. On virtual machines a
// page fault costs microseconds, so a heap of 4 KiB pages spends more time
// faulting than parsing. The C library backs its heap with huge pages only when
// told so before the program starts: this starts the program again with that
// setting (once; the caller's own setting always wins). Returns if it did not,
// having made all threads share one heap arena.
void UseLargeMemoryPages(char** argv);
// The value of GLIBC_TUNABLES that asks for huge pages, given the current one
// (null when unset); empty when the current one already decides.
std::string TunablesWithLargePages(const char* current);

}  // namespace quadrell
