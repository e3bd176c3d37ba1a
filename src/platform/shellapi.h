#pragma once
// Stand-ins for the shell: starting a program ("rundll.exe") and the tray icon.
#include "ui/wintypes.h"

constexpr INT SW_SHOWDEFAULT = 10;
constexpr DWORD NIM_ADD = 0;
constexpr DWORD NIM_MODIFY = 1;
constexpr DWORD NIM_DELETE = 2;
constexpr UINT NIF_MESSAGE = 1;
constexpr UINT NIF_ICON = 2;
constexpr UINT NIF_TIP = 4;

struct NOTIFYICONDATAA {
  DWORD cbSize;
  HWND hWnd;
  UINT uID;
  UINT uFlags;
  UINT uCallbackMessage;
  HICON hIcon;
  CHAR szTip[64];
};

// A result above 32 means the program was started.
HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                        LPCSTR lpDirectory, INT nShowCmd);
BOOL Shell_NotifyIconA(DWORD dwMessage, NOTIFYICONDATAA* lpData);
