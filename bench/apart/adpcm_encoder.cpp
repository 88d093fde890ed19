#include "adpcm_encoder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace apart {

namespace {

constexpr int kFilters = 5;
constexpr int kLargestShift = 12;
constexpr double kF0[kFilters] = {0.0, 0.9375, 1.796875, 1.53125, 1.90625};
constexpr double kF1[kFilters] = {0.0, 0.0, -0.8125, -0.859375, -0.9375};

struct Trial {
    double error = std::numeric_limits<double>::infinity();
    int filter = 0;
    int shift = kLargestShift;
    std::array<int, kSamplesPerFrame> codes{};
    DecoderHistory after;
};

// One decoded step, exactly as the decoder forms it: extended precision, one rounding.
double exactStep(double t, const DecoderHistory& h, int filter)
{
    long double x = (static_cast<long double>(t) + static_cast<long double>(h.s1) * kF0[filter]) +
                    static_cast<long double>(h.s2) * kF1[filter];
    return static_cast<double>(x);
}

// The same step in plain doubles: off by an ulp at most, good enough to rank trials.
double quickStep(double t, const DecoderHistory& h, int filter) { return (t + h.s1 * kF0[filter]) + h.s2 * kF1[filter]; }

// The 16-bit value that lands in the WAV for a decoded double.
std::int32_t storedSample(double x)
{
    double limited = std::clamp(x + 0.5, -1.0e9, 1.0e9);
    auto whole = static_cast<std::int64_t>(limited);  // truncation toward zero
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint64_t>(whole) & 0xFFFFu));
}

double codeStep(int shift) { return static_cast<double>(1 << (12 - shift)); }

int truncatedCode(double wanted) { return std::clamp(static_cast<int>(std::clamp(wanted, -9.0, 8.0)), -8, 7); }

// Of the two codes around the wanted one, the one whose stored sample comes closer.
template <double (*Step)(double, const DecoderHistory&, int)>
int closestCode(double wanted, double target, double step, const DecoderHistory& h, int filter)
{
    int below = std::clamp(static_cast<int>(std::floor(std::clamp(wanted, -9.0, 8.0))), -8, 7);
    int above = std::min(below + 1, 7);
    auto miss = [&](int code) { return std::fabs(storedSample(Step(code * step, h, filter)) - target); };
    return miss(above) < miss(below) ? above : below;
}

double addMiss(double error, double miss, double previousMiss, ErrorMeasure measure)
{
    if (measure == ErrorMeasure::Largest) return std::max(error, std::fabs(miss));
    if (measure == ErrorMeasure::Squared) return error + miss * miss;
    // The plain part keeps misses that cancel pairwise from going unseen.
    double lower = miss + previousMiss;
    return error + lower * lower + 0.5 * miss * miss;
}

// Encodes the frame with one filter and shift; gives up (error infinite) as soon as
// the error passes `bound`.
template <double (*Step)(double, const DecoderHistory&, int)>
Trial tryFilterShift(const std::int16_t* x, const DecoderHistory& start, int filter, int shift, const EncoderRule& rule,
                     double bound)
{
    Trial trial;
    trial.filter = filter;
    trial.shift = shift;
    trial.error = 0;
    DecoderHistory h = start;
    double step = codeStep(shift), previousMiss = 0;
    for (std::size_t i = 0; i < kSamplesPerFrame; ++i) {
        double predicted = Step(0.0, h, filter);
        // The decoder stores a negative value one step up (it adds a half and cuts toward
        // zero), so a negative sample is best aimed at one below itself.
        double aim = x[i] < 0 ? x[i] - 1.0 : x[i];
        double wanted = (aim - predicted) / step;
        int code = rule.truncatingCodes ? truncatedCode(wanted) : closestCode<Step>(wanted, x[i], step, h, filter);
        double value = Step(code * step, h, filter);
        double miss = static_cast<double>(storedSample(value) - x[i]);
        trial.error = addMiss(trial.error, miss, previousMiss, rule.measure);
        previousMiss = miss;
        if (trial.error > bound) {
            trial.error = std::numeric_limits<double>::infinity();
            return trial;
        }
        trial.codes[i] = code;
        h.s2 = h.s1;
        h.s1 = value;
    }
    trial.after = h;
    return trial;
}

