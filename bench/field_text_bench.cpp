#include <benchmark/benchmark.h>

#include "common/field_text.h"

namespace {

// A channel file of 384 index-and-value records, the most common settings file shape.
std::string channelFile() {
    qv::FieldWriter w;
    w.text("<Channel>, <Threshold>").endRecord();
    for (int i = 0; i < 384; ++i) {
        w.number(std::int64_t{i}).number(3.0 + i * 0.001).endRecord();
    }
    return w.str();
}

void BM_ReadChannelFile(benchmark::State& state) {
    const std::string text = channelFile();
    for (auto _ : state) {
        qv::FieldReader r(text);
        std::string header;
        r.text(header);
        double sum = 0;
        while (!r.atEnd()) {
            double index = 0, value = 0;
            r.number(index);
            r.number(value);
            sum += value;
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_ReadChannelFile);

}  // namespace
