// File names as the tools hold them: UTF-8 strings. On Windows they reach the
// system as UTF-16 (the wide functions), so that every name keeps its
// characters whatever the ANSI code page; the module, which takes names as
// the host passes them, gets the ANSI code page's bytes.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace files {

std::filesystem::path PathOf(const std::string& name);
std::string NameOf(const std::filesystem::path& path);

// fopen, and remove, by name.
std::FILE* Open(const std::string& name, const char* mode);
bool Remove(const std::string& name);

// `name` as the module takes it (on Windows in the ANSI code page). False,
// with the reason naming the file in `error`, when that code page cannot
// express it.
bool ForModule(const std::string& name, std::string& moduleName, std::string& error);

// The program's arguments as UTF-8 (on Windows from the UTF-16 command line).
std::vector<std::string> Arguments(int argc, char** argv);

#ifdef _WIN32
std::wstring Wide(const std::string& name);
#endif

}  // namespace files
