// The table component's data files and streams: the whole table in the engine's table stream format.
#include <memory>

#include "engine/dataset/SQLMemDataFile.h"
#include "engine/dataset/SQLMemTable.h"
#include "engine/foundation/SQLMemStreams.h"
#include "engine/storage/SQLMemLocalEngine.h"
#include "vcl/rtl/TextConv.h"

namespace {

// Mode of the load: reading, others may read but not write, so the file cannot change under the load.
constexpr Word kLoadMode = 0x20;

// Algorithm ids the engine knows: 1 zlib, 2 bzip2, 3 PPM; anything else stores the data as it is.
Byte EngineAlgorithm(Byte algorithm) { return algorithm >= 1 && algorithm <= 3 ? algorithm : 0; }

}  // namespace

void TSQLMemTable::SaveToStream(TStream& stream, Byte compressionAlgorithm, Byte compressionLevel, Integer blockSize) {
  RunTableOperation(10924, false, false, false, [&](TSQLMemLocalCursor& cursor) {
    cursor.SaveTableToStream(stream, EngineAlgorithm(compressionAlgorithm), compressionLevel, blockSize, false, false);
  });
}

// The table goes into "<file>.tmp" beside the file first; only a complete, flushed copy replaces the
// old file, so a save that fails (disk full, the table open elsewhere, a crash) leaves it as it was.
void TSQLMemTable::SaveToFile(const AnsiString& fileName, Byte compressionAlgorithm, Byte compressionLevel,
                              Integer blockSize, const WideString& wideFileName) {
  CheckInactive();  // before a temporary file is made for nothing
  const WideString path = fileName.empty() ? wideFileName : Cp1250ToUtf16(fileName);
  const AnsiString nameForMessage = fileName.empty() ? Utf16ToCp1250(wideFileName) : fileName;
  WriteFileReplacing(path, nameForMessage, [&](TStream& stream) {
    SaveToStream(stream, compressionAlgorithm, compressionLevel, blockSize);
  });
}

void TSQLMemTable::LoadFromStream(TStream& stream) {
  rebuiltIndexes_.clear();
  RunTableOperation(10923, false, false, false, [&](TSQLMemLocalCursor& cursor) {
    cursor.LoadTableFromStream(stream);
    SetTableName(cursor.TableName);
    rebuiltIndexes_ = cursor.RebuiltIndexes;
  });
}

void TSQLMemTable::LoadFromFile(const AnsiString& fileName, const WideString& wideFileName) {
  CheckInactive();
  std::unique_ptr<TSQLMemFileStream> file = fileName.empty()
                                                ? std::make_unique<TSQLMemFileStream>(wideFileName, kLoadMode)
                                                : std::make_unique<TSQLMemFileStream>(fileName, kLoadMode);
  LoadFromStream(*file);
}
