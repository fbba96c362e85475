// A card held in memory on which the power can fail: writes since the last
// sync are lost in a random subset, sector by sector, as a card in a reader
// loses what its cache still held. Image drives attach it like an image
// file (platform::AttachCardStore).
//
// The store records every write and sync of one uninterrupted run. A cut
// after event k leaves what the first k events leave: the program cannot
// tell before the cut that it will come, and nothing it does after the cut
// reaches the card. So one run gives the card after a cut at any point.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/bytes.h"
#include "platform/image/image_store.h"

namespace testsupport {

using Sector = std::array<std::uint8_t, 512>;
// Sectors written over a base image, by sector number.
using SectorOverlay = std::unordered_map<std::uint64_t, Sector>;

class PowerCutStore : public platform::IImageStore {
 public:
  // Starts from `base` (whole 512-byte sectors) with `overlay` over it.
  explicit PowerCutStore(std::shared_ptr<const ByteBuffer> base, SectorOverlay overlay = {});

  // Writes and syncs so far; each write call and each sync is one event.
  std::uint64_t events() const { return log_.size(); }
  std::uint64_t syncs() const;

  // The medium after the power failed once the first `events` events were
  // made: what was synced, and of each sector written since then, in the
  // order written, a random half.
  SectorOverlay SurvivorAt(std::uint64_t events, std::mt19937& rng) const;
  // The medium as the program sees it now (everything written).
  const SectorOverlay& current() const { return current_; }
  // Called before each event is made, with its number (from 0): a test looks
  // at what the program keeps elsewhere at that moment.
  void OnEvent(std::function<void(std::uint64_t)> watch) { watch_ = std::move(watch); }

  const std::string& path() const override { return name_; }
  std::uint64_t size() const override { return base_->size(); }
  bool writable() const override { return true; }
  std::uint32_t ReadAt(std::uint64_t offset, void* buffer, std::uint32_t count) override;
  std::uint32_t WriteAt(std::uint64_t offset, const void* buffer, std::uint32_t count) override;
  std::uint32_t Sync() override;

 private:
  // One write call (its sectors) or one sync (no sectors).
  struct Event {
    bool sync = false;
    std::vector<std::pair<std::uint64_t, Sector>> sectors;
  };

  std::shared_ptr<const ByteBuffer> base_;
  std::string name_ = "power-cut card";
  SectorOverlay initial_;
  SectorOverlay current_;
  std::vector<Event> log_;
  std::function<void(std::uint64_t)> watch_;
};

// What survived, read-only, as a store to attach and look at.
class OverlayStore : public platform::IImageStore {
 public:
  OverlayStore(std::shared_ptr<const ByteBuffer> base, SectorOverlay overlay);
  const std::string& path() const override { return name_; }
  std::uint64_t size() const override { return base_->size(); }
  bool writable() const override { return false; }
  std::uint32_t ReadAt(std::uint64_t offset, void* buffer, std::uint32_t count) override;
  std::uint32_t WriteAt(std::uint64_t, const void*, std::uint32_t) override;
  std::uint32_t Sync() override { return 0; }

 private:
  std::shared_ptr<const ByteBuffer> base_;
  SectorOverlay overlay_;
  std::string name_ = "survivor";
};

// Bytes [offset, offset + count) of base with the overlay over it.
ByteBuffer ReadThrough(const ByteBuffer& base, const SectorOverlay& overlay, std::uint64_t offset,
                       std::uint64_t count);

}  // namespace testsupport
