// Any bytes as the settings file: parsing, reading every key, writing,
// erasing and listing never crash or hang, and a section that an edit does
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
  for (const std::string& section : doc.SectionNames())
    for (const std::string& key : doc.KeyNames(section)) (void)doc.Read(section, key);

  // A section of our own, added and erased again, leaves the rest as it was.
  constexpr std::string_view kOwn = "Fuzz Section 7f3a";
  if (!doc.HasSection(kOwn)) {
    doc.Write(kOwn, "Top", "12");
    doc.Write(kOwn, "Left", "-3");
    const std::string written = doc.Serialize();
    FUZZ_CHECK(ProfileDocument::Parse(written).Read(kOwn, "Left") == std::optional<std::string>("-3"));
    doc.EraseSection(kOwn);
    FUZZ_CHECK(doc.Serialize() == original || doc.Serialize().starts_with(original));
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
