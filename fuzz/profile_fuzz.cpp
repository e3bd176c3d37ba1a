// Any bytes as the settings file: parsing, reading every key, writing,
// erasing and listing never crash or hang, the bytes read back unchanged
// (byte-order marks and UTF-16 included), and a section that an edit does
// not touch keeps its bytes.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "platform/profile_document.h"

using platform::ProfileDocument;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  ProfileDocument doc = ProfileDocument::Parse(content);
  const std::string original = doc.Serialize();
  // Whatever the bytes, with or without a byte-order mark (UTF-8, UTF-16 in
  // either order, unpaired surrogates, an odd last byte): read and written
  // back untouched, they are the same bytes.
  FUZZ_CHECK(original == content);
  FUZZ_CHECK(doc.SerializedSize() == original.size());
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
