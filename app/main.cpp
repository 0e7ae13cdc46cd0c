#include "platform/Environment.h"
#include "shell/Startup.h"

int main(int argc, char** argv) {
  quadrell::UseLargeMemoryPages(argv);
  return quadrell::RunProgram(argc, argv);
}
