#include "engine/storage/SQLMemBTreePage.h"

#include <cstring>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemValueBytes.h"
#include "vcl/rtl/CheckedInt.h"

namespace {
constexpr Integer kRootOffset = 0;
constexpr Integer kLeafOffset = 1;
constexpr Integer kPriorOffset = 2;
constexpr Integer kNextOffset = 6;
constexpr Integer kFirstRootOffset = 10;
constexpr Integer kExtensionFlagOffset = 11;
constexpr Integer kKeyLengthOffset = 12;
constexpr Integer kCountOffset = 14;
constexpr Integer kExtensionLengthOffset = 16;
constexpr Integer kItemExtensionSize = 6;
}  // namespace

TSQLMemBTreePage::TSQLMemBTreePage(TSQLMemBTreePages& tree, TSQLMemPage* page) noexcept
    : TSQLMemPageController(page), tree_(tree) {}

TSQLMemBTreePage::~TSQLMemBTreePage() {
  try {
    tree_.Manager().ReleasePage(page_);
  } catch (...) {
    // Releasing a page the operation took fails only when the manager's books are broken; the
    // operation's own error, if any, is the one to report.
  }
}

TSQLMemBTreePageController& TSQLMemBTreePage::Controller() noexcept {
  if (IsLeaf()) return leaf_;
  return node_;
}

// ---- header ----

Integer TSQLMemBTreePage::PriorPageNo() const { return LoadValue<Integer>(Buffer() + kPriorOffset); }
void TSQLMemBTreePage::SetPriorPageNo(Integer pageNo) { StoreValue<Integer>(Buffer() + kPriorOffset, pageNo); }
Integer TSQLMemBTreePage::NextPageNo() const { return LoadValue<Integer>(Buffer() + kNextOffset); }
void TSQLMemBTreePage::SetNextPageNo(Integer pageNo) { StoreValue<Integer>(Buffer() + kNextOffset, pageNo); }
Integer TSQLMemBTreePage::KeyLength() const { return LoadValue<Word>(Buffer() + kKeyLengthOffset); }
Integer TSQLMemBTreePage::Count() const { return LoadValue<Word>(Buffer() + kCountOffset); }
void TSQLMemBTreePage::SetCount(Integer count) { StoreValue<Word>(Buffer() + kCountOffset, CheckedCast<Word>(count)); }
Integer TSQLMemBTreePage::ExtensionLength() const { return LoadValue<Word>(Buffer() + kExtensionLengthOffset); }

void TSQLMemBTreePage::Clear() {
  Byte* b = Buffer();
  b[kRootOffset] = 0;
  b[kLeafOffset] = 0;
  SetPriorPageNo(-1);
  SetNextPageNo(-1);
  b[kFirstRootOffset] = 0;
  b[kExtensionFlagOffset] = 0;
  StoreValue<Word>(b + kKeyLengthOffset, 0);
  StoreValue<Word>(b + kCountOffset, 0);
  StoreValue<Word>(b + kExtensionLengthOffset, 0);
}

void TSQLMemBTreePage::InitRoot() {
  Clear();
  Byte* b = Buffer();
  b[kRootOffset] = 1;
  b[kLeafOffset] = 1;
  b[kFirstRootOffset] = 1;
  StoreValue<Word>(b + kKeyLengthOffset, CheckedCast<Word>(KeyRef().KeySize()));
}

Integer TSQLMemBTreePage::ItemSize() const {
  const Integer reference = IsLeaf() ? KeyRef().ReferenceSize() : kChildRefSize;
  return KeyLength() + reference + (Buffer()[kExtensionFlagOffset] != 0 ? kItemExtensionSize : 0);
}

Byte* TSQLMemBTreePage::ItemPtr(Integer i) const { return Buffer() + HeaderSize() + static_cast<std::ptrdiff_t>(i) * ItemSize(); }

void TSQLMemBTreePage::SetItemKey(Integer i, const Byte* key) { std::memcpy(ItemPtr(i), key, static_cast<std::size_t>(KeyLength())); }

Integer TSQLMemBTreePage::ChildPageNo(Integer i) const { return LoadValue<Integer>(DataPtr(i)); }

namespace {
// Makes sure the page's buffer holds count items; the page size alone decides when a page splits.
void EnsureBuffer(TSQLMemBTreePage& page, Integer count) {
  const Integer needed = CheckedAdd(page.HeaderSize(), CheckedMul(count, page.ItemSize()));
  if (needed > page.Page()->BufferSize()) page.ResizeBuffer(needed);
}
}  // namespace

void TSQLMemBTreePage::CopyFrom(const TSQLMemBTreePage& src, Integer start, Integer n) {
  std::memcpy(Buffer(), src.Buffer(), static_cast<std::size_t>(src.HeaderSize()));
  SetCount(0);
  AppendFrom(src, start, n);
}

void TSQLMemBTreePage::AppendFrom(const TSQLMemBTreePage& src, Integer start, Integer n) {
  const Integer count = Count();
  EnsureBuffer(*this, CheckedAdd(count, n));
  std::memmove(ItemPtr(count), src.ItemPtr(start), static_cast<std::size_t>(n) * static_cast<std::size_t>(ItemSize()));
  SetCount(count + n);
}

