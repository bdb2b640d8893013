// The script reader on large generated scripts: throughput in bytes per
// second and the heap bytes one parse allocates per statement, beside the
// naive reader in naive_parser.h.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench/heap_counter.h"
#include "bench/naive_parser.h"
#include "script/parser.h"
#include "ui/settings/initial_script.h"

namespace {

using kestrune::Statement;

constexpr std::size_t kMiB = 1024 * 1024;

// The editor's documented example, over and over: mostly comment text.
std::string exampleScript(std::size_t bytes) {
  std::string text;
  while (text.size() < bytes) {
    if (!text.empty()) text += "\r\n";
    text += kestrune::kInitialScript;
  }
  return text;
}

// Statements only, the shape of a long recorded click sequence.
std::string statementScript(std::size_t bytes) {
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> coordinate(-1920, 3839);
  std::uniform_int_distribution<int> kind(0, 3);
  std::uniform_int_distribution<int> duration(0, 5000);
  std::string text;
  for (std::size_t i = 0; text.size() < bytes; ++i) {
    if (!text.empty()) text += "\r\n";
    switch (i % 4) {
      case 0:
      case 2:
        text += "M|" + std::to_string(coordinate(random)) + "|" +
                std::to_string(coordinate(random)) + "|" + std::to_string(kind(random));
        break;
      case 1:
        text += "T|" + std::to_string(duration(random));
        break;
      default:
        text += "T|" + std::to_string(duration(random)) + "-" + std::to_string(duration(random));
    }
  }
  return text;
}

std::vector<Statement> kestruneParse(const std::string& text) {
  return kestrune::parseScript(text).statements;
}

std::vector<Statement> naiveParse(const std::string& text) {
  return kestrune::bench::naiveParse(text).value_or(std::vector<Statement>{});
}

using Reader = std::vector<Statement> (*)(const std::string&);
using Generator = std::string (*)(std::size_t);

void parse(benchmark::State& state, Reader read, Generator generate) {
  const std::string text = generate(static_cast<std::size_t>(state.range(0)) * kMiB);

  // One counted parse outside the timing, which also checks that both
  // readers do the same job.
  kestrune::bench::HeapCounter counter;
  std::vector<Statement> statements = read(text);
  const std::size_t perParse = counter.bytes();
  if (statements.empty() || statements != kestrune::parseScript(text).statements) {
    state.SkipWithError("the readers disagree on the generated script");
    return;
  }
  statements = {};

  for (auto _ : state) benchmark::DoNotOptimize(read(text));

  const double count = static_cast<double>(kestrune::parseScript(text).statements.size());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(text.size()));
  state.counters["statements"] = count;
  state.counters["heap_bytes_per_statement"] = static_cast<double>(perParse) / count;
}

void kestrune_reader(benchmark::State& state, Generator generate) {
  parse(state, kestruneParse, generate);
}
void naive_reader(benchmark::State& state, Generator generate) {
  parse(state, naiveParse, generate);
}

}  // namespace

BENCHMARK_CAPTURE(kestrune_reader, example, exampleScript)
    ->Arg(1)
    ->Arg(16)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(naive_reader, example, exampleScript)
    ->Arg(1)
    ->Arg(16)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(kestrune_reader, statements, statementScript)
    ->Arg(1)
    ->Arg(16)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(naive_reader, statements, statementScript)
    ->Arg(1)
    ->Arg(16)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
