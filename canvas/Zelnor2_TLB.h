// The type library Zelnor2: the dual interface IMyCanvas (its function table
// in the declared order, after IDispatch's seven functions), the class
// MyCanvas, and the member table from which name lookup and invocation work.
// The three GUIDs are fixed for ever: registrations and compiled clients
// record them.
#pragma once
#include "platform/automation/oleauto.h"
#include "platform/automation/typeinfo.h"

namespace zelnor {

using automation::BSTR;
using automation::HRESULT;
using automation::LONG;
using automation::VARIANT;
using automation::VARIANT_BOOL;

extern const automation::GUID LIBID_Zelnor2;
extern const automation::IID IID_IMyCanvas;
extern const automation::CLSID CLSID_MyCanvas;

class IMyCanvas : public automation::IDispatch {
 public:
  virtual HRESULT LoadFromFile(BSTR FileName, VARIANT_BOOL appendload, LONG X1, LONG Y1, LONG Cpmode,
                               LONG* Result) = 0;
  virtual HRESULT SaveToFile(BSTR FileName, VARIANT_BOOL Transparent, LONG TX1, LONG TY1, LONG* Result) = 0;
  virtual HRESULT get_JPEGCompressionQuality(LONG* Value) = 0;
  virtual HRESULT put_JPEGCompressionQuality(LONG value) = 0;
  virtual HRESULT get_JPEGProgressiveEncoding(VARIANT_BOOL* Value) = 0;
  virtual HRESULT put_JPEGProgressiveEncoding(VARIANT_BOOL value) = 0;
  virtual HRESULT SaveToStream(VARIANT* ToVar, BSTR FileType, VARIANT_BOOL Transparent, LONG TX1, LONG TY1,
                               LONG* Result) = 0;
  virtual HRESULT NewCanvas(LONG NewWidth, LONG NewHeight, LONG AddCanvas, LONG* Result) = 0;
  virtual HRESULT Line(LONG X1, LONG Y1, LONG X2, LONG Y2) = 0;
  virtual HRESULT RGBToColor(LONG R, LONG G, LONG B, LONG P, LONG* Result) = 0;
  virtual HRESULT get_PenColor(LONG* Value) = 0;
  virtual HRESULT put_PenColor(LONG value) = 0;
  virtual HRESULT get_PenStyle(LONG* Value) = 0;
  virtual HRESULT put_PenStyle(LONG value) = 0;
  virtual HRESULT get_PenWidth(LONG* Value) = 0;
  virtual HRESULT put_PenWidth(LONG value) = 0;
  virtual HRESULT PixelSet(LONG X1, LONG Y1, LONG PColor) = 0;
  virtual HRESULT PixelGet(LONG X1, LONG Y1, LONG* Result) = 0;
  virtual HRESULT Arc(LONG X1, LONG Y1, LONG X2, LONG Y2, LONG X3, LONG Y3, LONG X4, LONG Y4,
                      VARIANT_BOOL Chord, VARIANT_BOOL FillFlag) = 0;
  virtual HRESULT Ellipse(LONG X1, LONG Y1, LONG X2, LONG Y2, VARIANT_BOOL FillFlag) = 0;
  virtual HRESULT Circle(LONG X1, LONG Y1, LONG R1, VARIANT_BOOL FillFlag) = 0;
  virtual HRESULT Box(LONG X1, LONG Y1, LONG X2, LONG Y2, VARIANT_BOOL FillFlag) = 0;
  virtual HRESULT get_BrushColor(LONG* Value) = 0;
  virtual HRESULT put_BrushColor(LONG value) = 0;
  virtual HRESULT get_BrushStyle(LONG* Value) = 0;
  virtual HRESULT put_BrushStyle(LONG value) = 0;
  virtual HRESULT FloodFill(LONG X1, LONG Y1, LONG C1, VARIANT_BOOL BorderFlag) = 0;
  virtual HRESULT RoundBox(LONG X1, LONG Y1, LONG X2, LONG Y2, LONG X3, LONG Y3, VARIANT_BOOL FillFlag) = 0;
  virtual HRESULT StringWrite(LONG X1, LONG Y1, BSTR VarStr, VARIANT_BOOL BackTrans) = 0;
  virtual HRESULT StringHeight(BSTR Value, LONG* Result) = 0;
  virtual HRESULT StringWidth(BSTR Value, LONG* Result) = 0;
  virtual HRESULT get_FontColor(LONG* Value) = 0;
  virtual HRESULT put_FontColor(LONG value) = 0;
  virtual HRESULT get_FontName(BSTR* Value) = 0;
  virtual HRESULT put_FontName(BSTR value) = 0;
  virtual HRESULT get_FontSize(LONG* Value) = 0;
  virtual HRESULT put_FontSize(LONG value) = 0;
  virtual HRESULT get_FontBold(VARIANT_BOOL* Value) = 0;
  virtual HRESULT put_FontBold(VARIANT_BOOL value) = 0;
  virtual HRESULT get_FontItalic(VARIANT_BOOL* Value) = 0;
  virtual HRESULT put_FontItalic(VARIANT_BOOL value) = 0;
  virtual HRESULT get_FontStrikeOut(VARIANT_BOOL* Value) = 0;
  virtual HRESULT put_FontStrikeOut(VARIANT_BOOL value) = 0;
  virtual HRESULT get_FontUnderLine(VARIANT_BOOL* Value) = 0;
  virtual HRESULT put_FontUnderLine(VARIANT_BOOL value) = 0;
  virtual HRESULT FontList(VARIANT_BOOL SortFlag, VARIANT_BOOL TTFOnlyFlag, VARIANT_BOOL VetFontFlag,
                           VARIANT* Result) = 0;
  virtual HRESULT ConvertFile(BSTR FromFilePath, BSTR ToFilePath, BSTR FileType, LONG ReWidth, LONG ReHeight,
                              LONG GammaFlag, LONG ContrastFlag, VARIANT_BOOL HiQ, VARIANT_BOOL NotThumbMode,
                              VARIANT_BOOL SharpFlag, VARIANT_BOOL DullFlag, LONG* Result) = 0;
  virtual HRESULT BezierLine(LONG X1, LONG Y1, LONG X2, LONG Y2, LONG X3, LONG Y3, LONG X4, LONG Y4) = 0;
  virtual HRESULT SaveToClipboard(LONG* Result) = 0;
  virtual HRESULT LoadFromClipboard(VARIANT_BOOL ClearFlag, VARIANT_BOOL appendload, LONG X1, LONG Y1,
                                    LONG Cpmode, LONG* Result) = 0;
  virtual HRESULT LoadFromStream(VARIANT* FromVar, BSTR FileType, VARIANT_BOOL appendload, LONG X1, LONG Y1,
                                 LONG Cpmode, LONG* Result) = 0;
  virtual HRESULT get_BkColor(LONG* Value) = 0;
  virtual HRESULT put_BkColor(LONG value) = 0;
  virtual HRESULT get_BkMode(LONG* Value) = 0;
  virtual HRESULT put_BkMode(LONG value) = 0;
  virtual HRESULT Stretch(LONG NewWidth, LONG NewHeight, VARIANT_BOOL HiQ, VARIANT_BOOL NotThumbMode,
                          LONG* Result) = 0;
  virtual HRESULT Gamma(LONG Value, LONG* Result) = 0;
  virtual HRESULT Contrast(LONG Value, LONG* Result) = 0;
  virtual HRESULT SetWallPaper(BSTR FileName, VARIANT_BOOL SaveRegs, LONG* Result) = 0;
  virtual HRESULT Mask(LONG MaskColor, VARIANT_BOOL Reverse, LONG* Result) = 0;
  virtual HRESULT Reversal(LONG* Result) = 0;
  virtual HRESULT Pie(LONG X1, LONG Y1, LONG X2, LONG Y2, LONG X3, LONG Y3, LONG X4, LONG Y4,
                      VARIANT_BOOL FillFlag) = 0;
  virtual HRESULT get_PixelFormat(LONG* Value) = 0;
  virtual HRESULT put_PixelFormat(LONG value) = 0;
  virtual HRESULT CaptureWindow(BSTR WindowName, VARIANT_BOOL appendflag, LONG X1, LONG Y1, LONG Cpmode,
                                LONG* Result) = 0;
  virtual HRESULT GetCanvas(VARIANT* ToVar, LONG X1, LONG Y1, LONG X2, LONG Y2, LONG* Result) = 0;
  virtual HRESULT PutCanvas(VARIANT* FromVar, LONG X1, LONG Y1, LONG Cpmode, LONG* Result) = 0;
  virtual HRESULT get_Width(LONG* Value) = 0;
  virtual HRESULT put_Width(LONG value) = 0;
  virtual HRESULT get_Height(LONG* Value) = 0;
  virtual HRESULT put_Height(LONG value) = 0;
  virtual HRESULT get_GIFCompressionMode(LONG* Value) = 0;
  virtual HRESULT put_GIFCompressionMode(LONG value) = 0;
  virtual HRESULT Gray(LONG vR, LONG vG, LONG vB, LONG* Result) = 0;
  virtual HRESULT Dull(LONG* Result) = 0;
  virtual HRESULT Sharp(LONG* Result) = 0;
  virtual HRESULT CustomFilter(LONG B0, LONG B1, LONG B2, LONG B3, LONG B4, LONG B5, LONG B6, LONG B7,
                               LONG B8, LONG aBias, LONG aDivis, LONG* Result) = 0;
  virtual HRESULT get_CurrentCanvasIndex(LONG* Value) = 0;
  virtual HRESULT put_CurrentCanvasIndex(LONG value) = 0;
  virtual HRESULT get_UBound(LONG* Value) = 0;
  virtual HRESULT get_LBound(LONG* Value) = 0;
  virtual HRESULT SaveAniGIFToFile(BSTR FileName, LONG Delay, LONG Loops, VARIANT_BOOL Transparent, LONG TX1,
                                   LONG TY1, LONG* Result) = 0;
  virtual HRESULT SaveAniGIFToStream(VARIANT* ToVar, LONG Delay, LONG Loops, VARIANT_BOOL Transparent,
                                     LONG TX1, LONG TY1, LONG* Result) = 0;
  virtual HRESULT get_PNGCompressionLevel(LONG* Value) = 0;
  virtual HRESULT put_PNGCompressionLevel(LONG value) = 0;
};

constexpr int kMyCanvasFunctions = 85;

const automation::TypeLibDesc& Zelnor2Library();
const automation::InterfaceDesc& IMyCanvasInterface();
const automation::CoClassDesc& MyCanvasClass();

// Loads the type information of IMyCanvas and of MyCanvas (new references).
HRESULT LoadZelnor2TypeInfo(automation::ITypeInfo** iface, automation::ITypeInfo** cls);

}  // namespace zelnor
