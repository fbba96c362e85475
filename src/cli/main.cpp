// quillfen-cli: the container store and the card tools from a shell.
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/demo.h"

namespace {
void PrintUsage(std::FILE* out) {
  std::fputs(
      "Usage: quillfen-cli COMMAND [ARGS]\n"
      "\n"
      "Commands:\n"
      "  demo    create a 5-image container on a demo drive and list its slots\n"
      "\n"
      "Options:\n"
      "  --help     show this text\n"
      "  --version  show the version\n",
      out);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(stderr);
    return 2;
  }
  const std::string command = argv[1];
  if (command == "--help") {
    PrintUsage(stdout);
    return 0;
  }
  if (command == "--version") {
    std::puts("quillfen-cli 01.02.018 (Build: 90)");
    return 0;
  }
  if (command == "demo") return RunDemo();
  std::fprintf(stderr, "quillfen-cli: unknown command '%s'\n\n", command.c_str());
  PrintUsage(stderr);
  return 2;
}
