// Small text helpers of the URL service: HTTP header fields are ASCII and
// compared without regard to case; status texts are wide.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

inline std::wstring Widen(std::string_view text) {
    std::wstring wide;
    wide.reserve(text.size());
    for (unsigned char c : text) wide.push_back(static_cast<wchar_t>(c));
    return wide;
}

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

inline bool ContainsNoCase(std::string_view text, std::string_view word) {
    if (word.size() > text.size()) return false;
    for (std::size_t i = 0; i + word.size() <= text.size(); ++i) {
        if (EqualsNoCase(text.substr(i, word.size()), word)) return true;
    }
    return false;
}

inline std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}
