// quillfen-cli: the container store and the card tools from a shell.
#include <cstdio>
#include <string>
#include <vector>

#include "base/current_language.h"
#include "cli/cli_args.h"
#include "cli/cli_output.h"
#include "cli/commands.h"
#include "container/write_verify.h"
#include "platform/authorization_agent.h"
#include "platform/utf8_console.h"

namespace {
struct CommandEntry {
  const char* name;
  std::size_t minArgs;
  std::size_t maxArgs;
  std::vector<std::string> options;  // beside --lang, --no-verify, --help and --version
  int (*run)(const CliArgs&);
};

const std::vector<CommandEntry>& Commands() {
  static const std::vector<CommandEntry> commands = {
      {"drives", 0, 0, {}, RunDrives},
      {"state", 1, 1, {}, RunState},
      {"create", 1, 1, {"--count", "--dd", "--name", "--any-disk"}, RunCreate},
      {"delete", 1, 1, {"--any-disk"}, RunDelete},
      {"erase", 1, 1, {"--any-disk"}, RunErase},
      {"make-usable", 1, 1, {"--any-disk"}, RunMakeUsable},
      {"rename", 2, 2, {}, RunRename},
      {"slots", 1, 1, {"--contents"}, RunSlots},
      {"ls", 2, 3, {}, RunListSlotFiles},
      {"get", 4, 4, {}, RunGetSlotFile},
      {"slot-name", 3, 3, {}, RunSlotName},
      {"read-slot", 3, 3, {"--block"}, RunReadSlot},
      {"write-slot", 3, 3, {"--name"}, RunWriteSlot},
      {"export", 2, 2, {}, RunExport},
      {"import", 2, 2, {}, RunImport},
      {"fpga", 1, 2, {"--clear"}, RunFpga},
      {"check", 1, 1, {"--repair", "--any-disk"}, RunCheck},
      {"resize", 1, 1, {"--count", "--any-disk"}, RunResize},
      {"defragment", 1, 1, {"--any-disk"}, RunDefragment},
      {"restore", 2, 2, {"--any-disk"}, RunRestore},
      {"dump", 2, 2, {}, RunDump},
      {"hex", 3, 3, {}, RunHex},
      {"new-card-image",
       1,
       1,
       {"--size", "--fat", "--start", "--label", "--no-mbr"},
       RunNewCardImage},
      {"demo", 0, 0, {}, RunDemo},
  };
  return commands;
}

bool IsGlobalOption(const std::string& name) {
  return name == "--lang" || name == "--help" || name == "--version" || name == "--no-verify";
}

// The language is chosen before anything is parsed, so that even the
// messages about a malformed command line come in it.
void ApplyLanguage(const std::vector<std::string>& words) {
  for (std::size_t i = 0; i < words.size() && words[i] != "--"; ++i) {
    std::string value;
    if (words[i] == "--lang" && i + 1 < words.size()) {
      value = words[i + 1];
    } else if (words[i].rfind("--lang=", 0) == 0) {
      value = words[i].substr(7);
    } else {
      continue;
    }
    if (value == "de") SetCurrentLanguageId(kLanguageGerman);
    if (value == "en") SetCurrentLanguageId(kLanguageEnglish);
    return;
  }
}
}  // namespace

int main(int argc, char** argv) {
  // The texts are UTF-8 (German ones among them); a Windows console shows
  // them right only in its UTF-8 code page.
  const platform::Utf8Console console;
  const std::vector<std::string> words(argv + 1, argv + argc);
  ApplyLanguage(words);
  CliArgs args;
  std::string error;
  if (!ParseCommandLine(words, &args, &error)) return UsageError(error);
  if (const std::string* lang = args.Value("--lang"); lang && *lang != "en" && *lang != "de") {
    return UsageError(
        Localized("--lang takes en or de, not '", "--lang nimmt en oder de, nicht '") + *lang +
        "'");
  }
  if (args.Has("--help")) {
    PrintUsage(stdout);
    return kExitOk;
  }
  if (args.Has("--version")) {
    PrintVersion(stdout);
    return kExitOk;
  }
  // What a command writes to the card is read back unless the user says no.
  FfaSetVerifyEnabled(!args.Has("--no-verify"));
  if (args.command.empty())
    return UsageError(Localized("no command given", "kein Befehl angegeben"));

  for (const CommandEntry& entry : Commands()) {
    if (args.command != entry.name) continue;
    if (args.args.size() < entry.minArgs || args.args.size() > entry.maxArgs) {
      return UsageError(
          Localized("wrong number of arguments for '", "falsche Anzahl Argumente für '") +
          args.command + "'");
    }
    for (const auto& [name, value] : args.options) {
      if (IsGlobalOption(name)) continue;
      bool allowed = false;
      for (const std::string& option : entry.options) allowed = allowed || option == name;
      if (!allowed) {
        return UsageError(Localized("option '", "Option '") + name +
                          Localized("' does not apply to '", "' passt nicht zu '") + args.command +
                          "'");
      }
    }
    // A user without root is asked on this terminal for the right to open
    // a card raw, where no desktop agent asks him.
    const platform::TerminalAuthorization authorization;
    return entry.run(args);
  }
  return UsageError(Localized("unknown command '", "unbekannter Befehl '") + args.command + "'");
}
