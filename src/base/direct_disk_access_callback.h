// Progress and cancel notices of raw transfers.
//
// state -1 before the first chunk, the chunk index before each chunk, -2 at
// the end and -3 on failure; a true result asks the transfer to stop.
#pragma once

class IDirectDiskAccessCallback {
 public:
  virtual ~IDirectDiskAccessCallback() = default;
  virtual bool OnProgress(int state, int value) {
    (void)state;
    (void)value;
    return false;
  }
  virtual bool OnReadProgress(int state, int value) {
    (void)state;
    (void)value;
    return false;
  }
};
