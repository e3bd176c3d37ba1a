// The information window: its fixed texts, its size and how it closes.
#include "shell/about.h"

#include <gtest/gtest.h>

#include <memory>

#include "controls/Class_b.h"
#include "ui/application.h"
#include "ui/extctrls.h"
#include "ui/headless.h"
#include "ui/resources.h"
#include "ui/useractions.h"

namespace shell {
namespace {

struct AboutBoxTest : ::testing::Test {
  ui::HeadlessWidgetset ws;
  ui::TApplication app{ws};
  ui::TForm* main_form = ui::Create<ui::TForm>(&app);
  TAboutBox* box = ui::CreateForm<TAboutBox>(&app);
};

TEST_F(AboutBoxTest, CreationSetsNameVersionAndPlatformTexts) {
  EXPECT_EQ(box->Caption(), "Info");
  EXPECT_EQ(box->ClientWidth(), 294);
  EXPECT_EQ(box->ClientHeight(), 296);
  EXPECT_EQ(box->Position(), ui::TPosition::poScreenCenter);
  EXPECT_EQ(box->lbName->Caption(), "Morva");
  EXPECT_EQ(box->lbVersion->Caption(), "Version 3.00");
  EXPECT_EQ(box->lbSys->Caption(), "für Windows 95/98 (TM)");
  EXPECT_EQ(box->lbsytem->Caption(), "Sound System");
  EXPECT_EQ(box->Panel1->Color(), 0xE1E1E1);
  // "&&" shows one ampersand.
  EXPECT_EQ(box->ExtLabel2->Caption(), "designed && developed by");
  EXPECT_EQ(box->ExtLabel1->Caption(), "Kontakt:");
  EXPECT_EQ(box->ExtLabel1->CaptionEnglish(), "Contact:");
  EXPECT_TRUE(box->Label3->Font().Italic);
  EXPECT_TRUE(box->Label4->Font().Italic);
  EXPECT_TRUE(box->lbmail->Font().Underline);
  EXPECT_EQ(box->lbmail->Font().Color, ui::clBlue);
}

TEST_F(AboutBoxTest, LogoIsAnEmbeddedPictureOfItsPlace) {
  EXPECT_EQ(box->Image1->Width(), 119);
  EXPECT_EQ(box->Image1->Height(), 33);
  auto picture = ui::FindResource(box->Image1->Picture());
  ASSERT_TRUE(picture.has_value());
  EXPECT_NE(picture->find("\"119 33 "), std::string_view::npos);
}

TEST_F(AboutBoxTest, OkClosesTheModalBoxAndItCanBeShownAgain) {
  EXPECT_TRUE(box->OKButton->Default());
  for (int showing = 0; showing < 2; ++showing) {
    ws.Script([&] { ui::user::Click(box->OKButton); });
    EXPECT_EQ(box->ShowModal(), ui::mrOk);
    EXPECT_FALSE(box->Visible());
  }
  ws.Script([&] { ui::user::Key(box->OKButton, ui::VK_RETURN); });
  EXPECT_EQ(box->ShowModal(), ui::mrOk);
}

}  // namespace
}  // namespace shell
