// The sector hex viewer. In drive mode it reads the run of 512-byte sectors
// the user enters (start sector and count, then Enter) from a drive; in data
// mode it shows bytes it was given (a container slot) and the fields are
// read-only.
#pragma once

#include <cstdint>
#include <optional>

#include "base/bytes.h"
#include "driveaccess/drive_info.h"
#include "gui/enter_edit.h"
#include "gui/ex_resize_dialog.h"

class CHexView;
class QLineEdit;

class CDlgShowHexData : public CExResizeDialog, public IEnterEditCallback {
  Q_OBJECT

 public:
  static constexpr int kTemplateId = 137;
  static constexpr int kIdHexDisplay = 1400;
  static constexpr int kIdSector = 1506;
  static constexpr int kIdCount = 1507;
  static constexpr int kIdSectorLabel = 1508;
  static constexpr int kIdCountLabel = 1509;
  static constexpr int kIdStatus = 1510;

  // Drive mode: sector 0, one sector.
  CDlgShowHexData(const CDriveInfo& drive, QWidget* parent);
  // Data mode: the bytes are copied; they stand for `count` sectors from
  // `startSector`.
  CDlgShowHexData(const ByteBuffer& bytes, std::uint32_t startSector, std::uint32_t count,
                  QWidget* parent);

  bool IsDataMode() const { return !drive_.has_value(); }
  const ByteBuffer& Bytes() const { return bytes_; }
  CHexView* HexDisplay() const { return hexDisplay_; }

  // Enter in the sector or the count field.
  void OnEnterEditEnter(CEnterEditBase& edit) override;

 protected:
  void OnInitDialog() override;

 private:
  CDlgShowHexData(std::optional<CDriveInfo> drive, ByteBuffer bytes, std::uint32_t startSector,
                  std::uint32_t count, QWidget* parent);
  // Reads the run the fields name and shows it, or the failure.
  void ReadSectors();
  void ShowBytes();

  bool ready_ = false;
  std::optional<CDriveInfo> drive_;
  ByteBuffer bytes_;
  std::uint32_t startSector_;
  std::uint32_t sectorCount_;
  CHexView* hexDisplay_;
  CEnterEdit* sectorField_;
  CEnterEdit* countField_;
  QLineEdit* statusField_;
};
