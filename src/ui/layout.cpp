#include "ui/layout.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "ui/classtraits.h"
#include "ui/form.h"
#include "ui/resources.h"
#include "ui/stdclasses.h"

namespace ui {

namespace {

struct Token {
  enum class Kind { End, Ident, Int, Str, Sym };
  Kind kind = Kind::End;
  std::string text;
  std::int64_t value = 0;
  int line = 1;
};

class Lexer {
 public:
  explicit Lexer(std::string_view s) : s_(s) {}

  Token Next() {
    SkipBlanks();
    Token t;
    t.line = line_;
    if (pos_ >= s_.size()) return t;
    char c = s_[pos_];
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      t.kind = Token::Kind::Ident;
      while (pos_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[pos_])) ||
                                  s_[pos_] == '_' || s_[pos_] == '.'))
        t.text += s_[pos_++];
    } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '$') {
      t.kind = Token::Kind::Int;
      bool neg = c == '-';
      if (neg) ++pos_;
      int base = 10;
      if (pos_ < s_.size() && s_[pos_] == '$') {
        base = 16;
        ++pos_;
      }
      auto is_digit = [base](char d) {
        const auto u = static_cast<unsigned char>(d);
        return base == 16 ? std::isxdigit(u) != 0 : std::isdigit(u) != 0;
      };
      std::string digits;
      while (pos_ < s_.size() && is_digit(s_[pos_])) digits += s_[pos_++];
      if (digits.empty()) throw LayoutError(line_, "number expected");
      std::uint32_t value = 0;
      const auto [end, ec] =
          std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
      if (ec != std::errc() || end != digits.data() + digits.size())
        throw LayoutError(line_, "number out of range");
      t.value = neg ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
    } else if (c == '\'' || c == '#') {
      t.kind = Token::Kind::Str;
      t.text = ReadString();
    } else {
      t.kind = Token::Kind::Sym;
      t.text = std::string(1, c);
      ++pos_;
    }
    return t;
  }

 private:
  void SkipBlanks() {
    while (pos_ < s_.size()) {
      char c = s_[pos_];
      if (c == '\n') {
        ++line_;
        ++pos_;
      } else if (c == ' ' || c == '\t' || c == '\r') {
        ++pos_;
      } else if (c == '/' && pos_ + 1 < s_.size() && s_[pos_ + 1] == '/') {
        while (pos_ < s_.size() && s_[pos_] != '\n') ++pos_;
      } else {
        break;
      }
    }
  }

  // 'text' with '' for a quote, and #nn character codes, in any sequence.
  std::string ReadString() {
    std::string out;
    while (pos_ < s_.size()) {
      if (s_[pos_] == '\'') {
        ++pos_;
        for (;;) {
          if (pos_ >= s_.size() || s_[pos_] == '\n')
            throw LayoutError(line_, "unterminated string");
          if (s_[pos_] == '\'') {
            if (pos_ + 1 < s_.size() && s_[pos_ + 1] == '\'') {
              out += '\'';
              pos_ += 2;
              continue;
            }
            ++pos_;
            break;
          }
          out += s_[pos_++];
        }
      } else if (s_[pos_] == '#') {
        ++pos_;
        int code = 0;
        if (pos_ >= s_.size() || !std::isdigit(static_cast<unsigned char>(s_[pos_])))
          throw LayoutError(line_, "character code expected");
        // Stops counting past 127, so that a long run of digits cannot overflow.
        while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_])))
          code = std::min(code * 10 + (s_[pos_++] - '0'), 1000);
        if (code > 127) throw LayoutError(line_, "character codes above 127: write UTF-8 text");
        out += static_cast<char>(code);
      } else {
        break;
      }
    }
    return out;
  }

  std::string_view s_;
  size_t pos_ = 0;
  int line_ = 1;
};

class Parser {
 public:
  Parser(LayoutReader& reader, std::string_view text) : r_(reader), lex_(text) { Advance(); }

