// Lists of borrowed pointers in the component library's manner: TList (indexes checked, raising
// EListError with the library's texts), TThreadList (a TList behind a re-entrant lock, for lists that
// several threads share: datasets, databases) and TBits (a growable bit array with OpenBit).
// TList<> holds untyped pointers like the library's; TList<TFoo> holds TFoo* and saves the casts.
#pragma once
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>
#include "vcl/rtl/Object.h"

// What a list that refuses duplicates does with one: drop it, keep it, or raise.
enum TDuplicates { dupIgnore = 0, dupAccept = 1, dupError = 2 };

// The largest number of entries a list may hold (the library's limit).
inline constexpr int kMaxListSize = 134217727;

namespace detail {
[[noreturn]] void RaiseListError(const char* format, Int64 data);  // EListError with Format(format, data)
// Sorts `order` (indexes) stably by `less`. Bounded whatever the comparator answers, so an
// inconsistent comparator gives some order, never a fault.
void StableSortIndexes(std::vector<int>& order, const std::function<bool(int, int)>& less);
}  // namespace detail

template <typename T = void>
class TList : public TObject {
 public:
  // Negative when a sorts before b, 0 when equal, positive after.
  using TListSortCompare = std::function<int(T* a, T* b)>;

  int Count() const { return static_cast<int>(items_.size()); }
  // Growing adds nil entries; EListError "List count out of bounds (n)" outside 0..kMaxListSize.
  void SetCount(int value) {
    if (value < 0 || value > kMaxListSize) detail::RaiseListError("List count out of bounds (%d)", value);
    if (value > capacity_) SetCapacity(value);
    items_.resize(static_cast<std::size_t>(value), nullptr);
  }
  int Capacity() const { return capacity_; }
  // EListError "List capacity out of bounds (n)" below Count or above kMaxListSize.
  void SetCapacity(int value) {
    if (value < Count() || value > kMaxListSize) detail::RaiseListError("List capacity out of bounds (%d)", value);
    if (value > capacity_) items_.reserve(static_cast<std::size_t>(value));
    capacity_ = value;
  }

  // EListError "List index out of bounds (n)" for an index out of range.
  T* Items(int index) const { return items_[Checked(index)]; }
  void SetItems(int index, T* item) { items_[Checked(index)] = item; }
  T* First() const { return Items(0); }
  T* Last() const { return Items(Count() - 1); }

  int Add(T* item) {
    const int index = Count();
    if (index == capacity_) Grow();
    items_.push_back(item);
    return index;
  }
  void Insert(int index, T* item) {
    if (index < 0 || index > Count()) detail::RaiseListError("List index out of bounds (%d)", index);
    if (Count() == capacity_) Grow();
    items_.insert(items_.begin() + index, item);
  }
  void Delete(int index) { items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(Checked(index))); }
  // Deletes the first entry equal to item; its former index, or -1.
  int Remove(const T* item) {
    const int index = IndexOf(item);
    if (index >= 0) Delete(index);
    return index;
  }
  // Like Remove, but returns the item (nil when absent).
  T* Extract(const T* item) {
    const int index = IndexOf(item);
    if (index < 0) return nullptr;
    T* found = items_[static_cast<std::size_t>(index)];
    Delete(index);
    return found;
  }
  int IndexOf(const T* item) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
      if (items_[i] == item) return static_cast<int>(i);
    return -1;
  }
  void Exchange(int index1, int index2) {
    const std::size_t a = Checked(index1), b = Checked(index2);
    std::swap(items_[a], items_[b]);
  }
  void Move(int curIndex, int newIndex) {
    if (curIndex == newIndex) return;
    T* item = Items(curIndex);
    Checked(newIndex);
    items_.erase(items_.begin() + curIndex);
    items_.insert(items_.begin() + newIndex, item);
  }
  // Removes the nil entries.
  void Pack() { std::erase(items_, nullptr); }
  void Clear() {
    items_.clear();
    items_.shrink_to_fit();
    capacity_ = 0;
  }
  // Stable sort by the comparator (equal entries keep their order).
  void Sort(const TListSortCompare& compare) {
    std::vector<int> order(items_.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    detail::StableSortIndexes(order, [&](int a, int b) {
      return compare(items_[static_cast<std::size_t>(a)], items_[static_cast<std::size_t>(b)]) < 0;
    });
    std::vector<T*> sorted;
    sorted.reserve(items_.capacity());
    for (int i : order) sorted.push_back(items_[static_cast<std::size_t>(i)]);
    items_.swap(sorted);
  }

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::size_t Checked(int index) const {
    if (index < 0 || index >= Count()) detail::RaiseListError("List index out of bounds (%d)", index);
    return static_cast<std::size_t>(index);
  }
  // The library's growth steps: by a quarter above 64 entries, by 16 above 8, else by 4.
  void Grow() {
    const int delta = capacity_ > 64 ? capacity_ / 4 : capacity_ > 8 ? 16 : 4;
    SetCapacity(capacity_ > kMaxListSize - delta ? kMaxListSize + 1 : capacity_ + delta);
  }

  std::vector<T*> items_;
  int capacity_ = 0;
};

// A TList guarded by a re-entrant lock. Add, Remove and Clear lock by themselves; anything else goes
// through LockList/UnlockList (or a TThreadList::Locked guard).
template <typename T = void>
class TThreadList : public TObject {
 public:
  // dupIgnore (the default) drops an entry already present, dupAccept adds it again, dupError raises
  // EListError "List does not allow duplicates ($0<address in hex>)".
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates value) { duplicates_ = value; }

  void Add(T* item) {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    if (duplicates_ == dupAccept || list_.IndexOf(item) < 0)
      list_.Add(item);
    else if (duplicates_ == dupError)
      detail::RaiseListError("List does not allow duplicates ($0%x)",
                             static_cast<Int64>(reinterpret_cast<std::uintptr_t>(item)));
  }
  void Remove(const T* item) {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    list_.Remove(item);
  }
  void Clear() {
    std::lock_guard<std::recursive_mutex> guard(mutex_);
    list_.Clear();
  }

  // Enters the lock (re-entrant on the same thread) and hands out the list; UnlockList leaves it.
  TList<T>* LockList() {
    mutex_.lock();
    return &list_;
  }
  void UnlockList() { mutex_.unlock(); }

  // Holds the lock for a scope: `TThreadList<TFoo>::Locked list(all); for (TFoo* f : *list) ...`.
  class Locked {
   public:
    explicit Locked(TThreadList& owner) : owner_(owner), list_(owner.LockList()) {}
    ~Locked() { owner_.UnlockList(); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
    TList<T>* operator->() const { return list_; }
    TList<T>& operator*() const { return *list_; }

   private:
    TThreadList& owner_;
    TList<T>* list_;
  };

 private:
  std::recursive_mutex mutex_;
  TList<T> list_;
  TDuplicates duplicates_ = dupIgnore;
};

// A bit array that grows when a bit past its end is set. Reading past the end, a negative index or a
// negative size raise EBitsError "Bits index out of range".
class TBits : public TObject {
 public:
  int Size() const { return size_; }
  void SetSize(int value);
  bool Bits(int index) const;
  void SetBits(int index, bool value);
  // The index of the first clear bit; Size when every bit is set.
  int OpenBit() const;

 private:
  std::vector<std::uint64_t> words_;
  int size_ = 0;
};
