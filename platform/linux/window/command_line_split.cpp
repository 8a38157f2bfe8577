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

}  // namespace zanq::ui
