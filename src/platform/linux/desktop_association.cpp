#include "platform/linux/desktop_association.h"

#include "base/ini_document.h"
#include "platform/errors.h"
#include "platform/file_type_registration.h"
#include "platform/process.h"
#include "platform/user_files.h"

namespace platform {
namespace {

std::string ProgramStem(const std::string& programPath) {
  const std::size_t slash = programPath.find_last_of("/\\");
  std::string name = slash == std::string::npos ? programPath : programPath.substr(slash + 1);
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name.empty() ? std::string("quillfen") : name;
}

std::string EscapeXml(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string MimePackageText() {
  return std::string(
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
             "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
             "  <mime-type type=\"") +
         EscapeXml(kContainerMimeType) +
         "\">\n"
         "    <comment>Dornveld container file</comment>\n"
         "    <comment xml:lang=\"de\">Dornveld-Containerdatei</comment>\n"
         "    <glob pattern=\"*.dfp\"/>\n"
         "    <magic priority=\"50\">\n"
         "      <match type=\"string\" offset=\"0\" value=\"DornveldFLPDrive\"/>\n"
         "    </magic>\n"
         "  </mime-type>\n"
         "</mime-info>\n";
}

std::string DesktopEntryText(const std::string& programPath) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Quillfen\n"
         "GenericName=CompactFlash Card Tool\n"
         "GenericName[de]=CompactFlash-Kartenwerkzeug\n"
         "Comment=Floppy image containers on CompactFlash cards\n"
         "Comment[de]=Container für Diskettenabbilder auf CompactFlash-Karten\n"
         "Icon=quillfen\n"
         "Exec=" +
         DesktopExecArgument(programPath) +
         " %f\n"
         "MimeType=" +
         std::string(kContainerMimeType) +
         ";\n"
         "Terminal=false\n"
         "Categories=Utility;\n";
}

// Writes a file only when its content differs. Sets *changed when it wrote.
bool EnsureFile(const std::string& path, const std::string& content, bool* changed) {
  std::string current;
  if (ReadWholeFile(path, &current) == kErrorSuccess && current == content) {
    return true;
  }
  const std::uint32_t error = WriteFileAtomically(path, content);
  if (error != kErrorSuccess) {
    SetLastError(error);
    return false;
  }
  *changed = true;
  return true;
}

bool EnsureDefaultApplication(const std::string& listPath, const std::string& desktopId,
                              bool* changed) {
  std::string text;
  if (ReadWholeFile(listPath, &text) != kErrorSuccess) text.clear();
  IniDocument doc = IniDocument::Parse(text, false);
  doc.Set("Default Applications", kContainerMimeType, desktopId + ";");
  return EnsureFile(listPath, doc.ToText(), changed);
}

// The program the entry starts: the one the user's shell finds by that name
// (an installed copy, kept in place by its package) where there is one, so
// that a program run out of a build folder never leaves the desktop pointing
// into it; else the running program itself.
std::string AssociatedProgram(const std::string& programPath) {
  const std::size_t slash = programPath.find_last_of('/');
  const std::string found = FindProgram(programPath.substr(slash + 1));
  return found.starts_with('/') ? found : programPath;
}

void RunIfInstalled(const std::string& program, const std::string& folder) {
  if (FindProgram(program).empty()) return;
  int exitCode = 0;
  RunProgram({program, folder}, true, &exitCode);
}

}  // namespace

std::string DesktopExecArgument(const std::string& argument) {
  // Quoted with ", `, $ and \ escaped; a literal % is doubled; then the rules
  // for string values apply to the whole.
  std::string quoted = "\"";
  for (const char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    if (c == '%') quoted += '%';
    quoted += c;
  }
  quoted += '"';
  return EscapeIniValue(quoted);
}

DesktopAssociationFiles DesktopAssociationPaths(const std::string& programPath) {
  const std::string data = UserDataFolder();
  DesktopAssociationFiles files;
  files.mimePackage = data + "/mime/packages/dornveld-container.xml";
  files.desktopEntry = data + "/applications/" + ProgramStem(programPath) + ".desktop";
  files.mimeAppsList = UserConfigFolder() + "/mimeapps.list";
  return files;
}

bool WriteDesktopAssociation(const std::string& programPath) {
  const DesktopAssociationFiles files = DesktopAssociationPaths(programPath);
  bool mimeChanged = false;
  bool desktopChanged = false;
  bool ok = EnsureFile(files.mimePackage, MimePackageText(), &mimeChanged);
  ok = EnsureFile(files.desktopEntry, DesktopEntryText(AssociatedProgram(programPath)),
                  &desktopChanged) &&
       ok;
  bool listChanged = false;
  ok = EnsureDefaultApplication(files.mimeAppsList, ProgramStem(programPath) + ".desktop",
                                &listChanged) &&
       ok;
  const std::string data = UserDataFolder();
  if (mimeChanged) RunIfInstalled("update-mime-database", data + "/mime");
  if (desktopChanged) RunIfInstalled("update-desktop-database", data + "/applications");
  return ok;
}

bool RegisterContainerFileType(const std::string& programPath) {
  return WriteDesktopAssociation(programPath);
}

}  // namespace platform
