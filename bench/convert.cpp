// The QP510 check the data file writer runs on every file and glyph slot
// (100 label files of about 2 KB, 20 glyph entries of 1140 bytes), and the
// glyph size filter a write applies, against the floor of copying the same
// bytes once in the same run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "model/ModelConvert.h"
#include "model/Category.h"
#include "model/DataSet.h"
#include "model/GlyphSizes.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Run(Bytes& c, size_t chars, uint8_t seed) {
  for (size_t i = 0; i < chars; ++i) {
    c.push_back(static_cast<uint8_t>(0x88 + (i + seed) % 8));
    c.push_back(static_cast<uint8_t>(0x9F + (i * 7 + seed) % 80));
  }
  c.insert(c.end(), {0, 0});
}

// A label file: a layout item, a character item, then six paragraphs of three
// lines, each paragraph with its own character settings.
Bytes LabelFile(uint8_t seed) {
  Bytes c = {0x01, 0x01};
  Run(c, 8, seed);
  Run(c, 4, seed);
  c.insert(c.end(), {0x00, 0x00, 0x00, 0x01, 0x02, 0x04, 0x01, 0x10, 0x09, 0x01, 0x01, 0x0A, 0x01, 0x0A, 0x00, 0x00});
  c.insert(c.end(), {0x02, 0x00, 0x0C, 0x01, 0x02, 0x0D, 0x01, 0x00, 0x0E, 0x02, 0x81, 0x9B, 0x0F, 0x02, 0x81,
                     0x9C, 0x04, 0x01, 0x01, 0x05, 0x01, 0x03, 0x00, 0x00});
  for (int p = 0; p < 6; ++p) {
    c.insert(c.end(), {0x30, 0x00, 0x80, 0x01, static_cast<uint8_t>(p), 0x0C, 0x01, 0x01, 0x0D, 0x01, 0x28,
                       0x00, 0x00, 0x00});
    for (int l = 0; l < 3; ++l) {
      if (l) c.insert(c.end(), {0x10, 0x00, 0x08, 0x01, 0x02, 0x09, 0x01, 0x01, 0x00, 0x00});
      Run(c, 44, static_cast<uint8_t>(seed + p + l));
    }
  }
  c.insert(c.end(), {0x0D, 0x0A});
  return c;
}

// 1140 bytes: no reading, all seven sizes.
Bytes Glyph(uint8_t seed) {
  Bytes c = {0x10, 0x01, 0, 0, 0, 0};
  for (const GLYPHSIZE& g : kGlyphSizes) {
    const int n = g.entryBytes;
    c.insert(c.end(), {0x00, 0x00, 0x00, 0x01, static_cast<uint8_t>(g.size), 0x01, 0x01,
                       static_cast<uint8_t>(g.size), 0x02, 0x02, static_cast<uint8_t>(n >> 8),
                       static_cast<uint8_t>(n), 0x00, 0x00});
    for (int i = 0; i < n; ++i) c.push_back(static_cast<uint8_t>((i * 13 + seed) & 0xFF));
    c.insert(c.end(), {0, 0});
  }
  c.insert(c.end(), {0x0D, 0x0A});
  return c;
}

struct FIXTURE {
  CDataSet set;
  FIXTURE() {
    for (int i = 0; i < 100; ++i) set.SetEntry(kSecFile, i, 1, LabelFile(static_cast<uint8_t>(i)));
    for (int i = 0; i < 20; ++i) set.SetEntry(kSecGlyph, i, 0, Glyph(static_cast<uint8_t>(i)));
  }
};

FIXTURE& Fixture() {
  static FIXTURE f;
  return f;
}

void BM_QP510Check(benchmark::State& state) {
  FIXTURE& f = Fixture();
  for (auto _ : state) {
    int changed = 0;
    for (int sec : {kSecFile, kSecGlyph})
      for (int i = 0; i < SectionSlotCount(sec); ++i) changed += QP510WouldChange(*f.set.Entry(sec, i), sec);
    benchmark::DoNotOptimize(changed);
  }
}

// The least a conversion can do: produce the same bytes once.
void BM_QP510CheckFloor(benchmark::State& state) {
  FIXTURE& f = Fixture();
  for (auto _ : state) {
    size_t total = 0;
    for (int sec : {kSecFile, kSecGlyph}) {
      for (int i = 0; i < SectionSlotCount(sec); ++i) {
        const DATAENTRY& e = *f.set.Entry(sec, i);
        Bytes copy(e.Bytes().begin(), e.Bytes().end());
        benchmark::DoNotOptimize(copy.data());
        total += copy.size();
      }
    }
    benchmark::DoNotOptimize(total);
  }
}

void BM_FilterGlyphSizes(benchmark::State& state) {
  FIXTURE& f = Fixture();
  for (auto _ : state) {
    size_t total = 0;
    for (int i = 0; i < 20; ++i) total += FilterGlyphSizes(f.set.Entry(kSecGlyph, i)->Bytes(), 0x0B).size();
    benchmark::DoNotOptimize(total);
  }
}

void BM_FilterGlyphSizesFloor(benchmark::State& state) {
  FIXTURE& f = Fixture();
  for (auto _ : state) {
    size_t total = 0;
    for (int i = 0; i < 20; ++i) {
      const DATAENTRY& e = *f.set.Entry(kSecGlyph, i);
      Bytes copy(e.Bytes().begin(), e.Bytes().end());
      benchmark::DoNotOptimize(copy.data());
      total += copy.size();
    }
    benchmark::DoNotOptimize(total);
  }
}

BENCHMARK(BM_QP510Check)->Name("qp510_check");
BENCHMARK(BM_QP510CheckFloor)->Name("qp510_check/floor");
BENCHMARK(BM_FilterGlyphSizes)->Name("filter_glyph_sizes");
BENCHMARK(BM_FilterGlyphSizesFloor)->Name("filter_glyph_sizes/floor");

}  // namespace

BENCHMARK_MAIN();
