// Paths of the files the program writes, all in the user's temporary
// directory: the installer, always under the same name, and one new scratch
// file per hint. None of these keeps any state between calls.
#pragma once

#include <string>

// The temporary directory as the system reports it, ending in a backslash;
// empty when the system cannot name one.
std::wstring GetTempDirectory();

// A single backslash.
std::wstring PathSeparator();

// Creates a new, empty file with a unique name beginning with "mod" in
// `directory` and answers its full path; empty (and nothing created) when
// `directory` is empty or no file can be made there.
std::wstring MakeScratchFileName(const std::wstring& directory);

// The temporary directory, a separator and "ZanqPlayBundleInstaller.exe".
// The directory already ends in a backslash, so two stand before the file
// name; the file functions and the shell accept that. Empty when the
// temporary directory is unknown, rather than a path in the root directory.
std::wstring MakeInstallerPath();
