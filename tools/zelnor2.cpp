// zelnor2: registers and unregisters component modules, prints the member
// table and the reference text of a registered class, and converts image
// files in batches.  Exit codes: 0 done, 1 the operation failed, 2 bad
// command line.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/activation/activation.h"
#include "platform/registry/registry.h"
#include "tools/convert_command.h"
#include "tools/member_docs.h"

namespace {
using namespace automation;
namespace fs = std::filesystem;

constexpr int kOk = 0, kFailed = 1, kUsage = 2;

const char* kUsageText =
    "usage: zelnor2 <command> [options]\n"
    "\n"
    "commands:\n"
    "  register [MODULE]     register the component module (default: the one installed with zelnor2);\n"
    "                        --system: in the machine-wide store, for every user (needs root)\n"
    "  unregister [MODULE]   remove the module's registration (--system: from the machine-wide store)\n"
    "  members [PROGID]      print the member table of a registered class (default: Zelnor2.MyCanvas);\n"
    "                        --long: every member with its description and example\n"
    "  help MEMBER [PROGID]  describe one member: signature, what it does, result codes, example\n"
    "  convert SOURCE...     convert image files on every core (resize, effects, another type)\n"
    "\n"
    "Lookups read the user's registration store, $XDG_CONFIG_HOME/zelnor2/registry (else\n"
    "~/.config/zelnor2/registry), then the machine-wide one, readable by every user:\n"
    "  " ZELNOR_MACHINE_REGISTRY
    "\n"
    "Registration writes the machine-wide store when run as root, else the user's.\n"
    "$ZELNOR2_REGISTRY names one store that replaces both.\n"
    "'zelnor2 <command> --help' describes a command.\n";

const char* kRegisterHelp =
    "usage: zelnor2 register [--system] [MODULE]\n"
    "Calls the module's DllRegisterServer, which records its classes in the registration store:\n"
    "the machine-wide one when run as root, else the user's ($ZELNOR2_REGISTRY replaces both).\n"
    "--system insists on the machine-wide store, for every user of the machine: it needs root.\n"
    "MODULE defaults to the Zelnor2.so installed with this program (or in its build tree).\n";
const char* kUnregisterHelp =
    "usage: zelnor2 unregister [--system] [MODULE]\n"
    "Calls the module's DllUnregisterServer, which removes its classes from the registration store\n"
    "that 'zelnor2 register' writes.  --system insists on the machine-wide store: it needs root.\n"
    "MODULE defaults to the Zelnor2.so installed with this program (or in its build tree).\n";
const char* kMembersHelp =
    "usage: zelnor2 members [--long | --markdown] [PROGID]\n"
    "Creates an object of the registered class PROGID (default Zelnor2.MyCanvas) and prints its\n"
    "interface from the type information: dispatch id, kind, name, parameters with their defaults,\n"
    "and the returned value.  --long prints every member as 'zelnor2 help' does; --markdown prints\n"
    "the same in Markdown (the member entries of docs/reference.md).\n";
const char* kHelpHelp =
    "usage: zelnor2 help MEMBER [PROGID]\n"
    "Describes one member of the registered class PROGID (default Zelnor2.MyCanvas), from its type\n"
    "information: the signature with defaults, what it does, its result codes and failure messages,\n"
    "its parameters and a Python example.  MEMBER is matched without regard to letter case.\n";

std::string DefaultModule() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return "Zelnor2.so";
  fs::path dir = exe.parent_path();
  // Beside the program, in the build tree, or where the install rules put it.
  for (const fs::path& candidate :
       {dir / "Zelnor2.so", dir / "../lib/Zelnor2.so", dir / ZELNOR_MODULE_FROM_BIN / "Zelnor2.so"})
    if (fs::exists(candidate, ec)) return fs::weakly_canonical(candidate, ec).string();
  return (dir / "Zelnor2.so").string();
}

std::string ErrorDescription() {
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) != S_OK || !info) return {};
  BSTR text = nullptr;
  info->GetDescription(&text);
  std::string out = Utf8FromBstr(text);
  SysFreeString(text);
  info->Release();
  return out;
}

// The store that the module's registration functions will write, or "" (with
// a message printed) when --system cannot be honoured.
std::string TargetStore(bool system) {
  std::string store = registry::RegistrationStore().File();
  if (system && ::geteuid() != 0) {
    std::fprintf(stderr,
                 "zelnor2: --system needs root: the machine-wide store %s is writable only by root "
                 "(try sudo)\n",
                 registry::MachineFile().c_str());
    return {};
  }
  if (store.empty()) std::fputs("zelnor2: no registration store: set HOME or ZELNOR2_REGISTRY\n", stderr);
  return store;
}

