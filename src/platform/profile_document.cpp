#include "platform/profile_document.h"

#include <algorithm>
#include <mutex>

namespace platform {
namespace {

constexpr std::size_t kNpos = std::string_view::npos;

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
// of the Latin-1 range written as UTF-8 ("Ä" matches "ä"). Fed one byte
// after the other; the byte after 0xC3 is folded as the second byte of a
// Latin-1 letter and never as ASCII.
class Folder {
 public:
  unsigned char operator()(unsigned char c) {
    if (after_c3_) {
      after_c3_ = false;
      return c >= 0x80 && c <= 0x9E && c != 0x97 ? static_cast<unsigned char>(c + 0x20) : c;
    }
    if (c == 0xC3) after_c3_ = true;
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
  }

 private:
  bool after_c3_ = false;
};

std::string Fold(std::string_view s) {
  std::string out(s);
  Folder fold;
  for (char& c : out) c = static_cast<char>(fold(static_cast<unsigned char>(c)));
  return out;
}

std::string FoldedTrim(std::string_view s) {
  return Fold(Trim(s));
}

std::uint32_t FoldHash(std::string_view s) {
  std::uint32_t h = 2166136261u;
  Folder fold;
  for (char c : s) {
    h ^= fold(static_cast<unsigned char>(c));
    h *= 16777619u;
  }
  return h;
}

bool FoldEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  Folder fa;
  Folder fb;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (fa(static_cast<unsigned char>(a[i])) != fb(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
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

std::size_t FindEol(std::string_view s, std::size_t pos) {
  for (; pos < s.size(); ++pos) {
    if (s[pos] == '\n' || s[pos] == '\r') return pos;
  }
  return kNpos;
}

std::size_t EolLength(std::string_view s, std::size_t at) {
  return s[at] == '\r' && at + 1 < s.size() && s[at + 1] == '\n' ? 2 : 1;
}

// Walks the lines of [pos, end) of s: text without its line end, and the end.
template <typename F>
void ForEachLine(std::string_view s, std::size_t pos, std::size_t end, F&& visit) {
  while (pos < end) {
    const std::size_t e = FindEol(s, pos);
    if (e == kNpos || e >= end) {
      if (!visit(s.substr(pos, end - pos), std::string_view(), pos)) return;
      return;
    }
    const std::size_t n = EolLength(s, e);
    if (!visit(s.substr(pos, e - pos), s.substr(e, n), pos)) return;
    pos = e + n;
  }
}

// ---- UTF-16

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// UTF-16 code units to UTF-8. A surrogate without its partner is written as
// the three bytes of its own value, so that writing the text back gives the
// same units: the file's bytes survive whatever they hold.
std::string DecodeUtf16(std::string_view bytes, bool big_endian) {
  const std::size_t units = bytes.size() / 2;
  auto unit = [&](std::size_t i) -> std::uint32_t {
    const auto a = static_cast<unsigned char>(bytes[2 * i]);
    const auto b = static_cast<unsigned char>(bytes[2 * i + 1]);
    return big_endian ? (a << 8 | b) : (b << 8 | a);
  };
  std::string out;
  out.reserve(units + units / 8);
  for (std::size_t i = 0; i < units; ++i) {
    const std::uint32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
      const std::uint32_t v = unit(i + 1);
      if (v >= 0xDC00 && v <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (v - 0xDC00));
        ++i;
        continue;
      }
    }
    AppendUtf8(out, u);
  }
  return out;
}

bool Continuation(std::string_view s, std::size_t i) {
  return i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80;
}

// UTF-8 to UTF-16 code units, the exact inverse of DecodeUtf16. A byte that
// starts no valid sequence stands for the Latin-1 character of its value.
template <typename Unit>
void EncodeUtf16(std::string_view s, Unit&& unit) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    auto at = [&](std::size_t k) { return static_cast<std::uint32_t>(s[i + k]) & 0x3F; };
    if (c < 0x80) {
      unit(c);
      i += 1;
      continue;
    }
    if ((c & 0xE0) == 0xC0 && Continuation(s, i + 1)) {
      const std::uint32_t cp = (c & 0x1Fu) << 6 | at(1);
      if (cp >= 0x80) {
        unit(cp);
        i += 2;
        continue;
      }
    } else if ((c & 0xF0) == 0xE0 && Continuation(s, i + 1) && Continuation(s, i + 2)) {
      const std::uint32_t cp = (c & 0x0Fu) << 12 | at(1) << 6 | at(2);
      if (cp >= 0x800) {
        unit(cp);
        i += 3;
        continue;
      }
    } else if ((c & 0xF8) == 0xF0 && Continuation(s, i + 1) && Continuation(s, i + 2) &&
               Continuation(s, i + 3)) {
      const std::uint32_t cp = (c & 0x07u) << 18 | at(1) << 12 | at(2) << 6 | at(3);
      if (cp >= 0x10000 && cp <= 0x10FFFF) {
        unit(0xD800 + ((cp - 0x10000) >> 10));
        unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        i += 4;
        continue;
      }
    }
    unit(c);
    i += 1;
  }
}

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
      table_(other.table_),
      table_count_(other.table_count_),
      duplicates_(other.duplicates_),
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
  doc.BuildTable();
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

