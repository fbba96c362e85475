#include "base/command_words.h"

#include <cstring>

namespace {
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n';
}
}  // namespace

bool SplitCommandWords(const std::string& line, std::vector<std::string>& words) {
  words.clear();
  std::string word;
  bool inWord = false;  // also for a word of nothing but "" or ''
  std::size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (IsBlank(c)) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
      ++i;
      continue;
    }
    inWord = true;
    if (c == '\'') {
      const std::size_t end = line.find('\'', i + 1);
      if (end == std::string::npos) {
        words.clear();
        return false;
      }
      word.append(line, i + 1, end - i - 1);
      i = end + 1;
    } else if (c == '"') {
      std::size_t j = i + 1;
      while (j < line.size() && line[j] != '"') {
        if (line[j] == '\\' && j + 1 < line.size() &&
            std::strchr("\"\\$`", line[j + 1]) != nullptr) {
          ++j;
        }
        word.push_back(line[j++]);
      }
      if (j >= line.size()) {
        words.clear();
        return false;
      }
      i = j + 1;
    } else if (c == '\\') {
      if (i + 1 < line.size()) word.push_back(line[i + 1]);
      i += 2;
    } else {
      word.push_back(c);
      ++i;
    }
  }
  if (inWord) words.push_back(word);
  return true;
}
