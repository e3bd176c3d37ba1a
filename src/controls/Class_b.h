#pragma once
// Unit Class_b: the standard controls with their caption (and, for the
// speed button, their hint) in German and English. The German text is the
// one shown; the English one is only stored and travels with the layouts.
#include <string>

#include "ui/buttons.h"
#include "ui/stdctrls.h"

namespace controls {

// Adds CaptionEnglish and CaptionGerman to a captioned control.
template <typename Base>
class TBilingual : public Base {
 public:
  using Base::Base;

  const std::string& CaptionEnglish() const { return caption_english_; }
  // Only stored, never shown.
  virtual void SetCaptionEnglish(const std::string& s) { caption_english_ = s; }
  const std::string& CaptionGerman() const { return caption_german_; }
  // Stored and shown as the control's caption.
  virtual void SetCaptionGerman(const std::string& s) {
    caption_german_ = s;
    this->SetCaption(s);
  }

  bool SetProperty(const std::string& name, const ui::PropValue& v, ui::LayoutReader& r) override {
    if (name == "CaptionEnglish")
      SetCaptionEnglish(v.AsString());
    else if (name == "CaptionGerman")
      SetCaptionGerman(v.AsString());
    else
      return Base::SetProperty(name, v, r);
    return true;
  }

 private:
  std::string caption_english_;
  std::string caption_german_;
};

class TExtLabel : public TBilingual<ui::TLabel> {
 public:
  using TBilingual::TBilingual;
  const char* ClassName() const override { return "TExtLabel"; }
};

class TExtButton : public TBilingual<ui::TButton> {
 public:
  using TBilingual::TBilingual;
  const char* ClassName() const override { return "TExtButton"; }
};

class TExtCheckBox : public TBilingual<ui::TCheckBox> {
 public:
  using TBilingual::TBilingual;
  const char* ClassName() const override { return "TExtCheckBox"; }
};

class TExtRadioButton : public TBilingual<ui::TRadioButton> {
 public:
  using TBilingual::TBilingual;
  const char* ClassName() const override { return "TExtRadioButton"; }
};

class TExtGroupBox : public TBilingual<ui::TGroupBox> {
 public:
  using TBilingual::TBilingual;
  const char* ClassName() const override { return "TExtGroupBox"; }
};

// A speed button that also tells when it becomes pressed (OnDown), whether
// from code (SetDown) or by the user's click.
class TExtSpeedButton : public TBilingual<ui::TSpeedButton> {
 public:
  using TBilingual::TBilingual;
  const char* ClassName() const override { return "TExtSpeedButton"; }

  ui::TNotifyEvent OnDown;

  const std::string& HintGerman() const { return hint_german_; }
  // Stored and shown as the control's hint.
  virtual void SetHintGerman(const std::string& s);
  const std::string& HintEnglish() const { return hint_english_; }
  virtual void SetHintEnglish(const std::string& s) { hint_english_ = s; }

  // Raises OnDown when the button is down now and was not before.
  void SetDown(bool v) override;
  virtual bool GetDown() const { return Down(); }

  void MouseUp(ui::TMouseButton b, ui::TShiftState s, int x, int y) override;
  bool SetProperty(const std::string& name, const ui::PropValue& v, ui::LayoutReader& r) override;

 private:
  void NotifyIfPressed(bool was_down);
  std::string hint_english_;
  std::string hint_german_;
  bool in_mouse_up_ = false;
};

// Registers the six bilingual classes for the layout reader, each as its
// plain control (ui/classtraits.h). Any number of calls.
void RegisterBilingualClasses();

}  // namespace controls
