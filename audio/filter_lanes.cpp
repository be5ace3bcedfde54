// The bank's per-sample loop across filters in vector lanes. This file is
// compiled once per instruction set (Highway's foreach_target), and the run
// dispatches to the best one the processor has.
//
// The lanes compute the scalar filter's formulas (TrackingFilter::
// process_sample, then the bank's renormalisation and envelope) in the same
// order and in single precision, with three differences in the last bits:
// a multiplication and an addition may be fused into one rounding where
// the processor has fused multiply-adds; the turn's arc tangent is taken in
// single precision (the scalar filter takes it in double, then rounds the
// correction to single); and the sine and cosine of a new step come from the
// polynomials below rather than the C library. Each is within an ulp or two
// of the scalar result.
#include "audio/filter_lanes.h"

#include <cmath>

#include "audio/tracking_filter.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "audio/filter_lanes.cpp"
#include "hwy/foreach_target.h"  // IWYU pragma: keep
// Highway's headers go after foreach_target, which includes this file once per target.
#include "hwy/contrib/math/math-inl.h"
#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace filter_lanes {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using Floats = hn::ScalableTag<float>;
using Ints = hn::RebindToSigned<Floats>;
using V = hn::Vec<Floats>;
using M = hn::Mask<Floats>;

// Sine and cosine of x for |x| <= pi (and a little beyond). x less the
// nearest multiple q of pi/2, with pi/2 in three parts so that the
// remainder keeps its bits; on |r| <= pi/4 the two polynomials are within
// about an ulp of float precision; the quadrant q swaps and negates them.
HWY_INLINE void SinCos(Floats d, V x, V& sin_x, V& cos_x) {
    const Ints di;
    const V q = hn::Round(hn::Mul(x, hn::Set(d, 0.636619772367581f)));
    V r = hn::NegMulAdd(q, hn::Set(d, 1.5703125f), x);
    r = hn::NegMulAdd(q, hn::Set(d, 4.837512969970703125e-4f), r);
    r = hn::NegMulAdd(q, hn::Set(d, 7.54978995489188216e-8f), r);
    const V r2 = hn::Mul(r, r);

    V sin_poly = hn::MulAdd(hn::Set(d, -1.9515295891e-4f), r2, hn::Set(d, 8.3321608736e-3f));
    sin_poly = hn::MulAdd(sin_poly, r2, hn::Set(d, -1.6666654611e-1f));
    const V sin_r = hn::MulAdd(hn::Mul(r, r2), sin_poly, r);
    V cos_poly = hn::MulAdd(hn::Set(d, 2.443315711809948e-5f), r2, hn::Set(d, -1.388731625493765e-3f));
    cos_poly = hn::MulAdd(cos_poly, r2, hn::Set(d, 4.166664568298827e-2f));
    const V one_less_half_r2 = hn::NegMulAdd(hn::Set(d, 0.5f), r2, hn::Set(d, 1.0f));
    const V cos_r = hn::MulAdd(hn::Mul(r2, r2), cos_poly, one_less_half_r2);

    // Quadrants 1 and 3 swap sine and cosine; the sine is negated in
    // quadrants 2 and 3 (bit 1 of q), the cosine in 1 and 2 (bit 1 of q + 1).
    const auto quadrant = hn::ConvertTo(di, q);
    const M odd = hn::RebindMask(d, hn::Ne(hn::And(quadrant, hn::Set(di, 1)), hn::Zero(di)));
    const V sign = hn::SignBit(d);
    const V sin_sign = hn::And(hn::BitCast(d, hn::ShiftLeft<30>(quadrant)), sign);
    const V cos_sign = hn::And(hn::BitCast(d, hn::ShiftLeft<30>(hn::Add(quadrant, hn::Set(di, 1)))), sign);
    sin_x = hn::Xor(hn::IfThenElse(odd, cos_r, sin_r), sin_sign);
    cos_x = hn::Xor(hn::IfThenElse(odd, sin_r, cos_r), cos_sign);
}

// atan2(y, x), with atan2's answers for zeros of either sign.
HWY_INLINE V Atan2(Floats d, V y, V x) {
    const Ints di;
    const V ax = hn::Abs(x);
    const V ay = hn::Abs(y);
    const V larger = hn::Max(ax, ay);
    const V ratio = hn::IfThenZeroElse(hn::Eq(larger, hn::Zero(d)), hn::Div(hn::Min(ax, ay), larger));
    V angle = hn::Atan(d, ratio);
    angle = hn::IfThenElse(hn::Gt(ay, ax), hn::Sub(hn::Set(d, 1.5707963267948966f), angle), angle);
    const M x_negative = hn::RebindMask(d, hn::Lt(hn::BitCast(di, x), hn::Zero(di)));
    angle = hn::IfThenElse(x_negative, hn::Sub(hn::Set(d, 3.14159265358979f), angle), angle);
    return hn::CopySign(angle, y);
}