void ProfileDocument::BuildTable() {
  std::size_t headers = 0;
  for (const Block& b : blocks_) headers += b.header;
  std::size_t size = 16;
  while (size < headers * 2) size *= 2;
  table_.assign(size, Slot{});
  table_count_ = 0;
  duplicates_.clear();
  for (std::size_t i = 0; i < blocks_.size(); ++i) {
    if (!blocks_[i].header) continue;
    const std::string_view name = BlockName(i);
    const std::size_t first = FindSection(name);
    if (first == kNone) {
      TableInsert(FoldHash(name), i);
    } else {
      duplicates_[static_cast<std::uint32_t>(first)].push_back(static_cast<std::uint32_t>(i));
    }
  }
}

std::size_t ProfileDocument::FindSection(std::string_view name) const {
  if (table_count_ == 0) return kNone;
  const std::string_view n = Trim(name);
  const std::uint32_t h = FoldHash(n);
  const std::size_t mask = table_.size() - 1;
  for (std::size_t i = h & mask;; i = (i + 1) & mask) {
    const Slot& s = table_[i];
    if (s.block_plus_one == 0) return kNone;
    if (s.hash == h && FoldEqual(BlockName(s.block_plus_one - 1), n)) return s.block_plus_one - 1;
  }
}

void ProfileDocument::TableGrow() {
  std::vector<Slot> old = std::move(table_);
  table_.assign(std::max<std::size_t>(16, old.size() * 2), Slot{});
  const std::size_t mask = table_.size() - 1;
  for (const Slot& s : old) {
    if (s.block_plus_one == 0) continue;
    std::size_t i = s.hash & mask;
    while (table_[i].block_plus_one != 0) i = (i + 1) & mask;
    table_[i] = s;
  }
}

void ProfileDocument::TableInsert(std::uint32_t hash, std::size_t block) {
  if ((table_count_ + 1) * 2 > table_.size()) TableGrow();
  const std::size_t mask = table_.size() - 1;
  std::size_t i = hash & mask;
  while (table_[i].block_plus_one != 0) i = (i + 1) & mask;
  table_[i] = Slot{static_cast<std::uint32_t>(block + 1), hash};
  ++table_count_;
}

// Removes a block's slot, shifting later slots of its probe run back.
void ProfileDocument::TableErase(std::size_t block, std::uint32_t hash) {
  const std::size_t mask = table_.size() - 1;
  std::size_t i = hash & mask;
  while (table_[i].block_plus_one != block + 1) {
    if (table_[i].block_plus_one == 0) return;
    i = (i + 1) & mask;
  }
  for (std::size_t j = (i + 1) & mask; table_[j].block_plus_one != 0; j = (j + 1) & mask) {
    const std::size_t home = table_[j].hash & mask;
    // The entry at j may move to i when its home does not lie in (i, j].
    const bool stays = i <= j ? (home > i && home <= j) : (home > i || home <= j);
    if (!stays) {
      table_[i] = table_[j];
      i = j;
    }
  }
  table_[i] = Slot{};
  --table_count_;
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
  names.reserve(table_count_);
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
  TableInsert(FoldHash(name), blocks_.size() - 1);
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
  const std::uint32_t hash = FoldHash(BlockName(s));
  TableErase(s, hash);
  const auto dup = duplicates_.find(static_cast<std::uint32_t>(s));
  if (dup != duplicates_.end()) {
    std::vector<std::uint32_t> later = std::move(dup->second);
    duplicates_.erase(dup);
    const std::uint32_t next = later.front();
    later.erase(later.begin());
    TableInsert(hash, next);
    if (!later.empty()) duplicates_[next] = std::move(later);
  }
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
  std::size_t n = text_->capacity() + blocks_.capacity() * sizeof(Block) +
                  table_.capacity() * sizeof(Slot) + owned_.capacity() * sizeof(void*);
  for (const auto& o : owned_) {
    n += sizeof(Owned) + o->name.capacity() + o->header.text.capacity() +
         o->body.capacity() * sizeof(Line);
    for (const Line& l : o->body) n += l.text.capacity() + l.eol.capacity();
  }
  std::lock_guard<std::mutex> hold(key_cache_->lock);
  return n + key_cache_->entries * sizeof(KeyCache::Entry);
}

}  // namespace platform
