#include "platform/fonts/vertical.h"

#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

#include <algorithm>
#include <iterator>
#include <vector>

namespace fonts {

namespace {

struct Range {
  char32_t first, last;
};

// Blocks whose characters are upright in vertical text, in order.
constexpr Range kUpright[] = {
    {0x00A7, 0x00A7},   {0x00A9, 0x00A9},   {0x00AE, 0x00AE},   {0x00B1, 0x00B1},   {0x00BC, 0x00BE},
    {0x00D7, 0x00D7},   {0x00F7, 0x00F7},   {0x1100, 0x11FF},   {0x2160, 0x2188},   {0x2460, 0x24FF},
    {0x25A0, 0x27BF},   {0x2E80, 0x2FFF},   {0x3000, 0x4DBF},   {0x4DC0, 0x9FFF},   {0xA000, 0xA4CF},
    {0xA960, 0xA97F},   {0xAC00, 0xD7FF},   {0xE000, 0xFAFF},   {0xFE10, 0xFE1F},   {0xFE30, 0xFE6F},
    {0xFF00, 0xFF60},   {0xFFE0, 0xFFE7},   {0x1F000, 0x1F2FF}, {0x1F300, 0x1F64F}, {0x1F680, 0x1F6FF},
    {0x1F900, 0x1F9FF}, {0x20000, 0x3FFFD},
};

// Big-endian reads that give 0 past the end of the table.
class Table {
 public:
  explicit Table(std::vector<uint8_t> bytes) : t_(std::move(bytes)) {}
  uint32_t U16(size_t at) const { return at + 2 <= t_.size() ? (uint32_t{t_[at]} << 8) | t_[at + 1] : 0; }
  uint32_t U32(size_t at) const { return (U16(at) << 16) | U16(at + 2); }
  size_t size() const { return t_.size(); }

 private:
  std::vector<uint8_t> t_;
};

std::vector<uint8_t> LoadGsub(FT_Face face) {
  FT_ULong length = 0;
  if (!FT_IS_SFNT(face) || FT_Load_Sfnt_Table(face, TTAG_GSUB, 0, nullptr, &length) != 0 || length < 10)
    return {};
  std::vector<uint8_t> gsub(length);
  if (FT_Load_Sfnt_Table(face, TTAG_GSUB, 0, gsub.data(), &length) != 0) return {};
  return gsub;
}

// The lookup indices of the first feature with `tag`.
std::vector<uint32_t> FeatureLookups(const Table& gsub, uint32_t tag) {
  const size_t list = gsub.U16(6);
  const uint32_t count = gsub.U16(list);
  for (uint32_t i = 0; i < count; ++i) {
    const size_t record = list + 2 + size_t{i} * 6;
    if (record + 6 > gsub.size()) break;
    if (gsub.U32(record) != tag) continue;
    const size_t feature = list + gsub.U16(record + 4);
    std::vector<uint32_t> lookups;
    const uint32_t n = gsub.U16(feature + 2);
    for (uint32_t k = 0; k < n && feature + 4 + 2 * size_t{k} < gsub.size(); ++k)
      lookups.push_back(gsub.U16(feature + 4 + 2 * size_t{k}));
    return lookups;
  }
  return {};
}

// Subtables and coverage entries read for one face at most: a damaged or
// hostile table (many lookups sharing subtables with one huge coverage)
// costs no more than this.
constexpr size_t kCoverageBudget = size_t{1} << 20;

// The glyphs of a coverage table, in coverage order, each taken from
// `budget`.
std::vector<uint32_t> Coverage(const Table& gsub, size_t at, size_t& budget) {
  std::vector<uint32_t> glyphs;
  const uint32_t format = gsub.U16(at), count = gsub.U16(at + 2);
  for (uint32_t i = 0; i < count && glyphs.size() < budget; ++i) {
    if (format == 1) {
      if (at + 4 + 2 * size_t{i} >= gsub.size()) break;
      glyphs.push_back(gsub.U16(at + 4 + 2 * size_t{i}));
    } else if (format == 2) {
      const size_t range = at + 4 + 6 * size_t{i};
      if (range + 6 > gsub.size()) break;
      const uint32_t first = gsub.U16(range), last = gsub.U16(range + 2);
      for (uint32_t g = first; g <= last && glyphs.size() < budget; ++g) glyphs.push_back(g);
    }
  }
  budget -= glyphs.size();
  return glyphs;
}

// A single-substitution subtable's pairs, added where no earlier one set a
// substitute.
void AddSingle(const Table& gsub, size_t at, size_t& budget, std::unordered_map<uint32_t, uint32_t>& out) {
  const uint32_t format = gsub.U16(at);
  const std::vector<uint32_t> glyphs = Coverage(gsub, at + gsub.U16(at + 2), budget);
  if (format == 1) {
    const uint32_t delta = gsub.U16(at + 4);
    for (uint32_t g : glyphs) out.emplace(g, (g + delta) & 0xFFFF);
  } else if (format == 2) {
    const uint32_t count = std::min<uint32_t>(gsub.U16(at + 4), static_cast<uint32_t>(glyphs.size()));
    for (uint32_t i = 0; i < count; ++i) out.emplace(glyphs[i], gsub.U16(at + 6 + 2 * size_t{i}));
  }
}

void AddLookup(const Table& gsub, uint32_t index, size_t& budget,
               std::unordered_map<uint32_t, uint32_t>& out) {
  const size_t list = gsub.U16(8);
  if (index >= gsub.U16(list)) return;
  const size_t lookup = list + gsub.U16(list + 2 + 2 * size_t{index});
  const uint32_t type = gsub.U16(lookup), count = gsub.U16(lookup + 4);
  for (uint32_t s = 0; s < count && budget > 0; ++s) {
    --budget;
    size_t sub = lookup + gsub.U16(lookup + 6 + 2 * size_t{s});
    if (sub >= gsub.size()) break;
    uint32_t sub_type = type;
    if (type == 7) {  // an extension: the real subtable lies further on
      sub_type = gsub.U16(sub + 2);
      sub += gsub.U32(sub + 4);
    }
    if (sub_type == 1 && sub < gsub.size()) AddSingle(gsub, sub, budget, out);
  }
}

}  // namespace

bool UprightInVerticalText(char32_t cp) {
  const auto it = std::upper_bound(std::begin(kUpright), std::end(kUpright), cp,
                                   [](char32_t c, const Range& r) { return c < r.first; });
  return it != std::begin(kUpright) && cp <= std::prev(it)->last;
}

std::unordered_map<uint32_t, uint32_t> ReadVerticalForms(FT_Face face) {
  return VerticalFormsOf(LoadGsub(face));
}

std::unordered_map<uint32_t, uint32_t> VerticalFormsOf(std::vector<uint8_t> gsub_table) {
  std::unordered_map<uint32_t, uint32_t> forms;
  const Table gsub(std::move(gsub_table));
  if (gsub.size() < 10) return forms;
  std::vector<uint32_t> lookups = FeatureLookups(gsub, FT_MAKE_TAG('v', 'e', 'r', 't'));
  if (lookups.empty()) lookups = FeatureLookups(gsub, FT_MAKE_TAG('v', 'r', 't', '2'));
  size_t budget = kCoverageBudget;
  for (uint32_t index : lookups) AddLookup(gsub, index, budget, forms);
  return forms;
}

}  // namespace fonts
