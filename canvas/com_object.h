// The COM-facing MyCanvas object: IUnknown, IDispatch, IMyCanvas,
// ISupportErrorInfo and IProvideClassInfo (and no other interface) over one
// TMyCanvas.  Every IMyCanvas function converts its arguments and calls the
// TMyCanvas member inside the one guard that turns an escaping failure into
// the standard failure report.
#pragma once
#include <atomic>

#include "canvas/Zelnor2_TLB.h"
#include "canvas/main.h"

namespace zelnor {

using automation::ULONG;

// What an object shares with the server that made it.
struct ObjectHost {
  automation::ITypeInfo* interface_info;  // type information of IMyCanvas
  automation::ITypeInfo* class_info;      // type information of MyCanvas
  std::atomic<int32_t>* live_objects;     // +1 while the object lives (may be null)
};

class TMyCanvasObject final : public IMyCanvas,
                              public automation::ISupportErrorInfo,
                              public automation::IProvideClassInfo {
 public:
  // Makes an object with no reference; the first QueryInterface on
  // InnerUnknown() takes one.  With an outer object (aggregation) the
  // interfaces' IUnknown functions delegate to it.  The canvas construction
  // may throw.
  explicit TMyCanvasObject(const ObjectHost& host, IUnknown* outer = nullptr);
  TMyCanvas& Canvas() { return canvas_; }
  // The object's own reference counting and interface lookup; its address is
  // the object's identity (the IUnknown it answers).
  IUnknown* InnerUnknown() { return &inner_; }

  // IUnknown of the five interfaces.
  HRESULT QueryInterface(const automation::IID& riid, void** ppv) override;
  ULONG AddRef() override;
  ULONG Release() override;

  // IDispatch
  HRESULT GetTypeInfoCount(automation::UINT* pctinfo) override;
  HRESULT GetTypeInfo(automation::UINT iTInfo, automation::LCID lcid,
                      automation::ITypeInfo** ppTInfo) override;
  HRESULT GetIDsOfNames(const automation::IID& riid, automation::LPOLESTR* rgszNames, automation::UINT cNames,
                        automation::LCID lcid, automation::DISPID* rgDispId) override;
  HRESULT Invoke(automation::DISPID dispIdMember, const automation::IID& riid, automation::LCID lcid,
                 automation::WORD wFlags, automation::DISPPARAMS* pDispParams, VARIANT* pVarResult,
                 automation::EXCEPINFO* pExcepInfo, automation::UINT* puArgErr) override;

  // ISupportErrorInfo, IProvideClassInfo
  HRESULT InterfaceSupportsErrorInfo(const automation::IID& riid) override;
  HRESULT GetClassInfo(automation::ITypeInfo** ppTI) override;

  // IMyCanvas
  HRESULT LoadFromFile(BSTR FileName, VARIANT_BOOL appendload, LONG X1, LONG Y1, LONG Cpmode,
                       LONG* Result) override;
  HRESULT SaveToFile(BSTR FileName, VARIANT_BOOL Transparent, LONG TX1, LONG TY1, LONG* Result) override;
  HRESULT get_JPEGCompressionQuality(LONG* Value) override;
  HRESULT put_JPEGCompressionQuality(LONG value) override;
  HRESULT get_JPEGProgressiveEncoding(VARIANT_BOOL* Value) override;
  HRESULT put_JPEGProgressiveEncoding(VARIANT_BOOL value) override;
  HRESULT SaveToStream(VARIANT* ToVar, BSTR FileType, VARIANT_BOOL Transparent, LONG TX1, LONG TY1,
                       LONG* Result) override;
  HRESULT NewCanvas(LONG NewWidth, LONG NewHeight, LONG AddCanvas, LONG* Result) override;
  HRESULT Line(LONG X1, LONG Y1, LONG X2, LONG Y2) override;
  HRESULT RGBToColor(LONG R, LONG G, LONG B, LONG P, LONG* Result) override;
  HRESULT get_PenColor(LONG* Value) override;
  HRESULT put_PenColor(LONG value) override;
  HRESULT get_PenStyle(LONG* Value) override;
  HRESULT put_PenStyle(LONG value) override;
  HRESULT get_PenWidth(LONG* Value) override;
  HRESULT put_PenWidth(LONG value) override;
  HRESULT PixelSet(LONG X1, LONG Y1, LONG PColor) override;
  HRESULT PixelGet(LONG X1, LONG Y1, LONG* Result) override;
  HRESULT Arc(LONG X1, LONG Y1, LONG X2, LONG Y2, LONG X3, LONG Y3, LONG X4, LONG Y4, VARIANT_BOOL Chord,
              VARIANT_BOOL FillFlag) override;
  HRESULT Ellipse(LONG X1, LONG Y1, LONG X2, LONG Y2, VARIANT_BOOL FillFlag) override;
  HRESULT Circle(LONG X1, LONG Y1, LONG R1, VARIANT_BOOL FillFlag) override;
  HRESULT Box(LONG X1, LONG Y1, LONG X2, LONG Y2, VARIANT_BOOL FillFlag) override;
  HRESULT get_BrushColor(LONG* Value) override;
  HRESULT put_BrushColor(LONG value) override;
  HRESULT get_BrushStyle(LONG* Value) override;
  HRESULT put_BrushStyle(LONG value) override;
  HRESULT FloodFill(LONG X1, LONG Y1, LONG C1, VARIANT_BOOL BorderFlag) override;
  HRESULT RoundBox(LONG X1, LONG Y1, LONG X2, LONG Y2, LONG X3, LONG Y3, VARIANT_BOOL FillFlag) override;
  HRESULT StringWrite(LONG X1, LONG Y1, BSTR VarStr, VARIANT_BOOL BackTrans) override;
  HRESULT StringHeight(BSTR Value, LONG* Result) override;
  HRESULT StringWidth(BSTR Value, LONG* Result) override;
  HRESULT get_FontColor(LONG* Value) override;
  HRESULT put_FontColor(LONG value) override;
  HRESULT get_FontName(BSTR* Value) override;
  HRESULT put_FontName(BSTR value) override;
  HRESULT get_FontSize(LONG* Value) override;
  HRESULT put_FontSize(LONG value) override;
  HRESULT get_FontBold(VARIANT_BOOL* Value) override;
  HRESULT put_FontBold(VARIANT_BOOL value) override;
  HRESULT get_FontItalic(VARIANT_BOOL* Value) override;
  HRESULT put_FontItalic(VARIANT_BOOL value) override;
  HRESULT get_FontStrikeOut(VARIANT_BOOL* Value) override;
  HRESULT put_FontStrikeOut(VARIANT_BOOL value) override;
  HRESULT get_FontUnderLine(VARIANT_BOOL* Value) override;
  HRESULT put_FontUnderLine(VARIANT_BOOL value) override;
  HRESULT FontList(VARIANT_BOOL SortFlag, VARIANT_BOOL TTFOnlyFlag, VARIANT_BOOL VetFontFlag,
                   VARIANT* Result) override;
  HRESULT ConvertFile(BSTR FromFilePath, BSTR ToFilePath, BSTR FileType, LONG ReWidth, LONG ReHeight,
                      LONG GammaFlag, LONG ContrastFlag, VARIANT_BOOL HiQ, VARIANT_BOOL NotThumbMode,
                      VARIANT_BOOL SharpFlag, VARIANT_BOOL DullFlag, LONG* Result) override;
  HRESULT BezierLine(LONG X1, LONG Y1, LONG X2, LONG Y2, LONG X3, LONG Y3, LONG X4, LONG Y4) override;
  HRESULT SaveToClipboard(LONG* Result) override;
  HRESULT LoadFromClipboard(VARIANT_BOOL ClearFlag, VARIANT_BOOL appendload, LONG X1, LONG Y1, LONG Cpmode,
                            LONG* Result) override;
  HRESULT LoadFromStream(VARIANT* FromVar, BSTR FileType, VARIANT_BOOL appendload, LONG X1, LONG Y1,
                         LONG Cpmode, LONG* Result) override;
  HRESULT get_BkColor(LONG* Value) override;
  HRESULT put_BkColor(LONG value) override;
  HRESULT get_BkMode(LONG* Value) override;
  HRESULT put_BkMode(LONG value) override;
  HRESULT Stretch(LONG NewWidth, LONG NewHeight, VARIANT_BOOL HiQ, VARIANT_BOOL NotThumbMode,
                  LONG* Result) override;
  HRESULT Gamma(LONG Value, LONG* Result) override;
  HRESULT Contrast(LONG Value, LONG* Result) override;
  HRESULT SetWallPaper(BSTR FileName, VARIANT_BOOL SaveRegs, LONG* Result) override;
  HRESULT Mask(LONG MaskColor, VARIANT_BOOL Reverse, LONG* Result) override;
  HRESULT Reversal(LONG* Result) override;
  HRESULT Pie(LONG X1, LONG Y1, LONG X2, LONG Y2, LONG X3, LONG Y3, LONG X4, LONG Y4,
              VARIANT_BOOL FillFlag) override;
  HRESULT get_PixelFormat(LONG* Value) override;
  HRESULT put_PixelFormat(LONG value) override;
  HRESULT CaptureWindow(BSTR WindowName, VARIANT_BOOL appendflag, LONG X1, LONG Y1, LONG Cpmode,
                        LONG* Result) override;
  HRESULT GetCanvas(VARIANT* ToVar, LONG X1, LONG Y1, LONG X2, LONG Y2, LONG* Result) override;
  HRESULT PutCanvas(VARIANT* FromVar, LONG X1, LONG Y1, LONG Cpmode, LONG* Result) override;
  HRESULT get_Width(LONG* Value) override;
  HRESULT put_Width(LONG value) override;
  HRESULT get_Height(LONG* Value) override;
  HRESULT put_Height(LONG value) override;
  HRESULT get_GIFCompressionMode(LONG* Value) override;
  HRESULT put_GIFCompressionMode(LONG value) override;
  HRESULT Gray(LONG vR, LONG vG, LONG vB, LONG* Result) override;
  HRESULT Dull(LONG* Result) override;
  HRESULT Sharp(LONG* Result) override;
  HRESULT CustomFilter(LONG B0, LONG B1, LONG B2, LONG B3, LONG B4, LONG B5, LONG B6, LONG B7, LONG B8,
                       LONG aBias, LONG aDivis, LONG* Result) override;
  HRESULT get_CurrentCanvasIndex(LONG* Value) override;
  HRESULT put_CurrentCanvasIndex(LONG value) override;
  HRESULT get_UBound(LONG* Value) override;
  HRESULT get_LBound(LONG* Value) override;
  HRESULT SaveAniGIFToFile(BSTR FileName, LONG Delay, LONG Loops, VARIANT_BOOL Transparent, LONG TX1,
                           LONG TY1, LONG* Result) override;
  HRESULT SaveAniGIFToStream(VARIANT* ToVar, LONG Delay, LONG Loops, VARIANT_BOOL Transparent, LONG TX1,
                             LONG TY1, LONG* Result) override;
  HRESULT get_PNGCompressionLevel(LONG* Value) override;
  HRESULT put_PNGCompressionLevel(LONG value) override;

 private:
  ~TMyCanvasObject();
  template <class Body>
  HRESULT Guarded(Body&& body);

  class Inner final : public IUnknown {
   public:
    explicit Inner(TMyCanvasObject* self) : self_(self) {}
    HRESULT QueryInterface(const automation::IID& riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;

   private:
    TMyCanvasObject* self_;
  };

  // Counts the object as live from before the canvas exists until after it
  // is gone, so the module never looks unloadable while canvas code runs.
  struct LiveToken {
    explicit LiveToken(std::atomic<int32_t>* count) : count_(count) {
      if (count_) count_->fetch_add(1);
    }
    ~LiveToken() {
      if (count_) count_->fetch_sub(1);
    }
    LiveToken(const LiveToken&) = delete;
    LiveToken& operator=(const LiveToken&) = delete;
    std::atomic<int32_t>* count_;
  };

  LiveToken live_;
  std::atomic<ULONG> refs_{0};
  Inner inner_{this};
  IUnknown* outer_;
  ObjectHost host_;
  TMyCanvas canvas_;
};

// Reports a failure the standard way: error information with the interface
// IMyCanvas, source "Zelnor2.MyCanvas" and the message as description, set as
// the thread's error information; returns E_UNEXPECTED, or hr when it is a
// negative HRESULT of the component runtime.
HRESULT ReportFailure(const std::string& message, HRESULT hr = automation::E_UNEXPECTED);

}  // namespace zelnor
