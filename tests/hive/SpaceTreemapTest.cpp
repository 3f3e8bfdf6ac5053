// The treemap of a space account and the usage command: squarified rows
// keep areas proportional and fill their bounds; the SVG, parsed back,
// holds boxes nested in their parents with areas proportional to the
// account within a pixel; text and JSON give the same numbers.

#include "hive/SpaceAccount.h"
#include "tests/hive/HiveTestSupport.h"
#include "cli/HiveTool.h"
#include "cli/SpaceTreemap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <regex>
#include <sstream>

using namespace hive;
using namespace hivetest;

namespace {

struct SquarifyRow {
  std::vector<double> weights;
  TreemapRect bounds;
  double worstAspect;  // no rectangle longer than this many times its width
};

bool Inside(const TreemapRect& inner, const TreemapRect& outer) {
  constexpr double kSlack = 0.01;
  return inner.x >= outer.x - kSlack && inner.y >= outer.y - kSlack &&
         inner.x + inner.width <= outer.x + outer.width + kSlack &&
         inner.y + inner.height <= outer.y + outer.height + kSlack;
}

bool Overlap(const TreemapRect& a, const TreemapRect& b) {
  constexpr double kSlack = 0.01;
  return a.x + kSlack < b.x + b.width && b.x + kSlack < a.x + a.width &&
         a.y + kSlack < b.y + b.height && b.y + kSlack < a.y + a.height;
}

TEST(SpaceTreemap, SquarifiedRowsAreProportionalAndFillTheirBounds) {
  const SquarifyRow rows[] = {
      {{6, 6, 4, 3, 2, 2, 1}, {0, 0, 6, 4}, 3},  // the classic example
      {{1, 1, 1, 1, 1, 1}, {0, 0, 300, 200}, 1.5},
      {{1}, {10, 20, 100, 50}, 2},
      {{1000, 1}, {0, 24, 1200, 800}, 1200},
      {{5, 4, 3, 2, 1, 1, 1, 1, 1, 1, 1, 1}, {3, 7, 640, 480}, 4},
      {{7, 2}, {0, 0, 50, 400}, 8},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const SquarifyRow& row = rows[i];
    std::vector<TreemapRect> rects = SquarifyLayout(row.weights, row.bounds);
    ASSERT_EQ(rects.size(), row.weights.size()) << "row " << i;
    double total = 0;
    for (double weight : row.weights) total += weight;
    double area = row.bounds.width * row.bounds.height;
    double covered = 0;
    for (std::size_t r = 0; r < rects.size(); ++r) {
      const TreemapRect& rect = rects[r];
      double exact = area * row.weights[r] / total;
      EXPECT_NEAR(rect.width * rect.height, exact, 1e-6 * area) << "row " << i << ", rect " << r;
      EXPECT_TRUE(Inside(rect, row.bounds)) << "row " << i << ", rect " << r;
      double aspect = std::max(rect.width / rect.height, rect.height / rect.width);
      EXPECT_LE(aspect, row.worstAspect) << "row " << i << ", rect " << r;
      for (std::size_t o = 0; o < r; ++o)
        EXPECT_FALSE(Overlap(rect, rects[o])) << "row " << i << ", rects " << o << " and " << r;
      covered += rect.width * rect.height;
    }
    EXPECT_NEAR(covered, area, 1e-6 * area) << "row " << i;
  }
}

struct SvgBox {
  std::string id;
  std::string parent;
  std::uint64_t bytes;
  TreemapRect rect;
};

std::vector<SvgBox> ParseBoxes(const std::string& svg, SvgBox& map) {
  std::vector<SvgBox> boxes;
  std::regex rect(R"re(<rect id="([a-z0-9]+)"( data-parent="([a-z0-9]+)")? data-bytes="(\d+)" )re"
                  R"re(x="([0-9.]+)" y="([0-9.]+)" width="([0-9.]+)" height="([0-9.]+)")re");
  std::regex mapRect(R"re(<rect id="map" x="([0-9.]+)" y="([0-9.]+)" width="([0-9.]+)" )re"
                     R"re(height="([0-9.]+)" data-bytes="(\d+)")re");
  std::smatch found;
  if (std::regex_search(svg, found, mapRect))
    map = SvgBox{
        "map",
        "",
        std::stoull(found[5]),
        {std::stod(found[1]), std::stod(found[2]), std::stod(found[3]), std::stod(found[4])}};
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), rect); it != std::sregex_iterator();
       ++it) {
    const std::smatch& m = *it;
    boxes.push_back(SvgBox{m[1],
                           m[3],
                           std::stoull(m[4]),
                           {std::stod(m[5]), std::stod(m[6]), std::stod(m[7]), std::stod(m[8])}});
  }
  return boxes;
}

struct PictureRow {
  const char* what;
  BuildKey tree;
  std::uint32_t freeGap;
  std::size_t depth;
  std::vector<const char*> labels;  // texts the picture must show
};

