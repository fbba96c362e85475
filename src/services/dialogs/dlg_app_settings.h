// The "Application Settings" dialog: the user's settings in check boxes and
// path fields, stored only on Save.
#pragma once

#include <functional>
#include <optional>

#include "gui/ex_resize_dialog.h"
#include "services/app_settings.h"

class QCheckBox;
class QLineEdit;

class CDlgAppSettings : public CExResizeDialog {
  Q_OBJECT

 public:
  static constexpr int kTemplateId = 151;
  static constexpr int kIdShowAllDrives = 1600;
  static constexpr int kIdImageSoftware = 1601;
  static constexpr int kIdBrowseImageSoftware = 1602;
  static constexpr int kIdImageSoftwareLabel = 1603;
  static constexpr int kIdProgram = 1604;
  static constexpr int kIdBrowseProgram = 1605;
  static constexpr int kIdProgramLabel = 1606;
  static constexpr int kIdExpertMode = 2007;
  static constexpr int kIdOpenExplorer = 2009;
  static constexpr int kIdVerifyWrites = 1607;
  static constexpr int kIdSave = 2006;
  static constexpr int kIdCancel = 2;

  // Asks the user for a program file: the dialog's title and the field's
  // current text in, the chosen path or none out.
  using BrowseFunction =
      std::function<std::optional<QString>(const QString& title, const QString& current)>;

  explicit CDlgAppSettings(QWidget* parent, AppSettings& settings = GetAppSettings());

  // Replaces the file dialog of the browse buttons (tests).
  void SetBrowseFunction(BrowseFunction browse) { browse_ = std::move(browse); }

  // The filter of the browse buttons in the current language.
  static std::string ProgramFilter();

 protected:
  void OnInitDialog() override;

 private:
  void Browse(QLineEdit* field, int labelId);
  void OnSave();

  AppSettings& settings_;
  BrowseFunction browse_;
  QCheckBox* showAllDrives_;
  QLineEdit* imageSoftware_;
  QLineEdit* program_;
  QCheckBox* openExplorer_;
  QCheckBox* expertMode_;
  QCheckBox* verifyWrites_;
};