// The angle of (x, y) as turn_angle takes it: where the output turned by
// less than about a tenth of a radian (nearly always), the arc tangent
// series of y / x, which to the ninth power is exact in single precision
// there; the general arc tangent only in the vectors where a lane turned
// further.
HWY_INLINE V TurnAngle(Floats d, V y, V x) {
    const M small = hn::And(hn::Gt(x, hn::Zero(d)), hn::Lt(hn::Abs(y), hn::Mul(hn::Set(d, 0.1f), x)));
    const V t = hn::Div(y, x);
    const V t2 = hn::Mul(t, t);
    V series = hn::NegMulAdd(t2, hn::Set(d, 1.0f / 9), hn::Set(d, 1.0f / 7));
    series = hn::NegMulAdd(t2, series, hn::Set(d, 1.0f / 5));
    series = hn::NegMulAdd(t2, series, hn::Set(d, 1.0f / 3));
    series = hn::NegMulAdd(t2, series, hn::Set(d, 1.0f));
    series = hn::Mul(t, series);
    if (hn::AllTrue(d, small)) return series;
    return hn::IfThenElse(small, series, Atan2(d, y, x));
}

// One vector of filters, i ... i + lanes - 1, in the bank's arrays.
class Filters {
public:
    Filters(FilterLanes& lanes, size_t first) : lanes_(lanes), first_(first) {}
    V load(Floats d, FilterLanes::Field which) const { return hn::Load(d, lanes_.field(which) + first_); }
    void store(Floats d, FilterLanes::Field which, V value) const {
        hn::Store(value, d, lanes_.field(which) + first_);
    }

private:
    FilterLanes& lanes_;
    size_t first_;
};

// The step the filters take: the tracked step where the power passes the
// threshold and the candidate lies strictly inside the filter's range (or,
// for a free filter, is a number at all), the present step where it does
// not, the centre where the power is too low.
HWY_INLINE V NextStep(Floats d, const Filters& f, V step, V product_re, V product_im, M tracking) {
    using F = FilterLanes;
    const V nominal = f.load(d, F::NOMINAL_STEP);
    if (hn::AllFalse(d, tracking)) return nominal;
    const V turn = TurnAngle(d, product_im, product_re);
    const V candidate = hn::MulAdd(turn, f.load(d, F::NEGATIVE_ALPHA3), step);
    const M limited = hn::Ne(f.load(d, F::LIMITED), hn::Zero(d));
    const M inside = hn::And(hn::Gt(candidate, f.load(d, F::UPPER_BOUND_STEP)),
                             hn::Lt(candidate, f.load(d, F::LOWER_BOUND_STEP)));
    const M accepted = hn::Or(hn::And(limited, inside), hn::AndNot(limited, hn::IsFinite(candidate)));
    return hn::IfThenElse(tracking, hn::IfThenElse(accepted, candidate, step), nominal);
}

