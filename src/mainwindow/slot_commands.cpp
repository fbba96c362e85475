// The commands that move floppy images between the slots, floppy disks and
// image files, rename and show a slot, and hand it to outside editors. Each
// button is connected here; the commands themselves are still to come and
// report nothing.
#include "mainwindow/tarnwick_dlg.h"

void CTarnwickDlg::OnFloppyToSlot() {}
void CTarnwickDlg::OnFileToSlot() {}
void CTarnwickDlg::OnFloppyToFile() {}
void CTarnwickDlg::OnSlotToFloppy() {}
void CTarnwickDlg::OnSlotToFile() {}
void CTarnwickDlg::OnFileToFloppy() {}
void CTarnwickDlg::OnWriteSlotName() {}
void CTarnwickDlg::OnHexViewSlot() {}
void CTarnwickDlg::OnExternalEdit() {}
void CTarnwickDlg::OnMountSlot() {}
void CTarnwickDlg::OnRunExternalProgram() {}
