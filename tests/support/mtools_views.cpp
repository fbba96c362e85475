#include "support/mtools_views.h"

#include <algorithm>
#include <sstream>

#include "support/temp_dir.h"
#include "support/test_data.h"

namespace testsupport {

std::vector<std::string> MtoolsNames(const ImageVolume& v, const std::string& folder) {
  std::string out;
  std::vector<std::string> names;
  if (Mtools("mdir", MtoolsImage(v), "-a -b " + Quote("::" + folder), &out) != 0) return names;
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("::", 0) != 0) continue;
    if (line.back() == '/') line.pop_back();
    names.push_back(line.substr(line.rfind('/') + 1));
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool MtoolsRead(const ImageVolume& v, const std::string& path, std::string* content) {
  TempDir dir;
  const std::string host = dir.File("out.bin");
  std::string out;
  if (Mtools("mcopy", MtoolsImage(v), "-n " + Quote("::" + path) + " " + Quote(host), &out) != 0) {
    return false;
  }
  return ReadHostFile(host, content);
}

std::string MtoolsAttributes(const ImageVolume& v, const std::string& path) {
  std::string out;
  if (Mtools("mattrib", MtoolsImage(v), Quote("::" + path), &out) != 0) return "?";
  // "A  S R     ::/DornveldFLP/DornveldCIF.dfp": the letters before the path.
  std::string letters;
  for (char c : out.substr(0, out.find("::"))) {
    if (c >= 'A' && c <= 'Z') letters.push_back(c);
  }
  std::sort(letters.begin(), letters.end());
  return letters;
}

std::vector<std::pair<std::uint64_t, std::uint64_t>> MtoolsRuns(const ImageVolume& v,
                                                                const std::string& path) {
  std::string out;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> runs;
  if (Mtools("mshowfat", MtoolsImage(v), Quote("::" + path), &out) != 0) return runs;
  // "<first-last> <single> ..."
  std::size_t at = 0;
  while ((at = out.find('<', at)) != std::string::npos) {
    const std::size_t close = out.find('>', at);
    if (close == std::string::npos) break;
    const std::string run = out.substr(at + 1, close - at - 1);
    const std::size_t dash = run.find('-');
    const std::uint64_t first = std::stoull(run.substr(0, dash));
    const std::uint64_t last =
        dash == std::string::npos ? first : std::stoull(run.substr(dash + 1));
    runs.emplace_back(first, last);
    at = close;
  }
  return runs;
}

bool MtoolsPut(const ImageVolume& v, const std::string& hostFile, const std::string& target) {
  std::string out;
  return Mtools("mcopy", MtoolsImage(v), "-o " + Quote(hostFile) + " " + Quote("::" + target),
                &out) == 0;
}

bool MtoolsMkdir(const ImageVolume& v, const std::string& folder) {
  std::string out;
  return Mtools("mmd", MtoolsImage(v), Quote("::" + folder), &out) == 0;
}

}  // namespace testsupport
