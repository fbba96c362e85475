// The about box: the product name, the version and a line about the program.
#pragma once

#include <string>

#include "gui/ex_resize_dialog.h"

class QLabel;

class CAboutDlg : public CExResizeDialog {
  Q_OBJECT

 public:
  static constexpr int kTemplateId = 100;
  static constexpr int kIdProductName = 1700;
  static constexpr int kIdVersion = 1701;
  static constexpr int kIdClose = 2;

  CAboutDlg(const std::string& productName, const std::string& version, QWidget* parent);

 protected:
  void OnInitDialog() override;

 private:
  std::string productName_;
  std::string version_;
  QLabel* name_;
  QLabel* versionLabel_;
};
