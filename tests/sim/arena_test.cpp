#include "sim/arena.h"

#include <gtest/gtest.h>

#include <array>

namespace sim {
namespace {

TEST(Arena16, SelectorsAreLowestFreeFirstAndBlocksStartAtOffsetZero) {
  Arena16 arena;
  const std::uint32_t a = arena.Alloc(4);
  const std::uint32_t b = arena.Alloc(640);
  const std::uint32_t c = arena.Alloc(8);
  EXPECT_EQ(a, 0x0E070000u);
  EXPECT_EQ(b, 0x0E0F0000u);
  EXPECT_EQ(c, 0x0E170000u);
  ASSERT_TRUE(arena.Free(b));
  EXPECT_EQ(arena.Alloc(20), 0x0E0F0000u);  // the freed selector comes back first
  EXPECT_EQ(arena.Alloc(20), 0x0E1F0000u);
}

TEST(Arena16, NewBlocksAreZeroAndPointersResolveOnlyInsideOneBlock) {
  Arena16 arena;
  const std::uint32_t vp = arena.Alloc(80);
  std::uint8_t* flat = arena.Flat(vp, 80);
  ASSERT_NE(flat, nullptr);
  for (int i = 0; i < 80; ++i) EXPECT_EQ(flat[i], 0) << i;
  EXPECT_EQ(arena.Flat(vp + 8, 4), flat + 8);
  EXPECT_EQ(arena.Flat(vp + 76, 4), flat + 76);
  EXPECT_EQ(arena.Flat(vp + 77, 4), nullptr);       // runs past the block's end
  EXPECT_EQ(arena.Flat(vp + 0x10000, 4), nullptr);  // another selector
  EXPECT_EQ(arena.Flat(0, 4), nullptr);
}

TEST(Arena16, FreeAcceptsOnlyLiveBlockStarts) {
  Arena16 arena;
  const std::uint32_t vp = arena.Alloc(16);
  EXPECT_FALSE(arena.Free(vp + 4));
  EXPECT_TRUE(arena.Free(vp));
  EXPECT_FALSE(arena.Free(vp));
  EXPECT_EQ(arena.Flat(vp, 1), nullptr);
  std::array<std::uint8_t, 4> bytes{};
  EXPECT_FALSE(arena.Read(vp, bytes));
  EXPECT_FALSE(arena.Write(vp, bytes));
  EXPECT_FALSE(arena.StoreRelease(vp, 1));
}

TEST(Arena16, RefusesImpossibleSizesAndHonoursTheLimit) {
  Arena16 arena;
  EXPECT_EQ(arena.Alloc(0), 0u);
  EXPECT_EQ(arena.Alloc(0x10001), 0u);
  EXPECT_NE(arena.Alloc(0x10000), 0u);
  arena.SetLimit(0x10000 + 100);
  EXPECT_NE(arena.Alloc(100), 0u);
  EXPECT_EQ(arena.Alloc(1), 0u);
  EXPECT_EQ(arena.BlockCount(), 2u);
  EXPECT_EQ(arena.BytesInUse(), 0x10000u + 100);
}

TEST(Arena16, CopiesAndSignalsThroughThe1616Pointer) {
  Arena16 arena;
  const std::uint32_t vp = arena.Alloc(8);
  const std::array<std::uint8_t, 4> in{1, 2, 3, 4};
  ASSERT_TRUE(arena.Write(vp + 4, in));
  std::array<std::uint8_t, 8> out{};
  ASSERT_TRUE(arena.Read(vp, out));
  EXPECT_EQ(out, (std::array<std::uint8_t, 8>{0, 0, 0, 0, 1, 2, 3, 4}));
  ASSERT_TRUE(arena.StoreRelease(vp, 0x01020304));
  EXPECT_EQ(arena.Flat(vp, 1)[0], 0x04);
  EXPECT_FALSE(arena.Write(vp + 6, in));  // would cross the end
}

}  // namespace
}  // namespace sim
