#pragma once
// The Windows base types and window messages the system is written against.
#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using LONG = std::int32_t;
using BOOL = std::int32_t;
using INT = int;
using UINT_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using MMRESULT = UINT;
using LPCSTR = const char*;
using LPSTR = char*;
using LPVOID = void*;
using CHAR = char;

struct HWND__;
using HWND = HWND__*;
struct HICON__;
using HICON = HICON__*;
struct HMENU__;
using HMENU = HMENU__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

constexpr UINT WM_USER = 0x400;
constexpr UINT WM_GETMINMAXINFO = 0x24;
constexpr UINT WM_SYSCOMMAND = 0x112;
constexpr UINT WM_DEVICECHANGE = 0x219;
constexpr UINT WM_LBUTTONDBLCLK = 0x203;

struct POINT {
  LONG x = 0;
  LONG y = 0;
};

struct MINMAXINFO {
  POINT ptReserved;
  POINT ptMaxSize;
  POINT ptMaxPosition;
  POINT ptMinTrackSize;
  POINT ptMaxTrackSize;
};

// Handles are numbers in our stand-ins; these make the casts explicit.
template <typename H>
inline H HandleFromValue(std::uintptr_t v) {
  return reinterpret_cast<H>(v);
}
template <typename H>
inline std::uintptr_t HandleValue(H h) {
  return reinterpret_cast<std::uintptr_t>(h);
}
