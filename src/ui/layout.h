#pragma once
// The layout reader: one text file per form, nested `object Name: TClass`
// blocks whose properties are applied in file order. Event properties name
// handlers of the form; named components are bound to the form's members.
// Anything unknown is an error naming the file and the line.
#include <functional>
#include <string>
#include <string_view>

#include "ui/component.h"
#include "ui/control.h"

namespace ui {

class TForm;
struct TCloseEventHolder;

class LayoutError : public Exception {
 public:
  LayoutError(int line, const std::string& why)
      : Exception("line " + std::to_string(line) + ": " + why), line_(line), why_(why) {}
  int line() const { return line_; }
  const std::string& why() const { return why_; }

 private:
  int line_;
  std::string why_;
};

class LayoutReader {
 public:
  LayoutReader(TForm& root, std::string file_name);
  // Reads the whole text into the root form; raises Exception with
  // "<file>:<line>: <why>" on any error.
  void Read(std::string_view text);

  TForm& root() { return root_; }
  [[noreturn]] void Fail(int line, const std::string& why);

  // Handler lookups for event properties.
  TNotifyEvent Notify(const PropValue& v);
  TMouseEvent Mouse(const PropValue& v);
  TMouseMoveEvent MouseMove(const PropValue& v);
  TKeyEvent Key(const PropValue& v);
  // A colour: a number or an identifier such as clNavy.
  TColor Color(const PropValue& v);
  void ApplyFont(TFont& font, const std::string& sub, const PropValue& v);

 private:
  TForm& root_;
  std::string file_name_;
};

// Reads the embedded layout "<name>" into form; raises when it is missing.
void ReadEmbeddedLayout(TForm& form, const std::string& name);

}  // namespace ui
