// Windows-style wide paths and the system's UTF-8 paths.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zanq::os {

// '\' and '/' both separate components and a run of separators counts as
// one, so "\tmp\\a\b" names "/tmp/a/b". Other characters are encoded as
// UTF-8. Empty for empty text; nothing for text that is not valid Unicode
// (surrogates, values beyond U+10FFFF).
std::optional<std::string> ToSystemPath(std::wstring_view windowsPath);

// The reverse for reporting paths to the program: UTF-8 decoded, every '/'
// turned into '\'. Nothing for bytes that are not valid UTF-8.
std::optional<std::wstring> ToWindowsPath(std::string_view systemPath);

}  // namespace zanq::os
