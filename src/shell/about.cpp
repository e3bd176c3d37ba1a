#include "shell/about.h"

#include "controls/Class_b.h"
#include "controls/audioctl32.h"

namespace shell {

TAboutBox::TAboutBox(ui::TComponent* owner) : ui::TForm(owner) {
  controls::RegisterControlClasses();
  Handler("FormCreate", &TAboutBox::FormCreate);
  Member("Panel1", Panel1);
  Member("lbName", lbName);
  Member("Bevel1", Bevel1);
  Member("lbsytem", lbsytem);
  Member("lbSys", lbSys);
  Member("lbVersion", lbVersion);
  Member("Bevel2", Bevel2);
  Member("ExtLabel2", ExtLabel2);
  Member("Image1", Image1);
  Member("Label2", Label2);
  Member("Label3", Label3);
  Member("Label4", Label4);
  Member("ExtLabel1", ExtLabel1);
  Member("lbmail", lbmail);
  Member("OKButton", OKButton);
}

void TAboutBox::FormCreate(ui::TComponent*) {
  lbName->SetCaption("Morva");
  lbVersion->SetCaption("Version 3.00");
  lbSys->SetCaption("für Windows 95/98 (TM)");
}

}  // namespace shell
