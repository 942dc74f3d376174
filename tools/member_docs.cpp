#include "tools/member_docs.h"

#include <map>
#include <sstream>

#include "platform/automation/typeinfo.h"

namespace zelnor2_cli {
namespace {
using namespace automation;

std::string TypeText(const TYPEDESC& t) {
  if (t.vt == VT_PTR && t.lptdesc) return TypeText(*t.lptdesc) + "*";
  switch (t.vt) {
    case VT_I4:
      return "I4";
    case VT_BOOL:
      return "BOOL";
    case VT_BSTR:
      return "BSTR";
    case VT_VARIANT:
      return "VARIANT";
    default:
      return "VT" + std::to_string(t.vt);
  }
}

std::string PythonDefault(const VARIANT& v) {
  switch (v.vt) {
    case VT_BOOL:
      return v.boolVal ? "True" : "False";
    case VT_I4:
      return std::to_string(v.lVal);
    case VT_BSTR:
      return '"' + Utf8FromBstr(v.bstrVal) + '"';
    default:
      return "?";
  }
}

// Reads a text that custom data holds; "" when there is none.
template <class Read>
std::string CustText(Read read) {
  VARIANT v;
  VariantInit(&v);
  std::string text;
  if (SUCCEEDED(read(&v)) && v.vt == VT_BSTR) text = Utf8FromBstr(v.bstrVal);
  VariantClear(&v);
  return text;
}

std::vector<std::string> Names(ITypeInfo* info, MEMBERID memid) {
  BSTR raw[64] = {};
  UINT count = 0;
  info->GetNames(memid, raw, 64, &count);
  std::vector<std::string> names;
  for (UINT n = 0; n < count; ++n) {
    names.push_back(Utf8FromBstr(raw[n]));
    SysFreeString(raw[n]);
  }
  return names;
}

std::string Documentation(ITypeInfo* info, MEMBERID memid) {
  BSTR doc = nullptr;
  std::string text;
  if (SUCCEEDED(info->GetDocumentation(memid, nullptr, &doc, nullptr, nullptr))) text = Utf8FromBstr(doc);
  SysFreeString(doc);
  return text;
}

// Fills the parameters and the result of a method from its description.
void ReadParams(const FUNCDESC& fd, const std::vector<std::string>& names, ITypeInfo2* info2, UINT index,
                MemberText* m) {
  size_t named = 1;
  for (int16_t i = 0; i < fd.cParams; ++i) {
    const ELEMDESC& e = fd.lprgelemdescParam[i];
    USHORT flags = e.paramdesc.wParamFlags;
    std::string name = named < names.size() ? names[named++] : "?";
    if (flags & PARAMFLAG_FRETVAL) {
      m->result_name = name;
      m->result_type = TypeText(*e.tdesc.lptdesc);
      continue;
    }
    ParamText p{name, TypeText(e.tdesc)};
    p.optional = (flags & PARAMFLAG_FOPT) != 0;
    if ((flags & PARAMFLAG_FHASDEFAULT) && e.paramdesc.pparamdescex)
      p.default_text = PythonDefault(e.paramdesc.pparamdescex->varDefaultValue);
    if (info2)
      p.help = CustText([&](VARIANT* v) { return info2->GetParamCustData(index, i, GUID_ParamHelp, v); });
    m->params.push_back(std::move(p));
  }
}
}  // namespace

std::vector<MemberText> ReadMembers(ITypeInfo* info) {
  std::vector<MemberText> members;
  TYPEATTR* attr = nullptr;
  if (FAILED(info->GetTypeAttr(&attr))) return members;
  UINT count = attr->cFuncs;
  info->ReleaseTypeAttr(attr);
  ITypeInfo2* info2 = nullptr;
  if (FAILED(info->QueryInterface(IID_ITypeInfo2, reinterpret_cast<void**>(&info2)))) info2 = nullptr;
  std::map<std::string, size_t> properties;
  for (UINT i = 0; i < count; ++i) {
    FUNCDESC* fd = nullptr;
    if (FAILED(info->GetFuncDesc(i, &fd))) continue;
    std::vector<std::string> names = Names(info, fd->memid);
    std::string name = names.empty() ? "?" : names[0];
    auto known = properties.find(name);
    if (fd->invkind != INVOKE_FUNC && known != properties.end()) {
      if (fd->invkind != INVOKE_PROPERTYGET) members[known->second].kind = MemberText::kProperty;
      info->ReleaseFuncDesc(fd);
      continue;
    }
    MemberText m;
    m.name = name;
    m.dispid = fd->memid;
    m.help = Documentation(info, fd->memid);
    if (info2)
      m.example = CustText([&](VARIANT* v) { return info2->GetFuncCustData(i, GUID_MemberExample, v); });
    if (fd->invkind == INVOKE_FUNC) {
      ReadParams(*fd, names, info2, i, &m);
    } else {
      m.kind = fd->invkind == INVOKE_PROPERTYGET ? MemberText::kReadOnlyProperty : MemberText::kProperty;
      const ELEMDESC& e = fd->lprgelemdescParam[0];
      m.result_type = fd->invkind == INVOKE_PROPERTYGET ? TypeText(*e.tdesc.lptdesc) : TypeText(e.tdesc);
      properties[name] = members.size();
    }
    members.push_back(std::move(m));
    info->ReleaseFuncDesc(fd);
  }
  if (info2) info2->Release();
  return members;
}

namespace {
size_t Columns(const std::string& word) {
  size_t n = 0;
  for (unsigned char c : word) n += (c & 0xC0) != 0x80;
  return n;
}
}  // namespace

std::string Wrap(const std::string& text, size_t width, const std::string& first_indent,
                 const std::string& indent) {
  std::istringstream words(text);
  std::string out = first_indent, word;
  size_t column = Columns(first_indent);
  bool line_empty = true;
  while (words >> word) {
    size_t w = Columns(word);
    if (!line_empty && column + 1 + w > width) {
      out += '\n' + indent;
      column = Columns(indent);
      line_empty = true;
    }
    if (!line_empty) {
      out += ' ';
      ++column;
    }
    out += word;
    column += w;
    line_empty = false;
  }
  return out;
}

namespace {
constexpr size_t kTextWidth = 79;
constexpr size_t kMarkdownWidth = 100;

// Escapes the characters Markdown would read as markup, outside `code`.
std::string MarkdownEscape(const std::string& text) {
  std::string out;
  bool code = false;
  for (char c : text) {
    if (c == '`') code = !code;
    if (!code && (c == '*' || c == '_' || c == '<' || c == '|' || c == '\\')) out += '\\';
    out += c;
  }
  return out;
}

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return parts;
    start = end + separator.size();
  }
}