// The largest open-loop residual of the frame under one filter.
double largestResidual(const std::int16_t* x, const DecoderHistory& start, int filter)
{
    double s1 = start.s1, s2 = start.s2, largest = 0;
    for (std::size_t i = 0; i < kSamplesPerFrame; ++i) {
        largest = std::max(largest, std::fabs(x[i] - (s1 * kF0[filter] + s2 * kF1[filter])));
        s2 = s1;
        s1 = x[i];
    }
    return largest;
}

// The shift at which a residual of `largest` just fits the codes.
int shiftFor(double largest)
{
    int shift = kLargestShift;
    while (shift > 0 && largest > 7.0 * codeStep(shift)) --shift;
    return shift;
}

bool allZero(const std::int16_t* x)
{
    return std::all_of(x, x + kSamplesPerFrame, [](std::int16_t v) { return v == 0; });
}

bool better(const Trial& candidate, const Trial& best, const EncoderRule& rule)
{
    return rule.tiesToLastFilter ? candidate.error <= best.error : candidate.error < best.error;
}

Trial bestTrial(const std::int16_t* x, const DecoderHistory& history, const EncoderRule& rule)
{
    std::array<double, kFilters> residual{};
    for (int filter = 0; filter < kFilters; ++filter)
        residual[static_cast<std::size_t>(filter)] = largestResidual(x, history, filter);
    double smallest = *std::min_element(residual.begin(), residual.end());
    Trial best;
    for (int filter = 0; filter < kFilters; ++filter) {
        // A filter whose residual is far above the best one's hardly ever wins: it is
        // passed over, unless the rule searches everything anyway.
        double own = residual[static_cast<std::size_t>(filter)];
        if (!rule.everyShift && own > 4.0 * smallest + 16.0) continue;
        int centre = shiftFor(own);
        int lo = rule.everyShift ? 0 : centre;
        int hi = rule.everyShift ? kLargestShift : std::min(kLargestShift, centre + 1);
        for (int shift = hi; shift >= lo; --shift) {
            Trial t = tryFilterShift<quickStep>(x, history, filter, shift, rule, best.error);
            if (better(t, best, rule)) best = t;
        }
    }
    // The winner once more with the decoder's own arithmetic, for codes and history
    // that match what it will decode.
    return tryFilterShift<exactStep>(x, history, best.filter, best.shift, rule, std::numeric_limits<double>::infinity());
}

Frame packFrame(const Trial& t)
{
    Frame frame{};
    frame[0] = static_cast<std::uint8_t>((t.filter << 4) | t.shift);
    bool silent = true;
    for (std::size_t i = 0; i < kSamplesPerFrame; i += 2) {
        auto low = static_cast<std::uint8_t>(t.codes[i] & 0xF), high = static_cast<std::uint8_t>(t.codes[i + 1] & 0xF);
        frame[2 + i / 2] = static_cast<std::uint8_t>(low | (high << 4));
        silent = silent && frame[2 + i / 2] == 0;
    }
    // Filter 0 with nothing but zero codes decodes to zeros at any shift: write it as
    // the marker frame, never as an all-zero frame that would read as a stream end.
    if (silent && t.filter == 0) frame[0] = 0x0C;
    return frame;
}

}  // namespace

Frame encodeFrame(const std::int16_t* samples, DecoderHistory& history, const EncoderRule& rule)
{
    if (allZero(samples)) {
        history = {};
        Frame marker{};
        marker[0] = 0x0C;
        return marker;
    }
    Trial best = bestTrial(samples, history, rule);
    history = best.after;
    return packFrame(best);
}

std::vector<Frame> encodeChannel(const std::vector<std::int16_t>& samples, const EncoderRule& rule)
{
    std::vector<std::int16_t> padded = samples;
    padded.resize((samples.size() + kSamplesPerFrame - 1) / kSamplesPerFrame * kSamplesPerFrame, 0);
    std::vector<Frame> frames;
    frames.reserve(padded.size() / kSamplesPerFrame);
    DecoderHistory history;
    for (std::size_t at = 0; at < padded.size(); at += kSamplesPerFrame) frames.push_back(encodeFrame(&padded[at], history, rule));
    return frames;
}

}  // namespace apart
