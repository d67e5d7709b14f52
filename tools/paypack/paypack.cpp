// paypack: the payload archive tool of the build.
//   paypack pack OUT NAME=FILE...   write an archive holding FILE under NAME, for each pair
//   paypack list IN                 name, compressed and decompressed size of each entry
//   paypack extract IN DIR          write every entry below DIR
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/paypack/paypack_commands.h"

namespace {

int Usage() {
  std::fputs(
      "usage: paypack pack OUT NAME=FILE...\n"
      "       paypack list IN\n"
      "       paypack extract IN DIR\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string command = argv[1];
  if (command == "pack") {
    std::vector<std::string> specs(argv + 3, argv + argc);
    return paypack::Pack(argv[2], specs, stderr);
  }
  if (command == "list" && argc == 3) return paypack::List(argv[2], stdout, stderr);
  if (command == "extract" && argc == 4) return paypack::Extract(argv[2], argv[3], stderr);
  return Usage();
}
