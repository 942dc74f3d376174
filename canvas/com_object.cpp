#include "canvas/com_object.h"

#include <new>
#include <string>

namespace zelnor {
using namespace automation;

namespace {
BSTR ToBstr(const std::string& text) {
  BSTR b = BstrFromUtf8(text);
  if (!b) throw std::bad_alloc();
  return b;
}
}  // namespace

HRESULT ReportFailure(const std::string& message, HRESULT hr) {
  ICreateErrorInfo* create = nullptr;
  if (SUCCEEDED(CreateErrorInfo(&create)) && create) {
    std::u16string description = Utf16FromUtf8(message);
    create->SetGUID(IID_IMyCanvas);
    create->SetSource(const_cast<LPOLESTR>(u"Zelnor2.MyCanvas"));
    create->SetDescription(description.data());
    create->SetHelpContext(0);
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
      SetErrorInfo(0, info);
      info->Release();
    }
    create->Release();
  }
  return hr < 0 ? hr : E_UNEXPECTED;
}

template <class Body>
HRESULT TMyCanvasObject::Guarded(Body&& body) {
  try {
    body();
    return S_OK;
  } catch (const ComError& e) {
    return ReportFailure(e.what(), e.hr());
  } catch (const std::exception& e) {
    return ReportFailure(e.what());
  } catch (...) {
    return ReportFailure("unexpected failure");
  }
}

TMyCanvasObject::TMyCanvasObject(const ObjectHost& host, IUnknown* outer)
    : live_(host.live_objects), outer_(outer), host_(host) {
  host_.interface_info->AddRef();
  host_.class_info->AddRef();
}

TMyCanvasObject::~TMyCanvasObject() {
  host_.interface_info->Release();
  host_.class_info->Release();
}

HRESULT TMyCanvasObject::Inner::QueryInterface(const IID& riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown) {
    *ppv = static_cast<IUnknown*>(this);
  } else if (riid == IID_IDispatch || riid == IID_IMyCanvas) {
    *ppv = static_cast<IMyCanvas*>(self_);
  } else if (riid == IID_ISupportErrorInfo) {
    *ppv = static_cast<ISupportErrorInfo*>(self_);
  } else if (riid == IID_IProvideClassInfo) {
    *ppv = static_cast<IProvideClassInfo*>(self_);
  } else {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  static_cast<IUnknown*>(*ppv)->AddRef();
  return S_OK;
}

ULONG TMyCanvasObject::Inner::AddRef() { return ++self_->refs_; }

ULONG TMyCanvasObject::Inner::Release() {
  ULONG left = --self_->refs_;
  if (left == 0) delete self_;
  return left;
}

HRESULT TMyCanvasObject::QueryInterface(const IID& riid, void** ppv) {
  return outer_ ? outer_->QueryInterface(riid, ppv) : inner_.QueryInterface(riid, ppv);
}

ULONG TMyCanvasObject::AddRef() { return outer_ ? outer_->AddRef() : inner_.AddRef(); }

ULONG TMyCanvasObject::Release() { return outer_ ? outer_->Release() : inner_.Release(); }

HRESULT TMyCanvasObject::GetTypeInfoCount(UINT* pctinfo) {
  if (!pctinfo) return E_INVALIDARG;
  *pctinfo = 1;
  return S_OK;
}

HRESULT TMyCanvasObject::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) {
  if (!ppTInfo) return E_INVALIDARG;
  *ppTInfo = nullptr;
  if (iTInfo != 0) return DISP_E_BADINDEX;
  host_.interface_info->AddRef();
  *ppTInfo = host_.interface_info;
  return S_OK;
}

