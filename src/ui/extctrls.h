#pragma once
// Panels, bevels, images, shapes, scroll boxes, speed buttons, track bars
// and page controls.
#include <string>
#include <vector>

#include "ui/control.h"

namespace ui {

enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

class TPanel : public TWinControl {
 public:
  explicit TPanel(TComponent* owner);
  const char* ClassName() const override { return "TPanel"; }
  TBevelCut BevelInner() const { return bevel_inner_; }
  TBevelCut BevelOuter() const { return bevel_outer_; }
  void SetBevelInner(TBevelCut b);
  void SetBevelOuter(TBevelCut b);
  int BevelWidth() const { return bevel_width_; }
  void SetBevelWidth(int w) { bevel_width_ = w; }
  bool BorderSingle() const { return border_single_; }
  void SetBorderSingle(bool v) { border_single_ = v; }
  int BorderWidth() const { return border_width_; }
  void SetBorderWidth(int w) { border_width_ = w; }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a) { alignment_ = a; }
  bool ParentColor() const { return parent_color_; }
  void SetParentColor(bool v) { parent_color_ = v; }
  bool SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) override;

 private:
  TBevelCut bevel_inner_ = TBevelCut::bvNone;
  TBevelCut bevel_outer_ = TBevelCut::bvRaised;
  int bevel_width_ = 1;
  bool border_single_ = false;
  int border_width_ = 0;
  TAlignment alignment_ = TAlignment::taCenter;
  bool parent_color_ = false;
};
bool BevelCutFrom(const std::string& s, TBevelCut& out);

enum class TBevelShape {
  bsBox,
  bsFrame,
  bsTopLine,
  bsBottomLine,
  bsLeftLine,
  bsRightLine,
  bsSpacer
};
enum class TBevelStyle { bsLowered, bsRaised };

class TBevel : public TGraphicControl {
 public:
  explicit TBevel(TComponent* owner);
  const char* ClassName() const override { return "TBevel"; }
  TBevelShape Shape() const { return shape_; }
  void SetShape(TBevelShape s) { shape_ = s; }
  TBevelStyle Style() const { return style_; }
  void SetStyle(TBevelStyle s) { style_ = s; }
  bool SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) override;

 private:
  TBevelShape shape_ = TBevelShape::bsBox;
  TBevelStyle style_ = TBevelStyle::bsLowered;
};

// Shows an embedded picture (an XPM resource) by name.
class TImage : public TGraphicControl {
 public:
  explicit TImage(TComponent* owner);
  const char* ClassName() const override { return "TImage"; }
  const std::string& Picture() const { return picture_; }
  bool SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) override;

 private:
  std::string picture_;
};

enum class TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

class TShape : public TGraphicControl {
 public:
  explicit TShape(TComponent* owner);
  const char* ClassName() const override { return "TShape"; }
  const TShape* AsShape() const override { return this; }
  TShapeType Shape() const { return shape_; }
  void SetShape(TShapeType s) { shape_ = s; }
  TColor BrushColor() const { return brush_color_; }
  void SetBrushColor(TColor c);
  TColor PenColor() const { return pen_color_; }
  void SetPenColor(TColor c);
  int PenWidth() const { return pen_width_; }
  void SetPenWidth(int w) { pen_width_ = w; }
  bool SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) override;

 protected:
  // Stores the fill without telling the peer, for a caller that tells it
  // once for many shapes.
  void StoreBrushColor(TColor c) { brush_color_ = c; }

 private:
  TShapeType shape_ = TShapeType::stRectangle;
  TColor brush_color_ = clWhite;
  TColor pen_color_ = clBlack;
  int pen_width_ = 1;
};

struct TScrollBarInfo {
  int increment = 8;
  int margin = 0;
  int position = 0;
  bool visible = true;
};

class TScrollBox : public TWinControl {
 public:
  explicit TScrollBox(TComponent* owner);
  const char* ClassName() const override { return "TScrollBox"; }
  TScrollBarInfo& HorzScrollBar() { return horz_; }
  TScrollBarInfo& VertScrollBar() { return vert_; }
  bool BorderSingle() const { return border_single_; }
  // How far the children reach to the right: the horizontal scroll range.
  int HorzRange() const;
  bool SetProperty(const std::string& name, const PropValue& v, LayoutReader& r) override;

 private:
  TScrollBarInfo horz_, vert_;
  bool border_single_ = true;
};

}  // namespace ui