// One sample x through the filters, their oscillators renormalised;
// returns largest raised to any of their powers above it.
HWY_INLINE V StepFilters(Floats d, const Filters& f, V x, V threshold, bool phase_offsets, V largest) {
    using F = FilterLanes;
    V re = f.load(d, F::RE);
    V im = f.load(d, F::IM);
    V mixer_re = re;
    V mixer_im = im;
    if (phase_offsets) {
        const V offset_cos = f.load(d, F::OFFSET_COS);
        const V offset_sin = f.load(d, F::OFFSET_SIN);
        mixer_re = hn::MulSub(re, offset_cos, hn::Mul(im, offset_sin));
        mixer_im = hn::MulAdd(re, offset_sin, hn::Mul(im, offset_cos));
    }

    // The signal mixed down and smoothed twice; the turn of the output.
    const V scaled = hn::Mul(f.load(d, F::ALPHA1), x);
    const V one_minus_alpha1 = f.load(d, F::ONE_MINUS_ALPHA1);
    const V stage1_re = hn::MulAdd(one_minus_alpha1, f.load(d, F::STAGE1_RE), hn::Mul(scaled, mixer_re));
    const V stage1_im = hn::MulAdd(one_minus_alpha1, f.load(d, F::STAGE1_IM), hn::Mul(scaled, mixer_im));
    const V alpha2 = f.load(d, F::ALPHA2);
    const V one_minus_alpha2 = f.load(d, F::ONE_MINUS_ALPHA2);
    const V old_re = f.load(d, F::STAGE2_RE);
    const V old_im = f.load(d, F::STAGE2_IM);
    const V stage2_re = hn::MulAdd(one_minus_alpha2, old_re, hn::Mul(alpha2, stage1_re));
    const V stage2_im = hn::MulAdd(one_minus_alpha2, old_im, hn::Mul(alpha2, stage1_im));
    const V product_re = hn::MulAdd(stage2_re, old_re, hn::Mul(stage2_im, old_im));
    const V product_im = hn::MulSub(stage2_im, old_re, hn::Mul(stage2_re, old_im));
    const V power = hn::MulAdd(stage2_re, stage2_re, hn::Mul(stage2_im, stage2_im));
    f.store(d, F::STAGE1_RE, stage1_re);
    f.store(d, F::STAGE1_IM, stage1_im);
    f.store(d, F::STAGE2_RE, stage2_re);
    f.store(d, F::STAGE2_IM, stage2_im);
    f.store(d, F::PRODUCT_RE, product_re);
    f.store(d, F::PRODUCT_IM, product_im);

    // The new step; the rotation is recomputed only where it changed.
    const V step = f.load(d, F::STEP);
    const V next_step = NextStep(d, f, step, product_re, product_im, hn::Gt(power, threshold));
    V cos_step = f.load(d, F::COS_STEP);
    V sin_step = f.load(d, F::SIN_STEP);
    V cos_plus_sin = f.load(d, F::COS_PLUS_SIN);
    const M changed = hn::Ne(next_step, step);
    if (!hn::AllFalse(d, changed)) {
        V new_sin, new_cos;
        SinCos(d, next_step, new_sin, new_cos);
        cos_step = hn::IfThenElse(changed, new_cos, cos_step);
        sin_step = hn::IfThenElse(changed, new_sin, sin_step);
        cos_plus_sin = hn::IfThenElse(changed, hn::Add(new_cos, new_sin), cos_plus_sin);
        f.store(d, F::STEP, next_step);
        f.store(d, F::COS_STEP, cos_step);
        f.store(d, F::SIN_STEP, sin_step);
        f.store(d, F::COS_PLUS_SIN, cos_plus_sin);
    }

    // Advance with three multiplications, then renormalise.
    const V t = hn::Mul(sin_step, im);
    const V cos_re = hn::Mul(cos_step, re);
    const V new_im = hn::Sub(hn::MulSub(hn::Add(re, im), cos_plus_sin, cos_re), t);
    re = hn::Sub(cos_re, t);
    im = new_im;
    const V k = hn::Mul(hn::NegMulAdd(im, im, hn::NegMulAdd(re, re, hn::Set(d, 3.0f))), hn::Set(d, 0.5f));
    f.store(d, F::RE, hn::Mul(re, k));
    f.store(d, F::IM, hn::Mul(im, k));

    // As std::max(largest, power): a power that is not a number is passed over.
    return hn::IfThenElse(hn::Lt(largest, power), power, largest);
}

void RunSamples(FilterLanes& lanes, const float* samples, int32_t sample_count, EnvelopeFollower& follower) {
    const Floats d;
    const size_t width = hn::Lanes(d);
    const size_t padded = static_cast<size_t>(lanes.padded_count);
    for (int32_t s = 0; s < sample_count; ++s) {
        const float threshold = tracking_threshold(follower.envelope);
        const V x = hn::Set(d, samples[s]);
        const V threshold_lanes = hn::Set(d, threshold);
        V largest = hn::Zero(d);
        for (size_t i = 0; i < padded; i += width)
            largest = StepFilters(d, Filters(lanes, i), x, threshold_lanes, lanes.phase_offsets, largest);
        const float strongest = hn::GetLane(hn::MaxOfLanes(d, largest));
        follower.envelope = strongest * follower.new_weight + follower.envelope * follower.old_weight;
        follower.threshold = threshold;
    }
}

const char* TargetName() { return hwy::TargetName(HWY_TARGET); }

}  // namespace HWY_NAMESPACE
}  // namespace filter_lanes
HWY_AFTER_NAMESPACE();

#if HWY_ONCE

namespace filter_lanes {
HWY_EXPORT(RunSamples);
HWY_EXPORT(TargetName);
}  // namespace filter_lanes

