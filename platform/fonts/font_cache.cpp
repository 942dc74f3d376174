// The public font functions: each takes the font lock and works on the
// realised font for its logical font, realised once and kept in a small
// least-recently-used cache.
#include <list>
#include <map>
#include <memory>

#include "platform/fonts/fonts.h"
#include "platform/fonts/library.h"
#include "platform/fonts/realised_font.h"
#include "platform/fonts/utf8.h"

namespace fonts {
namespace {

constexpr size_t kCachedFonts = 16;

class FontCache {
 public:
  RealisedFont& Get(const LogFont& font) {
    if (!order_.empty() && order_.front()->first == font) return *order_.front()->second;
    auto it = fonts_.find(font);
    if (it == fonts_.end()) {
      auto realised = std::make_unique<RealisedFont>(font);
      if (fonts_.size() >= kCachedFonts) Evict();
      it = fonts_.emplace(font, std::move(realised)).first;
    } else {
      order_.remove(it);
    }
    order_.push_front(it);
    return *it->second;
  }

  void Clear() {
    order_.clear();
    fonts_.clear();
  }

 private:
  using Map = std::map<LogFont, std::unique_ptr<RealisedFont>>;
  void Evict() {
    fonts_.erase(order_.back());
    order_.pop_back();
  }
  Map fonts_;
  std::list<Map::iterator> order_;  // most recently used first
};

// Kept for the life of the process: it is only touched under the font lock,
// and never destroyed while another thread might be drawing at exit.
FontCache& Cache() {
  static FontCache* cache = new FontCache;
  return *cache;
}

}  // namespace

FontMetrics GetFontMetrics(const LogFont& font) {
  std::lock_guard lock(FontLock());
  return Cache().Get(font).Metrics();
}

TextExtent MeasureText(const LogFont& font, std::string_view utf8) {
  const std::u32string text = DecodeUtf8(utf8);
  std::lock_guard lock(FontLock());
  RealisedFont& realised = Cache().Get(font);
  return {realised.Width(text), realised.Metrics().cell_height};
}

int64_t RenderText(const LogFont& font, std::string_view utf8, const Rect& clip,
                   const std::function<void(const GlyphPiece&)>& visit) {
  const std::u32string text = DecodeUtf8(utf8);
  std::lock_guard lock(FontLock());
  return Cache().Get(font).Render(text, clip, visit);
}

Realisation DescribeRealisation(const LogFont& font) {
  std::lock_guard lock(FontLock());
  return Cache().Get(font).Describe();
}

void ClearFontCache() {
  std::lock_guard lock(FontLock());
  Cache().Clear();
  FcInitBringUptoDate();
}

}  // namespace fonts
