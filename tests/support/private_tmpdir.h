// Points TMPDIR at a fresh private directory for one test, so that the
// files the program makes there can be seen and are removed afterwards.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

class PrivateTmpdir {
public:
    PrivateTmpdir() {
        if (const char* value = getenv("TMPDIR")) saved_ = value;
        std::string pattern = "/tmp/zanq-support-test.XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        root_ = pattern;
        setenv("TMPDIR", pattern.c_str(), 1);
    }
    ~PrivateTmpdir() {
        if (saved_) {
            setenv("TMPDIR", saved_->c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    PrivateTmpdir(const PrivateTmpdir&) = delete;
    PrivateTmpdir& operator=(const PrivateTmpdir&) = delete;

    const std::filesystem::path& root() const { return root_; }

    // The directory as the program sees it: backslashes, one at the end.
    std::wstring WindowsForm() const {
        std::wstring path = root_.wstring() + L"/";
        for (auto& c : path) {
            if (c == L'/') c = L'\\';
        }
        return path;
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& item : std::filesystem::directory_iterator(root_)) {
            names.push_back(item.path().filename().string());
        }
        return names;
    }

    std::string Read(const std::string& name) const {
        std::ifstream in(root_ / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::filesystem::path root_;
    std::optional<std::string> saved_;
};
