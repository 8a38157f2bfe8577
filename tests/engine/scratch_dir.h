// A fresh directory for one test, removed with everything in it afterwards.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "engine-test.XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        root = pattern;
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::wstring Path(const std::string& name) const { return (root / name).wstring(); }

    void Write(const std::string& name, const std::string& content) const {
        std::ofstream(root / name, std::ios::binary) << content;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(root / name, std::ios::binary);
        std::error_code error;
        const auto size = std::filesystem::file_size(root / name, error);
        if (error) return {};
        std::string content(size, '\0');
        in.read(content.data(), static_cast<std::streamsize>(size));
        content.resize(static_cast<size_t>(in.gcount()));
        return content;
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(root / name); }
    // Names of everything in the directory: shows leftover partial files.
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& item : std::filesystem::directory_iterator(root)) names.insert(item.path().filename().string());
        return names;
    }

private:
    std::filesystem::path root;
};
