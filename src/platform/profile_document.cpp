#include "platform/profile_document.h"

#include <algorithm>

namespace platform {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// Case folding for matching names: ASCII letters and the accented capitals
// of the Latin-1 range written as UTF-8 ("Ä" matches "ä").
std::string Fold(std::string_view s) {
  std::string out(s);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const auto c = static_cast<unsigned char>(out[i]);
    if (c >= 'A' && c <= 'Z') {
      out[i] = static_cast<char>(c + 32);
    } else if (c == 0xC3 && i + 1 < out.size()) {
      const auto d = static_cast<unsigned char>(out[i + 1]);
      if (d >= 0x80 && d <= 0x9E && d != 0x97) out[i + 1] = static_cast<char>(d + 0x20);
      ++i;
    }
  }
  return out;
}

std::string FoldedTrim(std::string_view s) {
  return Fold(Trim(s));
}

enum class LineKind { kOther, kComment, kHeader, kKey };

LineKind Classify(std::string_view text) {
  const std::string_view t = Trim(text);
  if (t.empty()) return LineKind::kOther;
  if (t.front() == ';') return LineKind::kComment;
  if (t.front() == '[') return LineKind::kHeader;
  if (t.find('=') != std::string_view::npos) return LineKind::kKey;
  return LineKind::kOther;
}

// "[name" without "]" still names a section; text after "]" is ignored.
std::string_view HeaderName(std::string_view text) {
  std::string_view t = Trim(text).substr(1);
  const std::size_t close = t.find(']');
  if (close != std::string_view::npos) t = t.substr(0, close);
  return Trim(t);
}

std::string_view KeyName(std::string_view text) {
  return Trim(text.substr(0, text.find('=')));
}

std::string_view RawValue(std::string_view text) {
  return Trim(text.substr(text.find('=') + 1));
}

std::string_view Unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    return v.substr(1, v.size() - 2);
  }
  return v;
}

}  // namespace

bool ProfileDocument::IsValidName(std::string_view name) {
  const std::string_view t = Trim(name);
  return !t.empty() && t.find_first_of("\r\n[]=;") == std::string_view::npos;
}

bool ProfileDocument::IsValidValue(std::string_view value) {
  return value.find_first_of("\r\n") == std::string_view::npos;
}

ProfileDocument ProfileDocument::Parse(std::string_view content) {
  ProfileDocument doc;
  bool eol_seen = false;
  std::size_t pos = 0;
  while (pos < content.size()) {
    std::size_t end = content.find_first_of("\r\n", pos);
    Line line;
    if (end == std::string_view::npos) {
      line.text = std::string(content.substr(pos));
      pos = content.size();
    } else {
      const std::size_t eol_len =
          content[end] == '\r' && end + 1 < content.size() && content[end + 1] == '\n' ? 2 : 1;
      line.text = std::string(content.substr(pos, end - pos));
      line.eol = std::string(content.substr(end, eol_len));
      pos = end + eol_len;
      if (!eol_seen) {
        doc.eol_ = line.eol;
        eol_seen = true;
      }
    }
    if (Classify(line.text) == LineKind::kHeader) {
      Section section;
      section.name = std::string(HeaderName(line.text));
      section.header = std::move(line);
      doc.sections_.push_back(std::move(section));
    } else if (doc.sections_.empty()) {
      doc.preamble_.push_back(std::move(line));
    } else {
      doc.sections_.back().body.push_back(std::move(line));
    }
  }
  doc.RebuildSectionIndex();
  return doc;
}

std::string ProfileDocument::Serialize() const {
  std::string out;
  auto append = [&out](const Line& l) {
    out += l.text;
    out += l.eol;
  };
  for (const Line& l : preamble_) append(l);
  for (const Section& s : sections_) {
    append(s.header);
    for (const Line& l : s.body) append(l);
  }
  return out;
}

void ProfileDocument::RebuildSectionIndex() {
  section_index_.clear();
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    section_index_.try_emplace(Fold(sections_[i].name), i);
  }
}

const ProfileDocument::Section* ProfileDocument::FindSection(std::string_view name) const {
  const auto it = section_index_.find(FoldedTrim(name));
  return it == section_index_.end() ? nullptr : &sections_[it->second];
}

ProfileDocument::Section* ProfileDocument::FindSection(std::string_view name) {
  const auto it = section_index_.find(FoldedTrim(name));
  return it == section_index_.end() ? nullptr : &sections_[it->second];
}

void ProfileDocument::IndexKeys(const Section& section) {
  if (section.indexed) return;
  section.keys.clear();
  for (std::size_t i = 0; i < section.body.size(); ++i) {
    const std::string& text = section.body[i].text;
    if (Classify(text) == LineKind::kKey) section.keys.try_emplace(Fold(KeyName(text)), i);
  }
  section.indexed = true;
}

