#include "engine/storage/SQLMemPage.h"

#include <cstring>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemMemory.h"
#include "engine/foundation/SQLMemSettings.h"
#include "engine/foundation/SQLMemValueBytes.h"
#include "engine/storage/SQLMemPageManager.h"

void FreePageMemory(void*& block) noexcept {
  if (block == nullptr) return;
  try {
    if (EngineWipeMemory) std::memset(block, 0, static_cast<std::size_t>(MemoryManager().GetBlockSize(block)));
    MemoryManager().FreeMem(block);
  } catch (...) {
    // A damaged block is released all the same by FreeMem; its error can't be reported from here.
    block = nullptr;
  }
}

// ---------------------------------------------------------------------------------------------
// TSQLMemPage

TSQLMemPage::TSQLMemPage(TSQLMemPageManager* manager)
    : manager_(manager), reservedSize_(manager->ReservedSize()), pageSize_(manager->PageSize()) {}

TSQLMemPage::~TSQLMemPage() { FreeBuffer(); }

void TSQLMemPage::AllocBuffer() {
  void* block = MemoryManager().AllocMem(pageSize_);
  Byte* bytes = static_cast<Byte*>(block);
  std::memcpy(bytes, "ACSP", 4);
  StoreValue<Integer>(bytes + 10, -1);
  StoreValue<Integer>(bytes + 22, -1);
  StoreValue<Integer>(bytes + 26, -1);
  FreeBuffer();
  buffer_ = bytes;
  bufferSize_ = pageSize_;
  ownsBuffer_ = true;
}

void TSQLMemPage::FreeBuffer() noexcept {
  if (ownsBuffer_) {
    void* block = buffer_;
    FreePageMemory(block);
  }
  buffer_ = nullptr;
  bufferSize_ = 0;
}

void TSQLMemPage::ResizeBuffer(Integer newSize) {
  if (buffer_ == nullptr) SQLMemError(20038, SQLMemPageBufferNil);
  if (newSize < pageSize_) SQLMemError(20039, SQLMemInvalidPageModification);
  if (ownsBuffer_) {
    void* block = buffer_;
    MemoryManager().ReallocMemZero(block, newSize);
    buffer_ = static_cast<Byte*>(block);
  } else {
    Byte* copy = static_cast<Byte*>(MemoryManager().AllocMem(newSize));
    std::memcpy(copy, buffer_, static_cast<std::size_t>(pageSize_));
    buffer_ = copy;
    ownsBuffer_ = true;
  }
  bufferSize_ = newSize;
}

void TSQLMemPage::Revalidate() {
  const Integer current = manager_->CurrentVersion();
  if (!manager_->IsOutdated(version_, current, kPageVersionKindApply)) return;
  manager_->ReadPage(this);
  version_ = current;
}

void TSQLMemPage::AttachStoreBuffer(Byte* buffer) noexcept {
  FreeBuffer();
  buffer_ = buffer;
  bufferSize_ = pageSize_;
  ownsBuffer_ = false;
}

void TSQLMemPage::SetPageNo(Integer pageNo) {
  if (list_ != nullptr) list_->Renumber(this, pageNo);
  pageNo_ = pageNo;
}

// ---------------------------------------------------------------------------------------------
// TSQLMemPageList

TSQLMemPage* TSQLMemPageList::Find(Integer pageNo) const {
  const auto it = byNumber_.find(pageNo);
  return it == byNumber_.end() ? nullptr : it->second;
}

TSQLMemPage* TSQLMemPageList::Append(std::unique_ptr<TSQLMemPage> page) {
  TSQLMemPage* p = page.get();
  byNumber_.emplace(p->pageNo_, p);
  items_.push_back(std::move(page));
  p->list_ = this;
  p->position_ = std::prev(items_.end());
  return p;
}

void TSQLMemPageList::MoveTo(TSQLMemPage* page, TSQLMemPageList& dest) {
  TNumberIndex::node_type entry = ExtractEntry(page);
  if (entry.empty())
    dest.byNumber_.emplace(page->pageNo_, page);
  else
    dest.byNumber_.insert(std::move(entry));
  dest.items_.splice(dest.items_.end(), items_, page->position_);
  page->list_ = &dest;
}

std::unique_ptr<TSQLMemPage> TSQLMemPageList::Extract(TSQLMemPage* page) {
  Unindex(page);
  std::unique_ptr<TSQLMemPage> owned = std::move(*page->position_);
  items_.erase(page->position_);
  page->list_ = nullptr;
  return owned;
}

void TSQLMemPageList::Clear() noexcept {
  byNumber_.clear();
  items_.clear();
}

void TSQLMemPageList::Renumber(TSQLMemPage* page, Integer newPageNo) {
  Unindex(page);
  byNumber_.emplace(newPageNo, page);
}

void TSQLMemPageList::Unindex(TSQLMemPage* page) { ExtractEntry(page); }

TSQLMemPageList::TNumberIndex::node_type TSQLMemPageList::ExtractEntry(TSQLMemPage* page) {
  auto [first, last] = byNumber_.equal_range(page->pageNo_);
  for (auto it = first; it != last; ++it)
    if (it->second == page) return byNumber_.extract(it);
  return {};
}
