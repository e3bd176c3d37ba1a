#include "platform/profile_document.h"

#include <algorithm>
#include <mutex>

#include "platform/profile_text.h"

namespace platform {

using namespace profile_text;

namespace {

// Collects the pieces of a document's bytes into chunks of a useful size
// for the sink; long runs of the text go through without a copy.
class Encoder {
 public:
  Encoder(ProfileEncoding encoding, const ProfileDocument::Sink& sink)
      : encoding_(encoding), sink_(sink) {
    buffer_.reserve(kChunk + 64);
  }

  void Raw(std::string_view bytes) {
    buffer_.append(bytes);
    if (buffer_.size() >= kChunk) Flush();
  }

  void Text(std::string_view text) {
    if (!ok_) return;
    if (encoding_ == ProfileEncoding::kUtf16LE || encoding_ == ProfileEncoding::kUtf16BE) {
      const bool be = encoding_ == ProfileEncoding::kUtf16BE;
      // In slices, so that the buffer never holds much more than a chunk.
      for (std::size_t at = 0; at < text.size() && ok_;) {
        std::size_t n = std::min(text.size() - at, kChunk / 2);
        // Never split a UTF-8 sequence between two slices.
        while (at + n < text.size() && n > 0 &&
               (static_cast<unsigned char>(text[at + n]) & 0xC0) == 0x80)
          --n;
        if (n == 0) n = std::min(text.size() - at, kChunk / 2);
        EncodeUtf16(text.substr(at, n), [&](std::uint32_t u) {
          const char hi = static_cast<char>(u >> 8);
          const char lo = static_cast<char>(u & 0xFF);
          buffer_ += be ? hi : lo;
          buffer_ += be ? lo : hi;
        });
        at += n;
        if (buffer_.size() >= kChunk) Flush();
      }
      return;
    }
    if (text.size() >= kChunk / 2) {
      Flush();
      if (ok_ && !sink_(text)) ok_ = false;
      return;
    }
    Raw(text);
  }

  bool Flush() {
    if (ok_ && !buffer_.empty() && !sink_(buffer_)) ok_ = false;
    buffer_.clear();
    return ok_;
  }

 private:
  static constexpr std::size_t kChunk = 1 << 16;
  ProfileEncoding encoding_;
  const ProfileDocument::Sink& sink_;
  std::string buffer_;
  bool ok_ = true;
};

}  // namespace

// ---- Key indexes of untouched sections

struct ProfileDocument::KeyCache {
  struct Entry {
    std::uint32_t hash;
    std::uint32_t offset;  // where the key line starts in the text
  };
  std::mutex lock;
  std::unordered_map<std::uint32_t, std::vector<Entry>> by_block;
  std::size_t entries = 0;
};

// ---- Construction

ProfileDocument::ProfileDocument()
    : text_(std::make_shared<const std::string>()),
      blocks_{Block{}},
      key_cache_(std::make_unique<KeyCache>()) {}

ProfileDocument::~ProfileDocument() = default;

ProfileDocument::ProfileDocument(const ProfileDocument& other)
    : text_(other.text_),
      blocks_(other.blocks_),
      index_(other.index_),
      eol_(other.eol_),
      encoding_(other.encoding_),
      text_begin_(other.text_begin_),
      odd_byte_(other.odd_byte_),
      key_cache_(std::make_unique<KeyCache>()) {
  owned_.reserve(other.owned_.size());
  for (const auto& o : other.owned_) owned_.push_back(std::make_unique<Owned>(*o));
}

ProfileDocument& ProfileDocument::operator=(const ProfileDocument& other) {
  if (this != &other) {
    ProfileDocument copy(other);
    *this = std::move(copy);
  }
  return *this;
}

ProfileDocument::ProfileDocument(ProfileDocument&& other) noexcept = default;
ProfileDocument& ProfileDocument::operator=(ProfileDocument&& other) noexcept = default;

bool ProfileDocument::IsValidName(std::string_view name) {
  const std::string_view t = Trim(name);
  return !t.empty() && t.find_first_of("\r\n[]=;") == std::string_view::npos;
}

bool ProfileDocument::IsValidValue(std::string_view value) {
  return value.find_first_of("\r\n") == std::string_view::npos;
}

ProfileDocument ProfileDocument::Parse(std::string_view content) {
  return ParseOwned(std::string(content));
}

ProfileDocument ProfileDocument::ParseOwned(std::string&& content) {
  ProfileDocument doc;
  const auto byte = [&content](std::size_t i) { return static_cast<unsigned char>(content[i]); };
  if (content.size() >= 3 && content.compare(0, 3, kUtf8Mark) == 0) {
    doc.encoding_ = ProfileEncoding::kUtf8Bom;
    doc.text_begin_ = 3;
    doc.text_ = std::make_shared<const std::string>(std::move(content));
  } else if (content.size() >= 2 &&
             ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF))) {
    const bool be = byte(0) == 0xFE;
    doc.encoding_ = be ? ProfileEncoding::kUtf16BE : ProfileEncoding::kUtf16LE;
    const std::string_view units = std::string_view(content).substr(2);
    if (units.size() % 2 != 0) doc.odd_byte_ = units.back();
    std::string text = DecodeUtf16(units, be);
    content = std::string();  // the raw bytes go before the text is scanned
    doc.text_ = std::make_shared<const std::string>(std::move(text));
  } else {
    doc.text_ = std::make_shared<const std::string>(std::move(content));
  }

  const std::string_view t = *doc.text_;
  std::size_t pos = doc.text_begin_;
  doc.blocks_.front().begin = static_cast<std::uint32_t>(pos);
  bool eol_seen = false;
  while (pos < t.size()) {
    std::size_t p = pos;
    while (p < t.size() && IsBlank(t[p])) ++p;
    if (p < t.size() && t[p] == '[') {
      doc.blocks_.back().end = static_cast<std::uint32_t>(pos);
      Block b;
      b.begin = static_cast<std::uint32_t>(pos);
      b.header = true;
      doc.blocks_.push_back(b);
    }
    const std::size_t e = FindEol(t, p);
    if (e == kNpos) break;
    const std::size_t n = EolLength(t, e);
    if (!eol_seen) {
      doc.eol_ = std::string(t.substr(e, n));
      eol_seen = true;
    }
    pos = e + n;
  }
  doc.blocks_.back().end = static_cast<std::uint32_t>(t.size());
  doc.blocks_.shrink_to_fit();
  doc.BuildIndex();
  return doc;
}

