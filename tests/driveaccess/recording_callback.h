// A transfer callback that writes down every notice and can ask to stop.
#pragma once

#include <ostream>
#include <vector>

#include "base/direct_disk_access_callback.h"

namespace ddatest {

struct Notice {
  char via;  // 'P' OnProgress, 'R' OnReadProgress
  int state;
  int value;
  bool operator==(const Notice& other) const {
    return via == other.via && state == other.state && value == other.value;
  }
};

inline std::ostream& operator<<(std::ostream& out, const Notice& n) {
  return out << n.via << "(" << n.state << "," << n.value << ")";
}

class RecordingCallback : public IDirectDiskAccessCallback {
 public:
  static constexpr int kNever = -100;
  int stopAtState = kNever;  // answer true to this state
  std::vector<Notice> notices;

  bool OnProgress(int state, int value) override { return Note('P', state, value); }
  bool OnReadProgress(int state, int value) override { return Note('R', state, value); }

 private:
  bool Note(char via, int state, int value) {
    notices.push_back({via, state, value});
    return state == stopAtState;
  }
};

}  // namespace ddatest
