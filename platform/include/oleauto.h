// System strings (BSTR): length-prefixed wide strings that end in a NUL.
#pragma once

#include "win32/types.h"

using OLECHAR = WCHAR;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using BSTR = OLECHAR*;

// Copies strIn, or with a null strIn leaves the ui characters zeroed; a NUL
// follows them in any case. Null when memory runs out.
BSTR WINAPI SysAllocStringLen(const OLECHAR* strIn, UINT ui);
BSTR WINAPI SysAllocString(const OLECHAR* psz);
void WINAPI SysFreeString(BSTR bstrString);
UINT WINAPI SysStringLen(BSTR pbstr);
