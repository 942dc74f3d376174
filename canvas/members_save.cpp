// Members not built yet: each fails through the standard failure report.
#include "canvas/main.h"

namespace zelnor {

int32_t TMyCanvas::GetJPEGCompressionQuality() { NotBuiltYet("JPEGCompressionQuality"); }
void TMyCanvas::SetJPEGCompressionQuality(int32_t) { NotBuiltYet("JPEGCompressionQuality"); }
bool TMyCanvas::GetJPEGProgressiveEncoding() { NotBuiltYet("JPEGProgressiveEncoding"); }
void TMyCanvas::SetJPEGProgressiveEncoding(bool) { NotBuiltYet("JPEGProgressiveEncoding"); }
int32_t TMyCanvas::GetGIFCompressionMode() { NotBuiltYet("GIFCompressionMode"); }
void TMyCanvas::SetGIFCompressionMode(int32_t) { NotBuiltYet("GIFCompressionMode"); }
int32_t TMyCanvas::GetPNGCompressionLevel() { NotBuiltYet("PNGCompressionLevel"); }
void TMyCanvas::SetPNGCompressionLevel(int32_t) { NotBuiltYet("PNGCompressionLevel"); }
int32_t TMyCanvas::SaveToFile(const std::string&, bool, int32_t, int32_t) { NotBuiltYet("SaveToFile"); }
int32_t TMyCanvas::SaveToStream(VARIANT*, const std::string&, bool, int32_t, int32_t) { NotBuiltYet("SaveToStream"); }
int32_t TMyCanvas::SaveToClipboard() { NotBuiltYet("SaveToClipboard"); }
int32_t TMyCanvas::SaveAniGIFToFile(const std::string&, int32_t, int32_t, bool, int32_t, int32_t) { NotBuiltYet("SaveAniGIFToFile"); }
int32_t TMyCanvas::SaveAniGIFToStream(VARIANT*, int32_t, int32_t, bool, int32_t, int32_t) { NotBuiltYet("SaveAniGIFToStream"); }

}  // namespace zelnor
