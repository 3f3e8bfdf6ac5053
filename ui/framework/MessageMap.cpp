#include "ui/framework/MessageMap.h"

const MessageMapEntry* FindMessageEntry(const MessageMap* map, UINT message, WPARAM wParam,
                                        LPARAM lParam) {
  for (; map != nullptr; map = map->base) {
    for (std::size_t i = 0; i < map->count; ++i) {
      const MessageMapEntry& entry = map->entries[i];
      if (entry.message != message) continue;
      if (message == WM_COMMAND) {
        if (entry.id == LOWORD(wParam) && entry.code == HIWORD(wParam)) return &entry;
      } else if (message == kReflectedNotify) {
        if (entry.code == reinterpret_cast<const NMHDR*>(lParam)->code) return &entry;
      } else if (message == WM_NOTIFY) {
        auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (entry.id == header->idFrom && entry.code == header->code) return &entry;
      } else {
        return &entry;
      }
    }
  }
  return nullptr;
}
