#include "tools/paypack/paypack_commands.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "payload/payload_archive.h"

namespace paypack {

namespace fs = std::filesystem;

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

namespace {

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

// Walks the archive and hands each readable entry to `visit`; reports bad entries and a
// truncated archive. Returns 0 when every entry was fine.
template <typename Visit>
int Walk(const std::string& in_path, FILE* err, Visit visit) {
  std::vector<uint8_t> archive;
  if (!ReadWholeFile(in_path, &archive)) {
    std::fprintf(err, "paypack: cannot read %s\n", in_path.c_str());
    return 1;
  }
  payload::PayloadReader reader(archive.data(), archive.size());
  if (!reader.HasCount()) {
    std::fprintf(err, "paypack: %s is too short to be a payload archive\n", in_path.c_str());
    return 1;
  }
  int status = 0;
  payload::EntryView entry;
  payload::ReadResult result;
  while ((result = reader.Next(&entry)) == payload::ReadResult::kEntry) {
    if (entry.problem != payload::EntryProblem::kNone) {
      std::fprintf(err, "paypack: entry %u (\"%s\") skipped: %s\n", entry.index,
                   entry.name.c_str(), payload::EntryProblemText(entry.problem));
      status = 1;
      continue;
    }
    if (!visit(entry)) status = 1;
  }
  if (result == payload::ReadResult::kTruncated) {
    std::fprintf(err, "paypack: %s is truncated: entry %zu of %u runs past the end (offset %zu)\n",
                 in_path.c_str(), static_cast<size_t>(reader.Index()), reader.Count(), reader.Offset());
    status = 1;
  }
  return status;
}

}  // namespace

int Pack(const std::string& out_path, const std::vector<std::string>& specs, FILE* err) {
  std::vector<payload::PackInput> inputs;
  for (const std::string& arg : specs) {
    const size_t equals = arg.find('=');
    if (equals == std::string::npos) {
      std::fprintf(err, "paypack: \"%s\" is not NAME=FILE\n", arg.c_str());
      return 1;
    }
    payload::PackInput input;
    input.name = arg.substr(0, equals);
    const std::string file = arg.substr(equals + 1);
    const payload::EntryProblem problem = payload::CheckEntryName(input.name);
    if (problem != payload::EntryProblem::kNone) {
      std::fprintf(err, "paypack: refused entry name \"%s\": %s\n", input.name.c_str(),
                   payload::EntryProblemText(problem));
      return 1;
    }
    if (!ReadWholeFile(file, &input.content)) {
      std::fprintf(err, "paypack: cannot read %s\n", file.c_str());
      return 1;
    }
    inputs.push_back(std::move(input));
  }
  std::vector<uint8_t> archive;
  std::string error;
  if (!payload::BuildArchive(std::move(inputs), &archive, &error)) {
    std::fprintf(err, "paypack: %s\n", error.c_str());
    return 1;
  }
  if (!WriteWholeFile(out_path, archive)) {
    std::fprintf(err, "paypack: cannot write %s\n", out_path.c_str());
    return 1;
  }
  return 0;
}

int List(const std::string& in_path, FILE* out, FILE* err) {
  return Walk(in_path, err, [&](const payload::EntryView& entry) {
    std::vector<uint8_t> content;
    const bool ok = payload::InflateToVector(entry.data, entry.compressed_length, &content);
    if (ok) {
      std::fprintf(out, "%s\t%d\t%zu\n", entry.name.c_str(), entry.compressed_length,
                   content.size());
    } else {
      std::fprintf(out, "%s\t%d\t?\n", entry.name.c_str(), entry.compressed_length);
      std::fprintf(err, "paypack: entry \"%s\" holds corrupt data\n", entry.name.c_str());
    }
    return ok;
  });
}

int Extract(const std::string& in_path, const std::string& dir, FILE* err) {
  return Walk(in_path, err, [&](const payload::EntryView& entry) {
    std::vector<uint8_t> content;
    if (!payload::InflateToVector(entry.data, entry.compressed_length, &content)) {
      std::fprintf(err, "paypack: entry \"%s\" holds corrupt data\n", entry.name.c_str());
      return false;
    }
    std::string relative = entry.name;
    for (char& c : relative) {
      if (c == '\\') c = '/';
    }
    const fs::path target = fs::path(dir) / relative;
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    if (!WriteWholeFile(target.string(), content)) {
      std::fprintf(err, "paypack: cannot write %s\n", target.string().c_str());
      return false;
    }
    return true;
  });
}

}  // namespace paypack
