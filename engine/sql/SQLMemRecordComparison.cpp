#include "engine/sql/SQLMemRecordComparison.h"

#include <cstring>

#include "engine/foundation/SQLMemArrays.h"
#include "engine/foundation/SQLMemExcept.h"

TSQLMemRecordComparison::TSQLMemRecordComparison(Integer columnCount, Int64 inputRecordCount)
    : hashes_(static_cast<std::size_t>(columnCount > 0 ? columnCount : 0)), images_(hashes_.size()) {
  seen_.reserve(static_cast<std::size_t>(inputRecordCount > 99 ? inputRecordCount / 100 : 100));
}

void TSQLMemRecordComparison::SetItem(const TSQLMemVariant& value, Integer index) {
  const auto count = static_cast<Integer>(hashes_.size());
  if (index < 0 || index >= count)
    SQLMemError(11661, "Invalid item number - ItemNo = %d, ItemCount = %d", {index, count});
  hashes_[static_cast<std::size_t>(index)] = value.GetHash();
  // The image: data type, null mark, then the bytes the hash covers (a text up to its end only).
  std::string& image = images_[static_cast<std::size_t>(index)];
  image.assign(1, static_cast<char>(value.DataType()));
  image.push_back(value.IsNull() ? '\1' : '\0');
  if (value.IsNull()) return;
  Integer n = value.DataSize();
  if (!value.IsBLOB() && value.IsText()) n = value.IsWide() ? 2 * value.GetTextLength() : value.GetTextLength();
  if (n > 0) image.append(static_cast<const char*>(value.Data()), static_cast<std::size_t>(n));
}

void TSQLMemRecordComparison::CombineHashes() {
  combined_ = hashes_.empty() ? 0 : hashes_[0];
  for (std::size_t i = 1; i < hashes_.size(); ++i)
    combined_ = MixInt32Bytes(combined_, hashes_[i], static_cast<Cardinal>(i & 0xFF));
}

bool TSQLMemRecordComparison::IsNew() {
  // Lengths are prefixed so that the images of two columns never run into each other.
  std::string row;
  for (const std::string& image : images_) {
    const auto length = static_cast<std::uint32_t>(image.size());
    row.append(reinterpret_cast<const char*>(&length), sizeof length);
    row.append(image);
  }
  std::vector<std::string>& rows = seen_[combined_];
  for (const std::string& earlier : rows)
    if (earlier == row) return false;
  rows.push_back(std::move(row));
  return true;
}
