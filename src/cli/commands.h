// The commands of quillfen-cli. Each gets the parsed command line with its
// argument count and options already checked against the command table, and
// returns the exit status.
#pragma once

#include "cli/cli_args.h"

// Container commands.
int RunState(const CliArgs& args);
int RunCreate(const CliArgs& args);
int RunDelete(const CliArgs& args);
int RunErase(const CliArgs& args);
int RunMakeUsable(const CliArgs& args);
int RunRename(const CliArgs& args);
int RunFpga(const CliArgs& args);
int RunCheck(const CliArgs& args);
int RunResize(const CliArgs& args);
int RunDefragment(const CliArgs& args);
int RunRestore(const CliArgs& args);

// Slot commands.
int RunSlots(const CliArgs& args);
int RunSlotName(const CliArgs& args);
int RunReadSlot(const CliArgs& args);
int RunWriteSlot(const CliArgs& args);
// The files inside a slot's image.
int RunListSlotFiles(const CliArgs& args);
int RunGetSlotFile(const CliArgs& args);

// Whole sets of slots.
int RunExport(const CliArgs& args);
int RunImport(const CliArgs& args);

// Drive and card tools.
int RunDrives(const CliArgs& args);
int RunDump(const CliArgs& args);
int RunHex(const CliArgs& args);
int RunNewCardImage(const CliArgs& args);

int RunDemo(const CliArgs& args);
