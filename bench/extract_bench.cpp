// Extraction of a representative payload (the shipped JSON files and generated driver-sized
// binaries) by InflateEntryToFile, against raw zlib inflating the same entries in one call each
// and writing each file at once, both into the simulated machine's files, in the same run.
// Prints the ratio reference time / InflateEntryToFile time (goal: 0.9 or more).
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "payload/inflate_entry.h"
#include "payload/payload_archive.h"
#include "platform/files.h"
#include "platform/sim/sim_machine.h"

namespace {

// Bytes shaped like code and data sections: repeated instruction-like runs, tables, zero padding
// and some incompressible resource data.
std::vector<uint8_t> GeneratedBinary(size_t size, uint32_t seed) {
  std::vector<uint8_t> out;
  out.reserve(size);
  const uint8_t prologue[] = {0x55, 0x8B, 0xEC, 0x83, 0xEC, 0x10, 0x53, 0x56, 0x57, 0x8B, 0x45, 0x08};
  while (out.size() < size) {
    seed = seed * 1103515245u + 12345u;
    switch ((seed >> 16) % 4) {
      case 0:
        for (int i = 0; i < 64; ++i) out.insert(out.end(), std::begin(prologue), std::end(prologue));
        break;
      case 1:
        out.insert(out.end(), 512, 0);
        break;
      case 2:
        for (int i = 0; i < 256; ++i) {
          seed = seed * 1103515245u + 12345u;
          out.push_back(static_cast<uint8_t>(seed >> 24));
        }
        break;
      default:
        for (uint32_t i = 0; i < 128; ++i) {
          out.push_back(static_cast<uint8_t>(i));
          out.push_back(static_cast<uint8_t>(seed >> 8));
        }
    }
  }
  out.resize(size);
  return out;
}

std::vector<uint8_t> ReadSourceFile(const std::string& name) {
  std::ifstream in(std::string(TAVRO_SOURCE_DIR) + "/data/" + name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct BenchPayload {
  std::vector<uint8_t> archive;
  std::vector<payload::EntryView> entries;
  size_t decompressed = 0;
  size_t largest = 0;
};

const BenchPayload& Payload() {
  static const BenchPayload payload = [] {
    std::vector<payload::PackInput> inputs;
    for (const char* json : {"DefaultPaper.json", "Modules.json", "PaperSize.json"}) {
      inputs.push_back({json, ReadSourceFile(json)});
    }
    const std::pair<const char*, size_t> programs[] = {
        {"tavrodrv.dll", 420000}, {"tavroui.dll", 260000}, {"tavromon.exe", 120000},
        {"tavropop.exe", 90000}};
    uint32_t seed = 7;
    for (const auto& program : programs) {
      inputs.push_back({program.first, GeneratedBinary(program.second, ++seed)});
      inputs.push_back({std::string(program.first) + ".x64",
                        GeneratedBinary(program.second * 6 / 5, ++seed)});
    }
    BenchPayload built;
    for (const auto& input : inputs) {
      built.decompressed += input.content.size();
      built.largest = std::max(built.largest, input.content.size());
    }
    std::string error;
    if (!payload::BuildArchive(inputs, &built.archive, &error)) std::fprintf(stderr, "%s\n", error.c_str());
    payload::PayloadReader reader(built.archive.data(), built.archive.size());
    payload::EntryView entry;
    while (reader.Next(&entry) == payload::ReadResult::kEntry) built.entries.push_back(entry);
    return built;
  }();
  return payload;
}

platform::sim::SimMachine& Machine() {
  static platform::sim::SimMachine* machine = [] {
    auto* m = new platform::sim::SimMachine();
    m->files().MakeFolders(L"C:\\Bench");
    return m;
  }();
  return *machine;
}

void BM_InflateEntryToFile(benchmark::State& state) {
  const BenchPayload& payload = Payload();
  platform::sim::SimMachine& machine = Machine();
  // A progress bar that costs nothing beyond the call.
  int last_position = 0;
  const ProgressCallback on_progress = [&](int position) { last_position = position; };
  for (auto _ : state) {
    int32_t counter = 0;
    for (const payload::EntryView& entry : payload.entries) {
      const int result = InflateEntryToFile(machine, on_progress, entry.data, entry.compressed_length,
                                            "C:\\Bench\\" + entry.name, &counter,
                                            static_cast<int32_t>(payload.archive.size()));
      if (result != 0) state.SkipWithError("InflateEntryToFile failed");
    }
    benchmark::DoNotOptimize(counter);
  }
  benchmark::DoNotOptimize(last_position);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * payload.decompressed));
}

void BM_RawZlibInflate(benchmark::State& state) {
  const BenchPayload& payload = Payload();
  platform::sim::SimMachine& machine = Machine();
  std::vector<uint8_t> out(payload.largest + 1);
  for (auto _ : state) {
    for (const payload::EntryView& entry : payload.entries) {
      z_stream stream{};
      inflateInit(&stream);
      stream.next_in = const_cast<Bytef*>(entry.data);
      stream.avail_in = static_cast<uInt>(entry.compressed_length);
      stream.next_out = out.data();
      stream.avail_out = static_cast<uInt>(out.size());
      if (inflate(&stream, Z_FINISH) != Z_STREAM_END) state.SkipWithError("inflate failed");
      const size_t produced = stream.total_out;
      inflateEnd(&stream);
      std::unique_ptr<platform::File> file = machine.files().Open("C:\\Bench\\" + entry.name, "wb");
      if (!file || file->Write(out.data(), produced) != produced) state.SkipWithError("write failed");
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * payload.decompressed));
}

BENCHMARK(BM_InflateEntryToFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawZlibInflate)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's time per iteration for the ratio printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration) times_[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const BenchPayload& payload = Payload();
  std::printf("payload: %zu entries, %zu bytes compressed, %zu bytes decompressed\n",
              payload.entries.size(), payload.archive.size(), payload.decompressed);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double ours = reporter.times_["BM_InflateEntryToFile"];
  const double reference = reporter.times_["BM_RawZlibInflate"];
  if (ours > 0 && reference > 0) {
    std::printf("extraction ratio (raw zlib time / InflateEntryToFile time): %.3f (goal >= 0.9)\n",
                reference / ours);
  }
  benchmark::Shutdown();
  return 0;
}
