#include "probe/block_layout.h"

#include <algorithm>
#include <cmath>

#include "decode/adpcm_decoder.h"
#include "probe/frame_features.h"

namespace {

constexpr int kMaxBlockFrames = kMaxBlockSize / kFrameBytes;
constexpr int kMinPairs = 8;            // fewer pairs in the sample tell nothing
constexpr int kShortlist = 6;           // sizes whose waveforms are compared
constexpr int64_t kAgreementFrames = 1 << 17;  // frames compared per size, at most
constexpr double kTemperature = 4.0;    // evidence that makes one candidate e times likelier
constexpr int64_t kMaxLeadInFrames = 64;  // empty frames before the start weighed as silence

// Accumulates a t statistic: mean / standard error.
struct TStatistic {
  double sum = 0.0, squares = 0.0;
  int count = 0;
  void add(double v) { sum += v, squares += v * v, ++count; }
  double value() const {
    if (count < kMinPairs) return 0.0;
    const double mean = sum / count;
    const double variance = std::max(0.0, squares / count - mean * mean);
    return mean / std::sqrt(variance / (count - 1) + 1e-12);
  }
};

// The measured frames of the sample from one frame on.
struct SampleView {
  const double* loudness;  // decoded loudness of each frame
  const double* prefix;    // running sums of the residual loudness, prefix[0] before the first frame
  const int16_t* samples;  // 28 per frame
  size_t frames;
};

// Pearson correlation of x[0..n) and y[0..n); 0 for a constant sequence.
template <typename T>
double correlation(const T* x, const T* y, size_t n) {
  double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
  for (size_t i = 0; i < n; ++i) {
    const double a = x[i], b = y[i];
    sx += a, sy += b, sxx += a * a, syy += b * b, sxy += a * b;
  }
  const double cx = sxx - sx * sx / n, cy = syy - sy * sy / n, cxy = sxy - sx * sy / n;
  return cx > 0 && cy > 0 ? cxy / std::sqrt(cx * cy) : 0.0;
}

// The pairs of the sample that a statistic of block size n looks at: every pair that
// has a following block, spread evenly when there are more than `most`.
template <typename Visit>
void forEachPair(size_t frames, size_t n, size_t most, Visit visit) {
  if (frames < 3 * n) return;
  const size_t available = (frames - 3 * n) / (2 * n) + 1;
  const size_t used = std::min(available, std::max<size_t>(kMinPairs, most));
  for (size_t k = 0; k < used; ++k) visit(2 * n * (k * available / used));
}

// Loudness agreement of a pair's blocks against the blocks a block apart.
double agreement(const SampleView& v, size_t n) {
  TStatistic t;
  forEachPair(v.frames, n, kAgreementFrames / (2 * n), [&](size_t b) {
    const double* l = v.loudness;
    if (n < 8) {  // too few frames to correlate: mean distances instead
      double near = 0, far = 0;
      for (size_t i = 0; i < n; ++i) near += std::fabs(l[b + i] - l[b + n + i]), far += std::fabs(l[b + n + i] - l[b + 2 * n + i]);
      t.add((far - near) / static_cast<double>(n));
    } else {
      t.add(correlation(l + b, l + b + n, n) - correlation(l + b + n, l + b + 2 * n, n));
    }
  });
  return t.value();
}

// Smoothness of each block's joins to the block two before and after it, against its
// joins to its neighbours in the file. Two frames on each side of a join are averaged.
double joins(const SampleView& v, size_t n) {
  const size_t m = std::min<size_t>(2, n);
  auto mean = [&](size_t from) { return (v.prefix[from + m] - v.prefix[from]) / static_cast<double>(m); };
  TStatistic t;
  for (size_t i = 2 * n; i + n + m <= v.frames; i += n) {  // a join between frames i - 1 and i
    const double before = mean(i - m), after = mean(i);
    const double channelAfter = mean(i + n), channelBefore = mean(i - n - m);
    t.add(2 * std::fabs(before - after) - std::fabs(before - channelAfter) - std::fabs(after - channelBefore));
  }
  return t.value();
}

// Waveform likeness of a pair's blocks against the blocks a block apart.
double waveforms(const SampleView& v, size_t n) {
  TStatistic t;
  const size_t length = n * kSamplesPerFrame;
  forEachPair(v.frames, n, 64, [&](size_t b) {
    const int16_t* s = v.samples + b * kSamplesPerFrame;
    t.add(correlation(s, s + length, length) - correlation(s + length, s + 2 * length, length));
  });
  return t.value();
}

// All three pieces of evidence for block size n.
double evidence(const SampleView& v, size_t n) { return agreement(v, n) + joins(v, n) + waveforms(v, n); }

bool stronger(const LayoutCandidate& a, const LayoutCandidate& b) { return a.score > b.score; }

// Keeps the strongest candidates, each with its share of the evidence: a candidate
// kTemperature stronger than another is e times as likely.
LayoutChoice keepCandidates(std::vector<LayoutCandidate>& all) {
  std::sort(all.begin(), all.end(), stronger);
  double total = 0.0;
  for (const LayoutCandidate& c : all) total += std::exp((c.score - all[0].score) / kTemperature);
  for (LayoutCandidate& c : all) c.confidence = std::exp((c.score - all[0].score) / kTemperature) / total;
  LayoutChoice r{};
  r.count = std::min(static_cast<int>(all.size()), kMaxLayoutCandidates);
  std::copy(all.begin(), all.begin() + r.count, r.candidates);
  return r;
}

// Ranks the layouts for the sound that v begins with.
LayoutChoice rankFrom(const SampleView& v) {
  // Every size by agreement and joins, then the best few by their waveforms too.
  std::vector<LayoutCandidate> sizes;
  for (size_t n = 1; n <= kMaxBlockFrames && 3 * n <= v.frames; ++n) {
    sizes.push_back({2, static_cast<int32_t>(n * kFrameBytes), agreement(v, n) + joins(v, n), 0.0});
  }
  const size_t listed = std::min<size_t>(kShortlist, sizes.size());
  std::partial_sort(sizes.begin(), sizes.begin() + static_cast<std::ptrdiff_t>(listed), sizes.end(), stronger);
  sizes.resize(listed);
  for (LayoutCandidate& c : sizes) c.score += waveforms(v, static_cast<size_t>(c.blockSize / kFrameBytes));
  sizes.push_back(LayoutCandidate{1, 0, kStereoEvidence, 0.0});
  return keepCandidates(sizes);
}

}  // namespace

