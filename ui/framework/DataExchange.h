#pragma once
// Data exchange between a dialog's controls and its members.
#include "ui/framework/Dialog.h"

// Attaches a control object to the dialog's control `id` (once) so that its
// reflected notifications reach it.
void DDX_Control(CDialog& dialog, bool saveAndValidate, int id, CWnd& control);

// Moves a check box's state into `value` (saving) or from it.
void DDX_Check(CDialog& dialog, bool saveAndValidate, int id, int& value);
