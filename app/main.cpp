#include "shell/Startup.h"

int main(int argc, char** argv) { return quadrell::RunProgram(argc, argv); }
