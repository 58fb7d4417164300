#include "platforms/records.h"

PlatformEntry& CatalogueData::addEntry(std::vector<PlatformEntry*>& list, const std::wstring& label,
                                       const std::wstring& includeLine, const std::wstring& libLine,
                                       int index, bool detected, bool isMingw) {
  PlatformEntry entry;
  entry.index = index;
  entry.label = label;
  entry.includeLine = includeLine;
  entry.libLine = libLine;
  entry.detected = detected;
  entry.isMingw = isMingw;
  entries.push_back(entry);
  list.push_back(&entries.back());
  return entries.back();
}
