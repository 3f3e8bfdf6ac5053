#include "cli/SpaceTreemap.h"

#include "hive/Names.h"

#include <algorithm>
#include <cstdio>

using namespace hive;

namespace {

// Boxes smaller than this (square pixels) stay part of their parent's area.
constexpr double kSmallestBox = 64;
constexpr double kFontSize = 11;
// A generous average advance of the sans-serif font at that size, so that a
// label judged to fit does fit in every renderer.
constexpr double kCharWidth = 6.6;
constexpr double kLabelPadding = 3;

double Worst(double sum, double smallest, double largest, double side) {
  // The squarified measure: the worst aspect ratio of a row laid along `side`.
  double sideSquared = side * side;
  double sumSquared = sum * sum;
  return std::max(sideSquared * largest / sumSquared, sumSquared / (sideSquared * smallest));
}

void PlaceRow(const std::vector<double>& areas, std::size_t first, std::size_t last, double sum,
              TreemapRect& free, std::vector<TreemapRect>& out) {
  bool wide = free.width >= free.height;
  double side = wide ? free.height : free.width;
  double thickness = side > 0 ? sum / side : 0;
  double along = 0;
  for (std::size_t i = first; i < last; ++i) {
    double length = thickness > 0 ? areas[i] / thickness : 0;
    // The last rectangle of a row ends exactly at the edge, so rounding never leaves a seam.
    if (i + 1 == last) length = side - along;
    out[i] = wide ? TreemapRect{free.x, free.y + along, thickness, length}
                  : TreemapRect{free.x + along, free.y, length, thickness};
    along += length;
  }
  if (wide) {
    free.x += thickness;
    free.width = std::max(0.0, free.width - thickness);
  } else {
    free.y += thickness;
    free.height = std::max(0.0, free.height - thickness);
  }
}

struct Item {
  double weight;
  int node;  // the key's node, or -1 for the parent's own bytes
};

class CTreemapBuilder {
 public:
  CTreemapBuilder(const SpaceAccount& account, TreemapRect bounds, std::size_t depth)
      : m_account(account), m_children(SpaceChildren(account)), m_depth(depth) {
    double total = static_cast<double>(account.Total());
    m_pixelsPerByte = total > 0 ? bounds.width * bounds.height / total : 0;
  }

  void AddTop(const TreemapRect& rect, TreemapKind kind, std::uint64_t bytes, int node) {
    TreemapBox box;
    box.rect = rect;
    box.kind = kind;
    box.bytes = bytes;
    if (kind == TreemapKind::Subtree) {
      Describe(box, static_cast<std::uint32_t>(node));
    } else {
      static const char* const kNames[] = {"", "security", "free", "unreachable", "overhead"};
      box.name = kNames[static_cast<int>(kind)];
      box.title = box.name + ": " + std::to_string(bytes) + " bytes";
    }
    m_boxes.push_back(box);
    if (kind == TreemapKind::Subtree) Nest(static_cast<int>(m_boxes.size() - 1), node);
  }

  std::vector<TreemapBox> Take() { return std::move(m_boxes); }

 private:
  void Describe(TreemapBox& box, std::uint32_t node) const {
    const SpaceNode& key = m_account.nodes[node];
    box.depth = key.depth;
    box.name = ToUtf8(key.name);
    box.title = ToUtf8(SpaceNodePath(m_account, node)) + ": " + std::to_string(key.bytes) +
                " bytes, " + std::to_string(key.keys) + " keys, " + std::to_string(key.values) +
                " values";
  }

