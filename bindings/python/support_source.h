// Python source run into the zelnor2 module when it is imported.
#pragma once

namespace zelnor2py {

// ComError; ResultCode, PixelFormat and CopyMode with their members at module
// level (zelnor2.rcOK, zelnor2.pf24bit, zelnor2.SRCCOPY); _member_doc(summary)
// and _member_signature(summary), which turn what the type information says
// about a member into its docstring and its inspect.Signature.  Ref must be
// in the module before this runs.
extern const char* const kSupportSource;

}  // namespace zelnor2py
