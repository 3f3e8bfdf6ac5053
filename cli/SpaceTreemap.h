#pragma once
// A picture of a space account: a squarified treemap, each rectangle's area
// proportional to its bytes, subtrees nested inside their parent, free space,
// security records and overhead as areas of their own. Written as a
// self-contained SVG that any browser shows.

#include "hive/SpaceAccount.h"

#include <cstdint>
#include <string>
#include <vector>

struct TreemapRect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
};

// Lays out `weights` (largest first, all positive) in `bounds`, each
// rectangle's area its share of the total, rows chosen so the rectangles
// stay as square as they can. Rectangles come back in the order of `weights`.
std::vector<TreemapRect> SquarifyLayout(const std::vector<double>& weights, TreemapRect bounds);

enum class TreemapKind { Subtree, Security, Free, Unreachable, Overhead };

struct TreemapBox {
  TreemapRect rect;
  TreemapKind kind = TreemapKind::Subtree;
  int parent = -1;  // index of the enclosing box, -1 at the top
  std::uint32_t depth = 0;
  std::uint64_t bytes = 0;
  std::string name;   // what the label says
  std::string title;  // the tooltip: full path and bytes
};

// The boxes of `account` laid out in `bounds`, keys down to `depth` levels;
// a key whose box would be smaller than a few pixels stays in its parent's.
std::vector<TreemapBox> LayoutSpaceTreemap(const hive::SpaceAccount& account, TreemapRect bounds,
                                           std::size_t depth);

constexpr double kTreemapWidth = 1200;
constexpr double kTreemapHeight = 800;
constexpr double kTreemapHeading = 24;  // the caption's strip above the map

// The whole picture, captioned with `caption`.
std::string SpaceTreemapSvg(const hive::SpaceAccount& account, const std::string& caption,
                            std::size_t depth);

// "1.2 MB", "340 KB", "512 bytes": a short size for labels.
std::string ShortSize(std::uint64_t bytes);