LayoutChoice rankLayouts(const ProbeInput& in, const AudioExtent& extent) {
  // Empty frames right before the start may be silence that begins the streams (the
  // start skips them) or zeros that pad a header: measured too, to be weighed below.
  int64_t leadIn = 0;
  while (leadIn < kMaxLeadInFrames && extent.start - kFrameBytes * (leadIn + 1) >= 0 &&
         isEmptyFrame(&in.head[static_cast<size_t>(extent.start - kFrameBytes * (leadIn + 1))])) {
    ++leadIn;
  }
  const int64_t first = extent.start - kFrameBytes * leadIn;
  const int64_t available = std::min<int64_t>(extent.end, static_cast<int64_t>(in.head.size())) - first;
  const size_t frames = static_cast<size_t>(std::max<int64_t>(0, std::min(available, kLayoutBytes)) / kFrameBytes);
  FrameFeatures features;
  measureFrames(in.head.data() + first, frames, features);
  std::vector<double> prefix(frames + 1, 0.0);
  for (size_t i = 0; i < frames; ++i) prefix[i + 1] = prefix[i] + features.residual[i];
  auto view = [&](int64_t skipped) {
    const size_t at = static_cast<size_t>(skipped);
    return SampleView{features.loudness.data() + at, prefix.data() + at, features.samples.data() + at * kSamplesPerFrame,
                      frames - std::min(frames, at)};
  };

  // Stereo streams that begin with silent frames: the pairs begin where the whole
  // layout's evidence is strongest, among the starts the empty frames allow. Read from
  // after the empty frames, blocks of a few frames more than the silence may look like
  // mono; read from before them, a header's zero padding may blur the true size: the
  // layout is ranked both ways, and the stronger one taken.
  LayoutChoice choice = rankFrom(view(leadIn));
  choice.start = extent.start;
  if (leadIn == 0) return choice;
  const LayoutChoice early = rankFrom(view(0));
  if (chosenLayout(early).score > chosenLayout(choice).score) choice = early;
  choice.start = extent.start;
  const LayoutCandidate chosen = chosenLayout(choice);
  if (chosen.channels != 2) return choice;
  // The start with the strongest evidence, where it is clearly stronger than right
  // after the silence (a start among a header's zeros would gain nothing).
  const int64_t n = chosen.blockSize / kFrameBytes;
  const double atSound = evidence(view(leadIn), static_cast<size_t>(n));
  int64_t best = leadIn;
  double bestScore = atSound;
  for (int64_t at = leadIn - 1; at >= 0 && at > leadIn - 2 * n; --at) {
    const double score = evidence(view(at), static_cast<size_t>(n));
    if (score > bestScore) best = at, bestScore = score;
  }
  if (bestScore <= atSound + kTemperature) best = leadIn;
  choice = rankFrom(view(best));
  choice.start = first + kFrameBytes * best;
  return choice;
}