// ---- Blocks and the name table

std::string_view ProfileDocument::BlockName(std::size_t block) const {
  const Block& b = blocks_[block];
  if (b.owned != kNotOwned) return owned_[b.owned]->name;
  const std::string_view t = Text();
  std::size_t e = FindEol(t, b.begin);
  if (e == kNpos || e > b.end) e = b.end;
  return HeaderName(t.substr(b.begin, e - b.begin));
}

std::size_t ProfileDocument::BodyBegin(std::size_t block) const {
  const Block& b = blocks_[block];
  if (!b.header) return b.begin;
  const std::string_view t = Text();
  const std::size_t e = FindEol(t, b.begin);
  if (e == kNpos || e >= b.end) return b.end;
  return e + EolLength(t, e);
}

void ProfileDocument::BuildIndex() {
  index_.Build(
      blocks_.size(), [this](std::size_t i) { return blocks_[i].header; },
      [this](std::size_t i) { return BlockName(i); });
}

std::size_t ProfileDocument::FindSection(std::string_view name) const {
  return index_.Find(name, [this](std::size_t i) { return BlockName(i); });
}

ProfileDocument::Owned& ProfileDocument::Materialize(std::size_t block) {
  Block& b = blocks_[block];
  if (b.owned != kNotOwned) return *owned_[b.owned];
  auto o = std::make_unique<Owned>();
  bool first = true;
  ForEachLine(Text(), b.begin, b.end,
              [&](std::string_view text, std::string_view eol, std::size_t) {
                Line line{std::string(text), std::string(eol)};
                if (first && b.header) {
                  o->name = std::string(HeaderName(line.text));
                  o->header = std::move(line);
                } else {
                  o->body.push_back(std::move(line));
                }
                first = false;
                return true;
              });
  b.owned = static_cast<std::uint32_t>(owned_.size());
  owned_.push_back(std::move(o));
  {
    std::lock_guard<std::mutex> hold(key_cache_->lock);
    const auto it = key_cache_->by_block.find(static_cast<std::uint32_t>(block));
    if (it != key_cache_->by_block.end()) {
      key_cache_->entries -= it->second.size();
      key_cache_->by_block.erase(it);
    }
  }
  return *owned_[b.owned];
}

// ---- Keys

