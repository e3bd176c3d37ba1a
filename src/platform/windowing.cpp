#include "platform/windowing.h"

#include <string>

#include "ui/application.h"
#include "ui/form.h"
#include "ui/resources.h"

namespace {

ui::TForm* FormOf(HWND h) {
  return dynamic_cast<ui::TForm*>(ui::FindControl(h));
}
ui::TForm* FormOfMenu(HMENU m) {
  return FormOf(HandleFromValue<HWND>(HandleValue(m)));
}

// Icons are numbered; each names an embedded picture.
std::uintptr_t next_icon = 0x2A00;

}  // namespace

BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  ui::TApplication* app = ui::Application();
  if (!app || !ui::FindControl(hWnd)) return FALSE;
  app->PostMessage(hWnd, Msg, wParam, lParam);
  return TRUE;
}

HMENU GetSystemMenu(HWND hWnd, BOOL) {
  return FormOf(hWnd) ? HandleFromValue<HMENU>(HandleValue(hWnd)) : nullptr;
}

BOOL AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem) {
  ui::TForm* f = FormOfMenu(hMenu);
  if (!f) return FALSE;
  ui::MenuItem item;
  item.separator = (uFlags & MF_SEPARATOR) != 0;
  item.checked = (uFlags & MF_CHECKED) != 0;
  item.id = item.separator ? 0 : static_cast<UINT>(uIDNewItem);
  if (!item.separator && lpNewItem) item.caption = lpNewItem;
  f->SystemMenu().push_back(item);
  f->SystemMenuChanged();
  return TRUE;
}

BOOL ModifyMenuA(HMENU hMnu, UINT uPosition, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem) {
  ui::TForm* f = FormOfMenu(hMnu);
  if (!f) return FALSE;
  auto& menu = f->SystemMenu();
  ui::MenuItem* item = nullptr;
  if (uFlags & MF_BYPOSITION) {
    if (uPosition < menu.size()) item = &menu[uPosition];
  } else {
    for (auto& m : menu)
      if (!m.separator && m.id == uPosition) item = &m;
  }
  if (!item) return FALSE;
  item->separator = (uFlags & MF_SEPARATOR) != 0;
  item->checked = (uFlags & MF_CHECKED) != 0;
  item->id = static_cast<UINT>(uIDNewItem);
  item->caption = lpNewItem ? lpNewItem : "";
  f->SystemMenuChanged();
  return TRUE;
}

BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags) {
  ui::TForm* f = FormOf(hWnd);
  if (!f) return FALSE;
  if (hWndInsertAfter == HWND_TOPMOST)
    f->SetTopmost(true);
  else if (hWndInsertAfter == HWND_NOTOPMOST)
    f->SetTopmost(false);
  int l = (uFlags & SWP_NOMOVE) ? f->Left() : X;
  int t = (uFlags & SWP_NOMOVE) ? f->Top() : Y;
  int w = (uFlags & SWP_NOSIZE) ? f->Width() : cx;
  int h = (uFlags & SWP_NOSIZE) ? f->Height() : cy;
  f->SetBounds(l, t, w, h);
  return TRUE;
}

HICON LoadIconA(HINSTANCE, LPCSTR lpIconName) {
  if (!lpIconName || !ui::FindResource(std::string(lpIconName) + ".xpm")) return nullptr;
  HICON h = HandleFromValue<HICON>(next_icon);
  next_icon += 2;
  return h;
}

BOOL DestroyIcon(HICON hIcon) {
  return hIcon ? TRUE : FALSE;
}
