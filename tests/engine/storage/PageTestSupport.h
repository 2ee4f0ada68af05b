// Helpers of the page store tests: page contents stamped and checked by page number, and a store's
// stream form taken as bytes.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/foundation/SQLMemStreams.h"
#include "engine/storage/SQLMemPageManager.h"
#include "engine/foundation/SQLMemValueBytes.h"
#include "tests/engine/foundation/EngineTestSupport.h"

using Bytes = std::vector<Byte>;

// Writes a pattern derived from stamp over the page's page-size bytes.
inline void StampPage(TSQLMemPage* page, Integer stamp) {
  for (Integer i = 0; i < page->PageSize(); ++i) page->Buffer()[i] = static_cast<Byte>((stamp * 31 + i * 7) & 0xFF);
}

inline bool HasStamp(const Byte* bytes, Integer pageSize, Integer stamp) {
  for (Integer i = 0; i < pageSize; ++i)
    if (bytes[i] != static_cast<Byte>((stamp * 31 + i * 7) & 0xFF)) return false;
  return true;
}

inline Bytes SavedForm(TSQLMemPageManager& manager) {
  TSQLMemMemoryStream stream;
  manager.SaveToStream(stream);
  EXPECT_EQ(stream.GetPosition(), stream.GetSize()) << "the save must leave the stream at its end";
  return Bytes(stream.Memory(), stream.Memory() + stream.GetSize());
}

inline void LoadForm(TSQLMemPageManager& manager, const Bytes& bytes) {
  TSQLMemMemoryStream stream;
  stream.WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  stream.SetPosition(0);
  manager.LoadFromStream(stream);
  EXPECT_EQ(stream.GetPosition(), stream.GetSize()) << "the load must read the whole form";
}

// Adds a page for the session, stamps it with its number and releases it (its change stays pending).
inline Integer AddStampedPage(TSQLMemPageManager& manager, Integer sessionId) {
  TSQLMemPage* page = manager.AddPage(sessionId);
  StampPage(page, page->PageNo());
  const Integer pageNo = page->PageNo();
  manager.ReleasePage(page);
  return pageNo;
}

// Pages added and stamped by the session, then applied, so that they sit clean in the cache.
inline std::vector<Integer> CommittedPages(TSQLMemPageManager& manager, Integer n, Integer sessionId = 1) {
  std::vector<Integer> pageNos;
  for (Integer i = 0; i < n; ++i) pageNos.push_back(AddStampedPage(manager, sessionId));
  manager.ApplyChanges(sessionId);
  return pageNos;
}

// Frees the pages and applies, so that the store can be closed.
inline void FreeAllPages(TSQLMemPageManager& manager, Integer sessionId, const std::vector<Integer>& pageNos) {
  for (Integer pageNo : pageNos) manager.FreePage(sessionId, pageNo);
  manager.ApplyChanges(sessionId);
}

inline Integer ReadInt32At(const Bytes& bytes, std::size_t offset) { return LoadValue<Integer>(bytes.data() + offset); }