void ProfileDocument::IndexKeys(const Owned& o) {
  if (o.indexed) return;
  o.keys.clear();
  for (std::size_t i = 0; i < o.body.size(); ++i) {
    const std::string& text = o.body[i].text;
    if (Classify(text) == LineKind::kKey) o.keys.try_emplace(Fold(KeyName(text)), i);
  }
  o.indexed = true;
}

const ProfileDocument::Line* ProfileDocument::FindOwnedKeyLine(const Owned& o,
                                                               std::string_view key) {
  IndexKeys(o);
  const auto it = o.keys.find(FoldedTrim(key));
  return it == o.keys.end() ? nullptr : &o.body[it->second];
}

// The text of the first key line named key (trimmed) in a section.
std::optional<std::string_view> ProfileDocument::FindKeyText(std::size_t block,
                                                             std::string_view key) const {
  const Block& b = blocks_[block];
  if (b.owned != kNotOwned) {
    const Line* line = FindOwnedKeyLine(*owned_[b.owned], key);
    if (!line) return std::nullopt;
    return std::string_view(line->text);
  }
  const std::string_view t = Text();
  const std::size_t body = BodyBegin(block);
  std::optional<std::string_view> found;
  // A short section is read line by line; a long one gets an index once.
  constexpr std::size_t kScanBytes = 4096;
  if (b.end - body <= kScanBytes) {
    ForEachLine(t, body, b.end, [&](std::string_view text, std::string_view, std::size_t) {
      if (Classify(text) == LineKind::kKey && FoldEqual(KeyName(text), key)) {
        found = text;
        return false;
      }
      return true;
    });
    return found;
  }
  std::lock_guard<std::mutex> hold(key_cache_->lock);
  auto it = key_cache_->by_block.find(static_cast<std::uint32_t>(block));
  if (it == key_cache_->by_block.end()) {
    std::vector<KeyCache::Entry> entries;
    ForEachLine(t, body, b.end, [&](std::string_view text, std::string_view, std::size_t at) {
      if (Classify(text) == LineKind::kKey)
        entries.push_back({FoldHash(KeyName(text)), static_cast<std::uint32_t>(at)});
      return true;
    });
    std::stable_sort(
        entries.begin(), entries.end(),
        [](const KeyCache::Entry& x, const KeyCache::Entry& y) { return x.hash < y.hash; });
    // The indexes are a cache: past a bound they start again.
    constexpr std::size_t kMaxEntries = std::size_t{1} << 22;
    if (key_cache_->entries + entries.size() > kMaxEntries) {
      key_cache_->by_block.clear();
      key_cache_->entries = 0;
    }
    key_cache_->entries += entries.size();
    it = key_cache_->by_block.emplace(static_cast<std::uint32_t>(block), std::move(entries)).first;
  }
  const std::uint32_t h = FoldHash(key);
  const auto& entries = it->second;
  auto e = std::lower_bound(entries.begin(), entries.end(), h,
                            [](const KeyCache::Entry& x, std::uint32_t v) { return x.hash < v; });
  for (; e != entries.end() && e->hash == h; ++e) {
    std::size_t end = FindEol(t, e->offset);
    if (end == kNpos || end > b.end) end = b.end;
    const std::string_view text = t.substr(e->offset, end - e->offset);
    if (FoldEqual(KeyName(text), key)) return text;
  }
  return std::nullopt;
}

std::optional<std::string> ProfileDocument::Read(std::string_view section,
                                                 std::string_view key) const {
  const std::size_t s = FindSection(section);
  if (s == kNone) return std::nullopt;
  const auto text = FindKeyText(s, Trim(key));
  if (!text) return std::nullopt;
  return std::string(Unquote(RawValue(*text)));
}

bool ProfileDocument::HasKey(std::string_view section, std::string_view key) const {
  const std::size_t s = FindSection(section);
  return s != kNone && FindKeyText(s, Trim(key)).has_value();
}

bool ProfileDocument::Holds(std::string_view section, std::string_view key,
                            std::string_view value) const {
  if (!IsValidName(section) || !IsValidName(key) || !IsValidValue(value)) return false;
  const std::size_t s = FindSection(section);
  if (s == kNone) return false;
  const auto text = FindKeyText(s, Trim(key));
  return text && RawValue(*text) == value && Trim(value) == value;
}

bool ProfileDocument::HasSection(std::string_view section) const {
  return FindSection(section) != kNone;
}

void ProfileDocument::ForEachSectionName(const std::function<void(std::string_view)>& visit) const {
  for (std::size_t i = 0; i < blocks_.size(); ++i) {
    if (blocks_[i].header) visit(BlockName(i));
  }
}

