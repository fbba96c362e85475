#include "services/dialogs/dlg_app_settings.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/current_language.h"
#include "gui/accessible_names.h"
#include "gui/control_id.h"
#include "gui/ui_texts.h"
#include "services/dialogs/program_file_dialog.h"

namespace {
QCheckBox* NewCheckBox(QWidget* parent, int id, const char* text) {
  auto* box = new QCheckBox(QString::fromUtf8(text), parent);
  gui::SetControlId(box, id);
  return box;
}

QPushButton* NewButton(QWidget* parent, int id, const char* text) {
  auto* button = new QPushButton(QString::fromUtf8(text), parent);
  gui::SetControlId(button, id);
  return button;
}
}  // namespace

CDlgAppSettings::CDlgAppSettings(QWidget* parent, AppSettings& settings)
    : CExResizeDialog(kTemplateId, parent, QSize(357, 127)), settings_(settings) {
  setWindowTitle(QStringLiteral("Application Settings"));
  browse_ = [this](const QString& title, const QString& current) {
    return BrowseForProgram(this, title, ProgramFilter(), current);
  };

  showAllDrives_ = NewCheckBox(this, kIdShowAllDrives, "&Show All Removable Drives");
  auto* imageLabel = new QLabel(QStringLiteral("External Image Handler Software"), this);
  gui::SetControlId(imageLabel, kIdImageSoftwareLabel);
  imageSoftware_ = new QLineEdit(this);
  gui::SetControlId(imageSoftware_, kIdImageSoftware);
  imageLabel->setBuddy(imageSoftware_);
  QPushButton* browseImage = NewButton(this, kIdBrowseImageSoftware, "...");
  gui::SetOwnAccessibleName(browseImage, gui::kTextBrowseImageSoftware.english,
                            gui::kTextBrowseImageSoftware.german);

  auto* programLabel = new QLabel(QStringLiteral("External Programm"), this);
  gui::SetControlId(programLabel, kIdProgramLabel);
  program_ = new QLineEdit(this);
  gui::SetControlId(program_, kIdProgram);
  programLabel->setBuddy(program_);
  QPushButton* browseProgram = NewButton(this, kIdBrowseProgram, "...");
  gui::SetOwnAccessibleName(browseProgram, gui::kTextBrowseProgram.english,
                            gui::kTextBrowseProgram.german);

  openExplorer_ = NewCheckBox(this, kIdOpenExplorer, "Open");
  expertMode_ = NewCheckBox(this, kIdExpertMode, "Expertenmodus");
  verifyWrites_ = NewCheckBox(this, kIdVerifyWrites, "&Verify What Is Written to the Card");
  QPushButton* save = NewButton(this, kIdSave, "&Save");
  save->setDefault(true);
  QPushButton* cancel = NewButton(this, kIdCancel, "&Cancel");

  for (QPushButton* browse : {browseImage, browseProgram}) {
    browse->setAutoDefault(false);
    browse->setFixedWidth(browse->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
  }

  auto* fields = new QGridLayout;
  fields->addWidget(showAllDrives_, 0, 0, 1, 3);
  fields->addWidget(imageLabel, 1, 0);
  fields->addWidget(imageSoftware_, 1, 1);
  fields->addWidget(browseImage, 1, 2);
  fields->addWidget(programLabel, 2, 0);
  fields->addWidget(program_, 2, 1);
  fields->addWidget(browseProgram, 2, 2);
  fields->addWidget(openExplorer_, 3, 0, 1, 3);
  fields->addWidget(expertMode_, 4, 0, 1, 3);
  fields->addWidget(verifyWrites_, 5, 0, 1, 3);
  fields->setColumnStretch(1, 1);
  fields->setColumnMinimumWidth(1, 160);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(save);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addStretch();
  layout->addLayout(buttons);

  connect(browseImage, &QPushButton::clicked, this,
          [this] { Browse(imageSoftware_, kIdImageSoftwareLabel); });
  connect(browseProgram, &QPushButton::clicked, this,
          [this] { Browse(program_, kIdProgramLabel); });
  connect(save, &QPushButton::clicked, this, &CDlgAppSettings::OnSave);
  connect(cancel, &QPushButton::clicked, this, &CDlgAppSettings::reject);
}

std::string CDlgAppSettings::ProgramFilter() {
  return Localized("Executable File (*.exe)|*.exe|All Files (*.*)|*.*||",
                   "Ausführbare Dateien (*.exe)|*.exe|Alle Dateien (*.*)|*.*||");
}

void CDlgAppSettings::OnInitDialog() {
  const AppSettingsFields fields = AppSettingsFields::From(settings_);
  showAllDrives_->setChecked(fields.showAllRemovableDrives);
  expertMode_->setChecked(fields.expertMode);
  openExplorer_->setChecked(fields.openExplorer);
  verifyWrites_->setChecked(fields.verifyWrites);
  imageSoftware_->setText(QString::fromStdString(fields.externalImageSoftware));
  program_->setText(QString::fromStdString(fields.externalProgram));
  RegisterWithLanguage();
}

void CDlgAppSettings::Browse(QLineEdit* field, int labelId) {
  const auto* label = qobject_cast<QLabel*>(Control(labelId));
  const QString title = label != nullptr ? label->text() : QString();
  if (const std::optional<QString> chosen = browse_(title, field->text())) field->setText(*chosen);
}

void CDlgAppSettings::OnSave() {
  AppSettingsFields fields;
  fields.showAllRemovableDrives = showAllDrives_->isChecked();
  fields.externalImageSoftware = imageSoftware_->text().toStdString();
  fields.externalProgram = program_->text().toStdString();
  fields.expertMode = expertMode_->isChecked();
  fields.openExplorer = openExplorer_->isChecked();
  fields.verifyWrites = verifyWrites_->isChecked();
  // A profile that cannot be written keeps the values for this run; the
  // dialog closes all the same, as it always has.
  fields.SaveInto(settings_);
  accept();
}