int RunRegistration(std::vector<std::string> args, bool reg) {
  bool system = std::erase(args, "--system") > 0;
  if (args.size() > 1) {
    std::fputs(reg ? kRegisterHelp : kUnregisterHelp, stderr);
    return kUsage;
  }
  std::string store = TargetStore(system);
  if (store.empty()) return kFailed;
  std::error_code ec;
  std::string module = args.empty() ? DefaultModule() : fs::absolute(args[0], ec).string();
  std::string error;
  activation::Module* m = activation::LoadModule(module, &error);
  if (!m) {
    std::fprintf(stderr, "zelnor2: %s\n", error.c_str());
    return kFailed;
  }
  SetErrorInfo(0, nullptr);
  HRESULT hr = reg ? m->DllRegisterServer() : m->DllUnregisterServer();
  if (FAILED(hr)) {
    std::string why = ErrorDescription();
    std::fprintf(stderr, "zelnor2: %s failed (%s)%s%s (store %s)\n", reg ? "registration" : "unregistration",
                 activation::HResultName(hr).c_str(), why.empty() ? "" : ": ", why.c_str(), store.c_str());
    return kFailed;
  }
  std::printf("%s %s %s %s\n", reg ? "registered" : "unregistered", module.c_str(), reg ? "in" : "from",
              store.c_str());
  return kOk;
}

std::string TypeName(const TYPEDESC& t) {
  if (t.vt == VT_PTR && t.lptdesc) return TypeName(*t.lptdesc) + "*";
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

std::string DefaultText(const VARIANT& v) {
  switch (v.vt) {
    case VT_BOOL:
      return v.boolVal ? "True" : "False";
    case VT_I4:
      return std::to_string(v.lVal);
    case VT_BSTR: {
      std::string text(1, '"');
      text += Utf8FromBstr(v.bstrVal);
      text += '"';
      return text;
    }
    default:
      return "?";
  }
}

std::string DescribeParameters(const FUNCDESC& fd, const std::vector<std::string>& names) {
  std::string params, result;
  size_t named = 1;
  for (int16_t i = 0; i < fd.cParams; ++i) {
    const ELEMDESC& e = fd.lprgelemdescParam[i];
    USHORT flags = e.paramdesc.wParamFlags;
    bool put_value = fd.invkind != INVOKE_FUNC && fd.invkind != INVOKE_PROPERTYGET;
    std::string name = put_value ? "value" : named < names.size() ? names[named++] : "?";
    std::string text = name + ": " + TypeName(e.tdesc);
    if (flags & PARAMFLAG_FRETVAL) {
      result = " -> " + name + ": " + TypeName(*e.tdesc.lptdesc);
      continue;
    }
    if (flags & PARAMFLAG_FOUT) text += " [in,out]";
    if ((flags & PARAMFLAG_FHASDEFAULT) && e.paramdesc.pparamdescex)
      text += " = " + DefaultText(e.paramdesc.pparamdescex->varDefaultValue);
    if (flags & PARAMFLAG_FOPT) text = "[" + text + "]";
    params += (params.empty() ? "" : ", ") + text;
  }
  return params + result;
}

int PrintMembers(ITypeInfo* info) {
  TYPEATTR* attr = nullptr;
  if (FAILED(info->GetTypeAttr(&attr))) return kFailed;
  BSTR name = nullptr, doc = nullptr;
  info->GetDocumentation(MEMBERID_NIL, &name, &doc, nullptr, nullptr);
  std::printf("interface %s %s version %u.%u, %u functions\n", Utf8FromBstr(name).c_str(),
              GuidToString(attr->guid).c_str(), attr->wMajorVerNum, attr->wMinorVerNum, attr->cFuncs);
  std::printf("  %s\n\n%6s  %-6s  %-24s %s\n", Utf8FromBstr(doc).c_str(), "DispID", "Kind", "Name",
              "Parameters");
  SysFreeString(name);
  SysFreeString(doc);
  for (UINT i = 0; i < attr->cFuncs; ++i) {
    FUNCDESC* fd = nullptr;
    if (FAILED(info->GetFuncDesc(i, &fd))) continue;
    BSTR raw[32] = {};
    UINT count = 0;
    info->GetNames(fd->memid, raw, 32, &count);
    std::vector<std::string> names;
    for (UINT n = 0; n < count; ++n) {
      names.push_back(Utf8FromBstr(raw[n]));
      SysFreeString(raw[n]);
    }
    const char* kind = fd->invkind == INVOKE_PROPERTYGET ? "get"
                       : fd->invkind == INVOKE_FUNC      ? "method"
                                                         : "put";
    std::printf("%6d  %-6s  %-24s %s\n", fd->memid, kind, names.empty() ? "?" : names[0].c_str(),
                DescribeParameters(*fd, names).c_str());
    info->ReleaseFuncDesc(fd);
  }
  info->ReleaseTypeAttr(attr);
  return kOk;
}

// Runs print on the type information of a new object of the registered class.
template <class Print>
int WithTypeInfo(const std::string& progid, Print print) {
  IDispatch* object = nullptr;
  std::string error;
  HRESULT hr = activation::CoCreateInstance(progid, IID_IDispatch, reinterpret_cast<void**>(&object), &error);
  if (FAILED(hr)) {
    std::fprintf(stderr, "zelnor2: %s (run 'zelnor2 register' first?)\n", error.c_str());
    return kFailed;
  }
  ITypeInfo* info = nullptr;
  int rc = kFailed;
  if (SUCCEEDED(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info)) && info) {
    rc = print(info);
    info->Release();
  } else {
    std::fprintf(stderr, "zelnor2: %s has no type information\n", progid.c_str());
  }
  object->Release();
  return rc;
}