FilterLanes* FilterLanes::create(int32_t count) {
    auto* lanes = new FilterLanes{};
    lanes->count = std::max(count, 0);
    lanes->padded_count = (lanes->count + WIDEST_LANES - 1) / WIDEST_LANES * WIDEST_LANES;
    const size_t size = static_cast<size_t>(FIELD_COUNT) * lanes->padded_count;
    if (size == 0) return lanes;  // an empty bank has nothing to run
    lanes->storage = hwy::AllocateAligned<float>(size);
    // Every lane starts as a silent filter at rest on a zero step, so that
    // the padding never tracks and never adds to the envelope.
    std::fill_n(lanes->storage.get(), size, 0.0f);
    for (Field one : {ONE_MINUS_ALPHA1, ONE_MINUS_ALPHA2, OFFSET_COS, PRODUCT_RE, RE, COS_STEP, COS_PLUS_SIN})
        std::fill_n(lanes->field(one), lanes->padded_count, 1.0f);
    // The first dispatch asks the processor what it offers: here, once,
    // rather than on the audio thread.
    target_name();
    return lanes;
}

void FilterLanes::destroy(FilterLanes* lanes) { delete lanes; }

void FilterLanes::load(const TrackingFilter* filters) {
    phase_offsets = false;
    for (int32_t i = 0; i < count; ++i) {
        const TrackingFilter& filter = filters[i];
        const Phasor& phasor = filter.phasor;
        field(ALPHA1)[i] = filter.alpha1;
        field(ONE_MINUS_ALPHA1)[i] = filter.one_minus_alpha1;
        field(ALPHA2)[i] = filter.alpha2;
        field(ONE_MINUS_ALPHA2)[i] = filter.one_minus_alpha2;
        field(NEGATIVE_ALPHA3)[i] = -filter.alpha3;
        field(NOMINAL_STEP)[i] = Phasor::step_for(filter.nominal_hz, phasor.sample_rate);
        field(UPPER_BOUND_STEP)[i] = filter.upper_bound_step;
        field(LOWER_BOUND_STEP)[i] = filter.lower_bound_step;
        field(LIMITED)[i] = filter.limited != 0 ? 1.0f : 0.0f;
        field(OFFSET_COS)[i] = phasor.offset_cos;
        field(OFFSET_SIN)[i] = phasor.offset_sin;
        field(STAGE1_RE)[i] = filter.stage1.re;
        field(STAGE1_IM)[i] = filter.stage1.im;
        field(STAGE2_RE)[i] = filter.stage2.re;
        field(STAGE2_IM)[i] = filter.stage2.im;
        field(PRODUCT_RE)[i] = filter.step_product.re;
        field(PRODUCT_IM)[i] = filter.step_product.im;
        field(STEP)[i] = phasor.step;
        field(RE)[i] = phasor.re;
        field(IM)[i] = phasor.im;
        field(COS_STEP)[i] = phasor.cos_step;
        field(SIN_STEP)[i] = phasor.sin_step;
        field(COS_PLUS_SIN)[i] = phasor.cos_plus_sin;
        if (phasor.offset_cos != 1.0f || phasor.offset_sin != 0.0f) phase_offsets = true;
    }
}

void FilterLanes::store(TrackingFilter* filters, float threshold) const {
    for (int32_t i = 0; i < count; ++i) {
        TrackingFilter& filter = filters[i];
        Phasor& phasor = filter.phasor;
        filter.stage1 = {field(STAGE1_RE)[i], field(STAGE1_IM)[i]};
        filter.stage2 = {field(STAGE2_RE)[i], field(STAGE2_IM)[i]};
        filter.step_product = {field(PRODUCT_RE)[i], field(PRODUCT_IM)[i]};
        filter.threshold = threshold;
        phasor.step = field(STEP)[i];
        phasor.re = field(RE)[i];
        phasor.im = field(IM)[i];
        phasor.cos_step = field(COS_STEP)[i];
        phasor.sin_step = field(SIN_STEP)[i];
        phasor.cos_plus_sin = field(COS_PLUS_SIN)[i];
    }
}

void FilterLanes::run_samples(const float* samples, int32_t sample_count, EnvelopeFollower& envelope) {
    HWY_DYNAMIC_DISPATCH(filter_lanes::RunSamples)(*this, samples, sample_count, envelope);
}

const char* FilterLanes::target_name() { return HWY_DYNAMIC_DISPATCH(filter_lanes::TargetName)(); }

#endif  // HWY_ONCE
