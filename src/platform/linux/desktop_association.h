// The Linux desktop's side of the container file association
// (platform/file_type_registration.h): a shared-mime-info package that names
// *.dfp and the container's signature, a desktop entry that opens such files
// with the program, and that entry as the type's default application.
#pragma once

#include <string>

namespace platform {

inline constexpr const char* kContainerMimeType = "application/x-dornveld-container";

struct DesktopAssociationFiles {
  std::string mimePackage;   // <data>/mime/packages/dornveld-container.xml
  std::string desktopEntry;  // <data>/applications/<program name>.desktop
  std::string mimeAppsList;  // <config>/mimeapps.list
};

// Where the files go for the program, below the user's folders as they are now.
DesktopAssociationFiles DesktopAssociationPaths(const std::string& programPath);

// Writes the files that differ from what they should hold and, when one
// changed, refreshes the desktop's caches with update-mime-database and
// update-desktop-database where they are installed. True when every file
// holds what it should. The entry starts the program that PATH finds by
// programPath's file name (an installed copy), else programPath itself.
bool WriteDesktopAssociation(const std::string& programPath);

// The program path as one argument of a desktop entry's Exec key (quoted and
// escaped by the desktop entry rules).
std::string DesktopExecArgument(const std::string& argument);

}  // namespace platform