  void ReadRoot() {
    int line = tok_.line;
    ExpectIdent("object");
    std::string name = TakeIdent();
    ExpectSym(":");
    std::string cls = TakeIdent();
    TForm& root = r_.root();
    if (cls != root.ClassName())
      r_.Fail(line, "layout is for " + cls + ", not " + root.ClassName());
    root.SetName(name);
    root.SetLoading(true);
    loaded_.push_back(&root);
    ReadBody(root);
    if (tok_.kind != Token::Kind::End) r_.Fail(tok_.line, "text after the form's end");
    root.CheckMembersBound(line);
    for (TComponent* c : loaded_) c->Loaded();
  }

 private:
  void Advance() { tok_ = lex_.Next(); }
  bool IsIdent(const char* s) const { return tok_.kind == Token::Kind::Ident && tok_.text == s; }
  void ExpectIdent(const char* s) {
    if (!IsIdent(s)) r_.Fail(tok_.line, std::string("'") + s + "' expected");
    Advance();
  }
  void ExpectSym(const char* s) {
    if (tok_.kind != Token::Kind::Sym || tok_.text != s)
      r_.Fail(tok_.line, std::string("'") + s + "' expected");
    Advance();
  }
  std::string TakeIdent() {
    if (tok_.kind != Token::Kind::Ident) r_.Fail(tok_.line, "name expected");
    std::string s = tok_.text;
    Advance();
    return s;
  }

  void ReadBody(TComponent& owner_obj) {
    for (;;) {
      if (tok_.kind == Token::Kind::End) r_.Fail(tok_.line, "'end' expected");
      if (IsIdent("end")) {
        Advance();
        return;
      }
      if (IsIdent("object")) {
        ReadChild(owner_obj);
        continue;
      }
      int line = tok_.line;
      std::string prop = TakeIdent();
      ExpectSym("=");
      PropValue v = ReadValue();
      v.line = line;
      if (!owner_obj.SetProperty(prop, v, r_))
        r_.Fail(line, std::string(owner_obj.ClassName()) + " has no property " + prop);
    }
  }

  void ReadChild(TComponent& parent_obj) {
    int line = tok_.line;
    Advance();
    std::string name = TakeIdent();
    ExpectSym(":");
    std::string cls = TakeIdent();
    const ClassTraits* made = LayoutClass(cls);
    if (!made) r_.Fail(line, "unknown class " + cls);
    TForm& root = r_.root();
    TComponent* c = made->Make(&root);
    c->SetLoading(true);
    c->SetName(name);
    loaded_.push_back(c);
    auto* ctl = dynamic_cast<TControl*>(c);
    auto* parent = dynamic_cast<TWinControl*>(&parent_obj);
    if (ctl && parent) ctl->SetParent(parent);
    if (!root.BindMember(name, c))
      r_.Fail(line, "member " + name + " of " + root.ClassName() + " is not a " + cls);
    ReadBody(*c);
  }

  PropValue ReadValue() {
    PropValue v;
    v.line = tok_.line;
    switch (tok_.kind) {
      case Token::Kind::Int:
        v.kind = PropValue::Kind::Int;
        v.i = tok_.value;
        Advance();
        return v;
      case Token::Kind::Str:
        v.kind = PropValue::Kind::Str;
        v.s = tok_.text;
        Advance();
        while (tok_.kind == Token::Kind::Sym && tok_.text == "+") {
          Advance();
          if (tok_.kind != Token::Kind::Str) r_.Fail(tok_.line, "string expected after '+'");
          v.s += tok_.text;
          Advance();
        }
        return v;
      case Token::Kind::Ident:
        v.kind = PropValue::Kind::Ident;
        v.s = TakeIdent();
        return v;
      case Token::Kind::Sym:
        if (tok_.text == "[") {
          v.kind = PropValue::Kind::Set;
          Advance();
          while (!(tok_.kind == Token::Kind::Sym && tok_.text == "]")) {
            v.items.push_back(TakeIdent());
            if (tok_.kind == Token::Kind::Sym && tok_.text == ",") Advance();
          }
          Advance();
          return v;
        }
        if (tok_.text == "(") {
          v.kind = PropValue::Kind::List;
          Advance();
          while (!(tok_.kind == Token::Kind::Sym && tok_.text == ")")) {
            if (tok_.kind != Token::Kind::Str) r_.Fail(tok_.line, "string expected in list");
            v.items.push_back(tok_.text);
            Advance();
          }
          Advance();
          return v;
        }
        break;
      case Token::Kind::End:
        break;
    }
    r_.Fail(tok_.line, "value expected");
  }

