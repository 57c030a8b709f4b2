// The voices' sound reaches the device through the resampler: the own voice at
// 11025 Hz and the embedded engine at 16 kHz (1.5 times that with fast playback).
// Tones go through it in uneven pieces, as the wave queue hands them over, and the
// spectrum of the result shows how far down the mirror images of the band are.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <vector>

#include "platform/sdl_audio.h"

namespace {

using Cpx = std::complex<double>;

void fft(std::vector<Cpx>& a) {
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const Cpx w = std::polar(1.0, -2 * M_PI / double(len));
        for (size_t i = 0; i < n; i += len) {
            Cpx wk = 1;
            for (size_t k = 0; k < len / 2; ++k, wk *= w) {
                const Cpx u = a[i + k], v = a[i + k + len / 2] * wk;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
}

std::vector<int16_t> toneAt(double hz, int rate, size_t n) {
    std::vector<int16_t> s(n);
    for (size_t i = 0; i < n; ++i) s[i] = int16_t(std::lround(16000 * std::sin(2 * M_PI * hz * double(i) / rate)));
    return s;
}

// Through the device path: uneven pieces, then what the filter held back.
std::vector<int16_t> throughResampler(const std::vector<int16_t>& in, int from, int to) {
    plat::audio::Resampler r;
    plat::audio::resamplerInit(r, from, to);
    std::vector<int16_t> out;
    for (size_t at = 0; at < in.size();) {
        const size_t n = std::min<size_t>(in.size() - at, 37 + (at * 7) % 2900);
        plat::audio::resample(r, in.data() + at, n, out);
        at += n;
    }
    plat::audio::resamplerTail(r, out);
    return out;
}

// What a straight-line interpolator makes of the same tone.
std::vector<int16_t> linear(const std::vector<int16_t>& in, int from, int to) {
    std::vector<int16_t> out;
    for (double pos = 0; pos + 1 < double(in.size()); pos += double(from) / to) {
        const size_t k = size_t(pos);
        out.push_back(int16_t(std::lround(in[k] + (in[k + 1] - in[k]) * (pos - double(k)))));
    }
    return out;
}

struct Spectrum {
    double toneDb = -999, imageDb = -999;  // the tone's power / the strongest bin above the source band
};

// 8192 samples from the middle, Blackman-Harris window (side lobes 92 dB down).
Spectrum measure(const std::vector<int16_t>& s, double hz, int srcRate, int rate) {
    const size_t n = 8192;
    std::vector<Cpx> a(n);
    const size_t from = s.size() / 2 - n / 2;
    for (size_t i = 0; i < n; ++i) {
        const double x = 2 * M_PI * double(i) / double(n - 1);
        const double w = 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
        a[i] = w * s[from + i];
    }
    fft(a);
    Spectrum sp;
    const double binHz = double(rate) / double(n);
    double tone = 0;
    for (size_t k = 1; k < n / 2; ++k) {
        const double f = double(k) * binHz, power = std::norm(a[k]);
        // The tone's power over its main lobe, so that where it falls between bins does not matter.
        if (std::fabs(f - hz) < 6 * binHz) tone += power;
        else if (f > srcRate / 2.0 + 6 * binHz) sp.imageDb = std::max(sp.imageDb, 10 * std::log10(power + 1e-9));
    }
    sp.toneDb = 10 * std::log10(tone + 1e-9);
    return sp;
}

}  // namespace

TEST(DeviceResampler, ImagesOfTheVoiceBandAreSixtyDecibelsDown) {
    struct Case {
        int from, to;
    } cases[] = {{11025, 44100}, {11025, 48000}, {16000, 44100}, {16000, 48000}, {24000, 44100}};
    for (const Case& c : cases) {
        double worst = -999, worstLinear = -999;
        // Up to 80% of the source's band, where the voices' sound lies.
        for (double part : {0.06, 0.2, 0.5, 0.7, 0.8}) {
            const double hz = part * c.from / 2;
            const std::vector<int16_t> in = toneAt(hz, c.from, size_t(c.from));  // one second
            const std::vector<int16_t> out = throughResampler(in, c.from, c.to);
            // Every sample comes out once the held-back end is added.
            EXPECT_NEAR(double(out.size()), double(in.size()) * c.to / c.from, 4.0) << c.from << " -> " << c.to;
            const Spectrum sp = measure(out, hz, c.from, c.to);
            const Spectrum lin = measure(linear(in, c.from, c.to), hz, c.from, c.to);
            const Spectrum src = measure(in, hz, c.from, c.from);
            // The tone keeps its level; the straight line leaves images this measure sees.
            EXPECT_NEAR(sp.toneDb, src.toneDb, 0.5) << hz << " Hz";
            if (part >= 0.5) {
                EXPECT_GT(lin.imageDb - lin.toneDb, -60.0) << hz << " Hz";
            }
            worst = std::max(worst, sp.imageDb - sp.toneDb);
            worstLinear = std::max(worstLinear, lin.imageDb - lin.toneDb);
        }
        std::printf("%d -> %d Hz: strongest image %.1f dB below the tone (straight-line interpolation: %.1f dB)\n",
                    c.from, c.to, -worst, -worstLinear);
        EXPECT_LT(worst, -60.0) << c.from << " -> " << c.to;
    }
}

TEST(DeviceResampler, PiecesJoinAsOneStreamAndEqualRatesPassUntouched) {
    const std::vector<int16_t> in = toneAt(440, 11025, 20000);
    plat::audio::Resampler whole;
    plat::audio::resamplerInit(whole, 11025, 44100);
    std::vector<int16_t> a;
    plat::audio::resample(whole, in.data(), in.size(), a);
    plat::audio::resamplerTail(whole, a);
    const std::vector<int16_t> b = throughResampler(in, 11025, 44100);
    ASSERT_EQ(a.size(), b.size());
    int most = 0;
    for (size_t i = 0; i < a.size(); ++i) most = std::max(most, std::abs(a[i] - b[i]));
    EXPECT_LE(most, 1);
    // A 440 Hz tone at 44.1 kHz moves at most 2 pi 440 / 44100 of its height a sample:
    // a larger step is a seam between pieces.
    for (size_t i = 1000; i + 1000 < b.size(); ++i) ASSERT_LE(std::abs(b[i] - b[i - 1]), 1100) << i;

    plat::audio::Resampler same;
    plat::audio::resamplerInit(same, 44100, 44100);
    std::vector<int16_t> c;
    plat::audio::resample(same, in.data(), in.size(), c);
    plat::audio::resamplerTail(same, c);
    EXPECT_EQ(c, in);
}
