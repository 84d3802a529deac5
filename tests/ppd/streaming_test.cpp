// The engine streams: the heap it uses while generating does not grow with the size of
// the PPD or of the template. This executable counts every allocation of the process.
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>

#include "tests/ppd/ppd_test_support.h"

namespace {

std::atomic<long long> g_current{0};
std::atomic<long long> g_peak{0};

void* Allocate(size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  const long long now = g_current += static_cast<long long>(malloc_usable_size(p));
  long long peak = g_peak.load();
  while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
  }
  return p;
}

void Release(void* p) {
  if (p == nullptr) return;
  g_current -= static_cast<long long>(malloc_usable_size(p));
  std::free(p);
}

}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }

namespace rvc::ppd::test {
namespace {

using StreamingTest = PpdTest;

// Heap bytes in use at the peak of `work`, above what was in use before it.
long long PeakHeapOf(const std::function<void()>& work) {
  const long long before = g_current.load();
  g_peak = before;
  work();
  return g_peak.load() - before;
}

TEST_F(StreamingTest, HeapDoesNotGrowWithTheSizeOfThePpd) {
  WriteFile(dir_ / "template.ppd",
            "*PPD-Adobe: \"4.3\"\n<Add Resolution List>\n<Add Halftone Information>\n"
            "<Add Screening information>\n<Add End Comments>\n");
  auto generate = [&](int count, uint64_t& size) {
    std::vector<double> resolutions;
    for (int i = 0; i < count; ++i) resolutions.push_back(1000 + 10 * i);
    return PeakHeapOf([&] {
      CCreatePpd ppd;
      ppd.OpenFiles(dir_ / "template.ppd", dir_ / "ppd", "Generic", "Ravlin", 3, ScreenMode::Binary);
      ppd.AddResolutionList(resolutions, 0);
      ppd.AddHalftoneInformation(resolutions);
      ppd.AddScreeningInformation(resolutions);
      ppd.AddEndComments();
      ppd.Close();
      size = std::filesystem::file_size(ppd.PpdPath());
    });
  };
  uint64_t smallSize = 0;
  uint64_t largeSize = 0;
  const long long small = generate(5, smallSize);
  const long long large = generate(100, largeSize);
  EXPECT_GT(largeSize, 5'000'000u);
  EXPECT_GT(largeSize, 15 * smallSize);
  // Two 64 KB buffers and a few lines.
  EXPECT_LT(large, 192 * 1024) << "PPD of " << largeSize << " bytes";
  EXPECT_LT(large - small, 4 * 1024) << small << " against " << large;
  RecordProperty("peak_heap_small", std::to_string(small));
  RecordProperty("peak_heap_large", std::to_string(large));
}

TEST_F(StreamingTest, HeapDoesNotGrowWithTheSizeOfTheTemplate) {
  std::string filler;
  for (int i = 0; i < 100000; ++i)
    filler += "*% a line of the template that is simply copied, number " + std::to_string(i) + "\n";
  WriteFile(dir_ / "template.ppd",
            "<Add Names>\n" + filler + "<Add CustomPageSize>\n" + filler + "<Add End Comments>\n");
  const long long peak = PeakHeapOf([&] {
    CCreatePpd ppd;
    ppd.OpenFiles(dir_ / "template.ppd", dir_ / "ppd", "Generic", "Ravlin", 3, ScreenMode::Binary);
    ppd.AddNames();
    ppd.AddConfigurationSets("Standard", {"Standard"}, 1);  // missing: the whole rest is copied and taken back
    ppd.AddCustomPageSize(100, 200);
    ppd.AddEndComments();
    ppd.Close();
  });
  EXPECT_GT(filler.size(), 5'000'000u);
  EXPECT_LT(peak, 192 * 1024);
}

}  // namespace
}  // namespace rvc::ppd::test
