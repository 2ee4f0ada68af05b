// The leaf and node operations of B-tree pages and the structural steps under them: split (the root
// stays in place and the tree grows a level) and merge into a sibling (the root never merges).
#include <cstring>
#include <vector>

#include "engine/foundation/SQLMemConst.h"
#include "engine/foundation/SQLMemExcept.h"
#include "engine/foundation/SQLMemValueBytes.h"
#include "engine/storage/SQLMemBTreePage.h"

namespace {

// A key-sized scratch buffer.
std::vector<Byte> KeyBuffer(const TSQLMemBTreePage& page) { return std::vector<Byte>(static_cast<std::size_t>(page.KeyLength()), 0); }

void CopyItemKey(const TSQLMemBTreePage& page, Integer i, Byte* dest) {
  std::memcpy(dest, page.ItemPtr(i), static_cast<std::size_t>(page.KeyLength()));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Leaf controller

void TSQLMemBTreeLeafController::InsertKey(Integer session, const Byte* key, TSQLMemKeyPath& path, const Byte* reference) {
  Integer pos;
  page_.FindPosition(key, 0, fmAnyEqual, pos);
  page_.InsertItem(key, reference, pos);
  if (page_.IsOverflow()) {
    page_.Split(session, path);
  } else {
    page_.SetDirty();
  }
}

bool TSQLMemBTreeLeafController::DeleteKey(Integer session, const Byte* key, TSQLMemKeyPath& path, const Byte* reference) {
  Integer pos;
  if (!page_.FindItem(key, reference, pos)) return false;
  page_.DeleteItem(pos);
  if (!(page_.IsUnderflow() && page_.Merge(session, path))) page_.SetDirty();
  return true;
}

void TSQLMemBTreeLeafController::FreePages(Integer session) { page_.Tree().FreePageNo(session, page_.PageNo()); }

void TSQLMemBTreeLeafController::Validate(Integer, TSQLMemKeyPath&) {
  for (Integer i = 0; i + 1 < page_.Count(); ++i)
    if (page_.KeyRef().Compare(page_.ItemPtr(i), page_.ItemPtr(i + 1)) > 0)
      SQLMemError(20028, SQLMemIndexIntegrityViolated, {page_.PageNo(), i});
}

bool TSQLMemBTreeLeafController::FindKey(Integer, const Byte* key, TSQLMemKeyPath& path, const Byte* reference) {
  Integer pos;
  if (!page_.FindItem(key, reference, pos)) return false;
  path.AddLevel(page_.PageNo(), pos, page_.Count());
  return true;
}

bool TSQLMemBTreeLeafController::First(Integer, TSQLMemKeyPath& path) {
  if (page_.Count() == 0) return false;
  path.AddLevel(page_.PageNo(), 0, page_.Count());
  return true;
}

bool TSQLMemBTreeLeafController::Last(Integer, TSQLMemKeyPath& path) {
  if (page_.Count() == 0) return false;
  path.AddLevel(page_.PageNo(), page_.Count() - 1, page_.Count());
  return true;
}

bool TSQLMemBTreeLeafController::FindByCondition(Integer, bool forward, TSQLMemKeyPath& path, Byte kind, const Byte* key) {
  const Integer n = page_.Count();
  if (n == 0) return false;
  Integer p = 0;
  bool found = false;
  switch (kind) {
    case ckEqual:
      found = page_.FindPosition(key, 0, forward ? fmFirstEqual : fmLastEqual, p) == foFound;
      break;
    case ckLess:
      page_.FindPosition(key, 0, fmFirstEqual, p);
      --p;
      found = p >= 0;
      if (forward) p = 0;
      break;
    case ckGreater:
      if (page_.FindPosition(key, 0, fmLastEqual, p) == foFound) ++p;
      found = p < n;
      if (!forward) p = n - 1;
      break;
    case ckLessOrEqual:
      if (page_.FindPosition(key, 0, forward ? fmFirstEqual : fmLastEqual, p) != foFound) --p;
      found = p >= 0;
      if (forward) p = 0;
      break;
    case ckGreaterOrEqual:
      page_.FindPosition(key, 0, forward ? fmFirstEqual : fmAnyEqual, p);
      found = p < n;
      if (!forward) p = n - 1;
      break;
    default:
      p = forward ? 0 : n - 1;
      found = true;
      break;
  }
  if (found) path.AddLevel(page_.PageNo(), p, n);
  return found;
}

void TSQLMemBTreeLeafController::GetFirstKey(Integer, Byte* dest) {
  if (page_.Count() > 0) CopyItemKey(page_, 0, dest);
}

void TSQLMemBTreeLeafController::GetLastKey(Integer, Byte* dest) {
  if (page_.Count() > 0) CopyItemKey(page_, page_.Count() - 1, dest);
}

// ---------------------------------------------------------------------------------------------
// Node controller

namespace {
// Takes child i of a node for the length of one step.
struct Child : TSQLMemBTreePage {
  Child(TSQLMemBTreePage& node, Integer session, Integer i)
      : TSQLMemBTreePage(node.Tree(), node.Tree().TakePage(session, node.ChildPageNo(i))) {}
};

// Asks the children lo..hi in turn (hi down to lo backward) until one succeeds; each child's level is
// on the path while it is asked and stays there when it succeeds.
template <class Step>
bool WalkChildren(TSQLMemBTreePage& node, Integer session, Integer lo, Integer hi, bool forward, TSQLMemKeyPath& path, Step step) {
  for (Integer k = 0; k <= hi - lo; ++k) {
    const Integer i = forward ? lo + k : hi - k;
    path.AddLevel(node.PageNo(), i, node.Count());
    Child child(node, session, i);
    if (step(child.Controller())) return true;
    path.DropLevel();
  }
  return false;
}
}  // namespace

void TSQLMemBTreeNodeController::ChildRange(const Byte* key, Byte kind, Integer& lo, Integer& hi) const {
  const Integer count = page_.Count();
  lo = 0;
  hi = count - 1;
  if (key == nullptr) return;
  Integer p;
  switch (kind) {
    case ckEqual: {
      const TSQLMemFindOutcome first = page_.FindPosition(key, 1, fmFirstEqual, p);
      lo = first == foEmpty ? 0 : std::max(p - 1, 0);
      if (first == foFound) {
        page_.FindPosition(key, 1, fmLastEqual, p);
        hi = p;
      } else {
        hi = lo;
      }
      break;
    }
    case ckLess:
      page_.FindPosition(key, 1, fmFirstEqual, p);
      hi = p - 1;
      break;
    case ckGreater:
      lo = page_.FindPosition(key, 1, fmLastEqual, p) == foFound ? p : p - 1;
      break;
    case ckLessOrEqual:
      hi = page_.FindPosition(key, 1, fmLastEqual, p) == foFound ? p : p - 1;
      break;
    case ckGreaterOrEqual:
      page_.FindPosition(key, 1, fmFirstEqual, p);
      lo = p - 1;
      break;
    default:
      // No child range belongs to kind 0 with a key: like a search without a key, it covers all.
      break;
  }
}

void TSQLMemBTreeNodeController::InsertKey(Integer session, const Byte* key, TSQLMemKeyPath& path, const Byte* reference) {
  Integer p;
  if (page_.FindPosition(key, 1, fmAnyEqual, p) != foFound) --p;
  if (p < 0) p = 0;
  path.AddLevel(page_.PageNo(), p, page_.Count());
  Child child(page_, session, p);
  child.Controller().InsertKey(session, key, path, reference);
}

bool TSQLMemBTreeNodeController::DeleteKey(Integer session, const Byte* key, TSQLMemKeyPath& path, const Byte* reference) {
  Integer lo;
  Integer hi;
  ChildRange(key, ckEqual, lo, hi);
  return WalkChildren(page_, session, lo, hi, true, path,
                      [&](TSQLMemBTreePageController& child) { return child.DeleteKey(session, key, path, reference); });
}

void TSQLMemBTreeNodeController::FreePages(Integer session) {
  for (Integer i = 0; i < page_.Count(); ++i) {
    Child child(page_, session, i);
    child.Controller().FreePages(session);
  }
  page_.Tree().FreePageNo(session, page_.PageNo());
}

void TSQLMemBTreeNodeController::Validate(Integer session, TSQLMemKeyPath& path) {
  const Integer count = page_.Count();
  const Integer pageNo = page_.PageNo();
  for (Integer i = 0; i < count; ++i) {
    if (path.ContainsPage(pageNo)) SQLMemError(20032, SQLMemIndexCircularLinks, {pageNo, i});
    path.AddLevel(pageNo, i, count);
    Child child(page_, session, i);
    if (i > 0 && child.PriorPageNo() != page_.ChildPageNo(i - 1)) SQLMemError(20033, SQLMemIndexInvalidLeafLink, {pageNo, i});
    if (i < count - 1 && child.NextPageNo() != page_.ChildPageNo(i + 1)) SQLMemError(20034, SQLMemIndexInvalidLeafLink, {pageNo, i});
    child.Controller().Validate(session, path);
    path.DropLevel();
  }
  if (count < 3) return;
  const TSQLMemBTreeKeyRef& keys = page_.KeyRef();
  std::vector<Byte> edge = KeyBuffer(page_);
  for (Integer i = 1; i <= count - 2; ++i) {
    if (keys.Compare(page_.ItemPtr(i), page_.ItemPtr(i + 1)) > 0) SQLMemError(20029, SQLMemIndexIntegrityViolated, {pageNo, i});
    {
      Child before(page_, session, i - 1);
      before.Controller().GetLastKey(session, edge.data());
    }
    if (keys.Compare(edge.data(), page_.ItemPtr(i)) > 0) SQLMemError(20030, SQLMemIndexIntegrityViolated, {pageNo, i});
    {
      Child after(page_, session, i + 1);
      after.Controller().GetFirstKey(session, edge.data());
    }
    if (keys.Compare(edge.data(), page_.ItemPtr(i + 1)) < 0) SQLMemError(20031, SQLMemIndexIntegrityViolated, {pageNo, i});
  }
}

bool TSQLMemBTreeNodeController::FindKey(Integer session, const Byte* key, TSQLMemKeyPath& path, const Byte* reference) {
  Integer lo;
  Integer hi;
  ChildRange(key, ckEqual, lo, hi);
  return WalkChildren(page_, session, lo, hi, true, path,
                      [&](TSQLMemBTreePageController& child) { return child.FindKey(session, key, path, reference); });
}

bool TSQLMemBTreeNodeController::First(Integer session, TSQLMemKeyPath& path) {
  if (page_.Count() == 0) return false;
  path.AddLevel(page_.PageNo(), 0, page_.Count());
  Child child(page_, session, 0);
  return child.Controller().First(session, path);
}

bool TSQLMemBTreeNodeController::Last(Integer session, TSQLMemKeyPath& path) {
  const Integer count = page_.Count();
  if (count == 0) return false;
  path.AddLevel(page_.PageNo(), count - 1, count);
  Child child(page_, session, count - 1);
  return child.Controller().Last(session, path);
}

bool TSQLMemBTreeNodeController::FindByCondition(Integer session, bool forward, TSQLMemKeyPath& path, Byte kind, const Byte* key) {
  if (page_.Count() == 0) return false;
  Integer lo;
  Integer hi;
  ChildRange(key, kind, lo, hi);
  return WalkChildren(page_, session, lo, hi, forward, path,
                      [&](TSQLMemBTreePageController& child) { return child.FindByCondition(session, forward, path, kind, key); });
}

void TSQLMemBTreeNodeController::GetFirstKey(Integer session, Byte* dest) {
  if (page_.Count() == 0) return;
  Child child(page_, session, 0);
  child.Controller().GetFirstKey(session, dest);
}

void TSQLMemBTreeNodeController::GetLastKey(Integer session, Byte* dest) {
  if (page_.Count() == 0) return;
  Child child(page_, session, page_.Count() - 1);
  child.Controller().GetLastKey(session, dest);
}

// ---------------------------------------------------------------------------------------------
// Structure

void TSQLMemBTreePage::InsertEntry(Integer session, const Byte* key, TSQLMemKeyPath& path, Integer childPageNo) {
  if (IsLeaf()) SQLMemError(20020, SQLMemInternalIndexError);
  const Integer count = Count();
  const Integer position = count > 1 ? path.At(path.Current()).EntryNo + 1 : count;
  Byte child[kChildRefSize];
  StoreValue<Integer>(child, childPageNo);
  InsertItem(key, child, position);
  if (IsOverflow()) {
    Split(session, path);
  } else {
    SetDirty();
  }
}

void TSQLMemBTreePage::DeleteEntry(Integer session, TSQLMemKeyPath& path, bool intoLeft) {
  if (IsLeaf()) SQLMemError(20024, SQLMemInternalIndexError);
  const Integer e = path.At(path.Current()).EntryNo;
  // The separators above this node follow the change of its first key (merged to the left) or of
  // its right neighbour's first key (merged to the right).
  if (intoLeft && e == 0) {
    for (Integer level = path.Current(); level >= 0 && Count() > 1; --level) {
      const TSQLMemKeyPath::Level& at = path.At(level);
      if (at.EntryNo > 0) {
        TSQLMemBTreePage ancestor(tree_, tree_.TakePage(session, at.PageNo));
        ancestor.SetItemKey(at.EntryNo, ItemPtr(1));
        ancestor.SetDirty();
        break;
      }
    }
  } else if (!intoLeft) {
    // The new separator must not exceed the smallest key that moved. Item e's key is such a bound for
    // e > 0; item 0's key is not (a zero key, or a first key that later inserts undercut), so the
    // merged child's own first key is taken there. An empty child moved no keys.
    std::vector<Byte> separator = KeyBuffer(*this);
    bool moved = true;
    if (e == 0) {
      Child merged(*this, session, 0);
      moved = merged.Count() > 0;
      merged.Controller().GetFirstKey(session, separator.data());
    } else {
      CopyItemKey(*this, e, separator.data());
    }
    Integer level = path.Current();
    while (level >= 0 && path.At(level).EntryNo == path.At(level).EntryCount - 1) --level;
    if (level >= 0 && moved) {
      const TSQLMemKeyPath::Level& at = path.At(level);
      TSQLMemBTreePage ancestor(tree_, tree_.TakePage(session, at.PageNo));
      ancestor.SetItemKey(at.EntryNo + 1, separator.data());
      ancestor.SetDirty();
    }
  }
  DeleteItem(e);
  if (!(IsUnderflow() && Merge(session, path))) SetDirty();
}

void TSQLMemBTreePage::Split(Integer session, TSQLMemKeyPath& path) {
  const Integer count = Count();
  const Integer h = count / 2;
  if (IsRoot()) {
    TSQLMemBTreePage left(tree_, tree_.NewPage(session));
    TSQLMemBTreePage right(tree_, tree_.NewPage(session));
    left.CopyFrom(*this, 0, h);
    right.CopyFrom(*this, h, count - h);
    left.SetRoot(false);
    right.SetRoot(false);
    left.SetNextPageNo(right.PageNo());
    right.SetPriorPageNo(left.PageNo());
    left.SetDirty();
    right.SetDirty();
    SetLeaf(false);
    SetCount(0);
    std::vector<Byte> rightKey = KeyBuffer(*this);
    CopyItemKey(right, 0, rightKey.data());
    InsertEntry(session, nullptr, path, left.PageNo());
    InsertEntry(session, rightKey.data(), path, right.PageNo());
    SetDirty();
    return;
  }
  TSQLMemBTreePage added(tree_, tree_.NewPage(session));
  added.CopyFrom(*this, h, count - h);
  const Integer oldNext = NextPageNo();
  added.SetNextPageNo(oldNext);
  added.SetPriorPageNo(PageNo());
  added.SetDirty();
  if (oldNext != -1) {
    TSQLMemBTreePage next(tree_, tree_.TakePage(session, oldNext));
    next.SetPriorPageNo(added.PageNo());
    next.SetDirty();
  }
  SetNextPageNo(added.PageNo());
  SetCount(h);
  SetDirty();
  std::vector<Byte> addedKey = KeyBuffer(*this);
  CopyItemKey(added, 0, addedKey.data());
  path.LevelUp();
  {
    TSQLMemBTreePage parent(tree_, tree_.TakePage(session, path.CurrentPageNo()));
    parent.InsertEntry(session, addedKey.data(), path, added.PageNo());
  }
  path.LevelDown();
}

bool TSQLMemBTreePage::Merge(Integer session, TSQLMemKeyPath& path) {
  if (IsRoot()) return false;
  const Integer prior = PriorPageNo();
  if (prior != -1 && MergeInto(session, path, prior, true)) return true;
  const Integer next = NextPageNo();
  return next != -1 && MergeInto(session, path, next, false);
}

void TSQLMemBTreePage::LinkPage(Integer session, Integer pageNo, bool setPrior, Integer target) {
  if (pageNo == -1) return;
  TSQLMemBTreePage page(tree_, tree_.TakePage(session, pageNo));
  if (setPrior) {
    page.SetPriorPageNo(target);
  } else {
    page.SetNextPageNo(target);
  }
  page.SetDirty();
}

bool TSQLMemBTreePage::MergeInto(Integer session, TSQLMemKeyPath& path, Integer siblingPageNo, bool intoLeft) {
  TSQLMemBTreePage sibling(tree_, tree_.TakePage(session, siblingPageNo));
  if (!FitsInto(sibling)) return false;
  std::vector<Byte> firstKey = KeyBuffer(*this);
  if (intoLeft) {
    LinkPage(session, NextPageNo(), true, sibling.PageNo());
    path.LevelUp();
    TSQLMemBTreePage parent(tree_, tree_.TakePage(session, path.CurrentPageNo()));
    if (!IsLeaf()) {
      node_.GetFirstKey(session, firstKey.data());
      SetItemKey(0, firstKey.data());
    }
    sibling.AppendFrom(*this, 0, Count());
    sibling.SetNextPageNo(NextPageNo());
    sibling.SetDirty();
    parent.DeleteEntry(session, path, true);
  } else {
    LinkPage(session, PriorPageNo(), false, sibling.PageNo());
    path.LevelUp();
    TSQLMemBTreePage parent(tree_, tree_.TakePage(session, path.CurrentPageNo()));
    if (!IsLeaf()) {
      sibling.node_.GetFirstKey(session, firstKey.data());
      sibling.SetItemKey(0, firstKey.data());
    }
    sibling.PrependFrom(*this, 0, Count());
    sibling.SetPriorPageNo(PriorPageNo());
    sibling.SetDirty();
    parent.DeleteEntry(session, path, false);
  }
  path.LevelDown();
  tree_.FreePageNo(session, PageNo());
  return true;
}
