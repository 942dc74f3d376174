// The reference text of a class's members, read from its type information:
// signatures with their defaults, descriptions, parameter help and examples.
// The zelnor2 command prints it as plain text ('members --long', 'help
// MEMBER') and as Markdown ('members --markdown', the source of
// docs/reference.md), so that both say the same.
#pragma once
#include <string>
#include <vector>

#include "platform/automation/oleauto.h"

namespace zelnor2_cli {

struct ParamText {
  std::string name;
  std::string type;          // I4, BOOL, BSTR, VARIANT*
  std::string default_text;  // as Python writes it: 0, False, "JPEG"; empty without a default
  bool optional = false;
  std::string help;
};

// A method, or a property with its get and its put (one dispatch id).
struct MemberText {
  enum Kind { kMethod, kProperty, kReadOnlyProperty };
  std::string name;
  Kind kind = kMethod;
  int dispid = 0;
  std::vector<ParamText> params;  // a property's put value is not listed
  std::string result_name;        // the [out,retval] value; empty without one
  std::string result_type;        // for a property, the value's type
  std::string help;
  std::string example;
};

// Every member of the interface, in function-table order; a property is one
// entry at the place of its get.
std::vector<MemberText> ReadMembers(automation::ITypeInfo* info);

enum class Style { kText, kMarkdown };

// The whole entry of one member.  Help texts are paragraphs separated by blank
// lines; a line that starts with "- " is a list item; `backticks` mark code.
std::string FormatMember(const MemberText& member, Style style);

// Breaks text into lines of at most width characters (UTF-8 aware), each
// line after the first starting with indent.
std::string Wrap(const std::string& text, size_t width, const std::string& first_indent,
                 const std::string& indent);

}  // namespace zelnor2_cli
