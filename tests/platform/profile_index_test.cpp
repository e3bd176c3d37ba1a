// The section index against a plain list of blocks searched line by line:
// after any sequence of builds, additions and removals, a name finds the
// first block that bears it, matched as section names are matched.
#include "platform/profile_index.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace platform {
namespace {

struct Block {
  std::string name;
  bool section = true;
};

// What the index must answer: the first section of that name, found by
// walking every block.
std::size_t Naive(const std::vector<Block>& blocks, std::string_view name) {
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    if (blocks[i].section &&
        profile_text::FoldEqual(profile_text::Trim(blocks[i].name), profile_text::Trim(name)))
      return i;
  }
  return SectionIndex::kNone;
}

TEST(SectionIndex, FindsWhatAWalkOverTheBlocksFinds) {
  // Spellings of the same names (case, umlauts, blanks) and many others, so
  // that the table grows, probe runs wrap and removals shift them back.
  const std::vector<std::string> spellings = {"Analog Outputs",
                                              "ANALOG outputs",
                                              " Analog Outputs ",
                                              "Morva Äpfel",
                                              "morva äpfel",
                                              "Morva Apfel",
                                              "",
                                              "[",
                                              "x"};
  std::mt19937 rng(7);
  for (int round = 0; round < 20; ++round) {
    std::vector<Block> blocks;
    const int initial = 1 + static_cast<int>(rng() % 200);
    for (int i = 0; i < initial; ++i) {
      const bool named = rng() % 4 == 0;
      blocks.push_back(
          {named ? spellings[rng() % spellings.size()] : "Preset " + std::to_string(rng() % 150),
           rng() % 10 != 0});
    }
    // As the document reads a header: the name without its blanks.
    auto name_of = [&](std::size_t i) { return profile_text::Trim(blocks[i].name); };
    SectionIndex index;
    index.Build(
        blocks.size(), [&](std::size_t i) { return blocks[i].section; }, name_of);
    for (int step = 0; step < 300; ++step) {
      const std::string probe = rng() % 3 == 0 ? spellings[rng() % spellings.size()]
                                               : "Preset " + std::to_string(rng() % 300);
      const std::size_t found = index.Find(probe, name_of);
      ASSERT_EQ(found, Naive(blocks, probe))
          << "round " << round << " step " << step << " " << probe;
      if (found != SectionIndex::kNone && rng() % 2 == 0) {
        // Erasing a section: the next of its name comes forward.
        index.Remove(found, blocks[found].name);
        blocks[found].section = false;
      } else if (found == SectionIndex::kNone) {
        blocks.push_back({probe, true});
        index.Add(probe, blocks.size() - 1);
      }
    }
    std::size_t distinct = 0;
    for (std::size_t i = 0; i < blocks.size(); ++i)
      distinct += blocks[i].section && Naive(blocks, blocks[i].name) == i;
    EXPECT_EQ(index.size(), distinct);
  }
}

}  // namespace
}  // namespace platform
