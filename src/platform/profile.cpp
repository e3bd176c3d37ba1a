#include "platform/profile.h"

#include <algorithm>
#include <cstring>

#include "platform/profile_file.h"
#include "platform/winbase.h"
#include "platform/windir.h"

namespace {

DWORD CopyValue(std::string_view value, LPSTR buffer, DWORD size) {
  if (!buffer || size == 0) return 0;
  const std::size_t n = std::min<std::size_t>(value.size(), size - 1);
  std::memcpy(buffer, value.data(), n);
  buffer[n] = '\0';
  return static_cast<DWORD>(n);
}

// Fills a list of NUL-terminated names closed by a second NUL. Empty names
// are left out: they would end the list early. A list fits only with room
// to spare: a buffer exactly as long as the list counts as too small, and
// the call then returns nSize - 2 with the two NULs at that position.
DWORD CopyList(const std::vector<std::string>& names, LPSTR buffer, DWORD size) {
  if (!buffer || size == 0) return 0;
  if (size == 1) {
    buffer[0] = '\0';
    return 0;
  }
  std::size_t pos = 0;
  for (const std::string& name : names) {
    if (name.empty()) continue;
    if (pos + name.size() + 2 >= size) {
      const std::size_t room = std::min(name.size(), size - 2 - pos);
      std::memcpy(buffer + pos, name.data(), room);
      buffer[size - 2] = '\0';
      buffer[size - 1] = '\0';
      return size - 2;
    }
    std::memcpy(buffer + pos, name.data(), name.size());
    pos += name.size();
    buffer[pos++] = '\0';
  }
  buffer[pos] = '\0';
  if (pos == 0) buffer[1] = '\0';
  return static_cast<DWORD>(pos);
}

// A list read from a file that does not exist: one NUL, nothing else.
DWORD NoList(LPSTR buffer, DWORD size) {
  if (buffer && size > 0) buffer[0] = '\0';
  SetLastError(ERROR_FILE_NOT_FOUND);
  return 0;
}

std::string_view TrimTrailingBlanks(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

namespace platform {

std::filesystem::path ProfilePath(std::string_view file_name) {
  const std::filesystem::path name(file_name);
  if (name.has_parent_path()) return name;
  return WindowsDirectory() / name;
}

}  // namespace platform

DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                               LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName) {
  const std::string_view fallback = TrimTrailingBlanks(lpDefault ? lpDefault : "");
  if (!lpFileName) return CopyValue(fallback, lpReturnedString, nSize);
  const platform::ProfileFile file(platform::ProfilePath(lpFileName));
  if (!file.exists()) {
    if (!lpAppName || !lpKeyName) return NoList(lpReturnedString, nSize);
    SetLastError(ERROR_FILE_NOT_FOUND);
    return CopyValue(fallback, lpReturnedString, nSize);
  }
  if (!lpAppName) return CopyList(file.SectionNames(), lpReturnedString, nSize);
  if (!lpKeyName) return CopyList(file.KeyNames(lpAppName), lpReturnedString, nSize);
  const auto value = file.Read(lpAppName, lpKeyName);
  return CopyValue(value ? std::string_view(*value) : fallback, lpReturnedString, nSize);
}

BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString,
                                LPCSTR lpFileName) {
  auto refused = [](DWORD error) {
    SetLastError(error);
    return FALSE;
  };
  if (!lpFileName) return refused(ERROR_INVALID_PARAMETER);
  // All three NULL flushes the cache: every write is on disk already, and
  // the next read reads the file again.
  if (!lpAppName) {
    if (lpKeyName || lpString) return refused(ERROR_INVALID_PARAMETER);
    platform::ForgetKeptProfile();
    return TRUE;
  }
  platform::ProfileFile file(platform::ProfilePath(lpFileName));
  if (!file.readable()) return refused(ERROR_ACCESS_DENIED);
  if (!lpKeyName || !lpString) {
    // Erasing from a file that does not exist leaves an empty one behind.
    file.CreateIfMissing();
    if (!lpKeyName) {
      file.EraseSection(lpAppName);
    } else {
      file.EraseKey(lpAppName, lpKeyName);
    }
  } else if (!file.Write(lpAppName, lpKeyName, lpString)) {
    return refused(ERROR_INVALID_PARAMETER);
  }
  return file.Commit() ? TRUE : refused(ERROR_ACCESS_DENIED);
}

DWORD GetPrivateProfileSectionNamesA(LPSTR lpszReturnBuffer, DWORD nSize, LPCSTR lpFileName) {
  if (!lpFileName) return CopyList({}, lpszReturnBuffer, nSize);
  const platform::ProfileFile file(platform::ProfilePath(lpFileName));
  if (!file.exists()) return NoList(lpszReturnBuffer, nSize);
  return CopyList(file.SectionNames(), lpszReturnBuffer, nSize);
}
