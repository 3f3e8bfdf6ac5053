#pragma once
// Fills the main window's list from the hive catalogue.
class CHiveListDlg;

// Empties the list (releasing the rows' records) and inserts one row per loaded
// hive, ticked unless its file was not found; then sorts, shows the arrow and
// refreshes the Defragment button.
void FillHiveList(CHiveListDlg& dialog);
