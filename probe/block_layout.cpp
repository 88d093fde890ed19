#include "probe/block_layout.h"

#include <algorithm>
#include <cmath>

#include "decode/adpcm_decoder.h"
#include "probe/frame_features.h"

namespace {

constexpr int kMaxBlockFrames = kMaxBlockSize / kFrameBytes;
constexpr int kMinPairs = 8;            // fewer pairs (or joins) in the sample tell nothing by their t alone
constexpr int kMinZPairs = 5;           // nor by the z value of their t, which weighs how few they are
constexpr int kManyPairs = 16;          // pairs enough for their t to be weighed as it stands
constexpr int kManyJoins = 64;          // joins enough for their loudness to tell what their spectra do
constexpr double kCorroboration = 3.0;  // one kind of join evidence counts up to this many times another
constexpr int kShortlist = 6;           // sizes whose waveforms are compared
constexpr size_t kManyRegions = 4;      // more regions than this in one input are each weighed with less
constexpr double kTemperature = 4.0;    // evidence that makes one candidate e times likelier
constexpr int64_t kMaxLeadInFrames = 64;  // empty frames before the start weighed as silence
constexpr int64_t kSectorBytes = 0x800;   // the unit a header's padding most often fills up to
constexpr int64_t kMaxHeaderFrames = 4;   // frames after the start that may still be a header's last bytes
constexpr int kLoudestShift = 1;        // shifts whose codes fill 15 and 16 bits
constexpr int kScatteredZeros = 3;      // zero bytes amid such codes that make them numbers
constexpr size_t kSpectrumWindow = 4;     // frames of sound compared on each side of a join, at least
constexpr size_t kMaxSpectrumWindow = 32;  // and at most
constexpr size_t kBlocksPerWindow = 32;    // between them, a join's windows are this part of the block
constexpr size_t kMinSpectralBlock = 16;
// Blocks shorter than this (frames) have joins too close together to tell a channel's
// sound from the other's: silence and the encoder's own rhythms make patterns there.
constexpr size_t kMinJoinBlock = 16;  // blocks shorter than this (frames) are too short to compare spectra in
constexpr size_t kMinTimbreBlock = 64;  // blocks shorter than this (frames) are not compared as wholes,
                                        // and their joins' spectra are measured against controls
constexpr size_t kJoinControls = 2;     // places inside a block whose comparison a join's is measured against
constexpr size_t kTimbreSkip = 2;       // frames at a block's start that a wrong history disturbs
constexpr double kUnsureOfOneFrameBlocks = 0.5;  // the most the probe is sure of stereo in blocks of one frame
constexpr double kLevelNoise = 4.0;     // how far the levels' t may stray by chance, counted only beyond it
constexpr size_t kPairsAfterRun = 4;     // pairs after such a run, at least, where it is longer than one frame

using SpectrumSum = std::array<double, kSpectrumBands>;

// Accumulates a t statistic: mean / standard error.
struct TStatistic {
  double sum = 0.0, squares = 0.0;
  int count = 0;
  void add(double v) { sum += v, squares += v * v, ++count; }
  double t() const {
    const double mean = sum / count;
    const double variance = std::max(0.0, squares / count - mean * mean);
    return mean / std::sqrt(variance / (count - 1) + 1e-12);
  }
  double value() const { return count < kMinPairs ? 0.0 : t(); }
  // The t value as the z value of the same tail probability (Wallace's approximation),
  // so that a size with few pairs or joins (a large block in a short sample) cannot win
  // by chance alone, yet joins that all agree count even when there are few of them.
  double zValue() const {
    if (count < kMinZPairs) return 0.0;
    const double tValue = t(), degrees = count - 1;
    const double z = (8.0 * degrees + 1.0) / (8.0 * degrees + 3.0) * std::sqrt(degrees * std::log1p(tValue * tValue / degrees));
    return tValue < 0 ? -z : z;
  }
  // The pairs' own statistics: their t where there are many pairs, and as a z value
  // where there are few (a large block's few pairs would otherwise let a t of noise, or
  // a mono sound's rhythm that happens to match the block, outweigh everything else).
  double weighed() const { return count < kManyPairs ? zValue() : value(); }
};

// The measured frames of a stretch of the sample, from one frame on.
struct SampleView {
  const double* loudness;   // decoded loudness of each frame
  const double* prefix;     // running sums of the residual loudness, prefix[0] before the first frame
  const int16_t* samples;   // 28 per frame
  const Spectrum* spectrum;  // for the first `spectra` frames
  const SpectrumSum* spectrumSum;  // running sums of the spectra of frames that are not quiet, [0] before the first
  const int32_t* quiet;     // running counts of quiet frames, quiet[0] before the first frame
  size_t frames;
  size_t spectra;
  const LayoutEffort* effort;
  // Some frame of [from, to) is quiet: silence, which tells nothing of where sound goes on.
  bool silenceIn(size_t from, size_t to) const { return quiet[to] != quiet[from]; }
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

// The pairs of a stretch that a statistic of block size n looks at: every pair that
// has a following block, spread evenly when there are more than `most`.
template <typename Visit>
void forEachPair(size_t frames, size_t n, size_t most, Visit visit) {
  if (frames < 3 * n) return;
  const size_t available = (frames - 3 * n) / (2 * n) + 1;
  const size_t used = std::min(available, std::max<size_t>(1, most));
  for (size_t k = 0; k < used; ++k) visit(2 * n * (k * available / used));
}

// The evidence for one block size, gathered over the stretches of the sample.
struct Evidence {
  TStatistic agreement, joins, waveforms, spectra, timbres;
  TStatistic steadyJoins;  // the joins' loudness against the same measure inside their blocks (short blocks)
  TStatistic levels;       // a pair's first block louder than its second, or quieter (blocks too short for joins)
  TStatistic heardLevels;  // the same over the frames that are not silent
  int restarts = 0;  // stretches whose pairs began anew after a run of empty frames
  int continuations = 0;  // stretches whose pairs went on over one
  // Both kinds of joins see the same thing, where a channel's sound goes on: smooth
  // loudness at the joins counts only as far as the spectra agree (a voice's pitch
  // period makes loudness rhythms of its own, which its spectra do not share). So do
  // the blocks' timbres (a mono instrument that alternates two notes at the block's
  // period has timbres that alternate too, but its sound goes on across every join).
  // The joins' loudness: its t, or its z value where the joins are few.
  double joined() const { return joinedBy(joins); }
  static double joinedBy(const TStatistic& j) { return j.count < kMinPairs ? j.zValue() : j.value(); }
  double total() const { return totalBy(joins); }
  // The channels' levels tell the size, not the start: a frame off, the blocks' levels
  // differ nearly as much (and the frames that a wrong history disturbs sway them).
  double leveled() const {
    return std::max(0.0, std::min(std::fabs(levels.weighed()), std::fabs(heardLevels.weighed())) - kLevelNoise);
  }
  double totalBy(const TStatistic& j) const {
    const double joined = joinedBy(j);
    const double spectral = std::max(0.0, spectra.zValue());
    const double continuing = spectra.count >= kMinZPairs ? std::min(joined, kCorroboration * spectral) : joined;
    const double timbre = std::min(std::max(0.0, timbres.zValue()), kCorroboration * spectral);
    return agreement.weighed() + continuing + waveforms.weighed() + spectra.zValue() + timbre + leveled();
  }
  // The evidence that decides mono or stereo once the start is settled: where the
  // joins are many, the spectra at them count only as far as the loudness at them
  // agrees too (one instrument's sound can have a spectral rhythm of a few dozen frames,
  // its vibrato or its notes, that its loudness goes smoothly through). Not while the
  // start is sought: a frame off, the loudness at the joins no longer lines up while
  // the spectra still show the layout.
  double decisive() const {
    const TStatistic& j = steadyJoins.count > 0 ? steadyJoins : joins;
    if (j.count < kManyJoins) return totalBy(j);
    return totalBy(j) - std::max(0.0, spectra.zValue() - kCorroboration * std::max(0.0, joinedBy(j)));
  }
  double sum() const { return agreement.sum + joins.sum + waveforms.sum + spectra.sum + timbres.sum; }
  void merge(const Evidence& e) {
    for (auto [to, from] : {std::pair{&agreement, &e.agreement}, {&joins, &e.joins}, {&waveforms, &e.waveforms}, {&spectra, &e.spectra},
                            {&timbres, &e.timbres}, {&steadyJoins, &e.steadyJoins}, {&levels, &e.levels}, {&heardLevels, &e.heardLevels}}) {
      to->sum += from->sum, to->squares += from->squares, to->count += from->count;
    }
    restarts += e.restarts;
    continuations += e.continuations;
  }
};

// Loudness agreement of a pair's blocks against the blocks a block apart.
void agreement(const SampleView& v, size_t n, size_t most, TStatistic& t) {
  forEachPair(v.frames, n, most, [&](size_t b) {
    const double* l = v.loudness;
    if (n < 8) {  // too few frames to correlate: mean distances instead
      double near = 0, far = 0;
      for (size_t i = 0; i < n; ++i) near += std::fabs(l[b + i] - l[b + n + i]), far += std::fabs(l[b + n + i] - l[b + 2 * n + i]);
      t.add((far - near) / static_cast<double>(n));
    } else {
      t.add(correlation(l + b, l + b + n, n) - correlation(l + b + n, l + b + 2 * n, n));
    }
  });
}

// The loudness of a pair's first block against its second: where one channel is
// louder than the other, the same sign pair after pair at the true size only (at half
// of it, a pair's two blocks are the same channel's; at twice it, each holds both).
// Measured over all frames, and over those that are not silent: silence tells no
// channel's level (a pause, or a marker at every track's start), so the weaker counts.
void levels(const SampleView& v, size_t n, size_t most, TStatistic& all, TStatistic& heard) {
  forEachPair(v.frames, n, most, [&](size_t b) {
    double first = 0, second = 0, heardFirst = 0, heardSecond = 0;
    int countFirst = 0, countSecond = 0;
    for (size_t i = 0; i < n; ++i) {
      const double a = v.loudness[b + i], c = v.loudness[b + n + i];
      first += a, second += c;
      if (!v.silenceIn(b + i, b + i + 1)) heardFirst += a, ++countFirst;
      if (!v.silenceIn(b + n + i, b + n + i + 1)) heardSecond += c, ++countSecond;
    }
    all.add((first - second) / static_cast<double>(n));
    if (countFirst > 0 && countSecond > 0) heard.add(heardFirst / countFirst - heardSecond / countSecond);
  });
}

// A join's comparison less the mean of the same comparison at `controls` places inside
// its block (a third and two thirds of the way, for two), where stereo's channels go on
// unbroken; false where any of them is not measured.
template <typename Compare>
bool againstControls(size_t join, size_t n, size_t controls, double atJoin, Compare compare, double& value) {
  double control = 0.0;
  for (size_t c = 1; c <= controls; ++c) {
    double inside = 0.0;
    if (!compare(join + c * n / (controls + 1), inside)) return false;
    control += inside / static_cast<double>(controls);
  }
  value = atJoin - control;
  return true;
}

// Smoothness of each block's joins to the block two before and after it, against its
// joins to its neighbours in the file. Two frames on each side of a join are averaged.
void joins(const SampleView& v, size_t n, TStatistic& t, TStatistic& steady) {
  if (n < kMinJoinBlock) return;
  const size_t m = 2;
  auto mean = [&](size_t from) { return (v.prefix[from + m] - v.prefix[from]) / static_cast<double>(m); };
  auto compare = [&](size_t i, double& value) {
    if (v.silenceIn(i - m, i + m) || v.silenceIn(i + n, i + n + m) || v.silenceIn(i - n - m, i - n)) return false;
    const double before = mean(i - m), after = mean(i);
    const double channelAfter = mean(i + n), channelBefore = mean(i - n - m);
    value = 2 * std::fabs(before - after) - std::fabs(before - channelAfter) - std::fabs(after - channelBefore);
    return true;
  };
  const size_t controls = n < kMinTimbreBlock ? kJoinControls : 0;
  for (size_t i = 2 * n; i + n + m <= v.frames; i += n) {  // a join between frames i - 1 and i
    double join = 0.0, value = 0.0;
    if (!compare(i, join)) continue;
    t.add(join);
    if (controls > 0 && i + 2 * n + m <= v.frames && againstControls(i, n, controls, join, compare, value)) steady.add(value);
  }
}

// Waveform likeness of a pair's blocks against the blocks a block apart.
void waveforms(const SampleView& v, size_t n, size_t most, TStatistic& t) {
  const size_t length = n * kSamplesPerFrame;
  forEachPair(v.frames, n, most, [&](size_t b) {
    const int16_t* s = v.samples + b * kSamplesPerFrame;
    t.add(correlation(s, s + length, length) - correlation(s + length, s + 2 * length, length));
  });
}

// The mean spectrum of w frames from `first` on.
Spectrum windowSpectrum(const SampleView& v, size_t first, size_t w) {
  Spectrum mean{};
  for (size_t f = first; f < first + w; ++f) {
    for (size_t b = 0; b < mean.size(); ++b) mean[b] += v.spectrum[f][b];
  }
  for (float& band : mean) band /= static_cast<float>(w);
  return mean;
}

// Between two spectra, or two blocks' mean spectra.
template <typename Bands>
double distance(const Bands& a, const Bands& b) {
  double d = 0.0;
  for (size_t i = 0; i < a.size(); ++i) d += std::fabs(a[i] - b[i]);
  return d;
}

// Each channel's sound goes on across its joins, whether or not the other channel
// carries the same sound: a frame after a join (past the first, which a wrong history
// disturbs) sounds more like the end of the same channel's block two before than like
// the end of the other channel's block right before it. In one stream the block right
// before is the sound that goes on, and nothing stands out. Long blocks have few joins:
// each is compared over more frames, a thirty-second of the block, so that it tells
// more steadily.
//
// Short blocks' joins are measured against the same comparison a third and two thirds
// of the way into the block, where stereo's channels go on unbroken: a mono tone whose
// pitch period is a few frames gives frames' spectra a rhythm of its own against the
// frame grid, which favours a comparison n frames back over one right before at many
// sizes n, at the joins and between them alike.
void spectralJoins(const SampleView& v, size_t n, TStatistic& t) {
  if (n < kMinSpectralBlock) return;
  const size_t w = std::clamp(n / kBlocksPerWindow, kSpectrumWindow, kMaxSpectrumWindow);
  auto compare = [&](size_t j, double& value) {  // at a join before frame j, or where one would be
    if (v.silenceIn(j - w, j + 1 + w) || v.silenceIn(j - n - w, j - n)) return false;
    const Spectrum after = windowSpectrum(v, j + 1, w);
    value = distance(after, windowSpectrum(v, j - w, w)) - distance(after, windowSpectrum(v, j - n - w, w));
    return true;
  };
  const size_t controls = n < kMinTimbreBlock ? kJoinControls : 0;
  const size_t reach = controls > 0 ? n : 0;  // frames past a join that its controls look at
  for (size_t j = 2 * n; j + 1 + w + reach <= v.spectra; j += n) {  // a join before frame j
    double join = 0.0, value = 0.0;
    if (compare(j, join) && againstControls(j, n, controls, join, compare, value)) t.add(value);
  }
}

// Each channel keeps its own sound over whole blocks: where the channels carry unrelated
// sound, a block's mean spectrum is nearer the same channel's block two before than the
// other channel's block right before. In one stream, and where both channels share
// their sound, the block right before is as near or nearer; only the first kind counts.
// Measured on blocks too long to have many joins, whose means are steady.
void blockTimbres(const SampleView& v, size_t n, TStatistic& t) {
  if (n < kMinTimbreBlock) return;
  auto mean = [&](size_t block, SpectrumSum& m) {
    const size_t from = block * n + kTimbreSkip, to = (block + 1) * n;
    const int32_t sounding = static_cast<int32_t>(to - from) - (v.quiet[to] - v.quiet[from]);
    if (2 * static_cast<size_t>(sounding) < n) return false;
    for (size_t b = 0; b < m.size(); ++b) m[b] = (v.spectrumSum[to][b] - v.spectrumSum[from][b]) / sounding;
    return true;
  };
  SpectrumSum m[3];
  bool known[3] = {false, false, false};
  for (size_t block = 0; (block + 1) * n <= v.spectra; ++block) {
    SpectrumSum& now = m[block % 3];
    known[block % 3] = mean(block, now);
    if (block < 2 || !known[block % 3] || !known[(block + 2) % 3] || !known[(block + 1) % 3]) continue;
    const double before = distance(now, m[(block + 2) % 3]), twoBefore = distance(now, m[(block + 1) % 3]);
    t.add((before - twoBefore) / (before + twoBefore + 1e-9));
  }
}

// The stretches of the sample that pair on their own for block size n. Streams parted
// by empty frames each begin their pairing anew after them (as talvimo's archive type 2
// reads them), while an empty frame that pads a block, or silence inside a stream, does
// not part anything: after a run of empty frames between sound, at least a pair after
// where the stretch before it began, the stretch is read both ways, its pairs beginning
// right after the run or where the pairs before it go on, and the way with the stronger
// evidence is kept.
SampleView stretch(const SampleView& whole, size_t from, size_t to) {
  SampleView v = whole;
  v.loudness += from, v.prefix += from, v.samples += from * kSamplesPerFrame, v.spectrum += from, v.quiet += from;
  v.spectrumSum += std::min(from, whole.spectra);
  v.frames = to - from;
  v.spectra = whole.spectra > from ? std::min(whole.spectra, to) - from : 0;
  return v;
}

// A run of empty frames: where pairs may begin anew after a stream's separator.
struct EmptyRun {
  size_t first, after;  // its first frame, and the frame after its last
};

template <typename Measure>
Evidence gatherStretches(const SampleView& whole, const std::vector<EmptyRun>& separators, size_t n, Measure measure) {
  Evidence all;
  size_t origin = 0;  // where the current stretch's pairs begin
  size_t from = 0;
  auto next = [&](size_t to) {
    if (to <= from) return;
    const size_t going = origin + (from - origin + 2 * n - 1) / (2 * n) * (2 * n);  // the pairs before it, going on
    Evidence restarted = measure(stretch(whole, from, to));
    if (from != origin && going < to) {
      Evidence continued = measure(stretch(whole, going, to));
      if (continued.sum() > restarted.sum()) {
        all.merge(continued);
        all.continuations += 1;
        origin = going;
        return;
      }
    }
    all.merge(restarted);
    all.restarts += from != 0;
    origin = from;
  };
  for (size_t k = 0; k < separators.size(); ++k) {
    const EmptyRun& s = separators[k];
    if (s.first < from + 2 * n) continue;
    // A longer run (silence inside a stream as often as a separator) only where a
    // stretch of kPairsAfterRun pairs follows it: deciding how a short stretch goes
    // on would lift mono's evidence by chance.
    const size_t until = k + 1 < separators.size() ? separators[k + 1].first : whole.frames;
    if (s.after - s.first > 1 && until < s.after + 2 * n * kPairsAfterRun) continue;
    next(s.first);
    from = s.after;
  }
  next(whole.frames);
  return all;
}

// How much of the evidence is gathered: the joins with the loudness of a few blocks
// (cheap: a few frames at each join), with the loudness of every block, and with their
// waveforms too.
enum class Depth { kJoins, kLoudness, kWaveforms };

// The first look at every size (kJoins) weighs a few blocks' loudness too where the
// effort allows: where silence hides most joins, or the view begins between pairs, the
// joins alone would leave the true size off the shortlist.
Evidence gather(const SampleView& whole, const std::vector<EmptyRun>& separators, size_t n, Depth depth = Depth::kWaveforms) {
  const double share = std::max(1.0, static_cast<double>(whole.frames));
  return gatherStretches(whole, separators, n, [&](const SampleView& v) {
    Evidence e;
    const double part = static_cast<double>(v.frames) / share;
    joins(v, n, e.joins, e.steadyJoins);
    spectralJoins(v, n, e.spectra);
    // (At the first look at every size only where the input holds few regions: for
    // many, the shortlist comes from the joins and the blocks' loudness alone.)
    if (depth != Depth::kJoins || v.effort->thorough) blockTimbres(v, n, e.timbres);
    if (depth != Depth::kJoins || v.effort->quickAgreementFrames > 0) {
      const int64_t compared = depth == Depth::kJoins ? v.effort->quickAgreementFrames : v.effort->agreementFrames;
      const size_t most = static_cast<size_t>(part * static_cast<double>(compared) / static_cast<double>(2 * n)) + 1;
      agreement(v, n, most, e.agreement);
      if (n < kMinJoinBlock) levels(v, n, most, e.levels, e.heardLevels);
    }
    if (depth == Depth::kWaveforms) {
      const double pairs = std::min(64.0, static_cast<double>(v.effort->waveformSamples) / static_cast<double>(2 * n * kSamplesPerFrame));
      waveforms(v, n, static_cast<size_t>(part * pairs) + 1, e.waveforms);
    }
    return e;
  });
}

// Runs of up to kMaxSeparatorRun empty frames between frames that are not empty, as
// frame indices of the view.
std::vector<EmptyRun> emptyRuns(const std::vector<bool>& empty, size_t from) {
  std::vector<EmptyRun> out;
  for (size_t i = from + 1; i + 1 < empty.size(); ++i) {
    if (!empty[i] || empty[i - 1]) continue;
    size_t after = i;
    while (after < empty.size() && empty[after]) ++after;
    if (after < empty.size() && after - i <= static_cast<size_t>(kMaxSeparatorRun)) out.push_back(EmptyRun{i - from, after - from});
    i = after - 1;
  }
  return out;
}

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

// Mono is the reading stereo must beat. Long blocks need less: their statistics are
// z values over few joins, and the sound's own rhythms (pitch periods, notes) that
// lift a mono stream's evidence at blocks of a few dozen frames fall inside them.
void addMono(std::vector<LayoutCandidate>& sizes) {
  const auto best = std::max_element(sizes.begin(), sizes.end(), [](const LayoutCandidate& a, const LayoutCandidate& b) { return a.score < b.score; });
  const bool longBlocks = best != sizes.end() && best->blockSize >= kLongBlockBytes;
  sizes.push_back(LayoutCandidate{1, 0, longBlocks ? kLongBlockEvidence : kStereoEvidence, 0.0});
}

// Ranks the layouts for the sound that v begins with.
LayoutChoice rankFrom(const SampleView& v, const std::vector<EmptyRun>& separators, LayoutChoice* decided) {
  // Every size by its joins and the loudness of a few of its blocks; the best of them,
  // and the sizes too small for joins, by the loudness of all their blocks; the best
  // few of those by their waveforms as well.
  std::vector<LayoutCandidate> sizes;
  for (size_t n = 1; n <= kMaxBlockFrames && 3 * n <= v.frames; ++n) {
    const double joined = n < kMinJoinBlock ? HUGE_VAL : gather(v, separators, n, Depth::kJoins).total();
    sizes.push_back({2, static_cast<int32_t>(n * kFrameBytes), joined, 0.0});
  }
  auto keepBest = [&](size_t count) {
    const size_t listed = std::min(count, sizes.size());
    std::partial_sort(sizes.begin(), sizes.begin() + static_cast<std::ptrdiff_t>(listed), sizes.end(), stronger);
    sizes.resize(listed);
  };
  keepBest(kMinJoinBlock + v.effort->shortlist);
  for (LayoutCandidate& c : sizes) c.score = gather(v, separators, static_cast<size_t>(c.blockSize / kFrameBytes), Depth::kLoudness).total();
  keepBest(kShortlist);
  std::vector<LayoutCandidate> decidedSizes = sizes;
  for (size_t i = 0; i < sizes.size(); ++i) {
    const Evidence e = gather(v, separators, static_cast<size_t>(sizes[i].blockSize / kFrameBytes));
    sizes[i].score = e.total();
    decidedSizes[i].score = e.decisive();
  }
  addMono(decidedSizes);
  *decided = keepCandidates(decidedSizes);
  addMono(sizes);
  return keepCandidates(sizes);
}

// A frame whose codes are scaled to the full 16 bits (shift 0 or 1), yet which holds
// zero bytes (two codes of nothing in a row) here and there after its first code byte
// that is not zero: sound hardly looks like that (one frame in tens of thousands, at a
// loud attack's ragged edge), while the numbers of a table that ends a header do.
bool looksLikeNumbers(const uint8_t* frame) {
  if (frameShift(frame[kHeaderByte]) > kLoudestShift) return false;
  int b = kFirstCodeByte;
  while (b < kFrameBytes && frame[b] == 0) ++b;
  int zeros = 0;
  for (; b < kFrameBytes; ++b) zeros += frame[b] == 0;
  return zeros >= kScatteredZeros;
}

// Encoders often begin a stream with a few all-zero frames. The zeros that pad a header
// begin inside a frame (where the header's last field ends), or fill it up to the end
// of a sector; empty frames right after a byte that is not zero, on the sound's own
// frame grid, and up to a start that ends no sector, are the stream's first frames.
bool zerosBeginStream(int64_t emptyFrames, int64_t first, int64_t start, uint8_t byteBefore) {
  return emptyFrames > 0 && first > 0 && byteBefore != 0 && start % kSectorBytes != 0;
}

}  // namespace

LayoutEffort effortFor(size_t regions) {
  if (regions <= kManyRegions) return LayoutEffort{kLayoutBytes, 1 << 17, 1 << 17, 1 << 14, 48, INT64_MAX, true};
  return LayoutEffort{1 << 17, 1 << 13, 1 << 13, 0, 16, 1 << 17, false};
}

LayoutChoice rankLayouts(const RegionSample& sample, const AudioExtent& found, const LayoutEffort& effort) {
  const auto at = [&](int64_t offset) { return sample.bytes.data() + (offset - sample.offset); };
  // The sound begins after any of a header's last numbers that pass for frames.
  AudioExtent extent = found;
  const int64_t sampleEnd = std::min(found.end, sample.offset + static_cast<int64_t>(sample.bytes.size()));
  // (Where only zeros lie before it back to the input's first byte there is no header.)
  const bool zerosBefore = found.start > 0 && sample.offset == 0 && std::all_of(at(0), at(found.start), [](uint8_t b) { return b == 0; });
  int64_t numbers = 0;
  while (!zerosBefore && numbers < kMaxHeaderFrames && extent.start + 2 * kFrameBytes <= sampleEnd && looksLikeNumbers(at(extent.start))) {
    extent.start += kFrameBytes;
    ++numbers;
  }
  // Empty frames right before the start may be silence that begins the streams (the
  // start skips them) or zeros that pad a header: measured too, to be weighed below.
  // So are the frames that looked like numbers: a loud attack from silence can look
  // like them too, and stereo pairs tell from where they line up.
  int64_t leadIn = numbers;
  while (numbers == 0 && leadIn < kMaxLeadInFrames && extent.start - kFrameBytes * (leadIn + 1) >= sample.offset &&
         isEmptyFrame(at(extent.start - kFrameBytes * (leadIn + 1)))) {
    ++leadIn;
  }
  const int64_t first = extent.start - kFrameBytes * leadIn;
  const int64_t available = std::min<int64_t>(extent.end, sample.offset + static_cast<int64_t>(sample.bytes.size())) - first;
  const size_t frames = static_cast<size_t>(std::max<int64_t>(0, std::min(available, effort.sampleBytes)) / kFrameBytes);
  FrameFeatures features;
  measureFrames(at(first), frames, effort.spectrumFrames, features);
  std::vector<double> prefix(frames + 1, 0.0);
  std::vector<int32_t> quiet(frames + 1, 0);
  for (size_t i = 0; i < frames; ++i) {
    prefix[i + 1] = prefix[i] + features.residual[i];
    quiet[i + 1] = quiet[i] + features.quiet[i];
  }
  std::vector<SpectrumSum> spectrumSum(features.spectrum.size() + 1, SpectrumSum{});
  for (size_t i = 0; i < features.spectrum.size(); ++i) {
    for (size_t b = 0; b < kSpectrumBands; ++b) spectrumSum[i + 1][b] = spectrumSum[i][b] + (features.quiet[i] ? 0.0 : features.spectrum[i][b]);
  }
  auto view = [&](int64_t skipped) {
    const size_t at = static_cast<size_t>(skipped);
    const size_t spectra = features.spectrum.size();
    return SampleView{features.loudness.data() + at, prefix.data() + at, features.samples.data() + at * kSamplesPerFrame,
                      features.spectrum.data() + std::min(at, spectra), spectrumSum.data() + std::min(at, spectra), quiet.data() + at,
                      frames - std::min(frames, at),
                      spectra - std::min(spectra, at), &effort};
  };
  struct Rankings {
    LayoutChoice plain, decided;
  };
  auto rank = [&](int64_t skipped) {
    Rankings r;
    r.plain = rankFrom(view(skipped), emptyRuns(features.empty, static_cast<size_t>(skipped)), &r.decided);
    return r;
  };

  // Stereo streams that begin with silent frames: the pairs begin where the whole
  // layout's evidence is strongest, among the starts the empty frames allow. Read from
  // after the empty frames, blocks of a few frames more than the silence may look like
  // mono; read from before them, a header's zero padding may blur the true size: the
  // layout is ranked both ways, and the stronger one taken.
  auto restartsAt = [&](LayoutChoice& c, int64_t skipped) {
    const LayoutCandidate& chosen = chosenLayout(c);
    c.restarts = c.continuations = 0;
    if (chosen.channels != 2) return;
    const Evidence e = gather(view(skipped), emptyRuns(features.empty, static_cast<size_t>(skipped)),
                              static_cast<size_t>(chosen.blockSize / kFrameBytes));
    c.restarts = e.restarts, c.continuations = e.continuations;
  };
  auto decide = [&](const Rankings& r, int64_t start, int64_t skipped, double startShare = 1.0) {
    LayoutChoice c = r.decided;
    c.start = start;
    c.candidates[0].confidence *= startShare;
    // Blocks of one frame pair adjacent frames, whose loudness agrees just as well
    // where they are one channel's (blocks of two frames whose channels differ).
    if (c.candidates[0].channels == 2 && c.candidates[0].blockSize == kFrameBytes) {
      c.candidates[0].confidence = std::min(c.candidates[0].confidence, kUnsureOfOneFrameBlocks);
    }
    restartsAt(c, skipped);
    return c;
  };
  Rankings ranked = rank(leadIn);
  if (leadIn > 0 && effort.thorough) {
    const Rankings early = rank(0);
    if (chosenLayout(early.plain).score > chosenLayout(ranked.plain).score) ranked = early;
  }
  const LayoutCandidate chosen = chosenLayout(ranked.plain);
  if (chosen.channels != 2) {  // mono: pairs are mere halves, and nothing restarts
    const bool zeros = numbers == 0 && zerosBeginStream(leadIn, first, extent.start, sample.offset > first - 1 ? 0 : *at(first - 1));
    return decide(ranked, zeros ? first : extent.start, leadIn);
  }
  // The start with the strongest evidence, where the sound seemed to start (and frames
  // that only looked like a header's last numbers, right before it) are favoured by
  // kTemperature: a start back over empty frames, or a few frames on where the last
  // bytes of a header look like frames of sound, must be clearly stronger. Between such
  // frames and the start after them the evidence alone decides, and how sure it is
  // scales the layout's confidence: the chosen start's share of theirs.
  const size_t n = static_cast<size_t>(chosen.blockSize / kFrameBytes);
  auto evidenceAt = [&](int64_t at) {
    const Evidence e = gather(view(at), emptyRuns(features.empty, static_cast<size_t>(at)), n,
                              effort.thorough ? Depth::kWaveforms : Depth::kJoins);
    return e.total() - e.leveled();
  };
  // (Blocks too short for joins cannot tell a frame's difference in their start.)
  const int64_t forward = n < kMinJoinBlock ? 0 : kMaxHeaderFrames;
  const int64_t firstTried = std::max<int64_t>(0, leadIn - 2 * static_cast<int64_t>(n) + 1);
  const int64_t lastTried = std::max(leadIn, std::min<int64_t>(leadIn + forward, static_cast<int64_t>(frames / 4)));
  std::vector<double> weighed;
  int64_t best = leadIn;
  for (int64_t at = firstTried; at <= lastTried; ++at) {
    const bool favoured = at <= leadIn && at >= leadIn - numbers;
    weighed.push_back(evidenceAt(at) + (favoured ? kTemperature : 0.0));
    if (at == firstTried || weighed.back() > weighed[static_cast<size_t>(best - firstTried)]) best = at;
  }
  double shares = 0.0;
  for (int64_t at = std::max(firstTried, leadIn - numbers); at <= leadIn; ++at) {
    shares += std::exp((weighed[static_cast<size_t>(at - firstTried)] - weighed[static_cast<size_t>(best - firstTried)]) / kTemperature);
  }
  const double startShare = std::min(1.0, 1.0 / shares);
  if (best == leadIn) return decide(ranked, extent.start, leadIn, startShare);
  return decide(rank(best), first + kFrameBytes * best, best, startShare);
}