HRESULT TMyCanvasObject::GetIDsOfNames(const IID& riid, LPOLESTR* rgszNames, UINT cNames, LCID,
                                       DISPID* rgDispId) {
  if (!(riid == IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  return DispGetIDsOfNames(host_.interface_info, rgszNames, cNames, rgDispId);
}

HRESULT TMyCanvasObject::Invoke(DISPID dispIdMember, const IID& riid, LCID, WORD wFlags,
                                DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                UINT* puArgErr) {
  if (!(riid == IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  // Either put form sets a property.
  if (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))
    wFlags |= DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF;
  return DispInvoke(static_cast<IMyCanvas*>(this), host_.interface_info, dispIdMember, wFlags, pDispParams,
                    pVarResult, pExcepInfo, puArgErr);
}

HRESULT TMyCanvasObject::InterfaceSupportsErrorInfo(const IID& riid) {
  bool ours = riid == IID_IMyCanvas || riid == IID_IDispatch || riid == IID_IUnknown ||
              riid == IID_ISupportErrorInfo || riid == IID_IProvideClassInfo;
  return ours ? S_OK : S_FALSE;
}

HRESULT TMyCanvasObject::GetClassInfo(ITypeInfo** ppTI) {
  if (!ppTI) return E_POINTER;
  host_.class_info->AddRef();
  *ppTI = host_.class_info;
  return S_OK;
}

// ---------------------------------------------------------------- IMyCanvas
HRESULT TMyCanvasObject::LoadFromFile(BSTR FileName, VARIANT_BOOL appendload, LONG X1, LONG Y1, LONG Cpmode,
                                      LONG* Result) {
  if (!Result) return E_POINTER;
  return Guarded(
      [&] { *Result = canvas_.LoadFromFile(Utf8FromBstr(FileName), appendload != 0, X1, Y1, Cpmode); });
}

HRESULT TMyCanvasObject::SaveToFile(BSTR FileName, VARIANT_BOOL Transparent, LONG TX1, LONG TY1,
                                    LONG* Result) {
  if (!Result) return E_POINTER;
  return Guarded([&] { *Result = canvas_.SaveToFile(Utf8FromBstr(FileName), Transparent != 0, TX1, TY1); });
}

HRESULT TMyCanvasObject::get_JPEGCompressionQuality(LONG* Value) {
  if (!Value) return E_POINTER;
  return Guarded([&] { *Value = canvas_.GetJPEGCompressionQuality(); });
}

HRESULT TMyCanvasObject::put_JPEGCompressionQuality(LONG value) {
  return Guarded([&] { canvas_.SetJPEGCompressionQuality(value); });
}

HRESULT TMyCanvasObject::get_JPEGProgressiveEncoding(VARIANT_BOOL* Value) {
  if (!Value) return E_POINTER;
  return Guarded([&] { *Value = canvas_.GetJPEGProgressiveEncoding() ? VARIANT_TRUE : VARIANT_FALSE; });
}

HRESULT TMyCanvasObject::put_JPEGProgressiveEncoding(VARIANT_BOOL value) {
  return Guarded([&] { canvas_.SetJPEGProgressiveEncoding(value != 0); });
}

HRESULT TMyCanvasObject::SaveToStream(VARIANT* ToVar, BSTR FileType, VARIANT_BOOL Transparent, LONG TX1,
                                      LONG TY1, LONG* Result) {
  if (!ToVar || !Result) return E_POINTER;
  return Guarded(
      [&] { *Result = canvas_.SaveToStream(ToVar, Utf8FromBstr(FileType), Transparent != 0, TX1, TY1); });
}

HRESULT TMyCanvasObject::NewCanvas(LONG NewWidth, LONG NewHeight, LONG AddCanvas, LONG* Result) {
  if (!Result) return E_POINTER;
  return Guarded([&] { *Result = canvas_.NewCanvas(NewWidth, NewHeight, AddCanvas); });
}

HRESULT TMyCanvasObject::Line(LONG X1, LONG Y1, LONG X2, LONG Y2) {
  return Guarded([&] { canvas_.Line(X1, Y1, X2, Y2); });
}

HRESULT TMyCanvasObject::RGBToColor(LONG R, LONG G, LONG B, LONG P, LONG* Result) {
  if (!Result) return E_POINTER;
  return Guarded([&] { *Result = canvas_.RGBToColor(R, G, B, P); });
}

HRESULT TMyCanvasObject::get_PenColor(LONG* Value) {
  if (!Value) return E_POINTER;
  return Guarded([&] { *Value = canvas_.GetPenColor(); });
}

HRESULT TMyCanvasObject::put_PenColor(LONG value) {
  return Guarded([&] { canvas_.SetPenColor(value); });
}

HRESULT TMyCanvasObject::get_PenStyle(LONG* Value) {
  if (!Value) return E_POINTER;
  return Guarded([&] { *Value = canvas_.GetPenStyle(); });
}

HRESULT TMyCanvasObject::put_PenStyle(LONG value) {
  return Guarded([&] { canvas_.SetPenStyle(value); });
}

HRESULT TMyCanvasObject::get_PenWidth(LONG* Value) {
  if (!Value) return E_POINTER;
  return Guarded([&] { *Value = canvas_.GetPenWidth(); });
}

HRESULT TMyCanvasObject::put_PenWidth(LONG value) {
  return Guarded([&] { canvas_.SetPenWidth(value); });
}

HRESULT TMyCanvasObject::PixelSet(LONG X1, LONG Y1, LONG PColor) {
  return Guarded([&] { canvas_.PixelSet(X1, Y1, PColor); });
}

HRESULT TMyCanvasObject::PixelGet(LONG X1, LONG Y1, LONG* Result) {
  if (!Result) return E_POINTER;
  return Guarded([&] { *Result = canvas_.PixelGet(X1, Y1); });
}

HRESULT TMyCanvasObject::Arc(LONG X1, LONG Y1, LONG X2, LONG Y2, LONG X3, LONG Y3, LONG X4, LONG Y4,
                             VARIANT_BOOL Chord, VARIANT_BOOL FillFlag) {
  return Guarded([&] { canvas_.Arc(X1, Y1, X2, Y2, X3, Y3, X4, Y4, Chord != 0, FillFlag != 0); });
}

HRESULT TMyCanvasObject::Ellipse(LONG X1, LONG Y1, LONG X2, LONG Y2, VARIANT_BOOL FillFlag) {
  return Guarded([&] { canvas_.Ellipse(X1, Y1, X2, Y2, FillFlag != 0); });
}

HRESULT TMyCanvasObject::Circle(LONG X1, LONG Y1, LONG R1, VARIANT_BOOL FillFlag) {
  return Guarded([&] { canvas_.Circle(X1, Y1, R1, FillFlag != 0); });
}

HRESULT TMyCanvasObject::Box(LONG X1, LONG Y1, LONG X2, LONG Y2, VARIANT_BOOL FillFlag) {
  return Guarded([&] { canvas_.Box(X1, Y1, X2, Y2, FillFlag != 0); });
}

HRESULT TMyCanvasObject::get_BrushColor(LONG* Value) {
  if (!Value) return E_POINTER;
  return Guarded([&] { *Value = canvas_.GetBrushColor(); });
}

HRESULT TMyCanvasObject::put_BrushColor(LONG value) {
  return Guarded([&] { canvas_.SetBrushColor(value); });
}

HRESULT TMyCanvasObject::get_BrushStyle(LONG* Value) {
  if (!Value) return E_POINTER;
  return Guarded([&] { *Value = canvas_.GetBrushStyle(); });
}

HRESULT TMyCanvasObject::put_BrushStyle(LONG value) {
  return Guarded([&] { canvas_.SetBrushStyle(value); });
}

HRESULT TMyCanvasObject::FloodFill(LONG X1, LONG Y1, LONG C1, VARIANT_BOOL BorderFlag) {
  return Guarded([&] { canvas_.FloodFill(X1, Y1, C1, BorderFlag != 0); });
}

HRESULT TMyCanvasObject::RoundBox(LONG X1, LONG Y1, LONG X2, LONG Y2, LONG X3, LONG Y3,
                                  VARIANT_BOOL FillFlag) {
  return Guarded([&] { canvas_.RoundBox(X1, Y1, X2, Y2, X3, Y3, FillFlag != 0); });
}

HRESULT TMyCanvasObject::StringWrite(LONG X1, LONG Y1, BSTR VarStr, VARIANT_BOOL BackTrans) {
  return Guarded([&] { canvas_.StringWrite(X1, Y1, Utf8FromBstr(VarStr), BackTrans != 0); });
}

HRESULT TMyCanvasObject::StringHeight(BSTR Value, LONG* Result) {
  if (!Result) return E_POINTER;
  return Guarded([&] { *Result = canvas_.StringHeight(Utf8FromBstr(Value)); });
}

HRESULT TMyCanvasObject::StringWidth(BSTR Value, LONG* Result) {
  if (!Result) return E_POINTER;
  return Guarded([&] { *Result = canvas_.StringWidth(Utf8FromBstr(Value)); });
}

HRESULT TMyCanvasObject::get_FontColor(LONG* Value) {
  if (!Value) return E_POINTER;
  return Guarded([&] { *Value = canvas_.GetFontColor(); });
}

HRESULT TMyCanvasObject::put_FontColor(LONG value) {
  return Guarded([&] { canvas_.SetFontColor(value); });
}

HRESULT TMyCanvasObject::get_FontName(BSTR* Value) {
  if (!Value) return E_POINTER;
  return Guarded([&] { *Value = ToBstr(canvas_.GetFontName()); });
}

HRESULT TMyCanvasObject::put_FontName(BSTR value) {
  return Guarded([&] { canvas_.SetFontName(Utf8FromBstr(value)); });
}

HRESULT TMyCanvasObject::get_FontSize(LONG* Value) {
  if (!Value) return E_POINTER;
  return Guarded([&] { *Value = canvas_.GetFontSize(); });
}

HRESULT TMyCanvasObject::put_FontSize(LONG value) {
  return Guarded([&] { canvas_.SetFontSize(value); });
}

HRESULT TMyCanvasObject::get_FontBold(VARIANT_BOOL* Value) {
  if (!Value) return E_POINTER;
  return Guarded([&] { *Value = canvas_.GetFontBold() ? VARIANT_TRUE : VARIANT_FALSE; });
}

HRESULT TMyCanvasObject::put_FontBold(VARIANT_BOOL value) {
  return Guarded([&] { canvas_.SetFontBold(value != 0); });
}

HRESULT TMyCanvasObject::get_FontItalic(VARIANT_BOOL* Value) {
  if (!Value) return E_POINTER;
  return Guarded([&] { *Value = canvas_.GetFontItalic() ? VARIANT_TRUE : VARIANT_FALSE; });
}

HRESULT TMyCanvasObject::put_FontItalic(VARIANT_BOOL value) {
  return Guarded([&] { canvas_.SetFontItalic(value != 0); });
}

HRESULT TMyCanvasObject::get_FontStrikeOut(VARIANT_BOOL* Value) {
  if (!Value) return E_POINTER;
  return Guarded([&] { *Value = canvas_.GetFontStrikeOut() ? VARIANT_TRUE : VARIANT_FALSE; });
}

HRESULT TMyCanvasObject::put_FontStrikeOut(VARIANT_BOOL value) {
  return Guarded([&] { canvas_.SetFontStrikeOut(value != 0); });
}

HRESULT TMyCanvasObject::get_FontUnderLine(VARIANT_BOOL* Value) {
  if (!Value) return E_POINTER;
  return Guarded([&] { *Value = canvas_.GetFontUnderLine() ? VARIANT_TRUE : VARIANT_FALSE; });
}

HRESULT TMyCanvasObject::put_FontUnderLine(VARIANT_BOOL value) {
  return Guarded([&] { canvas_.SetFontUnderLine(value != 0); });
}

HRESULT TMyCanvasObject::FontList(VARIANT_BOOL SortFlag, VARIANT_BOOL TTFOnlyFlag, VARIANT_BOOL VetFontFlag,
                                  VARIANT* Result) {
  if (!Result) return E_POINTER;
  return Guarded([&] {
    VariantInit(Result);
    canvas_.FontList(SortFlag != 0, TTFOnlyFlag != 0, VetFontFlag != 0, Result);
  });
}

HRESULT TMyCanvasObject::ConvertFile(BSTR FromFilePath, BSTR ToFilePath, BSTR FileType, LONG ReWidth,
                                     LONG ReHeight, LONG GammaFlag, LONG ContrastFlag, VARIANT_BOOL HiQ,
                                     VARIANT_BOOL NotThumbMode, VARIANT_BOOL SharpFlag, VARIANT_BOOL DullFlag,
                                     LONG* Result) {
  if (!Result) return E_POINTER;
  return Guarded([&] {
    *Result = canvas_.ConvertFile(Utf8FromBstr(FromFilePath), Utf8FromBstr(ToFilePath),
                                  Utf8FromBstr(FileType), ReWidth, ReHeight, GammaFlag, ContrastFlag,
                                  HiQ != 0, NotThumbMode != 0, SharpFlag != 0, DullFlag != 0);
  });
}

HRESULT TMyCanvasObject::BezierLine(LONG X1, LONG Y1, LONG X2, LONG Y2, LONG X3, LONG Y3, LONG X4, LONG Y4) {
  return Guarded([&] { canvas_.BezierLine(X1, Y1, X2, Y2, X3, Y3, X4, Y4); });
}

HRESULT TMyCanvasObject::SaveToClipboard(LONG* Result) {
  if (!Result) return E_POINTER;
  return Guarded([&] { *Result = canvas_.SaveToClipboard(); });
}

HRESULT TMyCanvasObject::LoadFromClipboard(VARIANT_BOOL ClearFlag, VARIANT_BOOL appendload, LONG X1, LONG Y1,
                                           LONG Cpmode, LONG* Result) {
  if (!Result) return E_POINTER;
  return Guarded(
      [&] { *Result = canvas_.LoadFromClipboard(ClearFlag != 0, appendload != 0, X1, Y1, Cpmode); });
}

HRESULT TMyCanvasObject::LoadFromStream(VARIANT* FromVar, BSTR FileType, VARIANT_BOOL appendload, LONG X1,
                                        LONG Y1, LONG Cpmode, LONG* Result) {
  if (!FromVar || !Result) return E_POINTER;
  return Guarded([&] {
    *Result = canvas_.LoadFromStream(FromVar, Utf8FromBstr(FileType), appendload != 0, X1, Y1, Cpmode);
  });
}

HRESULT TMyCanvasObject::get_BkColor(LONG* Value) {
  if (!Value) return E_POINTER;
  return Guarded([&] { *Value = canvas_.GetBkColor(); });
}

HRESULT TMyCanvasObject::put_BkColor(LONG value) {
  return Guarded([&] { canvas_.SetBkColor(value); });
}

HRESULT TMyCanvasObject::get_BkMode(LONG* Value) {
  if (!Value) return E_POINTER;
  return Guarded([&] { *Value = canvas_.GetBkMode(); });
}

HRESULT TMyCanvasObject::put_BkMode(LONG value) {
  return Guarded([&] { canvas_.SetBkMode(value); });
}

HRESULT TMyCanvasObject::Stretch(LONG NewWidth, LONG NewHeight, VARIANT_BOOL HiQ, VARIANT_BOOL NotThumbMode,
                                 LONG* Result) {
  if (!Result) return E_POINTER;
  return Guarded([&] {
    // -1 for sizes of 0 or below (nothing changes), otherwise 0.
    *Result = canvas_.Stretch(NewWidth, NewHeight, HiQ != 0, NotThumbMode != 0);
  });
}

HRESULT TMyCanvasObject::Gamma(LONG Value, LONG* Result) {
  if (!Result) return E_POINTER;
  return Guarded([&] { *Result = canvas_.Gamma(Value); });
}

HRESULT TMyCanvasObject::Contrast(LONG Value, LONG* Result) {
  if (!Result) return E_POINTER;
  return Guarded([&] { *Result = canvas_.Contrast(Value); });
}

HRESULT TMyCanvasObject::SetWallPaper(BSTR FileName, VARIANT_BOOL SaveRegs, LONG* Result) {
  if (!Result) return E_POINTER;
  return Guarded([&] { *Result = canvas_.SetWallPaper(Utf8FromBstr(FileName), SaveRegs != 0); });
}

HRESULT TMyCanvasObject::Mask(LONG MaskColor, VARIANT_BOOL Reverse, LONG* Result) {
  if (!Result) return E_POINTER;
  return Guarded([&] { *Result = canvas_.Mask(MaskColor, Reverse != 0); });
}

HRESULT TMyCanvasObject::Reversal(LONG* Result) {
  if (!Result) return E_POINTER;
  return Guarded([&] { *Result = canvas_.Reversal(); });
}

HRESULT TMyCanvasObject::Pie(LONG X1, LONG Y1, LONG X2, LONG Y2, LONG X3, LONG Y3, LONG X4, LONG Y4,
                             VARIANT_BOOL FillFlag) {
  return Guarded([&] { canvas_.Pie(X1, Y1, X2, Y2, X3, Y3, X4, Y4, FillFlag != 0); });
}

HRESULT TMyCanvasObject::get_PixelFormat(LONG* Value) {
  if (!Value) return E_POINTER;
  return Guarded([&] { *Value = canvas_.GetPixelFormat(); });
}

HRESULT TMyCanvasObject::put_PixelFormat(LONG value) {
  return Guarded([&] { canvas_.SetPixelFormat(value); });
}

HRESULT TMyCanvasObject::CaptureWindow(BSTR WindowName, VARIANT_BOOL appendflag, LONG X1, LONG Y1,
                                       LONG Cpmode, LONG* Result) {
  if (!Result) return E_POINTER;
  return Guarded(
      [&] { *Result = canvas_.CaptureWindow(Utf8FromBstr(WindowName), appendflag != 0, X1, Y1, Cpmode); });
}

HRESULT TMyCanvasObject::GetCanvas(VARIANT* ToVar, LONG X1, LONG Y1, LONG X2, LONG Y2, LONG* Result) {
  if (!ToVar || !Result) return E_POINTER;
  return Guarded([&] { *Result = canvas_.GetCanvas(ToVar, X1, Y1, X2, Y2); });
}

HRESULT TMyCanvasObject::PutCanvas(VARIANT* FromVar, LONG X1, LONG Y1, LONG Cpmode, LONG* Result) {
  if (!FromVar || !Result) return E_POINTER;
  return Guarded([&] { *Result = canvas_.PutCanvas(FromVar, X1, Y1, Cpmode); });
}

HRESULT TMyCanvasObject::get_Width(LONG* Value) {
  if (!Value) return E_POINTER;
  return Guarded([&] { *Value = canvas_.GetWidth(); });
}

HRESULT TMyCanvasObject::put_Width(LONG value) {
  return Guarded([&] { canvas_.SetWidth(value); });
}

HRESULT TMyCanvasObject::get_Height(LONG* Value) {
  if (!Value) return E_POINTER;
  return Guarded([&] { *Value = canvas_.GetHeight(); });
}

HRESULT TMyCanvasObject::put_Height(LONG value) {
  return Guarded([&] { canvas_.SetHeight(value); });
}

HRESULT TMyCanvasObject::get_GIFCompressionMode(LONG* Value) {
  if (!Value) return E_POINTER;
  return Guarded([&] { *Value = canvas_.GetGIFCompressionMode(); });
}

HRESULT TMyCanvasObject::put_GIFCompressionMode(LONG value) {
  return Guarded([&] { canvas_.SetGIFCompressionMode(value); });
}

HRESULT TMyCanvasObject::Gray(LONG vR, LONG vG, LONG vB, LONG* Result) {
  if (!Result) return E_POINTER;
  return Guarded([&] { *Result = canvas_.Gray(vR, vG, vB); });
}

HRESULT TMyCanvasObject::Dull(LONG* Result) {
  if (!Result) return E_POINTER;
  return Guarded([&] { *Result = canvas_.Dull(); });
}

HRESULT TMyCanvasObject::Sharp(LONG* Result) {
  if (!Result) return E_POINTER;
  return Guarded([&] { *Result = canvas_.Sharp(); });
}

HRESULT TMyCanvasObject::CustomFilter(LONG B0, LONG B1, LONG B2, LONG B3, LONG B4, LONG B5, LONG B6, LONG B7,
                                      LONG B8, LONG aBias, LONG aDivis, LONG* Result) {
  if (!Result) return E_POINTER;
  return Guarded([&] { *Result = canvas_.CustomFilter(B0, B1, B2, B3, B4, B5, B6, B7, B8, aBias, aDivis); });
}

HRESULT TMyCanvasObject::get_CurrentCanvasIndex(LONG* Value) {
  if (!Value) return E_POINTER;
  return Guarded([&] { *Value = canvas_.GetCurrentCanvasIndex(); });
}

HRESULT TMyCanvasObject::put_CurrentCanvasIndex(LONG value) {
  return Guarded([&] { canvas_.SetCurrentCanvasIndex(value); });
}

HRESULT TMyCanvasObject::get_UBound(LONG* Value) {
  if (!Value) return E_POINTER;
  return Guarded([&] { *Value = canvas_.GetUBound(); });
}

HRESULT TMyCanvasObject::get_LBound(LONG* Value) {
  if (!Value) return E_POINTER;
  return Guarded([&] { *Value = canvas_.GetLBound(); });
}

HRESULT TMyCanvasObject::SaveAniGIFToFile(BSTR FileName, LONG Delay, LONG Loops, VARIANT_BOOL Transparent,
                                          LONG TX1, LONG TY1, LONG* Result) {
  if (!Result) return E_POINTER;
  return Guarded([&] {
    *Result = canvas_.SaveAniGIFToFile(Utf8FromBstr(FileName), Delay, Loops, Transparent != 0, TX1, TY1);
  });
}

HRESULT TMyCanvasObject::SaveAniGIFToStream(VARIANT* ToVar, LONG Delay, LONG Loops, VARIANT_BOOL Transparent,
                                            LONG TX1, LONG TY1, LONG* Result) {
  if (!ToVar || !Result) return E_POINTER;
  return Guarded(
      [&] { *Result = canvas_.SaveAniGIFToStream(ToVar, Delay, Loops, Transparent != 0, TX1, TY1); });
}

HRESULT TMyCanvasObject::get_PNGCompressionLevel(LONG* Value) {
  if (!Value) return E_POINTER;
  return Guarded([&] { *Value = canvas_.GetPNGCompressionLevel(); });
}

HRESULT TMyCanvasObject::put_PNGCompressionLevel(LONG value) {
  return Guarded([&] { canvas_.SetPNGCompressionLevel(value); });
}
}  // namespace zelnor