  void Nest(int boxIndex, int node) {
    const SpaceNode& parent = m_account.nodes[node];
    if (parent.depth >= m_depth) return;
    std::vector<Item> items;
    std::uint64_t shown = 0;
    for (std::uint32_t child : m_children[node]) {
      std::uint64_t bytes = m_account.nodes[child].bytes;
      if (static_cast<double>(bytes) * m_pixelsPerByte < kSmallestBox) continue;
      items.push_back(Item{static_cast<double>(bytes), static_cast<int>(child)});
      shown += bytes;
    }
    if (items.empty()) return;
    if (parent.bytes > shown) items.push_back(Item{static_cast<double>(parent.bytes - shown), -1});
    std::stable_sort(items.begin(), items.end(),
                     [](const Item& a, const Item& b) { return a.weight > b.weight; });
    std::vector<double> weights;
    for (const Item& item : items) weights.push_back(item.weight);
    std::vector<TreemapRect> rects = SquarifyLayout(weights, m_boxes[boxIndex].rect);
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (items[i].node < 0) continue;
      TreemapBox box;
      box.rect = rects[i];
      box.parent = boxIndex;
      box.bytes = m_account.nodes[items[i].node].bytes;
      Describe(box, static_cast<std::uint32_t>(items[i].node));
      m_boxes.push_back(box);
      Nest(static_cast<int>(m_boxes.size() - 1), items[i].node);
    }
  }

  const SpaceAccount& m_account;
  std::vector<std::vector<std::uint32_t>> m_children;
  std::size_t m_depth;
  double m_pixelsPerByte = 0;
  std::vector<TreemapBox> m_boxes;
};

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

// Text safe inside an XML attribute or element; characters XML forbids
// (control characters, U+FFFE, U+FFFF) become U+FFFD.
std::string XmlText(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == 0xEF && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xBF &&
        (static_cast<unsigned char>(text[i + 2]) & 0xFE) == 0xBE) {
      out += "\xEF\xBF\xBD";
      i += 2;
    } else if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else if (c == '"') {
      out += "&quot;";
    } else if (c < 0x20 || c == 0x7F) {
      out += "\xEF\xBF\xBD";
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::size_t Characters(const std::string& utf8) {
  return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

struct Rgb {
  int r, g, b;
};

// One hue per branch below the root, lighter with each level.
Rgb BoxColour(const std::vector<TreemapBox>& boxes, std::size_t index) {
  static const Rgb kBranches[] = {{0x4E, 0x79, 0xA7}, {0xF2, 0x8E, 0x2B}, {0x59, 0xA1, 0x4F},
                                  {0xB0, 0x7A, 0xA1}, {0xE1, 0x57, 0x59}, {0x76, 0xB7, 0xB2},
                                  {0xED, 0xC9, 0x48}, {0x9C, 0x75, 0x5F}};
  const TreemapBox& box = boxes[index];
  switch (box.kind) {
    case TreemapKind::Security: return {0xBA, 0xB0, 0xAC};
    case TreemapKind::Free: return {0xF4, 0xF4, 0xF4};
    case TreemapKind::Unreachable: return {0xFF, 0x9D, 0x9A};
    case TreemapKind::Overhead: return {0x8C, 0x8C, 0x8C};
    case TreemapKind::Subtree: break;
  }
  if (box.parent < 0) return {0x5A, 0x5A, 0x6E};
  // The branch: the ancestor one level below the root, and its place among its siblings.
  std::size_t branch = index;
  while (boxes[branch].parent >= 0 && boxes[boxes[branch].parent].parent >= 0)
    branch = static_cast<std::size_t>(boxes[branch].parent);
  std::size_t sibling = 0;
  for (std::size_t i = 0; i < branch; ++i)
    if (boxes[i].parent == boxes[branch].parent) ++sibling;
  Rgb base = kBranches[sibling % std::size(kBranches)];
  double lighten = std::min(0.75, 0.18 * (box.depth - 1));
  auto mix = [&](int channel) { return channel + static_cast<int>((255 - channel) * lighten); };
  return {mix(base.r), mix(base.g), mix(base.b)};
}

std::string Hex(Rgb colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", colour.r & 0xFF, colour.g & 0xFF,
                colour.b & 0xFF);
  return text;
}

bool Overlap(const TreemapRect& a, const TreemapRect& b) {
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

struct PlacedLabel {
  TreemapRect rect;
  std::string text;
};

// Each box's label in its top left corner, the shallowest boxes first, where
// it fits inside the box and clear of the labels already placed.
std::vector<PlacedLabel> PlaceLabels(const std::vector<TreemapBox>& boxes) {
  std::vector<std::size_t> order(boxes.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    bool topA = boxes[a].parent < 0;
    bool topB = boxes[b].parent < 0;
    return topA != topB ? topA : boxes[a].depth < boxes[b].depth;
  });
  std::vector<bool> hasChildren(boxes.size(), false);
  for (const TreemapBox& box : boxes)
    if (box.parent >= 0) hasChildren[static_cast<std::size_t>(box.parent)] = true;
  std::vector<PlacedLabel> placed;
  const double height = kFontSize + kLabelPadding;
  for (std::size_t index : order) {
    const TreemapBox& box = boxes[index];
    // The caption names the root key; its corner is better left to the first subkey.
    bool root = box.parent < 0 && box.kind == TreemapKind::Subtree && hasChildren[index];
    if (box.name.empty() || root) continue;
    bool done = false;
    // Nested boxes share their parent's corner: a child's label goes below the parent's.
    for (double y = box.rect.y + kLabelPadding / 2;
         !done && y + height + kLabelPadding / 2 <= box.rect.y + box.rect.height; y += height) {
      for (const std::string& text : {box.name + " " + ShortSize(box.bytes), box.name}) {
        TreemapRect rect{box.rect.x + kLabelPadding / 2, y,
                         static_cast<double>(Characters(text)) * kCharWidth + kLabelPadding,
                         height};
        if (rect.width + kLabelPadding > box.rect.width) continue;
        if (std::none_of(placed.begin(), placed.end(),
                         [&](const PlacedLabel& other) { return Overlap(rect, other.rect); })) {
          placed.push_back(PlacedLabel{rect, text});
          done = true;
        }
        break;
      }
    }
  }
  return placed;
}

}  // namespace

