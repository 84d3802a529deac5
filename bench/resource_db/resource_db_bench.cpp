// Resource database against plain baselines, on one generated file of 10,000 topics of
// 20 items (about 20 MB):
//   Parse/ours vs Parse/line_scan   reading the same bytes from memory; the raw scan
//     and Parse/inih                finds each line end with memchr and counts the lines,
//                                   the least any line-based reader does
//   Lookup/.../<topics>             Find() by name at 1,000 and 10,000 topics: the cost
//                                   per lookup should not grow with the file
//   Flush/ours vs                   writing the file (one item per topic changed)
//     Write/WriteFileAtomically     against an atomic write of the bytes Serialize()
//                                   gives; Write/ofstream... without the atomic protocol
//   Memory/open+lookup+flush        peak heap (counted by the allocator below) against
//                                   the file size
//
//   bench/resource_db/run.sh        builds Release and runs this
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <ini.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "heap_counter.h"
#include "platform/atomic_file.h"
#include "store/resource_db.h"

namespace {

using rvc::store::ResourceDb;

constexpr int kItemsPerTopic = 20;

std::string TopicName(int t) { return "Configuration_" + std::to_string(t); }
std::string ItemName(int i) { return "ParameterName" + std::to_string(i); }

// Lines of about 100 bytes; every topic has a comment and a blank line before it.
std::string Generate(int topics) {
  std::string out;
  out.reserve(static_cast<size_t>(topics) * kItemsPerTopic * 104);
  std::mt19937 random(42);
  for (int t = 0; t < topics; ++t) {
    out += "\n;@ settings of configuration " + std::to_string(t) + "\n[" + TopicName(t) + "]\n";
    for (int i = 0; i < kItemsPerTopic; ++i) {
      out += ItemName(i);
      out += "=\"";
      int length = 60 + static_cast<int>(random() % 40);
      for (int c = 0; c < length; ++c) out += static_cast<char>('a' + random() % 26);
      out += "\" ";
      out += std::to_string(random());
      out += '\n';
    }
  }
  return out;
}

const std::string& File(int topics) {
  static std::string big = Generate(10000);
  static std::string small = Generate(1000);
  return topics == 1000 ? small : big;
}

std::string ScratchPath(const char* name) {
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/rvc_rdb_bench_" + name;
}

void ChangeOnePerTopic(ResourceDb& db, int topics) {
  for (int t = 0; t < topics; ++t) db.Modify(TopicName(t), ItemName(t % kItemsPerTopic), "\"changed\"");
}

void SetBytes(benchmark::State& state, size_t bytes) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_ParseOurs(benchmark::State& state) {
  const std::string& file = File(10000);
  for (auto _ : state) {
    state.PauseTiming();
    std::string copy = file;
    state.ResumeTiming();
    ResourceDb db = ResourceDb::Parse(std::move(copy), "/nonexistent.res");
    benchmark::DoNotOptimize(db.TopicCount());
    state.PauseTiming();
    { ResourceDb gone = std::move(db); }
    state.ResumeTiming();
  }
  SetBytes(state, file.size());
}

void BM_ParseLineScan(benchmark::State& state) {
  const std::string& file = File(10000);
  for (auto _ : state) {
    const char* at = file.data();
    const char* const end = at + file.size();
    size_t lines = 0;
    while (at < end) {
      const void* lf = std::memchr(at, '\n', static_cast<size_t>(end - at));
      ++lines;
      if (lf == nullptr) break;
      at = static_cast<const char*>(lf) + 1;
    }
    benchmark::DoNotOptimize(lines);
  }
  SetBytes(state, file.size());
}

int CountItem(void* user, const char*, const char*, const char*) {
  ++*static_cast<long*>(user);
  return 1;
}

void BM_ParseInih(benchmark::State& state) {
  const std::string& file = File(10000);
  for (auto _ : state) {
    long items = 0;
    if (ini_parse_string(file.c_str(), CountItem, &items) != 0) state.SkipWithError("inih failed");
    benchmark::DoNotOptimize(items);
  }
  SetBytes(state, file.size());
}

// Find() by name in upper case: every item of the file in file order or shuffled, or
// the same 20,000 items (those of the first 1,000 topics, shuffled) whatever the size of
// the file, which shows the cost of the lookup apart from that of touching more memory.
enum class Keys { kInOrder, kShuffled, kFirstThousandTopics };

void Lookup(benchmark::State& state, Keys which) {
  const int topics = static_cast<int>(state.range(0));
  ResourceDb db = ResourceDb::Parse(File(topics), "/nonexistent.res");
  std::vector<std::pair<std::string, std::string>> keys;
  for (int t = 0; t < (which == Keys::kFirstThousandTopics ? 1000 : topics); ++t) {
    for (int i = 0; i < kItemsPerTopic; ++i) keys.emplace_back(TopicName(t), ItemName(i));
  }
  if (which != Keys::kInOrder) std::shuffle(keys.begin(), keys.end(), std::mt19937(7));
  for (auto& key : keys) {
    for (char& c : key.second) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  for (auto _ : state) {
    size_t found = 0;
    for (const auto& [topic, item] : keys) found += db.Find(topic, item).has_value();
    if (found != keys.size()) state.SkipWithError("lookup missed");
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * keys.size()));
  state.counters["ns_per_lookup"] = benchmark::Counter(static_cast<double>(state.iterations() * keys.size()),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
void BM_LookupInOrder(benchmark::State& state) { Lookup(state, Keys::kInOrder); }
void BM_LookupShuffled(benchmark::State& state) { Lookup(state, Keys::kShuffled); }
void BM_LookupSameKeys(benchmark::State& state) { Lookup(state, Keys::kFirstThousandTopics); }

void BM_Flush(benchmark::State& state) {
  ResourceDb db = ResourceDb::Parse(File(10000), ScratchPath("flush.res"));
  ChangeOnePerTopic(db, 10000);
  for (auto _ : state) db.Flush();
  SetBytes(state, db.Serialize().size());
  std::filesystem::remove(db.Path());
}

void BM_Serialize(benchmark::State& state) {
  ResourceDb db = ResourceDb::Parse(File(10000), "/nonexistent.res");
  ChangeOnePerTopic(db, 10000);
  for (auto _ : state) benchmark::DoNotOptimize(db.Serialize());
  SetBytes(state, db.Serialize().size());
}

// The baseline: the bytes Flush() writes, through one buffered std::ofstream.
void WriteWithOfstream(benchmark::State& state, bool sync) {
  ResourceDb db = ResourceDb::Parse(File(10000), "/nonexistent.res");
  ChangeOnePerTopic(db, 10000);
  const std::string bytes = db.Serialize();
  const std::string path = ScratchPath("ofstream.res");
  for (auto _ : state) {
    {
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    if (sync) {
      int fd = ::open(path.c_str(), O_RDONLY);
      ::fsync(fd);
      ::close(fd);
    }
  }
  SetBytes(state, bytes.size());
  std::filesystem::remove(path);
}
void BM_WriteOfstream(benchmark::State& state) { WriteWithOfstream(state, false); }

// What Flush() adds to Serialize(): the platform's atomic replacement of the same bytes.
void BM_WriteAtomically(benchmark::State& state) {
  ResourceDb db = ResourceDb::Parse(File(10000), "/nonexistent.res");
  ChangeOnePerTopic(db, 10000);
  const std::string bytes = db.Serialize();
  const std::string path = ScratchPath("atomic.res");
  for (auto _ : state) {
    if (!rvc::platform::WriteFileAtomically(path, bytes)) state.SkipWithError("write failed");
  }
  SetBytes(state, bytes.size());
  std::filesystem::remove(path);
}
void BM_WriteOfstreamFsync(benchmark::State& state) { WriteWithOfstream(state, true); }

// Open from disk, look every item up, change one item per topic, flush.
void BM_Memory(benchmark::State& state) {
  const std::string path = ScratchPath("memory.res");
  rvc::platform::WriteFileAtomically(path, File(10000));
  const double fileSize = static_cast<double>(File(10000).size());
  for (auto _ : state) {
    size_t base = rvc::bench::MarkHeapPeak();
    {
      ResourceDb db = ResourceDb::OpenOrThrow(path);
      for (int t = 0; t < 10000; ++t) {
        for (int i = 0; i < kItemsPerTopic; ++i) benchmark::DoNotOptimize(db.Find(TopicName(t), ItemName(i)));
      }
      ChangeOnePerTopic(db, 10000);
      db.Flush();
      state.counters["model_MB"] = static_cast<double>(rvc::bench::HeapInUse() - base) / 1e6 - fileSize / 1e6;
    }
    double peak = static_cast<double>(rvc::bench::HeapPeak() - base);
    state.counters["file_MB"] = fileSize / 1e6;
    state.counters["peak_heap_MB"] = peak / 1e6;
    state.counters["peak_per_file"] = peak / fileSize;
  }
  std::filesystem::remove(path);
}

}  // namespace

// Memory first, before the other runs have raised the process's peak RSS.
BENCHMARK(BM_Memory)->Name("Memory/open+lookup+change+flush")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseOurs)->Name("Parse/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseLineScan)->Name("Parse/line_scan")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseInih)->Name("Parse/inih")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LookupInOrder)->Name("Lookup/in_order/topics")->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LookupShuffled)->Name("Lookup/shuffled/topics")->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LookupSameKeys)
    ->Name("Lookup/same_20000_keys/topics")
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Serialize)->Name("Serialize/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteOfstream)->Name("Write/ofstream")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Flush)->Name("Flush/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteOfstreamFsync)->Name("Write/ofstream+fsync")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteAtomically)->Name("Write/WriteFileAtomically")->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
