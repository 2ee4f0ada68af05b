// File names and the file system: taking names apart, and the file and folder operations callers use
// by name. Every routine takes 8-bit (Windows-1250) names and UTF-16 names alike.
// Delimiters: on Windows "\" and "/" separate folders and ":" ends a drive; natively only "/".
#pragma once
#include "vcl/rtl/OsSeam.h"  // also keeps windows.h's DeleteFile macro away from the names below
#include "vcl/rtl/SysTypes.h"

// "C:\dir\name.ext": path "C:\dir\", dir "C:\dir", name "name.ext", extension ".ext". The dir of a
// name right under a root keeps the root's delimiter ("C:\", "/").
AnsiString ExtractFilePath(const AnsiString& fileName);
WideString ExtractFilePath(const WideString& fileName);
AnsiString ExtractFileDir(const AnsiString& fileName);
WideString ExtractFileDir(const WideString& fileName);
AnsiString ExtractFileName(const AnsiString& fileName);
WideString ExtractFileName(const WideString& fileName);
AnsiString ExtractFileExt(const AnsiString& fileName);  // with its dot; empty when the name has none
WideString ExtractFileExt(const WideString& fileName);
// Replaces the extension (with its dot) by extension, or appends it when the name has none.
AnsiString ChangeFileExt(const AnsiString& fileName, const AnsiString& extension);
WideString ChangeFileExt(const WideString& fileName, const WideString& extension);
AnsiString IncludeTrailingPathDelimiter(const AnsiString& path);
WideString IncludeTrailingPathDelimiter(const WideString& path);
AnsiString ExcludeTrailingPathDelimiter(const AnsiString& path);
WideString ExcludeTrailingPathDelimiter(const WideString& path);

// Creates the folder and every missing parent; true when the folder exists afterwards. An empty name
// raises Exception "Unable to create directory".
bool ForceDirectories(const AnsiString& dir);
bool ForceDirectories(const WideString& dir);
bool FileExists(const AnsiString& fileName);  // a file, not a folder
bool FileExists(const WideString& fileName);
bool DirectoryExists(const AnsiString& dir);
bool DirectoryExists(const WideString& dir);
bool CreateDir(const AnsiString& dir);
bool CreateDir(const WideString& dir);
bool RemoveDir(const AnsiString& dir);  // an empty folder only
bool RemoveDir(const WideString& dir);
bool DeleteFile(const AnsiString& fileName);
bool DeleteFile(const WideString& fileName);
// Fails when newName exists already; os::RenameFile can replace.
bool RenameFile(const AnsiString& oldName, const AnsiString& newName);
bool RenameFile(const WideString& oldName, const WideString& newName);
