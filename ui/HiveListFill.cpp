#include "ui/HiveListFill.h"

#include "catalogue/HiveList.h"
#include "catalogue/SizeText.h"
#include "ui/HiveListDlg.h"
#include "ui/SortableList.h"
#include "ui/logic/TickRules.h"

void FillHiveList(CHiveListDlg& dialog) {
  CCheckListCtrl& list = dialog.m_list;
  RefillSortedList(dialog, list, [&] {
    dialog.FreeHiveRows();
    int index = 0;
    for (std::unique_ptr<HiveEntry>& entry : CollectHives()) {
      HiveEntry* record = entry.get();
      int inserted = list.InsertItem(index, record->name, reinterpret_cast<LPARAM>(record),
                                     uilogic::StateForTick(StartsTicked(*record)));
      if (inserted < 0) continue;  // the unique_ptr releases a record no row took
      entry.release();             // the row owns it now
      index = inserted;
      CPathString text = record->path.GetText();
      list.SetItemText(inserted, 1, text.IsEmpty() ? L"" : text.GetBuffer());
      list.SetItemText(inserted, 2, FormatSizeKB(record->size));
    }
  });
  dialog.UpdateDefragmentButton();
}
