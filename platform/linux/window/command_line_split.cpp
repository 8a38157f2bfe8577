#include "window/command_line_split.h"

#include <cstdint>

namespace zanq::ui {

std::vector<std::wstring> SplitCommandLine(const std::wstring& line) {
    std::vector<std::wstring> arguments;
    std::size_t i = 0;
    const std::size_t n = line.size();
    auto isBlank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
    for (;;) {
        while (i < n && isBlank(line[i])) ++i;
        if (i >= n) break;
        std::wstring argument;
        bool quoted = false;
        while (i < n && (quoted || !isBlank(line[i]))) {
            if (line[i] == L'\\') {
                std::size_t slashes = 0;
                while (i < n && line[i] == L'\\') {
                    ++slashes;
                    ++i;
                }
                if (i < n && line[i] == L'"') {
                    argument.append(slashes / 2, L'\\');
                    if (slashes % 2 == 1) {
                        argument += L'"';
                        ++i;
                    }
                } else {
                    argument.append(slashes, L'\\');
                }
            } else if (line[i] == L'"') {
                if (quoted && i + 1 < n && line[i + 1] == L'"') {
                    argument += L'"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                argument += line[i++];
            }
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

std::string ToUtf8(const std::wstring& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<std::uint32_t>(text[i]);
        // A surrogate pair, should one come in, is joined.
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
            auto low = static_cast<std::uint32_t>(text[i + 1]);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace zanq::ui
