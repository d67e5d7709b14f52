// The three commands of paypack, over plain files of the build host. Each returns the process
// exit code (0 success, 1 failure) and writes its messages to the given streams.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace paypack {

// pack OUT NAME=FILE...: writes the archive with the named files; refuses bad names.
int Pack(const std::string& out_path, const std::vector<std::string>& specs, FILE* err);

// list IN: one line per entry: name, compressed size, decompressed size (tab separated).
int List(const std::string& in_path, FILE* out, FILE* err);

// extract IN DIR: writes each entry below DIR (backslashes in names become sub-folders).
int Extract(const std::string& in_path, const std::string& dir, FILE* err);

// Reads a whole file; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* out);

}  // namespace paypack
