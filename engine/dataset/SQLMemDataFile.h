// Writing a data file so that no failure can cost the file that is already there: the new content goes
// into a temporary file beside it ("<name>.tmp"), which is flushed to the disk and then put in the
// place of the old file in one step. Until that step the old file is untouched; after it the new file
// is complete. A failure at any point removes the temporary file and propagates.
#pragma once
#include <functional>
#include <memory>
#include "vcl/rtl/Stream.h"
#include "vcl/rtl/SysTypes.h"

// The temporary file that a save of path writes first.
WideString ReplacementFileName(const WideString& path);

// Runs write on a new temporary file beside path and, when it returns, makes that file the new path.
// nameForMessage names the file in errors: 10104 "Cannot create file. FileName = %s" when the
// temporary file cannot be made; 20110 "Cannot write file" with the system's reason when a write to it
// failed (a full disk), when it cannot be flushed, or when the folder could not be flushed after the
// file was replaced (the new file is then in place); 20111 when it cannot replace path (a file that
// another program holds open without allowing deletion, say). Other exceptions of write pass through
// unchanged.
void WriteFileReplacing(const WideString& path, const AnsiString& nameForMessage,
                        const std::function<void(TStream& stream)>& write);

// Test seam: when set, write receives the stream that the wrapper returns for the temporary file
// instead of the file itself (a stream that fails after some bytes, to see a save break midway).
using TSQLMemFileWriteWrapper = std::function<std::unique_ptr<TStream>(TStream& file)>;
void SetFileWriteWrapper(TSQLMemFileWriteWrapper wrapper);

// Test seam: when set, the temporary file is put in the place of the data file by replacer instead of
// the system's atomic replace (same contract: false with the system's last error set on failure).
using TSQLMemFileReplacer = std::function<bool(const WideString& from, const WideString& to)>;
void SetFileReplacer(TSQLMemFileReplacer replacer);