std::vector<TreemapRect> SquarifyLayout(const std::vector<double>& weights, TreemapRect bounds) {
  std::vector<TreemapRect> out(weights.size());
  double total = 0;
  for (double weight : weights) total += weight;
  if (weights.empty() || total <= 0) return out;
  std::vector<double> areas;
  double scale = bounds.width * bounds.height / total;
  for (double weight : weights) areas.push_back(weight * scale);
  TreemapRect free = bounds;
  std::size_t first = 0;
  while (first < areas.size()) {
    double side = std::min(free.width, free.height);
    double sum = areas[first];
    double smallest = areas[first];
    double largest = areas[first];
    std::size_t last = first + 1;
    while (last < areas.size()) {
      double nextSum = sum + areas[last];
      double nextSmallest = std::min(smallest, areas[last]);
      double nextLargest = std::max(largest, areas[last]);
      if (Worst(nextSum, nextSmallest, nextLargest, side) > Worst(sum, smallest, largest, side))
        break;
      sum = nextSum;
      smallest = nextSmallest;
      largest = nextLargest;
      ++last;
    }
    // The last row takes whatever room is left, so the map is filled exactly.
    if (last == areas.size()) sum = free.width * free.height;
    PlaceRow(areas, first, last, sum, free, out);
    first = last;
  }
  return out;
}

std::vector<TreemapBox> LayoutSpaceTreemap(const SpaceAccount& account, TreemapRect bounds,
                                           std::size_t depth) {
  struct Part {
    TreemapKind kind;
    std::uint64_t bytes;
  };
  std::vector<Part> parts = {{TreemapKind::Subtree, account.Subtrees()},
                             {TreemapKind::Security, account.security},
                             {TreemapKind::Free, account.free},
                             {TreemapKind::Unreachable, account.unreachable},
                             {TreemapKind::Overhead, account.Overhead()}};
  parts.erase(
      std::remove_if(parts.begin(), parts.end(), [](const Part& p) { return p.bytes == 0; }),
      parts.end());
  std::stable_sort(parts.begin(), parts.end(),
                   [](const Part& a, const Part& b) { return a.bytes > b.bytes; });
  std::vector<double> weights;
  for (const Part& part : parts) weights.push_back(static_cast<double>(part.bytes));
  std::vector<TreemapRect> rects = SquarifyLayout(weights, bounds);
  CTreemapBuilder builder(account, bounds, depth);
  for (std::size_t i = 0; i < parts.size(); ++i)
    builder.AddTop(rects[i], parts[i].kind, parts[i].bytes, 0);
  return builder.Take();
}