TEST(SpaceTreemap, PictureParsedBackIsProportionalAndNested) {
  BuildKey wide{U16("Wide"), {}, {}, {}};
  for (int i = 0; i < 40; ++i)
    wide.subkeys.push_back(
        BuildKey{Numbered("Sub", i), {BuildValue{U16("v"), 3, Pattern(900, i)}}, {}, {}});
  BuildKey blob{U16("Blob"), {BuildValue{U16("big"), 3, Pattern(120000, 7)}}, {}, {}};
  BuildKey odd{u"A&B <\u0001\"x\">", {BuildValue{U16("v"), 3, Pattern(60000, 3)}}, {}, {}};
  const PictureRow rows[] = {
      {"awkward tree", AwkwardTree(2000), 0, 4, {"Many"}},
      {"fragmented", BuildKey{U16("ROOT"), {}, {wide, blob}, {}}, 64, 4, {"Blob", "free"}},
      {"flat picture", BuildKey{U16("ROOT"), {}, {wide, blob}, {}}, 0, 0, {"ROOT"}},
      {"names XML must escape", BuildKey{U16("ROOT"), {}, {odd}, {}}, 0, 4, {"A&amp;B &lt;"}},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const PictureRow& row = rows[i];
    SpaceAccount account =
        AccountHiveBytes(BuildHive(row.tree, nullptr, row.freeGap), {}, row.depth).account;
    std::string svg = SpaceTreemapSvg(account, "caption", row.depth);
    SvgBox map;
    std::vector<SvgBox> boxes = ParseBoxes(svg, map);
    ASSERT_EQ(map.bytes, account.binsSize) << "row " << i << ": " << row.what;
    ASSERT_FALSE(boxes.empty()) << "row " << i;
    double pixelsPerByte = map.rect.width * map.rect.height / static_cast<double>(map.bytes);
    std::map<std::string, const SvgBox*> byId;
    std::uint64_t topBytes = 0;
    for (const SvgBox& box : boxes) {
      byId[box.id] = &box;
      const TreemapRect& r = box.rect;
      // Within one pixel: the area is off by less than a one-pixel strip along its sides.
      EXPECT_NEAR(r.width * r.height, static_cast<double>(box.bytes) * pixelsPerByte,
                  r.width + r.height)
          << "row " << i << ": " << box.id;
      if (box.parent.empty()) {
        topBytes += box.bytes;
        EXPECT_TRUE(Inside(r, map.rect)) << "row " << i << ": " << box.id;
      } else {
        ASSERT_TRUE(byId.count(box.parent)) << "row " << i << ": " << box.id << " before parent";
        EXPECT_TRUE(Inside(r, byId[box.parent]->rect)) << "row " << i << ": " << box.id;
        EXPECT_LE(box.bytes, byId[box.parent]->bytes) << "row " << i << ": " << box.id;
      }
    }
    EXPECT_EQ(topBytes, account.Total()) << "row " << i << ": " << row.what;
    if (row.depth == 0) {
      EXPECT_EQ(std::count_if(boxes.begin(), boxes.end(),
                              [](const SvgBox& b) { return !b.parent.empty(); }),
                0)
          << "row " << i;
    }
    for (const char* label : row.labels)
      EXPECT_NE(svg.find(std::string(">") + label), std::string::npos)
          << "row " << i << ": " << row.what << " lacks " << label;
    EXPECT_EQ(svg.find('\x01'), std::string::npos) << "row " << i;
  }
}

// The numbers of each table line with single spaces between them, the
// indented key path after them kept as it is.
std::string Squeezed(const std::string& text) {
  std::string out;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string field;
    std::string numbers;
    std::size_t count = 0;
    std::size_t pathAt = 0;
    while (count < 5 && fields >> field) {
      numbers += field + " ";
      ++count;
      pathAt = static_cast<std::size_t>(fields.tellg());
    }
    if (count == 5 && pathAt + 2 <= line.size()) out += numbers + line.substr(pathAt + 2) + "\n";
  }
  return out;
}

TEST(SpaceTreemap, TextAndJsonGiveTheSameNumbers) {
  CScratchFolder scratch;
  std::filesystem::path file = scratch.Path() / "tree.hiv";
  WriteAll(file, BuildHive(AwkwardTree(3000)));
  std::ostringstream textOut, jsonOut, err;
  ASSERT_EQ(RunHiveTool({"usage", file, "--top", "8"}, textOut, err), 0) << err.str();
  ASSERT_EQ(RunHiveTool({"usage", file, "--top", "8", "--json"}, jsonOut, err), 0) << err.str();
  const std::string text = textOut.str();
  const std::string json = jsonOut.str();
  std::regex subtree(R"re(\{"path":"([^"]*)","depth":(\d+),"bytes":(\d+),"share":"([^"]+)",)re"
                     R"re("keys":(\d+),"values":(\d+),"largestValue":(\d+)\})re");
  std::size_t rows = 0;
  for (auto it = std::sregex_iterator(json.begin(), json.end(), subtree);
       it != std::sregex_iterator(); ++it, ++rows) {
    const std::smatch& m = *it;
    std::string path = std::regex_replace(m[1].str(), std::regex(R"re(\\\\)re"), "\\");
    std::string expected = m[3].str() + " " + m[4].str() + " " + m[5].str() + " " + m[6].str() +
                           " " + m[7].str() + " " + std::string(2 * std::stoul(m[2]), ' ') + path;
    EXPECT_NE(Squeezed(text).find(expected + "\n"), std::string::npos)
        << "subtree " << rows << ": " << expected << "\n"
        << text;
  }
  EXPECT_EQ(rows, 4u) << json;  // ROOT, Many, Sizes, Wide: the groups below Many hold a 30th each
  for (const char* part : {"security", "free", "unreachable", "overhead", "total"}) {
    std::smatch m;
    ASSERT_TRUE(std::regex_search(
        json, m,
        std::regex(std::string("\"") + part + R"re(":\{"bytes":(\d+),"share":"([^"]+)")re")))
        << part;
    std::string label(part);
    label[0] = static_cast<char>(std::toupper(label[0]));
    EXPECT_TRUE(std::regex_search(
        text, std::regex(label + "\\s+" + m[1].str() + "\\s+" + m[2].str() + "\\s")))
        << part << " " << m[1] << "\n"
        << text;
  }
}

}  // namespace
