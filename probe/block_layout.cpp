#include "probe/block_layout.h"

#include <algorithm>
#include <cmath>

#include "decode/adpcm_decoder.h"
#include "probe/frame_features.h"

namespace {

constexpr int kMaxBlockFrames = kMaxProbeBlockSize / kFrameBytes;
constexpr int kMinPairs = 8;            // fewer pairs in the sample tell nothing
constexpr int kShortlist = 6;           // sizes whose waveforms are compared
constexpr int64_t kAgreementFrames = 1 << 17;  // frames compared per size, at most
constexpr double kTemperature = 4.0;    // evidence that makes one candidate e times likelier

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
double agreement(const std::vector<double>& loudness, size_t n) {
  TStatistic t;
  forEachPair(loudness.size(), n, kAgreementFrames / (2 * n), [&](size_t b) {
    const double* l = loudness.data();
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
double joins(const std::vector<double>& residual, const std::vector<double>& prefix, size_t n) {
  const size_t m = std::min<size_t>(2, n);
  auto mean = [&](size_t from) { return (prefix[from + m] - prefix[from]) / static_cast<double>(m); };
  TStatistic t;
  for (size_t i = 2 * n; i + n + m <= residual.size(); i += n) {  // a join between frames i - 1 and i
    const double before = mean(i - m), after = mean(i);
    const double channelAfter = mean(i + n), channelBefore = mean(i - n - m);
    t.add(2 * std::fabs(before - after) - std::fabs(before - channelAfter) - std::fabs(after - channelBefore));
  }
  return t.value();
}

// Waveform likeness of a pair's blocks against the blocks a block apart.
double waveforms(const std::vector<int16_t>& samples, size_t frames, size_t n) {
  TStatistic t;
  const size_t length = n * kSamplesPerFrame;
  forEachPair(frames, n, 64, [&](size_t b) {
    const int16_t* s = samples.data() + b * kSamplesPerFrame;
    t.add(correlation(s, s + length, length) - correlation(s + length, s + 2 * length, length));
  });
  return t.value();
}

bool stronger(const LayoutCandidate& a, const LayoutCandidate& b) { return a.score > b.score; }

// Keeps the strongest candidates, each with its share of the evidence: a candidate
// kTemperature stronger than another is e times as likely.
void keepCandidates(ProbeState& p, std::vector<LayoutCandidate>& all) {
  std::sort(all.begin(), all.end(), stronger);
  double total = 0.0;
  for (const LayoutCandidate& c : all) total += std::exp((c.score - all[0].score) / kTemperature);
  for (LayoutCandidate& c : all) c.confidence = std::exp((c.score - all[0].score) / kTemperature) / total;
  p.candidateCount = std::min(static_cast<int>(all.size()), kMaxLayoutCandidates);
  std::copy(all.begin(), all.begin() + p.candidateCount, p.candidates);
}

}  // namespace

void rankLayouts(ProbeState& p) {
  const int64_t available = std::min<int64_t>(p.end, static_cast<int64_t>(p.head.size())) - p.start;
  const size_t frames = static_cast<size_t>(std::max<int64_t>(0, std::min(available, kLayoutBytes)) / kFrameBytes);
  FrameFeatures features;
  measureFrames(p.head.data() + p.start, frames, features);
  std::vector<double> prefix(frames + 1, 0.0);
  for (size_t i = 0; i < frames; ++i) prefix[i + 1] = prefix[i] + features.residual[i];

  // Every size by agreement and joins, then the best few by their waveforms too.
  std::vector<LayoutCandidate> sizes;
  for (size_t n = 1; n <= kMaxBlockFrames && 3 * n <= frames; ++n) {
    sizes.push_back({2, static_cast<int32_t>(n * kFrameBytes),
                     agreement(features.loudness, n) + joins(features.residual, prefix, n), 0.0});
  }
  const size_t listed = std::min<size_t>(kShortlist, sizes.size());
  std::partial_sort(sizes.begin(), sizes.begin() + static_cast<std::ptrdiff_t>(listed), sizes.end(), stronger);
  sizes.resize(listed);
  for (LayoutCandidate& c : sizes) c.score += waveforms(features.samples, frames, static_cast<size_t>(c.blockSize / kFrameBytes));
  sizes.push_back(LayoutCandidate{1, 0, kStereoEvidence, 0.0});
  keepCandidates(p, sizes);
}
