#pragma once
// Unit about: the modal information window "Info".
#include <string>

#include "ui/extctrls.h"
#include "ui/form.h"
#include "ui/stdctrls.h"

namespace controls {
class TExtLabel;
}  // namespace controls

namespace shell {

class TAboutBox : public ui::TForm {
 public:
  explicit TAboutBox(ui::TComponent* owner);
  const char* ClassName() const override { return "TAboutBox"; }
  std::string LayoutName() const override { return "about.form"; }

  void FormCreate(ui::TComponent* Sender);

  ui::TPanel* Panel1 = nullptr;
  ui::TLabel* lbName = nullptr;
  ui::TBevel* Bevel1 = nullptr;
  ui::TLabel* lbsytem = nullptr;
  controls::TExtLabel* lbSys = nullptr;
  ui::TLabel* lbVersion = nullptr;
  ui::TBevel* Bevel2 = nullptr;
  controls::TExtLabel* ExtLabel2 = nullptr;
  ui::TImage* Image1 = nullptr;
  ui::TLabel* Label2 = nullptr;
  ui::TLabel* Label3 = nullptr;
  ui::TLabel* Label4 = nullptr;
  controls::TExtLabel* ExtLabel1 = nullptr;
  ui::TLabel* lbmail = nullptr;
  ui::TButton* OKButton = nullptr;
};

}  // namespace shell
