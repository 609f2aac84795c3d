#include "image/palette.h"

#include <algorithm>
#include <cstdlib>

namespace kelvarion {

// --- the octree -------------------------------------------------------------

Octree::Octree(std::size_t maxColors, int colorBits) : maxColors_(maxColors), colorBits_(colorBits) {
  reducible_.fill(-1);
}

void Octree::Add(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  // Runs of one colour (flat areas of a screen) land on the same leaf, as
  // long as no reduction has merged it away.
  if (lastLeaf_ >= 0 && r == lastR_ && g == lastG_ && b == lastB_) {
    AddTo(lastLeaf_, r, g, b);
    return;
  }
  int parent = -1, childIndex = 0, node = root_;
  for (int level = 0;; ++level) {
    if (node < 0) {
      node = NewNode(level);
      if (parent < 0) root_ = node;
      else nodes_[parent].child[childIndex] = node;
    }
    if (nodes_[node].leaf) break;
    const int shift = 7 - level;
    childIndex = (((r >> shift) & 1) << 2) | (((g >> shift) & 1) << 1) | ((b >> shift) & 1);
    parent = node;
    node = nodes_[node].child[childIndex];
  }
  AddTo(node, r, g, b);
  lastLeaf_ = node, lastR_ = r, lastG_ = g, lastB_ = b;
  stats_.peakLeaves = std::max(stats_.peakLeaves, leafCount_);
  while (leafCount_ > maxColors_) {
    if (!Reduce()) break;
    lastLeaf_ = -1;
  }
}

Palette Octree::Take() {
  Palette p;
  if (root_ >= 0) Collect(root_, p);
  return p;
}

OctreeStats Octree::Stats() const {
  OctreeStats s = stats_;
  s.peakBytes = s.peakNodes * sizeof(Node);
  return s;
}

int Octree::NewNode(int level) {
  int index;
  if (free_ >= 0) {
    index = free_;
    free_ = nodes_[index].next;
    nodes_[index] = Node{};
  } else {
    index = static_cast<int>(nodes_.size());
    nodes_.emplace_back();
  }
  ++live_;
  stats_.peakNodes = std::max(stats_.peakNodes, live_);
  if (level == colorBits_) {
    nodes_[index].leaf = true;
    ++leafCount_;
  } else {
    nodes_[index].next = reducible_[level];
    reducible_[level] = index;
  }
  return index;
}

void Octree::Free(int index) {
  nodes_[index].next = free_;
  free_ = index;
  --live_;
}

void Octree::AddTo(int leaf, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  Node& n = nodes_[leaf];
  ++n.count;
  n.red += r, n.green += g, n.blue += b;
}

bool Octree::Reduce() {
  int level = colorBits_ - 1;
  while (level > 0 && reducible_[level] < 0) --level;
  int node = reducible_[level];
  if (node < 0) return false;
  reducible_[level] = nodes_[node].next;
  std::size_t merged = 0;
  Node& n = nodes_[node];
  for (int& c : n.child) {
    if (c < 0) continue;
    n.count += nodes_[c].count;
    n.red += nodes_[c].red, n.green += nodes_[c].green, n.blue += nodes_[c].blue;
    Free(c);
    c = -1;
    ++merged;
  }
  n.leaf = true;
  n.next = -1;
  leafCount_ = leafCount_ + 1 - merged;
  return true;
}

void Octree::Collect(int node, Palette& p) const {
  const Node& n = nodes_[node];
  if (n.leaf) {
    if (n.count) {
      p.push_back({static_cast<std::uint8_t>(n.red / n.count), static_cast<std::uint8_t>(n.green / n.count),
                   static_cast<std::uint8_t>(n.blue / n.count), 0});
    }
    return;
  }
  for (int c : n.child)
    if (c >= 0) Collect(c, p);
}

// --- the nearest colour -----------------------------------------------------

NearestColor::NearestColor(const Palette& table) : table_(table), start_(kCells, -1), count_(kCells, 0) {
  recentKeys_.fill(0xFFFFFFFFu);
}

std::uint8_t NearestColor::Map(std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  // The few colours of text and window frames come back again and again.
  const std::uint32_t key = (static_cast<std::uint32_t>(r) << 16) | (g << 8) | b;
  const std::uint32_t slot = (key * 2654435761u) >> (32 - kRecentBits);
  if (recentKeys_[slot] == key) return recentValues_[slot];
  const std::uint8_t index = Search(b, g, r);
  recentKeys_[slot] = key;
  recentValues_[slot] = index;
  return index;
}

std::uint8_t NearestColor::Search(std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  const int cell = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
  if (start_[cell] < 0) Build(cell);
  const std::uint8_t* candidate = &pool_[start_[cell]];
  int best = candidate[0], bestDistance = 1 << 30;
  for (int i = 0; i < count_[cell]; ++i) {
    const PaletteEntry& e = table_[candidate[i]];
    const int dr = e.red - r, dg = e.green - g, db = e.blue - b;
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) bestDistance = d, best = candidate[i];
  }
  return static_cast<std::uint8_t>(best);
}

void NearestColor::Build(int cell) {
  const int lo[3] = {(cell >> 10) << 3, ((cell >> 5) & 31) << 3, (cell & 31) << 3};
  std::vector<int> nearest(table_.size());
  int bound = 1 << 30;
  for (std::size_t i = 0; i < table_.size(); ++i) {
    const int v[3] = {table_[i].red, table_[i].green, table_[i].blue};
    int minD = 0, maxD = 0;
    for (int c = 0; c < 3; ++c) {
      const int below = lo[c] - v[c], above = v[c] - (lo[c] + 7);
      const int inside = below > 0 ? below : (above > 0 ? above : 0);
      const int far = std::max(std::abs(v[c] - lo[c]), std::abs(v[c] - (lo[c] + 7)));
      minD += inside * inside;
      maxD += far * far;
    }
    nearest[i] = minD;
    bound = std::min(bound, maxD);
  }
  start_[cell] = static_cast<int>(pool_.size());
  for (std::size_t i = 0; i < table_.size(); ++i) {
    if (nearest[i] <= bound) pool_.push_back(static_cast<std::uint8_t>(i));
  }
  count_[cell] = static_cast<std::uint16_t>(pool_.size() - start_[cell]);
}

}  // namespace kelvarion
