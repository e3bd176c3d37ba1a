#include "ui/extctrls.h"

#include <algorithm>

#include "ui/layout.h"

namespace ui {

bool BevelCutFrom(const std::string& s, TBevelCut& out) {
  if (s == "bvNone")
    out = TBevelCut::bvNone;
  else if (s == "bvLowered")
    out = TBevelCut::bvLowered;
  else if (s == "bvRaised")
    out = TBevelCut::bvRaised;
  else if (s == "bvSpace")
    out = TBevelCut::bvSpace;
  else
    return false;
  return true;
}

TPanel::TPanel(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 185, 41);
}

void TPanel::SetBevelInner(TBevelCut b) {
  bevel_inner_ = b;
  Changed(Change::Bounds);
}

void TPanel::SetBevelOuter(TBevelCut b) {
  bevel_outer_ = b;
  Changed(Change::Bounds);
}

bool TPanel::SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) {
  if (name == "BevelInner" || name == "BevelOuter") {
    TBevelCut b;
    if (!BevelCutFrom(v.AsIdent(), b)) r.Fail(v.line, "unknown bevel " + v.s);
    (name == "BevelInner" ? bevel_inner_ : bevel_outer_) = b;
  } else if (name == "BevelWidth")
    bevel_width_ = static_cast<int>(v.AsInt());
  else if (name == "BorderWidth")
    border_width_ = static_cast<int>(v.AsInt());
  else if (name == "BorderStyle")
    border_single_ = v.AsIdent() == "bsSingle";
  else if (name == "ParentColor")
    parent_color_ = v.AsBool();
  else if (name == "Alignment") {
    const std::string& a = v.AsIdent();
    alignment_ = a == "taLeftJustify"    ? TAlignment::taLeftJustify
                 : a == "taRightJustify" ? TAlignment::taRightJustify
                                         : TAlignment::taCenter;
  } else if (name == "FullRepaint" || name == "Locked")
    ;
  else
    return TWinControl::SetProperty(name, v, r);
  return true;
}

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 50, 50);
}

bool TBevel::SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) {
  if (name == "Shape") {
    static const char* kNames[] = {"bsBox",      "bsFrame",     "bsTopLine", "bsBottomLine",
                                   "bsLeftLine", "bsRightLine", "bsSpacer"};
    auto it = std::find(std::begin(kNames), std::end(kNames), v.AsIdent());
    if (it == std::end(kNames)) r.Fail(v.line, "unknown bevel shape " + v.s);
    shape_ = static_cast<TBevelShape>(it - std::begin(kNames));
  } else if (name == "Style") {
    style_ = v.AsIdent() == "bsRaised" ? TBevelStyle::bsRaised : TBevelStyle::bsLowered;
  } else
    return TGraphicControl::SetProperty(name, v, r);
  return true;
}

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 105, 105);
}

bool TImage::SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) {
  if (name == "Picture")
    picture_ = v.AsString();
  else if (name == "Stretch" || name == "Center" || name == "Transparent" || name == "AutoSize")
    ;
  else
    return TGraphicControl::SetProperty(name, v, r);
  return true;
}

TShape::TShape(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 65, 65);
}

void TShape::SetBrushColor(TColor c) {
  if (c == brush_color_) return;
  brush_color_ = c;
  Changed(Change::Color);
}

void TShape::SetPenColor(TColor c) {
  pen_color_ = c;
  Changed(Change::Color);
}

bool TShape::SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) {
  if (name == "Brush.Color")
    brush_color_ = r.Color(v);
  else if (name == "Pen.Color")
    pen_color_ = r.Color(v);
  else if (name == "Pen.Width")
    pen_width_ = static_cast<int>(v.AsInt());
  else if (name == "Shape")
    shape_ = v.AsIdent() == "stCircle"    ? TShapeType::stCircle
             : v.AsIdent() == "stEllipse" ? TShapeType::stEllipse
                                          : TShapeType::stRectangle;
  else
    return TGraphicControl::SetProperty(name, v, r);
  return true;
}

TScrollBox::TScrollBox(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 185, 41);
}

int TScrollBox::HorzRange() const {
  int range = 0;
  for (TControl* c : ControlList())
    if (c->Visible()) range = std::max(range, c->Left() + c->Width());
  return range + horz_.margin;
}

bool TScrollBox::SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) {
  auto bar = [&](TScrollBarInfo& b, const std::string& sub) {
    if (sub == "Increment")
      b.increment = static_cast<int>(v.AsInt());
    else if (sub == "Margin")
      b.margin = static_cast<int>(v.AsInt());
    else if (sub == "Position")
      b.position = static_cast<int>(v.AsInt());
    else if (sub == "Visible")
      b.visible = v.AsBool();
    else if (sub == "Range" || sub == "Tracking" || sub == "Smooth")
      ;
    else
      r.Fail(v.line, "TScrollBox has no property " + name);
  };
  if (name.rfind("HorzScrollBar.", 0) == 0)
    bar(horz_, name.substr(14));
  else if (name.rfind("VertScrollBar.", 0) == 0)
    bar(vert_, name.substr(14));
  else if (name == "BorderStyle")
    border_single_ = v.AsIdent() == "bsSingle";
  else
    return TWinControl::SetProperty(name, v, r);
  return true;
}

}  // namespace ui