std::vector<std::string> ProfileDocument::SectionNames() const {
  std::vector<std::string> names;
  names.reserve(index_.size());
  ForEachSectionName([&names](std::string_view name) { names.emplace_back(name); });
  return names;
}

std::vector<std::string> ProfileDocument::KeyNames(std::string_view section) const {
  std::vector<std::string> names;
  const std::size_t s = FindSection(section);
  if (s == kNone) return names;
  const Block& b = blocks_[s];
  if (b.owned != kNotOwned) {
    for (const Line& l : owned_[b.owned]->body) {
      if (Classify(l.text) == LineKind::kKey) names.emplace_back(KeyName(l.text));
    }
    return names;
  }
  ForEachLine(Text(), BodyBegin(s), b.end,
              [&](std::string_view text, std::string_view, std::size_t) {
                if (Classify(text) == LineKind::kKey) names.emplace_back(KeyName(text));
                return true;
              });
  return names;
}

// ---- Edits

// The line that will no longer be last gets the file's line end.
void ProfileDocument::EndLastLine() {
  for (std::size_t i = blocks_.size(); i-- > 0;) {
    const Block& b = blocks_[i];
    if (b.owned == kNotOwned) {
      if (b.begin == b.end) continue;
      const char c = Text()[b.end - 1];
      if (c == '\n' || c == '\r') return;
      Materialize(i);
    }
    Owned& o = *owned_[blocks_[i].owned];
    Line* last = !o.body.empty() ? &o.body.back() : (blocks_[i].header ? &o.header : nullptr);
    if (!last) continue;
    if (last->eol.empty()) last->eol = eol_;
    return;
  }
}

void ProfileDocument::AppendSection(std::string_view name, std::string_view key,
                                    std::string_view value) {
  EndLastLine();
  auto added = std::make_unique<Owned>();
  added->name = std::string(name);
  added->header = Line{"[" + added->name + "]", eol_};
  added->body.push_back(Line{std::string(key) + "=" + std::string(value), eol_});
  Block b;
  b.header = true;
  b.owned = static_cast<std::uint32_t>(owned_.size());
  owned_.push_back(std::move(added));
  blocks_.push_back(b);
  index_.Add(name, blocks_.size() - 1);
}

ProfileEdit ProfileDocument::Write(std::string_view section, std::string_view key,
                                   std::string_view value) {
  if (!IsValidName(section) || !IsValidName(key) || !IsValidValue(value)) {
    return ProfileEdit::kRefused;
  }
  const std::string_view name = Trim(key);
  const std::size_t s = FindSection(section);
  if (s == kNone) {
    AppendSection(Trim(section), name, value);
    return ProfileEdit::kChanged;
  }
  // A value the file already holds changes nothing, and touches no line.
  if (const auto text = FindKeyText(s, name)) {
    if (RawValue(*text) == value && Trim(value) == value) return ProfileEdit::kUnchanged;
  }
  Owned& o = Materialize(s);
  IndexKeys(o);
  const auto it = o.keys.find(Fold(name));
  if (it != o.keys.end()) {
    Line& line = o.body[it->second];
    // Keep the name as written and the blanks after '='; only the value changes.
    std::size_t keep = line.text.find('=') + 1;
    while (keep < line.text.size() && IsBlank(line.text[keep])) ++keep;
    line.text.replace(keep, std::string::npos, value);
    return ProfileEdit::kChanged;
  }
  // After the last key line, ahead of trailing comments and blank lines.
  std::size_t at = 0;
  for (std::size_t i = o.body.size(); i > 0; --i) {
    if (Classify(o.body[i - 1].text) == LineKind::kKey) {
      at = i;
      break;
    }
  }
  Line& before = at == 0 ? o.header : o.body[at - 1];
  if (before.eol.empty()) before.eol = eol_;
  // Every key line lies before `at`, so the key index stays valid.
  o.body.insert(o.body.begin() + static_cast<std::ptrdiff_t>(at),
                Line{std::string(name) + "=" + std::string(value), eol_});
  o.keys.emplace(Fold(name), at);
  return ProfileEdit::kChanged;
}