  LayoutReader& r_;
  Lexer lex_;
  Token tok_;
  std::vector<TComponent*> loaded_;
};

}  // namespace

LayoutReader::LayoutReader(TForm& root, std::string file_name)
    : root_(root), file_name_(std::move(file_name)) {}

void LayoutReader::Read(std::string_view text) {
  RegisterStandardClasses();
  try {
    Parser(*this, text).ReadRoot();
  } catch (const LayoutError& e) {
    throw Exception(file_name_ + ":" + std::to_string(e.line()) + ": " + e.why());
  }
}

void LayoutReader::Fail(int line, const std::string& why) {
  throw LayoutError(line, why);
}

namespace {
template <typename E>
E Lookup(LayoutReader& r, TForm& form, const PropValue& v) {
  const std::string& name = v.AsIdent();
  const TForm::HandlerVariant* h = form.FindHandler(name);
  if (!h) r.Fail(v.line, "unknown handler " + name + " of " + form.ClassName());
  if (auto* e = std::get_if<E>(h)) return *e;
  r.Fail(v.line, "handler " + name + " does not fit this event");
}
}  // namespace

TNotifyEvent LayoutReader::Notify(const PropValue& v) {
  return Lookup<TNotifyEvent>(*this, root_, v);
}
TMouseEvent LayoutReader::Mouse(const PropValue& v) {
  return Lookup<TMouseEvent>(*this, root_, v);
}
TMouseMoveEvent LayoutReader::MouseMove(const PropValue& v) {
  return Lookup<TMouseMoveEvent>(*this, root_, v);
}
TKeyEvent LayoutReader::Key(const PropValue& v) {
  return Lookup<TKeyEvent>(*this, root_, v);
}

TColor LayoutReader::Color(const PropValue& v) {
  if (v.kind == PropValue::Kind::Int) return static_cast<TColor>(v.i);
  TColor c;
  if (!ColorFromIdent(v.AsIdent(), c)) Fail(v.line, "unknown colour " + v.s);
  return c;
}

void LayoutReader::ApplyFont(TFont& font, const std::string& sub, const PropValue& v) {
  if (sub == "Name")
    font.Name = v.AsString();
  else if (sub == "Height")
    font.Height = static_cast<int>(v.AsInt());
  else if (sub == "Size")
    font.Height = -static_cast<int>((v.AsInt() * 96 + 36) / 72);
  else if (sub == "Color")
    font.Color = Color(v);
  else if (sub == "Charset" || sub == "Pitch")
    return;
  else if (sub == "Style") {
    if (v.kind != PropValue::Kind::Set) Fail(v.line, "style set expected");
    font.Bold = font.Italic = font.Underline = font.StrikeOut = false;
    for (const auto& s : v.items) {
      if (s == "fsBold")
        font.Bold = true;
      else if (s == "fsItalic")
        font.Italic = true;
      else if (s == "fsUnderline")
        font.Underline = true;
      else if (s == "fsStrikeOut")
        font.StrikeOut = true;
      else
        Fail(v.line, "unknown font style " + s);
    }
  } else
    Fail(v.line, "TFont has no property " + sub);
}

void ReadEmbeddedLayout(TForm& form, const std::string& name) {
  auto text = FindResource(name);
  if (!text) throw Exception("layout " + name + " is not embedded");
  LayoutReader(form, name).Read(*text);
}

}  // namespace ui
