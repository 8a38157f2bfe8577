#include "core/paths.h"

#include <cstdint>

#include "core/utf8.h"
#include "testing/system_paths.h"

namespace zanq::os {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool AppendPathCharacter(std::string& out, wchar_t c) {
    const auto code = static_cast<char32_t>(c);
    if (code == 0 || !IsValidCodePoint(code)) return false;
    AppendUtf8(out, code);
    return true;
}

}  // namespace

std::optional<std::string> ToSystemPath(std::wstring_view windowsPath) {
    std::string out;
    out.reserve(windowsPath.size());
    bool lastWasSeparator = false;
    for (const wchar_t c : windowsPath) {
        if (IsSeparator(c)) {
            if (!lastWasSeparator) out += '/';
            lastWasSeparator = true;
            continue;
        }
        lastWasSeparator = false;
        if (!AppendPathCharacter(out, c)) return std::nullopt;
    }
    return out;
}

std::optional<std::wstring> ToWindowsPath(std::string_view systemPath) {
    std::wstring out;
    out.reserve(systemPath.size());
    std::size_t i = 0;
    while (i < systemPath.size()) {
        const auto lead = static_cast<unsigned char>(systemPath[i]);
        std::size_t extra = 0;
        std::uint32_t code = 0;
        if (lead < 0x80) {
            code = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            code = lead & 0x1Fu;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            code = lead & 0x0Fu;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            code = lead & 0x07u;
        } else {
            return std::nullopt;
        }
        if (i + extra >= systemPath.size()) return std::nullopt;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(systemPath[i + k]);
            if ((next & 0xC0) != 0x80) return std::nullopt;
            code = (code << 6) | (next & 0x3Fu);
        }
        static constexpr std::uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
        out += code == '/' ? L'\\' : static_cast<wchar_t>(code);
        i += extra + 1;
    }
    return out;
}

}  // namespace zanq::os

std::string zanq::testing::SystemPath(const std::wstring& windowsPath) {
    return zanq::os::ToSystemPath(windowsPath).value_or(std::string());
}