ProfileEdit ProfileDocument::EraseKey(std::string_view section, std::string_view key) {
  const std::size_t s = FindSection(section);
  if (s == kNone || !FindKeyText(s, Trim(key))) return ProfileEdit::kUnchanged;
  Owned& o = Materialize(s);
  IndexKeys(o);
  const auto it = o.keys.find(FoldedTrim(key));
  if (it == o.keys.end()) return ProfileEdit::kUnchanged;
  o.body.erase(o.body.begin() + static_cast<std::ptrdiff_t>(it->second));
  o.indexed = false;
  return ProfileEdit::kChanged;
}

ProfileEdit ProfileDocument::EraseSection(std::string_view section) {
  const std::size_t s = FindSection(section);
  if (s == kNone) return ProfileEdit::kUnchanged;
  // Comments and blank lines stay; they now follow whatever came before.
  std::vector<Line> kept;
  Block& b = blocks_[s];
  if (b.owned != kNotOwned) {
    for (Line& line : owned_[b.owned]->body) {
      if (Classify(line.text) != LineKind::kKey) kept.push_back(std::move(line));
    }
  } else {
    ForEachLine(Text(), BodyBegin(s), b.end,
                [&](std::string_view text, std::string_view eol, std::size_t) {
                  if (Classify(text) != LineKind::kKey)
                    kept.push_back(Line{std::string(text), std::string(eol)});
                  return true;
                });
  }
  index_.Remove(s, BlockName(s));
  b.header = false;
  if (b.owned == kNotOwned && kept.empty()) {
    b.begin = b.end = 0;  // nothing of it is left
    return ProfileEdit::kChanged;
  }
  if (b.owned == kNotOwned) {
    b.owned = static_cast<std::uint32_t>(owned_.size());
    owned_.push_back(std::make_unique<Owned>());
  }
  Owned& o = *owned_[b.owned];
  o.name.clear();
  o.header = Line{};
  o.body = std::move(kept);
  o.keys.clear();
  o.indexed = false;
  return ProfileEdit::kChanged;
}

// ---- Writing out

bool ProfileDocument::WriteTo(const Sink& sink) const {
  Encoder out(encoding_, sink);
  switch (encoding_) {
    case ProfileEncoding::kPlain:
      break;
    case ProfileEncoding::kUtf8Bom:
      out.Raw(kUtf8Mark);
      break;
    case ProfileEncoding::kUtf16LE:
      out.Raw("\xFF\xFE");
      break;
    case ProfileEncoding::kUtf16BE:
      out.Raw("\xFE\xFF");
      break;
  }
  const std::string_view t = Text();
  // Neighbouring untouched blocks go out as one run of the text.
  std::size_t run_begin = 0;
  std::size_t run_end = 0;
  auto flush_run = [&] {
    if (run_end > run_begin) out.Text(t.substr(run_begin, run_end - run_begin));
    run_begin = run_end = 0;
  };
  for (const Block& b : blocks_) {
    if (b.owned == kNotOwned) {
      if (b.begin == b.end) continue;
      if (run_end != b.begin || run_end == run_begin) {
        flush_run();
        run_begin = b.begin;
      }
      run_end = b.end;
      continue;
    }
    flush_run();
    const Owned& o = *owned_[b.owned];
    if (b.header) {
      out.Text(o.header.text);
      out.Text(o.header.eol);
    }
    for (const Line& l : o.body) {
      out.Text(l.text);
      out.Text(l.eol);
    }
  }
  flush_run();
  if (odd_byte_) out.Raw(std::string_view(&*odd_byte_, 1));
  return out.Flush();
}

std::string ProfileDocument::Serialize() const {
  std::string out;
  out.reserve(static_cast<std::size_t>(SerializedSize()));
  WriteTo([&out](std::string_view piece) {
    out.append(piece);
    return true;
  });
  return out;
}

std::uint64_t ProfileDocument::SerializedSize() const {
  std::uint64_t n = 0;
  WriteTo([&n](std::string_view piece) {
    n += piece.size();
    return true;
  });
  return n;
}

std::size_t ProfileDocument::MemoryBytes() const {
  std::size_t n = text_->capacity() + blocks_.capacity() * sizeof(Block) + index_.MemoryBytes() +
                  owned_.capacity() * sizeof(void*);
  for (const auto& o : owned_) {
    n += sizeof(Owned) + o->name.capacity() + o->header.text.capacity() +
         o->body.capacity() * sizeof(Line);
    for (const Line& l : o->body) n += l.text.capacity() + l.eol.capacity();
  }
  std::lock_guard<std::mutex> hold(key_cache_->lock);
  return n + key_cache_->entries * sizeof(KeyCache::Entry);
}

}  // namespace platform
