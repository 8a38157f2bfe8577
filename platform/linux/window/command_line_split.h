// Splits a parameter string into arguments the way the Windows C runtime
// splits a command line.
#pragma once

#include <string>
#include <vector>

namespace zanq::ui {

// Blanks and tabs separate arguments outside double quotes; a quote opens or
// closes a quoted part (inside one, "" stands for one quote); 2n
// backslashes before a quote become n and the quote acts, 2n+1 become n and
// a literal quote; other backslashes are literal.
std::vector<std::wstring> SplitCommandLine(const std::wstring& line);

}  // namespace zanq::ui
