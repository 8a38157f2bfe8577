// A fresh private directory for one test, removed with its content after.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = "/tmp/zanq-platform-test.XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        root_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& root() const { return root_; }
    std::string Path(const std::string& name) const { return (root_ / name).string(); }
    // The same path as the program would spell it: backslashes.
    std::wstring WinPath(const std::string& name) const {
        std::wstring path = (root_ / name).wstring();
        for (auto& c : path) {
            if (c == L'/') c = L'\\';
        }
        return path;
    }

    void Write(const std::string& name, const std::string& content) const {
        std::ofstream(root_ / name, std::ios::binary) << content;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(root_ / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    bool Exists(const std::string& name) const {
        std::error_code ignored;
        return std::filesystem::exists(std::filesystem::symlink_status(root_ / name, ignored));
    }

private:
    std::filesystem::path root_;
};
