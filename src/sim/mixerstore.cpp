#include "sim/mixerstore.h"

#include <fstream>
#include <iterator>

#include "sim/durablefile.h"
#include "sim/wire.h"

namespace sim {
namespace {

constexpr std::uint8_t kMagic[4] = {'M', 'V', 'M', 'X'};
constexpr std::uint32_t kVersion = 1;
constexpr std::uint32_t kWordsPerPair = 6;
constexpr std::size_t kHeaderBytes = 20;
constexpr std::size_t kFileBytes =
    kHeaderBytes + 4 * Knobs::kMaxCards * kPairsPerCard * kWordsPerPair + 4;

// The records a pair keeps across restarts; metering is not kept.
template <typename Pair>
auto WordsOf(Pair& p) {
  return std::array{&p.ingain, &p.inpair, &p.mongain, &p.gate, &p.volume, &p.mute};
}

// FNV-1a: a file changed by anything but this store reads as not stored.
std::uint32_t Checksum(const std::uint8_t* p, std::size_t n) {
  std::uint32_t h = 2166136261u;
  for (std::size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 16777619u;
  return h;
}

}  // namespace

std::vector<std::uint8_t> EncodeMixerState(const CardStates& cards) {
  std::vector<std::uint8_t> bytes(kFileBytes);
  std::uint8_t* p = bytes.data();
  std::copy(std::begin(kMagic), std::end(kMagic), p);
  for (std::uint32_t v : {kVersion, static_cast<std::uint32_t>(Knobs::kMaxCards),
                          static_cast<std::uint32_t>(kPairsPerCard), kWordsPerPair}) {
    p += 4;
    wire::WriteLe32(p, v);
  }
  p += 4;
  for (const CardState& card : cards) {
    for (const PairState& pair : card.pairs) {
      for (const std::uint32_t* word : WordsOf(pair)) {
        wire::WriteLe32(p, *word);
        p += 4;
      }
    }
  }
  wire::WriteLe32(p, Checksum(bytes.data(), kFileBytes - 4));
  return bytes;
}

bool DecodeMixerState(const std::vector<std::uint8_t>& bytes, CardStates& cards) {
  if (bytes.size() != kFileBytes || !std::equal(std::begin(kMagic), std::end(kMagic), bytes.data()))
    return false;
  const std::uint8_t* p = bytes.data();
  if (wire::ReadLe32(p + 4) != kVersion || wire::ReadLe32(p + 8) != Knobs::kMaxCards ||
      wire::ReadLe32(p + 12) != kPairsPerCard || wire::ReadLe32(p + 16) != kWordsPerPair ||
      wire::ReadLe32(p + kFileBytes - 4) != Checksum(p, kFileBytes - 4)) {
    return false;
  }
  p += kHeaderBytes;
  for (CardState& card : cards) {
    for (PairState& pair : card.pairs) {
      for (std::uint32_t* word : WordsOf(pair)) {
        *word = wire::ReadLe32(p);
        p += 4;
      }
    }
  }
  return true;
}

MixerStore::MixerStore(std::filesystem::path dir, std::chrono::milliseconds delay)
    : file_(std::move(dir) / kFileName), writer_(delay, [this] { Flush(); }) {}

MixerStore::~MixerStore() {
  Flush();
}

bool MixerStore::Read(const std::filesystem::path& dir, CardStates& cards) {
  // Only a regular file: a pipe in its place would block the start.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(dir / kFileName, ec)) return false;
  std::ifstream in(dir / kFileName, std::ios::binary);
  if (!in) return false;
  // One byte more than a stored file has, so a longer one is told apart.
  std::vector<std::uint8_t> bytes(kFileBytes + 1);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return DecodeMixerState(bytes, cards);
}

void MixerStore::Note(const CardStates& cards) {
  {
    std::lock_guard lock(mu_);
    noted_ = cards;
  }
  writer_.Poke();
}

bool MixerStore::Flush() {
  std::unique_lock lock(mu_);
  cv_.wait(lock, [this] { return !writing_; });
  return !noted_ || WriteNoted(lock);
}

int MixerStore::writes() const {
  std::lock_guard lock(mu_);
  return writes_;
}

// Called with the lock held; writes without it, so that noting goes on.
bool MixerStore::WriteNoted(std::unique_lock<std::mutex>& lock) {
  const CardStates state = *noted_;
  noted_.reset();
  writing_ = true;
  lock.unlock();
  const bool ok = ReplaceFileDurably(file_, EncodeMixerState(state));
  lock.lock();
  writing_ = false;
  if (ok)
    ++writes_;
  else if (!noted_)
    noted_ = state;
  cv_.notify_all();
  return ok;
}

}  // namespace sim