std::string SpaceTreemapSvg(const SpaceAccount& account, const std::string& caption,
                            std::size_t depth) {
  TreemapRect map{0, kTreemapHeading, kTreemapWidth, kTreemapHeight};
  std::vector<TreemapBox> boxes = LayoutSpaceTreemap(account, map, depth);
  std::string width = Number(kTreemapWidth);
  std::string height = Number(kTreemapHeading + kTreemapHeight);
  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + width + "\" height=\"" + height +
         "\" viewBox=\"0 0 " + width + " " + height +
         "\" font-family=\"DejaVu Sans, Verdana, sans-serif\" font-size=\"" + Number(kFontSize) +
         "\">\n";
  svg += "<title>" + XmlText(caption) + "</title>\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"#FFFFFF\"/>\n";
  svg += "<text x=\"4\" y=\"17\" font-size=\"13\">" + XmlText(caption) + "</text>\n";
  svg += "<rect id=\"map\" x=\"" + Number(map.x) + "\" y=\"" + Number(map.y) + "\" width=\"" +
         Number(map.width) + "\" height=\"" + Number(map.height) + "\" data-bytes=\"" +
         std::to_string(account.Total()) + "\" fill=\"none\"/>\n";
  // A key to the parts that are not subtrees, right-aligned in the caption's strip: they are
  // often too narrow for a label of their own.
  double right = kTreemapWidth - kLabelPadding;
  for (std::size_t i = boxes.size(); i-- > 0;) {
    const TreemapBox& box = boxes[i];
    if (box.parent >= 0 || box.kind == TreemapKind::Subtree) continue;
    std::string text = box.name + " " + ShortSize(box.bytes);
    double width = static_cast<double>(Characters(text)) * kCharWidth;
    right -= width;
    svg += "<text x=\"" + Number(right) + "\" y=\"17\">" + XmlText(text) + "</text>\n";
    right -= kFontSize + kLabelPadding;
    svg += "<rect x=\"" + Number(right) + "\" y=\"7\" width=\"" + Number(kFontSize) +
           "\" height=\"" + Number(kFontSize) + "\" fill=\"" + Hex(BoxColour(boxes, i)) +
           "\" stroke=\"#808080\" stroke-width=\"0.5\"/>\n";
    right -= 2 * kLabelPadding;
  }
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    const TreemapBox& box = boxes[i];
    svg += "<rect id=\"b" + std::to_string(i) + "\"";
    if (box.parent >= 0) svg += " data-parent=\"b" + std::to_string(box.parent) + "\"";
    svg += " data-bytes=\"" + std::to_string(box.bytes) + "\" x=\"" + Number(box.rect.x) +
           "\" y=\"" + Number(box.rect.y) + "\" width=\"" + Number(box.rect.width) +
           "\" height=\"" + Number(box.rect.height) + "\" fill=\"" + Hex(BoxColour(boxes, i)) +
           "\" stroke=\"#FFFFFF\" stroke-width=\"" + (box.parent < 0 ? "1.5" : "0.75") +
           "\"><title>" + XmlText(box.title) + "</title></rect>\n";
  }
  // Labels last, so that no box covers one; a pale plate keeps them legible on any colour.
  for (const PlacedLabel& label : PlaceLabels(boxes)) {
    svg += "<rect x=\"" + Number(label.rect.x) + "\" y=\"" + Number(label.rect.y) + "\" width=\"" +
           Number(label.rect.width) + "\" height=\"" + Number(label.rect.height) +
           "\" rx=\"2\" fill=\"#FFFFFF\" fill-opacity=\"0.75\"/>\n";
    svg += "<text x=\"" + Number(label.rect.x + kLabelPadding / 2) + "\" y=\"" +
           Number(label.rect.y + kFontSize - 1) + "\" fill=\"#1A1A1A\">" + XmlText(label.text) +
           "</text>\n";
  }
  svg += "</svg>\n";
  return svg;
}

std::string ShortSize(std::uint64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " bytes";
  const char* units[] = {"KB", "MB", "GB"};
  double value = static_cast<double>(bytes) / 1024;
  std::size_t unit = 0;
  while (value >= 1024 && unit + 1 < std::size(units)) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, value < 10 ? "%.1f %s" : "%.0f %s", value, units[unit]);
  return text;
}
