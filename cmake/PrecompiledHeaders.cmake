# Precompiled headers for the programs whose files all read the same large
# headers: GoogleTest in every test file, Qt Widgets in every window. Each is
# parsed once per program instead of once per file. Only outside headers are
# named here: a change of our own headers never rebuilds a precompiled one.
option(QUILLFEN_PCH "Precompile GoogleTest and Qt headers" ON)

set(QUILLFEN_STD_PCH <cstdint> <functional> <map> <memory> <string> <string_view> <vector>)
set(QUILLFEN_TEST_PCH <gtest/gtest.h> <gmock/gmock.h> ${QUILLFEN_STD_PCH})
set(QUILLFEN_QT_PCH <QAccessible> <QAction> <QApplication> <QCheckBox> <QComboBox> <QDialog>
    <QFileDialog> <QGridLayout> <QHBoxLayout> <QLabel> <QLineEdit> <QListWidget> <QMessageBox>
    <QPointer> <QPushButton> <QString> <QTimer> <QVBoxLayout> <QWidget> ${QUILLFEN_STD_PCH})

# quillfen_precompile(<target> <header list variable> [REUSE_FROM <target>])
function(quillfen_precompile target list)
  if(NOT QUILLFEN_PCH)
    return()
  endif()
  cmake_parse_arguments(arg "" "REUSE_FROM" "" ${ARGN})
  if(arg_REUSE_FROM)
    target_precompile_headers(${target} REUSE_FROM ${arg_REUSE_FROM})
  else()
    target_precompile_headers(${target} PRIVATE ${${list}})
  endif()
endfunction()
