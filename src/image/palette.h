// Palettes for pictures of 256 colours or fewer: the octree that picks the
// colours of a picture, and the search for the nearest colour of a table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kelvarion {

// One entry of a logical palette (the order of a PALETTEENTRY).
struct PaletteEntry {
  std::uint8_t red = 0, green = 0, blue = 0, flags = 0;
  bool operator==(const PaletteEntry&) const = default;
};
using Palette = std::vector<PaletteEntry>;

// How much the octree held at its largest, for the benchmarks and tests.
struct OctreeStats {
  std::size_t peakLeaves = 0;
  std::size_t peakNodes = 0;
  std::size_t peakBytes = 0;
};

// Counts the colours of a picture into at most maxColors leaves at colorBits
// (1..8) bits of each channel, reducing the deepest level as it goes; the
// leaves' average colours are the palette.
class Octree {
 public:
  Octree(std::size_t maxColors, int colorBits);

  void Add(std::uint8_t r, std::uint8_t g, std::uint8_t b);
  Palette Take();
  OctreeStats Stats() const;

 private:
  struct Node {
    bool leaf = false;
    std::uint32_t count = 0;
    std::uint32_t red = 0, green = 0, blue = 0;
    std::array<int, 8> child{-1, -1, -1, -1, -1, -1, -1, -1};
    int next = -1;  // next reducible node of the same level
  };

  int NewNode(int level);
  void Free(int index);
  void AddTo(int leaf, std::uint8_t r, std::uint8_t g, std::uint8_t b);
  bool Reduce();
  void Collect(int node, Palette& p) const;

  std::size_t maxColors_;
  int colorBits_;
  std::vector<Node> nodes_;
  std::array<int, 9> reducible_{};
  int root_ = -1;
  int free_ = -1;
  std::size_t leafCount_ = 0;
  std::size_t live_ = 0;
  int lastLeaf_ = -1;
  std::uint8_t lastR_ = 0, lastG_ = 0, lastB_ = 0;
  OctreeStats stats_;
};

// Nearest colour of a table (at most 256 entries) by squared distance, the
// first of equals. Colour space is cut into cubes of 8 levels a side; each
// cube, when first met, gets the few entries that can be nearest to any
// colour inside it (those no farther at their nearest than the best entry at
// its farthest), so a pixel is matched against a handful of entries only.
class NearestColor {
 public:
  explicit NearestColor(const Palette& table);

  std::uint8_t Map(std::uint8_t b, std::uint8_t g, std::uint8_t r);

 private:
  static constexpr int kCells = 1 << 15;
  static constexpr int kRecentBits = 12;

  std::uint8_t Search(std::uint8_t b, std::uint8_t g, std::uint8_t r);
  void Build(int cell);

  Palette table_;
  std::vector<int> start_;
  std::vector<std::uint16_t> count_;
  std::vector<std::uint8_t> pool_;
  std::array<std::uint32_t, 1 << kRecentBits> recentKeys_;
  std::array<std::uint8_t, 1 << kRecentBits> recentValues_{};
};

}  // namespace kelvarion
