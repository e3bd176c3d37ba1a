#include "ui/useractions.h"

#include "ui/application.h"
#include "ui/stdctrls.h"

namespace ui::user {

namespace {
void Run(const std::function<void()>& f) {
  if (Application())
    Application()->Guard(f);
  else
    f();
}
template <typename T>
T& As(TControl* c, const char* what) {
  auto* t = dynamic_cast<T*>(c);
  if (!t) throw Exception(c->Name() + " is not " + what);
  return *t;
}
}  // namespace

void Click(TControl* c) {
  Run([&] {
    if (c->Enabled()) c->UserClick();
  });
}

void DblClick(TControl* c) {
  Run([&] {
    if (c->Enabled()) c->UserDblClick();
  });
}

void Select(TControl* c, int i) {
  auto& box = As<TItemsControl>(c, "a list or combo box");
  if (i < -1 || i >= box.Count()) throw Exception("no item " + std::to_string(i));
  Run([&] { box.UserSelect(i); });
}

void Type(TControl* c, const std::string& text) {
  auto& ed = As<TEdit>(c, "an edit field");
  Run([&] { ed.UserType(text); });
}

void Key(TControl* c, WORD key) {
  auto& k = As<TKeyControl>(c, "a control that takes keys");
  Run([&] { k.UserKey(key); });
}

}  // namespace ui::user
