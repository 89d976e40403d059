// Mixing speed: 64 looping voices (16-bit stereo 22050 Hz sources with varied frequency, volume
// and pan) mixed into 44100 Hz 16-bit stereo by the headless output, one second of audio per
// iteration. Every iteration also runs, timed apart, a plain loop adding one second of every
// voice's samples one for one into a float sum (as many additions as the mix makes, without
// resampling or gains) and the next second mixed by the per-frame reference loop.
// Reported: the share of one core per second of audio (core_pct) and our time over the plain
// sum's (x_plain) and the reference's (x_reference). Times are the thread's CPU time, so other
// work on a shared machine does not count; take medians over --benchmark_repetitions.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "measure.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/sound.h"

namespace {

namespace snd = plat::sound;

constexpr int kVoices = 64;
constexpr uint32_t kOutRate = 44100;
constexpr uint32_t kSourceFrames = 44100;  // two seconds at 22050 Hz

std::vector<std::vector<int16_t>> Sources() {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> sample(-8000, 8000);
    std::vector<std::vector<int16_t>> sources(kVoices, std::vector<int16_t>(2 * kSourceFrames));
    for (auto& s : sources)
        for (auto& v : s) v = static_cast<int16_t>(sample(rng));
    return sources;
}

void BM_Mix64Voices(benchmark::State& state) {
    plat::UseBackend(plat::Backend::Headless);
    snd::headless::Reset();
    snd::CreateDevice();
    const plat::WAVEFORMATEX format = {plat::WAVE_FORMAT_PCM, 2, 22050, 22050 * 4, 4, 16, 0};
    const auto sources = Sources();
    std::vector<snd::Buffer*> voices;
    for (int v = 0; v < kVoices; ++v) {
        snd::Buffer* b = nullptr;
        snd::CreateBuffer(format, kSourceFrames * 4, &b);
        void *p1, *p2;
        uint32_t n1, n2;
        snd::Lock(b, 0, 0, &p1, &n1, &p2, &n2);
        std::memcpy(p1, sources[v].data(), n1);
        snd::SetFrequency(b, 11025 + 517 * v);  // 11025 .. 43596 Hz
        snd::SetVolume(b, -40 * v);
        snd::SetPan(b, (v * 3001) % 20001 - 10000);
        snd::Play(b, plat::DSBPLAY_LOOPING);
        voices.push_back(b);
    }
    // One second of output: every voice's samples added one for one, no resampling or gains.
    std::vector<float> sum(2 * kOutRate);
    auto plain = [&] {
        std::fill(sum.begin(), sum.end(), 0.0f);
        for (const auto& s : sources)
            for (uint32_t i = 0; i < 2 * kOutRate; ++i) sum[i] += s[i];
        benchmark::DoNotOptimize(sum.data());
        benchmark::ClobberMemory();
    };
    auto mix = [&](bool reference) {
        snd::headless::UseMixLoop(reference ? snd::headless::MixLoop::Reference
                                            : snd::headless::MixLoop::Fastest);
        plat::headless::AdvanceTime(1000);
        benchmark::DoNotOptimize(snd::GetStatus(voices[0]));  // mixes up to the clock
    };
    double seconds[3] = {};  // plain sum, reference, ours
    for (auto _ : state)
        for (int i = 0; i < 3; ++i) {
            const double start = NowSeconds();
            i == 0 ? plain() : mix(i == 1);
            seconds[i] += NowSeconds() - start;
        }
    const double n = static_cast<double>(state.iterations());
    state.counters["core_pct"] = 100.0 * seconds[2] / n;
    state.counters["x_plain"] = seconds[2] / seconds[0];
    state.counters["x_reference"] = seconds[2] / seconds[1];
    snd::headless::Reset();
}
BENCHMARK(BM_Mix64Voices)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
