// Any bytes as the settings file: parsing, reading every key, writing,
// erasing and listing never crash or hang, the bytes read back unchanged
// (byte-order marks and UTF-16 included), a section that an edit does not
// touch keeps its bytes, and the section index finds what a walk over a
// plain list of the file's lines finds, before and after erasures.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "platform/profile_document.h"
#include "platform/profile_text.h"

using platform::ProfileDocument;
namespace text = platform::profile_text;

namespace {

// The section names of a file without a UTF-16 mark, line by line.
std::vector<std::string> NaiveSections(std::string_view content) {
  if (content.starts_with(text::kUtf8Mark)) content.remove_prefix(3);
  std::vector<std::string> names;
  text::ForEachLine(content, 0, content.size(),
                    [&](std::string_view line, std::string_view, std::size_t) {
                      if (text::Classify(line) == text::LineKind::kHeader)
                        names.emplace_back(text::HeaderName(line));
                      return true;
                    });
  return names;
}

bool NaiveHas(const std::vector<std::string>& names, std::string_view name) {
  for (const std::string& n : names)
    if (text::FoldEqual(n, text::Trim(name))) return true;
  return false;
}

// Erases sections one after the other, in the document and in the list,
// and asks both about every name after each.
void CompareIndexWithLines(ProfileDocument doc, std::string_view content) {
  std::vector<std::string> names = NaiveSections(content);
  if (names.size() > 64) names.resize(64);
  std::vector<std::string> probes = names;
  probes.push_back("Fuzz Section 7f3a");
  for (const std::string& n : names) FUZZ_CHECK(doc.HasSection(n));
  while (!names.empty()) {
    const std::string gone = names.back();
    doc.EraseSection(gone);
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (text::FoldEqual(names[i], gone)) {
        names.erase(names.begin() + static_cast<std::ptrdiff_t>(i));
        break;
      }
    }
    for (const std::string& p : probes) FUZZ_CHECK(doc.HasSection(p) == NaiveHas(names, p));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  ProfileDocument doc = ProfileDocument::Parse(content);
  const std::string original = doc.Serialize();
  // Whatever the bytes, with or without a byte-order mark (UTF-8, UTF-16 in
  // either order, unpaired surrogates, an odd last byte): read and written
  // back untouched, they are the same bytes.
  FUZZ_CHECK(original == content);
  FUZZ_CHECK(doc.SerializedSize() == original.size());
  if (doc.encoding() == platform::ProfileEncoding::kPlain ||
      doc.encoding() == platform::ProfileEncoding::kUtf8Bom)
    CompareIndexWithLines(doc, content);
  for (const std::string& section : doc.SectionNames())
    for (const std::string& key : doc.KeyNames(section)) (void)doc.Read(section, key);

  // A section of our own, added and erased again, leaves the rest as it was.
  constexpr std::string_view kOwn = "Fuzz Section 7f3a";
  if (!doc.HasSection(kOwn)) {
    doc.Write(kOwn, "Top", "12");
    doc.Write(kOwn, "Left", "-3");
    const std::string written = doc.Serialize();
    const ProfileDocument reread = ProfileDocument::Parse(written);
    FUZZ_CHECK(reread.Read(kOwn, "Left") == std::optional<std::string>("-3"));
    FUZZ_CHECK(reread.encoding() == doc.encoding());
    doc.EraseSection(kOwn);
    // At most a line end was added to the last line. A UTF-16 file's odd
    // last byte stays last, after it.
    std::string before = original;
    std::string after = doc.Serialize();
    const bool utf16 = doc.encoding() == platform::ProfileEncoding::kUtf16LE ||
                       doc.encoding() == platform::ProfileEncoding::kUtf16BE;
    if (utf16 && original.size() % 2 == 1) {
      FUZZ_CHECK(after.back() == before.back());
      before.pop_back();
      after.pop_back();
    }
    FUZZ_CHECK(after.starts_with(before));
  }

  // Edits of the first section go through; later sections keep their bytes.
  const auto names = doc.SectionNames();
  if (!names.empty() && ProfileDocument::IsValidName(names.front())) {
    const std::string& first = names.front();
    doc.Write(first, "chkFader", "1");
    for (const std::string& key : doc.KeyNames(first)) {
      if (key.size() % 2 == 0) doc.EraseKey(first, key);
    }
    const ProfileDocument again = ProfileDocument::Parse(doc.Serialize());
    for (std::size_t i = 1; i < names.size(); ++i) {
      if (names[i] == first) continue;
      for (const std::string& key : doc.KeyNames(names[i]))
        FUZZ_CHECK(again.Read(names[i], key) == doc.Read(names[i], key));
    }
  }
  return 0;
}