std::string Trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Paragraphs and list items of a help text, wrapped, with the given indent.
// A list item runs from its "- " line to the next item or the paragraph's end.
std::string FormatHelp(const std::string& help, Style style, const std::string& indent) {
  size_t width = style == Style::kText ? kTextWidth : kMarkdownWidth;
  std::string out;
  for (const std::string& paragraph : Split(help, "\n\n")) {
    if (Trimmed(paragraph).empty()) continue;
    if (!out.empty()) out += "\n";
    std::string text;
    bool item = false;
    auto flush = [&] {
      if (text.empty()) return;
      out +=
          (item ? Wrap(text, width, indent + "- ", indent + "  ") : Wrap(text, width, indent, indent)) + '\n';
      text.clear();
    };
    for (const std::string& raw : Split(paragraph, "\n")) {
      std::string line = Trimmed(raw);
      if (style == Style::kMarkdown) line = MarkdownEscape(line);
      if (line.rfind("- ", 0) == 0) {
        flush();
        item = true;
        line = line.substr(2);
      }
      text += (text.empty() ? "" : " ") + line;
    }
    flush();
  }
  if (!out.empty()) out.pop_back();
  return out;
}

std::string Signature(const MemberText& m) {
  if (m.kind != MemberText::kMethod) return m.name;
  std::string s = m.name + "(";
  for (size_t i = 0; i < m.params.size(); ++i) {
    const ParamText& p = m.params[i];
    if (i) s += ", ";
    if (!p.default_text.empty())
      s += p.name + "=" + p.default_text;
    else
      s += p.optional ? "[" + p.name + "]" : p.name;
  }
  return s + ")";
}

std::string Facts(const MemberText& m) {
  std::string id = "dispatch id " + std::to_string(m.dispid);
  switch (m.kind) {
    case MemberText::kProperty:
      return "property, " + m.result_type + ", read and write, " + id;
    case MemberText::kReadOnlyProperty:
      return "property, " + m.result_type + ", read only, " + id;
    case MemberText::kMethod:
      break;
  }
  std::string returns =
      m.result_name.empty() ? "returns nothing" : "returns " + m.result_name + " (" + m.result_type + ")";
  return "method, " + id + ", " + returns;
}

std::string ParamDefault(const ParamText& p) {
  if (!p.default_text.empty()) return p.default_text;
  return p.optional ? "optional, no default" : "required";
}

std::string TextParams(const MemberText& m) {
  size_t name_width = 0, type_width = 0;
  for (const ParamText& p : m.params) {
    name_width = std::max(name_width, Columns(p.name));
    type_width = std::max(type_width, p.type.size());
  }
  std::string out = "  Parameters:\n";
  for (const ParamText& p : m.params) {
    std::string head = "    " + p.name + std::string(name_width - Columns(p.name) + 2, ' ') + p.type +
                       std::string(type_width - p.type.size() + 2, ' ');
    std::string text = (p.default_text.empty() ? ParamDefault(p) : "default " + p.default_text) +
                       (p.help.empty() ? "" : ": " + p.help);
    out += Wrap(text, kTextWidth, head, std::string(Columns(head), ' ')) + '\n';
  }
  return out;
}

std::string MarkdownParams(const MemberText& m) {
  std::string out = "| Parameter | Type | Default | Meaning |\n|---|---|---|---|\n";
  for (const ParamText& p : m.params) {
    std::string def = p.default_text.empty() ? ParamDefault(p) : "`" + p.default_text + "`";
    out += "| `" + p.name + "` | " + p.type + " | " + def + " | " + MarkdownEscape(p.help) + " |\n";
  }
  return out;
}

std::string Indented(const std::string& code, const std::string& indent) {
  std::string out;
  for (const std::string& line : Split(code, "\n")) out += (line.empty() ? "" : indent + line) + '\n';
  return out;
}
}  // namespace

std::string FormatMember(const MemberText& m, Style style) {
  std::string out;
  if (style == Style::kText) {
    out = Signature(m) + "\n  " + Facts(m) + "\n";
    if (!m.help.empty()) out += "\n" + FormatHelp(m.help, style, "  ") + "\n";
    if (!m.params.empty()) out += "\n" + TextParams(m);
    if (!m.example.empty()) out += "\n  Example:\n" + Indented(m.example, "    ");
    return out;
  }
  out = "### " + m.name + "\n\n`" + Signature(m) + "`: " + Facts(m) + ".\n";
  if (!m.help.empty()) out += "\n" + FormatHelp(m.help, style, "") + "\n";
  if (!m.params.empty()) out += "\n" + MarkdownParams(m);
  if (!m.example.empty())
    out += "\n```python\n" + m.example + (m.example.back() == '\n' ? "" : "\n") + "```\n";
  return out;
}

}  // namespace zelnor2_cli
