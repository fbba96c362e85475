// Registers the program as the opener of container files (".dfp"): the
// registry entries of the Windows shell, and on a Linux desktop a MIME type
// for *.dfp with the program's desktop entry as its default application.
#pragma once

#include <string>

// Every step runs whatever the one before it did; nothing is reported.
// Running it again changes nothing.
void RegisterFileAssociation();

// The command the shell runs for a file: the program path in double quotes, a
// blank and "%1" in double quotes.
std::string AssociationCommandText(const std::string& programPath);

// The part of a path after its last folder separator, extension included.
std::string ProgramFileName(const std::string& programPath);

// The registry steps alone, for the given program path.
void RegisterFileAssociationKeys(const std::string& programPath);
