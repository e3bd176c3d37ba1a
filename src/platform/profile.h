#pragma once
// The private-profile functions, kept as the platform interface the settings
// file is defined by (the program itself goes through settings::TIniFile,
// one session per operation). Each call is one complete operation on the
// file: it reads the file as it is on disk now (taking the picture kept in
// memory while the file is unchanged) and, when it changes something,
// replaces the file atomically before it returns. Code that reads or writes
// many keys at once opens one platform::ProfileFile instead.
#include <filesystem>
#include <string>
#include <string_view>

#include "ui/wintypes.h"

// Copies the value of lpKeyName in section lpAppName, or lpDefault when there
// is none, and returns the number of characters copied. A NULL lpAppName
// lists the section names, a NULL lpKeyName the section's key names, each
// NUL-terminated with a second NUL at the end. A value that does not fit is
// cut (returning nSize - 1; nSize - 2 for a list).
DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                               LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName);

// Writes a key; a NULL lpString erases the key, a NULL lpKeyName the whole
// section. FALSE when the file cannot be written or a name or value would
// break the file's lines.
BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString,
                                LPCSTR lpFileName);

// The section names as a double-NUL-terminated list; nSize - 2 when cut.
DWORD GetPrivateProfileSectionNamesA(LPSTR lpszReturnBuffer, DWORD nSize, LPCSTR lpFileName);

namespace platform {

// A bare file name lives in the Windows directory; a name with a directory
// part is used as given.
std::filesystem::path ProfilePath(std::string_view file_name);

}  // namespace platform