void TSQLMemBTreePage::PrependFrom(const TSQLMemBTreePage& src, Integer start, Integer n) {
  const Integer count = Count();
  EnsureBuffer(*this, CheckedAdd(count, n));
  const std::size_t itemSize = static_cast<std::size_t>(ItemSize());
  std::memmove(ItemPtr(n), ItemPtr(0), static_cast<std::size_t>(count) * itemSize);
  std::memmove(ItemPtr(0), src.ItemPtr(start), static_cast<std::size_t>(n) * itemSize);
  SetCount(count + n);
}

// ---- room ----

bool TSQLMemBTreePage::HasRoom() const { return (Count() + 1) * ItemSize() + HeaderSize() <= PageSize(); }
bool TSQLMemBTreePage::IsOverflow() const { return Count() * ItemSize() + HeaderSize() > PageSize(); }
bool TSQLMemBTreePage::IsUnderflow() const { return !IsRoot() && Count() * ItemSize() < (PageSize() - HeaderSize()) / 2; }
bool TSQLMemBTreePage::FitsInto(const TSQLMemBTreePage& other) const {
  return (Count() + other.Count()) * ItemSize() + HeaderSize() < other.PageSize();
}
void TSQLMemBTreePage::Grow() { ResizeBuffer(PageSize() + ItemSize()); }

// ---- items ----

TSQLMemFindOutcome TSQLMemBTreePage::FindPosition(const Byte* key, Integer low, TSQLMemFindMode mode, Integer& position) const {
  const Integer count = Count();
  if (count == 0) {
    position = 0;
    return foEmpty;
  }
  const TSQLMemBTreeKeyRef& keys = KeyRef();
  // The items lie at equal steps from the first. A key of one integer column is compared in place.
  const Byte* const items = ItemPtr(0);
  const std::ptrdiff_t step = ItemSize();
  Integer intOffset = 0;
  bool intDescending = false;
  const bool integerKey = keys.SingleIntegerColumn(intOffset, intDescending);
  const auto compareAt = [&](Integer i) {
    const Byte* item = items + static_cast<std::ptrdiff_t>(i) * step;
    return integerKey ? TSQLMemBTreeKeyRef::CompareInteger(key, item, intOffset, intDescending)
                      : keys.Compare(key, item);
  };
  Integer lo = low;
  Integer hi = count - 1;
  while (lo <= hi) {
    const Integer mid = (lo + hi) / 2;
    const int c = compareAt(mid);
    if (c < 0) {
      hi = mid - 1;
    } else if (c > 0) {
      lo = mid + 1;
    } else {
      // The walk over equal keys is a binary search for the end of the run: the same item as a step
      // by step walk finds, without its cost on long runs of duplicates.
      position = mid;
      if (mode == fmFirstEqual) {
        Integer a = low;
        Integer b = mid;  // item b is equal; find the first equal in a..b
        while (a < b) {
          const Integer m = (a + b) / 2;
          if (compareAt(m) == 0) b = m; else a = m + 1;
        }
        position = b;
      } else if (mode == fmLastEqual) {
        Integer a = mid;  // item a is equal; find the last equal in a..count - 1
        Integer b = count - 1;
        while (a < b) {
          const Integer m = (a + b + 1) / 2;
          if (compareAt(m) == 0) a = m; else b = m - 1;
        }
        position = a;
      }
      return foFound;
    }
  }
  position = lo;
  return foNotFound;
}

void TSQLMemBTreePage::InsertItem(const Byte* key, const Byte* reference, Integer pos) {
  const Integer count = Count();
  if (pos < 0 || pos > count) RaiseRangeError();
  if (!HasRoom()) Grow();
  EnsureBuffer(*this, count + 1);
  const Integer itemSize = ItemSize();
  std::memmove(ItemPtr(pos + 1), ItemPtr(pos), static_cast<std::size_t>(count - pos) * static_cast<std::size_t>(itemSize));
  Byte* item = ItemPtr(pos);
  const Integer keyLength = KeyLength();
  std::memset(item, 0, static_cast<std::size_t>(keyLength));
  if (key != nullptr) std::memcpy(item, key, static_cast<std::size_t>(keyLength));
  const Integer referenceSize = IsLeaf() ? KeyRef().ReferenceSize() : kChildRefSize;
  std::memcpy(item + keyLength, reference, static_cast<std::size_t>(referenceSize));
  SetCount(count + 1);
}

void TSQLMemBTreePage::DeleteItem(Integer pos) {
  const Integer count = Count();
  if (count < 1) SQLMemError(20025, SQLMemIndexPageEmpty);
  CheckIndex(pos, count);
  std::memmove(ItemPtr(pos), ItemPtr(pos + 1), static_cast<std::size_t>(count - pos - 1) * static_cast<std::size_t>(ItemSize()));
  SetCount(count - 1);
}

bool TSQLMemBTreePage::FindItem(const Byte* key, const Byte* reference, Integer& pos) const {
  const Integer count = Count();
  const Integer referenceSize = IsLeaf() ? KeyRef().ReferenceSize() : kChildRefSize;
  if (key == nullptr) {
    for (Integer i = 0; i < count; ++i) {
      if (TSQLMemBTreeKeyRef::ReferencesEqual(DataPtr(i), reference, referenceSize)) {
        pos = i;
        return true;
      }
    }
    return false;
  }
  Integer i;
  if (FindPosition(key, 0, fmFirstEqual, i) != foFound) return false;
  for (; i < count && KeyRef().Compare(key, ItemPtr(i)) == 0; ++i) {
    if (TSQLMemBTreeKeyRef::ReferencesEqual(DataPtr(i), reference, referenceSize)) {
      pos = i;
      return true;
    }
  }
  return false;
}
