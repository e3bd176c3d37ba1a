#include "ui/stdclasses.h"

#include "ui/buttons.h"
#include "ui/comctrls.h"
#include "ui/extctrls.h"
#include "ui/layout.h"
#include "ui/stdctrls.h"

namespace ui {

void RegisterStandardClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterComponentClass<TLabel>("TLabel");
  RegisterComponentClass<TButton>("TButton");
  RegisterComponentClass<TCheckBox>("TCheckBox");
  RegisterComponentClass<TRadioButton>("TRadioButton");
  RegisterComponentClass<TEdit>("TEdit");
  RegisterComponentClass<TListBox>("TListBox");
  RegisterComponentClass<TComboBox>("TComboBox");
  RegisterComponentClass<TGroupBox>("TGroupBox");
  RegisterComponentClass<TPanel>("TPanel");
  RegisterComponentClass<TBevel>("TBevel");
  RegisterComponentClass<TImage>("TImage");
  RegisterComponentClass<TShape>("TShape");
  RegisterComponentClass<TScrollBox>("TScrollBox");
  RegisterComponentClass<TSpeedButton>("TSpeedButton");
  RegisterComponentClass<TTrackBar>("TTrackBar");
  RegisterComponentClass<TPageControl>("TPageControl");
  RegisterComponentClass<TTabSheet>("TTabSheet");
}

}  // namespace ui
