// The public font functions: each works on the realised font for its
// logical font, realised once per thread and kept in a small
// least-recently-used cache of that thread.  A thread's fonts, faces and
// glyph masks are its own, so text from several threads runs in parallel
// without a lock; ClearFontCache reaches every thread's cache through a
// generation count that each cache checks when it is next used.
#include <atomic>
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

std::atomic<uint64_t> generation{0};

class FontCache {
 public:
  // The thread's FreeType library is made first, so that it is freed only
  // after the faces of this cache when the thread ends.
  FontCache() { FreeType(); }

  RealisedFont& Get(const LogFont& font) {
    const uint64_t now = generation.load(std::memory_order_acquire);
    if (now != generation_) {
      Clear();
      generation_ = now;
    }
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
  uint64_t generation_ = 0;
};

FontCache& Cache() {
  thread_local FontCache cache;
  return cache;
}

}  // namespace

FontMetrics GetFontMetrics(const LogFont& font) { return Cache().Get(font).Metrics(); }

TextExtent MeasureText(const LogFont& font, std::string_view utf8) {
  const std::u32string text = DecodeUtf8(utf8);
  RealisedFont& realised = Cache().Get(font);
  return {realised.Width(text), realised.Metrics().cell_height};
}

int64_t RenderText(const LogFont& font, std::string_view utf8, const Rect& clip,
                   const std::function<void(const GlyphPiece&)>& visit) {
  const std::u32string text = DecodeUtf8(utf8);
  return Cache().Get(font).Render(text, clip, visit);
}

Realisation DescribeRealisation(const LogFont& font) { return Cache().Get(font).Describe(); }

void ClearFontCache() {
  {
    std::lock_guard lock(ConfigLock());
    FcInitBringUptoDate();
  }
  generation.fetch_add(1, std::memory_order_acq_rel);
  Cache().Clear();
}

}  // namespace fonts