const ProfileDocument::Line* ProfileDocument::FindKeyLine(const Section& section,
                                                          std::string_view key) {
  IndexKeys(section);
  const auto it = section.keys.find(FoldedTrim(key));
  return it == section.keys.end() ? nullptr : &section.body[it->second];
}

std::optional<std::string> ProfileDocument::Read(std::string_view section,
                                                 std::string_view key) const {
  const Section* s = FindSection(section);
  if (!s) return std::nullopt;
  const Line* line = FindKeyLine(*s, key);
  if (!line) return std::nullopt;
  return std::string(Unquote(RawValue(line->text)));
}

bool ProfileDocument::HasSection(std::string_view section) const {
  return FindSection(section) != nullptr;
}

std::vector<std::string> ProfileDocument::SectionNames() const {
  std::vector<std::string> names;
  names.reserve(sections_.size());
  for (const Section& s : sections_) names.push_back(s.name);
  return names;
}

std::vector<std::string> ProfileDocument::KeyNames(std::string_view section) const {
  std::vector<std::string> names;
  if (const Section* s = FindSection(section)) {
    for (const Line& l : s->body) {
      if (Classify(l.text) == LineKind::kKey) names.emplace_back(KeyName(l.text));
    }
  }
  return names;
}

// The line that will no longer be last gets the file's line end.
void ProfileDocument::EndLastLine() {
  Line* last = nullptr;
  if (!sections_.empty()) {
    Section& s = sections_.back();
    last = s.body.empty() ? &s.header : &s.body.back();
  } else if (!preamble_.empty()) {
    last = &preamble_.back();
  }
  if (last && last->eol.empty()) last->eol = eol_;
}

ProfileEdit ProfileDocument::Write(std::string_view section, std::string_view key,
                                   std::string_view value) {
  if (!IsValidName(section) || !IsValidName(key) || !IsValidValue(value)) {
    return ProfileEdit::kRefused;
  }
  const std::string_view name = Trim(key);
  Section* s = FindSection(section);
  if (!s) {
    EndLastLine();
    Section added;
    added.name = std::string(Trim(section));
    added.header = Line{"[" + added.name + "]", eol_};
    added.body.push_back(Line{std::string(name) + "=" + std::string(value), eol_});
    section_index_.try_emplace(Fold(added.name), sections_.size());
    sections_.push_back(std::move(added));
    return ProfileEdit::kChanged;
  }
  IndexKeys(*s);
  const auto it = s->keys.find(Fold(name));
  if (it != s->keys.end()) {
    Line& line = s->body[it->second];
    if (RawValue(line.text) == value && Trim(value) == value) return ProfileEdit::kUnchanged;
    // Keep the name as written and the blanks after '='; only the value changes.
    std::size_t keep = line.text.find('=') + 1;
    while (keep < line.text.size() && IsBlank(line.text[keep])) ++keep;
    line.text.replace(keep, std::string::npos, value);
    return ProfileEdit::kChanged;
  }
  // After the last key line, ahead of trailing comments and blank lines.
  std::size_t at = 0;
  for (std::size_t i = s->body.size(); i > 0; --i) {
    if (Classify(s->body[i - 1].text) == LineKind::kKey) {
      at = i;
      break;
    }
  }
  Line& before = at == 0 ? s->header : s->body[at - 1];
  if (before.eol.empty()) before.eol = eol_;
  // Every key line lies before `at`, so the key index stays valid.
  s->body.insert(s->body.begin() + static_cast<std::ptrdiff_t>(at),
                 Line{std::string(name) + "=" + std::string(value), eol_});
  s->keys.emplace(Fold(name), at);
  return ProfileEdit::kChanged;
}

ProfileEdit ProfileDocument::EraseKey(std::string_view section, std::string_view key) {
  Section* s = FindSection(section);
  if (!s) return ProfileEdit::kUnchanged;
  IndexKeys(*s);
  const auto it = s->keys.find(FoldedTrim(key));
  if (it == s->keys.end()) return ProfileEdit::kUnchanged;
  s->body.erase(s->body.begin() + static_cast<std::ptrdiff_t>(it->second));
  s->indexed = false;
  return ProfileEdit::kChanged;
}

std::vector<ProfileDocument::Line>& ProfileDocument::ContainerBefore(std::size_t section) {
  if (section == 0) return preamble_;
  return sections_[section - 1].body;
}

ProfileEdit ProfileDocument::EraseSection(std::string_view section) {
  const auto it = section_index_.find(FoldedTrim(section));
  if (it == section_index_.end()) return ProfileEdit::kUnchanged;
  const std::size_t index = it->second;
  // Comments and blank lines stay; they now follow whatever came before.
  std::vector<Line>& kept = ContainerBefore(index);
  for (Line& line : sections_[index].body) {
    if (Classify(line.text) != LineKind::kKey) kept.push_back(std::move(line));
  }
  sections_.erase(sections_.begin() + static_cast<std::ptrdiff_t>(index));
  RebuildSectionIndex();
  return ProfileEdit::kChanged;
}

}  // namespace platform
