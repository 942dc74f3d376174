#include "platform/automation/oleauto.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace automation {
namespace {

TEST(Bstr, LengthPrefixAndTerminator) {
  BSTR b = SysAllocStringLen(u"abc\0d", 5);  // embedded zero kept
  ASSERT_NE(b, nullptr);
  uint32_t prefix;
  std::memcpy(&prefix, reinterpret_cast<char*>(b) - 4, 4);
  EXPECT_EQ(prefix, 10u);
  EXPECT_EQ(SysStringLen(b), 5u);
  EXPECT_EQ(b[5], u'\0');
  SysFreeString(b);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);
  EXPECT_EQ(SysAllocStringLen(nullptr, 0x7FFFFFFF), nullptr);  // absurd sizes fail cleanly
}

TEST(Bstr, Utf8RoundTripAndMalformedInput) {
  const std::string text = "画像 é 😀";
  BSTR b = BstrFromUtf8(text);
  EXPECT_EQ(SysStringLen(b), 7u);  // the emoji is a surrogate pair
  EXPECT_EQ(Utf8FromBstr(b), text);
  SysFreeString(b);
  EXPECT_EQ(Utf8FromBstr(nullptr), "");
  // Truncated, overlong and surrogate encodings become U+FFFD, never a crash.
  EXPECT_EQ(Utf16FromUtf8("\xE7\x94"), u"\uFFFD\uFFFD");
  EXPECT_EQ(Utf16FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");
  EXPECT_EQ(Utf16FromUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(Utf8FromUtf16(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Guid, TextForm) {
  std::string text = GuidToString(IID_IDispatch);
  EXPECT_EQ(text, "{00020400-0000-0000-C000-000000000046}");
  GUID g;
  ASSERT_TRUE(GuidFromString("{00020400-0000-0000-c000-000000000046}", &g));
  EXPECT_EQ(g, IID_IDispatch);
  EXPECT_FALSE(GuidFromString("{00020400-0000-0000-C000-00000000004}", &g));
  EXPECT_FALSE(GuidFromString("{00020400-0000-0000-C000-00000000004G}", &g));
}

TEST(Variant, LayoutMatchesTheHost) {
  EXPECT_EQ(sizeof(VARIANT), 16u);
  EXPECT_EQ(offsetof(VARIANT, vt), 0u);
  EXPECT_EQ(offsetof(VARIANT, bstrVal), 8u);
  EXPECT_EQ(offsetof(VARIANT, dblVal), 8u);
}

VARIANT Real(double d) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_R8;
  v.dblVal = d;
  return v;
}

TEST(VariantChangeType, RealsRoundHalfToEven) {
  const std::pair<double, LONG> cases[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {0.5, 0}, {1.4999, 1}, {-0.6, -1}};
  for (auto [in, want] : cases) {
    VARIANT src = Real(in), dst;
    VariantInit(&dst);
    ASSERT_EQ(VariantChangeType(&dst, &src, 0, VT_I4), S_OK) << in;
    EXPECT_EQ(dst.vt, VT_I4);
    EXPECT_EQ(dst.lVal, want) << in;
  }
}

TEST(VariantChangeType, RangeAndTextErrors) {
  VARIANT dst;
  VariantInit(&dst);
  VARIANT big = Real(2147483647.5);  // rounds to 2^31: out of range
  EXPECT_EQ(VariantChangeType(&dst, &big, 0, VT_I4), DISP_E_OVERFLOW);
  VARIANT nan = Real(std::nan(""));
  EXPECT_EQ(VariantChangeType(&dst, &nan, 0, VT_I4), DISP_E_OVERFLOW);
  VARIANT wide;
  VariantInit(&wide);
  wide.vt = VT_I8;
  wide.llVal = int64_t{1} << 40;
  EXPECT_EQ(VariantChangeType(&dst, &wide, 0, VT_I4), DISP_E_OVERFLOW);
  VARIANT text;
  text.vt = VT_BSTR;
  text.bstrVal = BstrFromUtf8(" -12 ");
  ASSERT_EQ(VariantChangeType(&dst, &text, 0, VT_I4), S_OK);
  EXPECT_EQ(dst.lVal, -12);
  SysFreeString(text.bstrVal);
  text.bstrVal = BstrFromUtf8("12abc");
  EXPECT_EQ(VariantChangeType(&dst, &text, 0, VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(VariantChangeType(&dst, &text, 0, VT_BOOL), DISP_E_TYPEMISMATCH);
  VariantClear(&text);
  text.vt = VT_BSTR;
  text.bstrVal = BstrFromUtf8("TRUE");
  ASSERT_EQ(VariantChangeType(&dst, &text, 0, VT_BOOL), S_OK);
  EXPECT_EQ(dst.boolVal, VARIANT_TRUE);
  EXPECT_EQ(VariantChangeType(&dst, &text, 0, VT_I4), DISP_E_TYPEMISMATCH);  // words only for Booleans
  VariantClear(&text);
  VARIANT null;
  VariantInit(&null);
  null.vt = VT_NULL;
  EXPECT_EQ(VariantChangeType(&dst, &null, 0, VT_I4), DISP_E_TYPEMISMATCH);
}

TEST(VariantChangeType, BooleansStringsAndReferences) {
  VARIANT dst, src;
  VariantInit(&dst);
  VariantInit(&src);
  src.vt = VT_I4;
  src.lVal = 7;
  ASSERT_EQ(VariantChangeType(&dst, &src, 0, VT_BOOL), S_OK);
  EXPECT_EQ(dst.boolVal, VARIANT_TRUE);
  ASSERT_EQ(VariantChangeType(&dst, &src, 0, VT_BSTR), S_OK);
  EXPECT_EQ(Utf8FromBstr(dst.bstrVal), "7");
  // In place, through a reference, back to a number.
  VARIANT ref;
  VariantInit(&ref);
  ref.vt = VT_BSTR | VT_BYREF;
  ref.pbstrVal = &dst.bstrVal;
  VARIANT out;
  VariantInit(&out);
  ASSERT_EQ(VariantChangeType(&out, &ref, 0, VT_I2), S_OK);
  EXPECT_EQ(out.iVal, 7);
  ASSERT_EQ(VariantChangeType(&dst, &dst, 0, VT_R8), S_OK);
  EXPECT_EQ(dst.dblVal, 7.0);
  VARIANT empty;
  VariantInit(&empty);
  ASSERT_EQ(VariantChangeType(&dst, &empty, 0, VT_BSTR), S_OK);
  EXPECT_EQ(SysStringLen(dst.bstrVal), 0u);
  VariantClear(&dst);
  VARIANT bad_ref;
  VariantInit(&bad_ref);
  bad_ref.vt = VT_I4 | VT_BYREF;  // null pointer
  EXPECT_TRUE(FAILED(VariantChangeType(&out, &bad_ref, 0, VT_I4)));
}

TEST(SafeArray, VectorOfBytesBoundsAndLocking) {
  SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, 0, 4);
  ASSERT_NE(sa, nullptr);
  VARTYPE vt = 0;
  ASSERT_EQ(SafeArrayGetVartype(sa, &vt), S_OK);
  EXPECT_EQ(vt, VT_UI1);
  EXPECT_EQ(SafeArrayGetDim(sa), 1u);
  LONG lo = -1, hi = -1;
  SafeArrayGetLBound(sa, 1, &lo);
  SafeArrayGetUBound(sa, 1, &hi);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 3);
  EXPECT_EQ(SafeArrayGetLBound(sa, 2, &lo), DISP_E_BADINDEX);
  BYTE value = 0xAB;
  LONG index = 3;
  ASSERT_EQ(SafeArrayPutElement(sa, &index, &value), S_OK);
  index = 4;
  EXPECT_EQ(SafeArrayPutElement(sa, &index, &value), DISP_E_BADINDEX);
  void* data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(sa, &data), S_OK);
  EXPECT_EQ(static_cast<BYTE*>(data)[3], 0xAB);
  EXPECT_EQ(SafeArrayDestroy(sa), DISP_E_ARRAYISLOCKED);  // still accessed
  SafeArrayUnaccessData(sa);
  EXPECT_EQ(SafeArrayUnlock(sa), E_UNEXPECTED);  // not locked any more
  EXPECT_EQ(SafeArrayDestroy(sa), S_OK);
  EXPECT_EQ(SafeArrayCreateVector(VT_UI1, 0, 0xFFFFFFFF), nullptr);  // over the size limit
  EXPECT_EQ(SafeArrayCreateVector(36, 0, 1), nullptr);
}

TEST(SafeArray, VariantElementsAreDeepCopied) {
  SAFEARRAY* sa = SafeArrayCreateVector(VT_VARIANT, 1, 2);
  VARIANT item;
  item.vt = VT_BSTR;
  item.bstrVal = BstrFromUtf8("Arial");
  LONG index = 1;
  ASSERT_EQ(SafeArrayPutElement(sa, &index, &item), S_OK);
  VariantClear(&item);
  VARIANT holder;
  VariantInit(&holder);
  holder.vt = VT_ARRAY | VT_VARIANT;
  holder.parray = sa;
  VARIANT copy;
  VariantInit(&copy);
  ASSERT_EQ(VariantCopy(&copy, &holder), S_OK);
  VariantClear(&holder);  // frees sa and its string
  VARIANT got;
  ASSERT_EQ(SafeArrayGetElement(copy.parray, &index, &got), S_OK);
  EXPECT_EQ(Utf8FromBstr(got.bstrVal), "Arial");
  VariantClear(&got);
  index = 0;
  EXPECT_EQ(SafeArrayGetElement(copy.parray, &index, &got), DISP_E_BADINDEX);  // lower bound is 1
  VariantClear(&copy);
}

// An array over memory it does not own: clearing the variant frees the
// descriptor only; the memory keeps every byte; a copy owns its own bytes.
TEST(SafeArray, ForeignDataIsNeverWrittenOrFreed) {
  uint8_t bytes[5] = {1, 2, 3, 4, 5};
  SAFEARRAY* sa = nullptr;
  ASSERT_EQ(SafeArrayAllocDescriptorEx(VT_UI1, 1, &sa), S_OK);
  sa->pvData = bytes;
  sa->rgsabound[0] = {5, 0};
  sa->fFeatures |= FADF_AUTO;
  VARTYPE vt = VT_EMPTY;
  ASSERT_EQ(SafeArrayGetVartype(sa, &vt), S_OK);
  EXPECT_EQ(vt, VT_UI1);
  EXPECT_EQ(SafeArrayGetElemsize(sa), 1u);
  VARIANT holder;
  VariantInit(&holder);
  holder.vt = VT_ARRAY | VT_UI1;
  holder.parray = sa;
  VARIANT copy;
  VariantInit(&copy);
  ASSERT_EQ(VariantCopy(&copy, &holder), S_OK);
  EXPECT_NE(copy.parray->pvData, static_cast<void*>(bytes));
  EXPECT_EQ(std::memcmp(copy.parray->pvData, bytes, 5), 0);
  EXPECT_EQ(VariantClear(&holder), S_OK);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 5), (std::vector<uint8_t>{1, 2, 3, 4, 5}));
  LONG index = 4;
  uint8_t last = 0;
  ASSERT_EQ(SafeArrayGetElement(copy.parray, &index, &last), S_OK);
  EXPECT_EQ(last, 5);
  VariantClear(&copy);
  // Static data outlives the array: destroying it zeroes the values.
  ASSERT_EQ(SafeArrayAllocDescriptorEx(VT_UI1, 1, &sa), S_OK);
  sa->pvData = bytes;
  sa->rgsabound[0] = {5, 0};
  sa->fFeatures |= FADF_STATIC;
  EXPECT_EQ(SafeArrayDestroy(sa), S_OK);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 5), (std::vector<uint8_t>(5, 0)));
  EXPECT_EQ(SafeArrayAllocDescriptorEx(VT_UI1, 2, &sa), E_INVALIDARG);
  EXPECT_EQ(sa, nullptr);
  EXPECT_EQ(SafeArrayAllocDescriptorEx(36, 1, &sa), DISP_E_BADVARTYPE);
}

TEST(ErrorInfo, PerThreadHandOver) {
  ICreateErrorInfo* create = nullptr;
  ASSERT_EQ(CreateErrorInfo(&create), S_OK);
  create->SetSource(const_cast<LPOLESTR>(u"Src"));
  create->SetDescription(const_cast<LPOLESTR>(u"説明"));
  IErrorInfo* info = nullptr;
  ASSERT_EQ(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)), S_OK);
  create->Release();
  SetErrorInfo(0, info);
  info->Release();
  IErrorInfo* got = nullptr;
  ASSERT_EQ(GetErrorInfo(0, &got), S_OK);
  BSTR text = nullptr;
  got->GetDescription(&text);
  EXPECT_EQ(Utf8FromBstr(text), "説明");
  SysFreeString(text);
  got->Release();
  EXPECT_EQ(GetErrorInfo(0, &got), S_FALSE);  // taken: the thread has none now
  EXPECT_EQ(got, nullptr);
}

}  // namespace
}  // namespace automation
