// The program's own copy in a card's root folder and the autorun.inf that
// names it, which the creation dialog puts on a card beside a new container.
// Nothing here shows a message: the card works for the controller without
// either file, so their failures stay silent.
#pragma once

#include <cstdint>
#include <string>

// The running program's file, taken once per run.
struct OwnProgramFile {
  std::string path;  // full path (GetModuleFileNameA); empty when unknown
  std::string name;  // the part after the last separator
  std::uint64_t size = 0;
};

// Reads the running program's path, name and size now.
OwnProgramFile ReadOwnProgramFile();
// ReadOwnProgramFile() of the first call, kept for the rest of the run.
const OwnProgramFile& GetOwnProgramFile();

// "X:\autorun.inf" and "X:\<program name>".
std::string FfaAutorunPath(char drive);
std::string FfaProgramCopyPath(char drive, const OwnProgramFile& program);

// The four lines of the autorun file, each ended by CR LF.
std::string FfaAutorunText(const std::string& programName);

// What the two files will take beside the container: nothing without the
// program copy; else the program's size less what an old copy of that name
// gives back (not below 0), plus 300 bytes for the autorun file.
std::uint64_t FfaProgramReserve(char drive, const OwnProgramFile& program, bool copyProgram,
                                bool createAutorun);

// Deletes the autorun file and the program copy on the card. The program
// itself is spared when it runs from the card's root folder.
void FfaRemoveProgramFromCard(char drive, const OwnProgramFile& program);

// Copies the running program into the card's root folder (never onto itself)
// and, with createAutorun, writes the autorun file anew.
void FfaPutProgramOnCard(char drive, const OwnProgramFile& program, bool createAutorun);