int PrintLong(ITypeInfo* info, zelnor2_cli::Style style) {
  bool first = true;
  for (const zelnor2_cli::MemberText& m : zelnor2_cli::ReadMembers(info)) {
    std::printf("%s%s", first ? "" : "\n", zelnor2_cli::FormatMember(m, style).c_str());
    first = false;
  }
  return kOk;
}

int RunMembers(std::vector<std::string> args) {
  bool markdown = std::erase(args, "--markdown") > 0;
  bool long_form = std::erase(args, "--long") > 0 || markdown;
  if (args.size() > 1) {
    std::fputs(kMembersHelp, stderr);
    return kUsage;
  }
  std::string progid = args.empty() ? "Zelnor2.MyCanvas" : args[0];
  return WithTypeInfo(progid, [&](ITypeInfo* info) {
    if (!long_form) return PrintMembers(info);
    return PrintLong(info, markdown ? zelnor2_cli::Style::kMarkdown : zelnor2_cli::Style::kText);
  });
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

int RunHelp(const std::vector<std::string>& args) {
  if (args.empty() || args.size() > 2) {
    std::fputs(kHelpHelp, stderr);
    return kUsage;
  }
  std::string progid = args.size() > 1 ? args[1] : "Zelnor2.MyCanvas";
  return WithTypeInfo(progid, [&](ITypeInfo* info) {
    for (const zelnor2_cli::MemberText& m : zelnor2_cli::ReadMembers(info))
      if (SameName(m.name, args[0]))
        return std::fputs(zelnor2_cli::FormatMember(m, zelnor2_cli::Style::kText).c_str(), stdout), kOk;
    std::fprintf(stderr, "zelnor2: %s has no member named %s ('zelnor2 members' lists them)\n",
                 progid.c_str(), args[0].c_str());
    return kFailed;
  });
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsageText, stderr);
    return kUsage;
  }
  std::string command = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  bool help = false;
  for (const std::string& a : args) help = help || a == "--help" || a == "-h";
  if (command == "--help" || command == "-h" || (command == "help" && args.empty())) {
    std::fputs(kUsageText, stdout);
    return kOk;
  }
  if (command == "convert") return convert_cli::RunConvert(args);
  bool registration = command == "register" || command == "unregister";
  for (const std::string& a : args) {
    bool members_option = command == "members" && (a == "--long" || a == "--markdown");
    bool allowed = members_option || (registration && a == "--system");
    if (!help && !a.empty() && a[0] == '-' && !allowed) {
      std::fprintf(stderr, "zelnor2: unknown option %s\n", a.c_str());
      return kUsage;
    }
  }
  if (registration) {
    if (help) return std::fputs(command == "register" ? kRegisterHelp : kUnregisterHelp, stdout), kOk;
    return RunRegistration(args, command == "register");
  }
  if (command == "members") {
    if (help) return std::fputs(kMembersHelp, stdout), kOk;
    return RunMembers(args);
  }
  if (command == "help") {
    if (help) return std::fputs(kHelpHelp, stdout), kOk;
    return RunHelp(args);
  }
  std::fprintf(stderr, "zelnor2: unknown command '%s'\n\n%s", command.c_str(), kUsageText);
  return kUsage;
}
