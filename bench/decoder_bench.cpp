// The frame decoder alone, in nanoseconds per sample, on encoded music: frame by frame
// (two channels side by side, and one alone), and block by block as the scan decodes
// (stereo and mono).
#include <benchmark/benchmark.h>

#include <vector>

#include "decode/adpcm_decoder.h"
#include "decode/decode_path.h"
#include "decode/scalar_lanes.h"
#include "schedule/chain_decoder.h"
#include "encode/adpcm_encoder.h"
#include "encode/signals.h"

namespace {

std::vector<AdpcmFrame> musicFrames(uint32_t seed, size_t count = 4096) {
  const std::vector<uint8_t> bytes = encodeStream(synthesizeMusic(seed, count * kSamplesPerFrame, 48000, 12000.0));
  std::vector<AdpcmFrame> frames(bytes.size() / kFrameBytes);
  for (size_t i = 0; i < frames.size(); ++i) {
    for (int j = 0; j < kFrameBytes; ++j) frames[i].value[j] = bytes[i * kFrameBytes + static_cast<size_t>(j)];
  }
  return frames;
}

void StereoPair(benchmark::State& state) {
  const std::vector<AdpcmFrame> left = musicFrames(1), right = musicFrames(2);
  ChannelHistory hl{}, hr{};
  int32_t outL[kSamplesPerFrame], outR[kSamplesPerFrame];
  size_t samples = 0;
  for (auto _ : state) {
    for (size_t i = 0; i < left.size(); ++i) {
      FrameRun pair[2] = {{&left[i], 1, &hl, outL}, {&right[i], 1, &hr, outR}};
      decodeRuns(pair, 2);
      benchmark::DoNotOptimize(outL);
      benchmark::DoNotOptimize(outR);
    }
    samples += 2 * left.size() * kSamplesPerFrame;
  }
  state.counters["ns/sample"] = benchmark::Counter(static_cast<double>(samples), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(StereoPair);

void Mono(benchmark::State& state) {
  const std::vector<AdpcmFrame> frames = musicFrames(3);
  ChannelHistory h{};
  int32_t out[kSamplesPerFrame];
  size_t samples = 0;
  for (auto _ : state) {
    for (const AdpcmFrame& f : frames) {
      decodeFrame(f, h, out);
      benchmark::DoNotOptimize(out);
    }
    samples += frames.size() * kSamplesPerFrame;
  }
  state.counters["ns/sample"] = benchmark::Counter(static_cast<double>(samples), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(Mono);

// As the scan decodes: runs of one block (128 frames, blocks of 0x800 bytes) per channel,
// both channels at once (stereo) or one (mono).
void Blocks(benchmark::State& state) {
  const int channels = static_cast<int>(state.range(0));
  const std::vector<AdpcmFrame> left = musicFrames(1), right = musicFrames(2);
  ChannelHistory hl{}, hr{};
  std::vector<int32_t> outL(128 * kSamplesPerFrame), outR(128 * kSamplesPerFrame);
  size_t samples = 0;
  for (auto _ : state) {
    for (size_t i = 0; i + 128 <= left.size(); i += 128) {
      FrameRun runs[2] = {{&left[i], 128, &hl, outL.data()}, {&right[i], 128, &hr, outR.data()}};
      decodeRuns(runs, channels);
      benchmark::DoNotOptimize(outL.data());
      benchmark::DoNotOptimize(outR.data());
      samples += static_cast<size_t>(channels) * 128 * kSamplesPerFrame;
    }
  }
  state.counters["ns/sample"] = benchmark::Counter(static_cast<double>(samples), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(Blocks)->Arg(2)->Arg(1)->ArgName("channels");

// Long chains as whole-run windows decode them (a window's frames: 65536 in one chain or
// two): cut into chunks with 64 frames of warm-up, on the given number of threads, by
// the given path (its name is the benchmark's label; a path this machine lacks is
// skipped).
void Chains(benchmark::State& state) {
  const int threads = static_cast<int>(state.range(0));
  const int chains = static_cast<int>(state.range(1));
  ChainPlan plan;
  plan.path = decodePathAt(static_cast<int>(state.range(2)));
  state.SetLabel(decodePathName(plan.path));
  if (!decodePathAvailable(plan.path)) {
    state.SkipWithError("not available on this machine or build");
    return;
  }
  const size_t length = 65536 / static_cast<size_t>(chains);
  const std::vector<AdpcmFrame> frames[2] = {musicFrames(1, length), musicFrames(2, length)};
  std::vector<int16_t> out[2] = {std::vector<int16_t>(frames[0].size() * kSamplesPerFrame),
                                 std::vector<int16_t>(frames[1].size() * kSamplesPerFrame)};
  WorkerPool pool;
  pool.setThreads(threads);
  ChainDecoder decoder;
  size_t samples = 0;
  for (auto _ : state) {
    ChannelHistory h[2] = {};
    FrameChain work[2];
    for (int c = 0; c < chains; ++c) {
      work[c] = FrameChain{frames[c].data(), static_cast<int32_t>(frames[c].size()), &h[c], out[c].data()};
    }
    decoder.decode(work, chains, pool, plan);
    benchmark::DoNotOptimize(out[0].data());
    samples += static_cast<size_t>(chains) * frames[0].size() * kSamplesPerFrame;
  }
  state.counters["ns/sample"] = benchmark::Counter(static_cast<double>(samples), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["redecoded"] = static_cast<double>(decoder.stats().redecoded);
}

void chainArgs(benchmark::internal::Benchmark* b) {
  for (int path = 0; path < kDecodePaths; ++path) {
    for (const int threads : {1, 2}) {
      for (const int chains : {1, 2}) b->Args({threads, chains, path});
    }
  }
}
BENCHMARK(Chains)->Apply(chainArgs)->ArgNames({"threads", "chains", "path"})->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
