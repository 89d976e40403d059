// The software mixer behind the sound buffers, shared by both backends: buffer records, device
// and output bookkeeping, the mix (linear-interpolating resampler per buffer, dB gains, clipped
// conversion to the output format), the GK_AUDIO_WAV writer, synchronous playback and the beep.
// The per-buffer loop goes two output frames per step in 128-bit registers, or four in 256-bit
// ones where the processor has AVX2 (checked once at load time); a plain per-frame loop is kept
// as their reference.
#include <emmintrin.h>  // SSE2, which every x86-64 processor has

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

#include "platform/backend.h"
#include "platform/simd.h"
#include "platform/sound.h"
#include "platform/sound_output.h"

namespace plat::sound {

using MixFn = void (*)(Buffer& buffer, float* mix, uint32_t frames, uint64_t step);
// The fast mixing loops of one sample layout: two frames per step, and four with AVX2.
struct Loops {
    MixFn narrow, wide;
};

struct Buffer {
    Buffer* prev = nullptr;  // all buffers form one list, linked and unlinked under the lock
    Buffer* next = nullptr;
    WAVEFORMATEX format{};
    const Loops* loops = nullptr;  // the fast mixing loops for this sample layout
    std::unique_ptr<uint8_t[]> data;
    uint32_t bytes = 0;
    uint32_t frames = 0;
    bool playing = false;
    bool looping = false;
    uint64_t position = 0;  // in sample frames, 32.32 fixed point
    uint32_t frequency = 0;
    int32_t volume = 0;
    int32_t pan = 0;
    float gainLeft = 1.0f;
    float gainRight = 1.0f;
};

namespace {

constexpr uint32_t kBlockFrames = 1024;     // frames mixed per pass
constexpr uint32_t kMaxBytes = 0x0FFFFFFF;  // largest buffer accepted

WAVEFORMATEX Pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
    const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    return {WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

struct State {
    Buffer* buffers = nullptr;
    WAVEFORMATEX primary = Pcm(2, 44100, 16);
    const detail::Output* output = nullptr;  // the open output, or none
    int holders = 0;                         // device and music player each hold the output once
    bool device = false;
    MusicSource music = nullptr;
    Buffer* beep = nullptr;  // made when the output opens, so Beep never allocates
};
State state;

// Scratch for one pass of the mix: stereo sums and the music source's frames.
float mixBlock[kBlockFrames * 2];
int16_t musicBlock[kBlockFrames * 2];

// ---- the mix ----------------------------------------------------------------------------------

// Readers of sample frames as 16-bit lanes: Frame gives [left right] of frame i in the low 32
// bits, Two gives [left right left right] of frames i and i + 1 in the low 64 bits, Four the
// frames i .. i + 3 in all 128 bits.
GK_INLINE __m128i Lanes(int16_t left, int16_t right) {
    return _mm_cvtsi32_si128(static_cast<uint16_t>(left) | static_cast<uint16_t>(right) << 16);
}
GK_INLINE int16_t Widen(uint8_t v) {
    return static_cast<int16_t>((v - 128) * 256);
}
// Unsigned 8-bit samples in the low bytes of v as the 16-bit values Widen gives.
GK_INLINE __m128i WidenLanes(__m128i v) {
    return _mm_unpacklo_epi8(_mm_setzero_si128(), _mm_xor_si128(v, _mm_set1_epi8(-128)));
}
GK_INLINE __m128i Load32(const uint8_t* p) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return _mm_cvtsi32_si128(v);
}

struct U8Mono {
    static __m128i Frame(const uint8_t* d, size_t i) { return Lanes(Widen(d[i]), Widen(d[i])); }
    static __m128i Two(const uint8_t* d, size_t i) {
        return _mm_unpacklo_epi32(Frame(d, i), Frame(d, i + 1));
    }
    static __m128i Four(const uint8_t* d, size_t i) {
        const __m128i w = WidenLanes(Load32(d + i));
        return _mm_unpacklo_epi16(w, w);
    }
};
struct U8Stereo {
    static __m128i Frame(const uint8_t* d, size_t i) {
        return Lanes(Widen(d[2 * i]), Widen(d[2 * i + 1]));
    }
    static __m128i Two(const uint8_t* d, size_t i) {
        return _mm_unpacklo_epi32(Frame(d, i), Frame(d, i + 1));
    }
    static __m128i Four(const uint8_t* d, size_t i) {
        return WidenLanes(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(d + 2 * i)));
    }
};
struct S16Mono {
    static __m128i Frame(const uint8_t* d, size_t i) {
        int16_t v;
        std::memcpy(&v, d + 2 * i, 2);
        return Lanes(v, v);
    }
    static __m128i Two(const uint8_t* d, size_t i) {
        const __m128i x = Load32(d + 2 * i);
        return _mm_unpacklo_epi16(x, x);
    }
    static __m128i Four(const uint8_t* d, size_t i) {
        const __m128i x = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(d + 2 * i));
        return _mm_unpacklo_epi16(x, x);
    }
};
struct S16Stereo {
    static __m128i Frame(const uint8_t* d, size_t i) { return Load32(d + 4 * i); }
    static __m128i Two(const uint8_t* d, size_t i) {
        return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(d + 4 * i));
    }
    static __m128i Four(const uint8_t* d, size_t i) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + 4 * i));
    }
};

// Samples become floats 65536 times their value: a 16-bit lane moved to the top of a 32-bit one
// converts exactly without sign extension. Scaling by a power of two changes no rounding, so
// with the gains scaled by 2^-16 every product rounds as the reference loop's does.
constexpr float kSampleScale = 0x1p16f;

// The four low 16-bit lanes as scaled floats.
GK_INLINE __m128 ToFloat(__m128i v) {
    return _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_setzero_si128(), v));
}

// Fraction of a 32.32 position, in [0, 1).
GK_INLINE float Fraction(uint64_t position) {
    return static_cast<float>(static_cast<uint32_t>(position) >> 8) * 0x1p-24f;
}

// The fast loops mix N output frames per step: four in 256-bit registers where the processor
// has AVX2, two in 128-bit ones otherwise. Written as GCC vectors of the register's width.
template <int N>
struct Frames {
    typedef float Floats __attribute__((vector_size(8 * N)));  // [left right] per frame
    typedef int32_t Ints __attribute__((vector_size(8 * N)));
    typedef uint32_t LowBits __attribute__((vector_size(8 * N)));  // of positions
    // [from to] pairs of stereo frames, one pair per 64 bits, as 16-bit lanes.
    typedef int16_t Pairs __attribute__((vector_size(8 * N)));
    typedef int64_t PairBits __attribute__((vector_size(8 * N)));
};

template <int N>
GK_INLINE typename Frames<N>::Floats Fractions(typename Frames<N>::LowBits low32) {
    using F = Frames<N>;
    return __builtin_convertvector(reinterpret_cast<typename F::Ints>(low32 >> 8),
                                   typename F::Floats) *
           0x1p-24f;
}

// Pairs from 128-bit halves.
template <int N>
GK_INLINE typename Frames<N>::Pairs Join(__m128i low, __m128i high) {
    if constexpr (N == 2)
        return reinterpret_cast<typename Frames<N>::Pairs>(low);
    else
        return reinterpret_cast<typename Frames<N>::Pairs>(
            __builtin_shufflevector(low, high, 0, 1, 2, 3));
}

// Frame and right neighbour at N positions `step` apart.
template <int N, class Reader>
GK_INLINE typename Frames<N>::Pairs PairsAt(const uint8_t* d, uint64_t position, uint64_t step) {
    auto two = [&](uint64_t p) {
        return _mm_unpacklo_epi64(Reader::Two(d, p >> 32), Reader::Two(d, (p + step) >> 32));
    };
    return Join<N>(two(position), N == 4 ? two(position + 2 * step) : __m128i{});
}

// The same for a voice at the output rate: frames i .. i + N - 1 and their right neighbours.
template <int N, class Reader>
GK_INLINE typename Frames<N>::Pairs PairsFrom(const uint8_t* d, size_t i) {
    if constexpr (N == 2) {
        return Join<N>(_mm_unpacklo_epi32(Reader::Two(d, i), Reader::Two(d, i + 1)), __m128i{});
    } else {
        const __m128i from = Reader::Four(d, i), to = Reader::Four(d, i + 1);
        return Join<N>(_mm_unpacklo_epi32(from, to), _mm_unpackhi_epi32(from, to));
    }
}

// An unpack in every 128 bits (as SSE2's punpckl and punpckh): lanes from `Offset` on of the
// vectors a and b interleaved, each 128 bits holding `Per` lanes. Lane k of the result takes lane
// UnpackLane(...) of a and b placed end to end.
constexpr int UnpackLane(int lanes, int per, int offset, int k) {
    return (k % 2 ? lanes : 0) + k / per * per + offset + k % per / 2;
}
template <int Per, int Offset, class V, size_t... K>
GK_INLINE V Unpack(V a, V b, std::index_sequence<K...>) {
    return __builtin_shufflevector(a, b, UnpackLane(sizeof...(K), Per, Offset, K)...);
}

// Adds gain · (from + (to − from) · t) to N output frames, in the reference loop's order.
template <int N>
GK_INLINE void AddFrames(float* out, typename Frames<N>::Pairs pairs,
                         const typename Frames<N>::Floats& t,
                         const typename Frames<N>::Floats& gain) {
    using F = Frames<N>;
    using Pairs = typename F::Pairs;
    using Bits = typename F::PairBits;
    // Per 128 bits, the first and second pair's [from to] with each sample on top of a 32-bit
    // lane, then regrouped as the from frames and the to frames.
    constexpr auto lanes = std::make_index_sequence<4 * N>();
    constexpr auto halves = std::make_index_sequence<N>();
    const Pairs zero = {};
    const auto first = reinterpret_cast<Bits>(Unpack<8, 0>(zero, pairs, lanes));
    const auto second = reinterpret_cast<Bits>(Unpack<8, 4>(zero, pairs, lanes));
    const Bits from = Unpack<2, 0>(first, second, halves);
    const Bits to = Unpack<2, 1>(first, second, halves);
    using Floats = typename F::Floats;
    const auto a = __builtin_convertvector(reinterpret_cast<typename F::Ints>(from), Floats);
    const auto b = __builtin_convertvector(reinterpret_cast<typename F::Ints>(to), Floats);
    Floats sum;
    std::memcpy(&sum, out, sizeof sum);
    sum += (a + (b - a) * t) * gain;
    std::memcpy(out, &sum, sizeof sum);
}

// Adds `frames` output frames of one playing buffer to `mix`, stepping its position by `step`
// source frames per output frame and interpolating linearly between neighbouring frames. Runs
// whose right neighbours lie inside the buffer go N output frames at a time; the last frame
// leans on the first one when looping and on itself otherwise.
template <class Reader, int N>
GK_INLINE void MixBuffer(Buffer& b, float* mix, uint32_t frames, uint64_t step) {
    using F = Frames<N>;
    const uint8_t* d = b.data.get();
    const uint64_t last = static_cast<uint64_t>(b.frames - 1) << 32;
    const float left = b.gainLeft / kSampleScale, right = b.gainRight / kSampleScale;
    const __m128 gain = _mm_setr_ps(left, right, left, right);
    typename F::Floats gains;
    for (int k = 0; k < 2 * N; ++k) gains[k] = k % 2 ? right : left;
    constexpr uint64_t kUnitStep = uint64_t{1} << 32;
    uint64_t position = b.position;
    // One output frame from the pair [frame i, frame j].
    auto one = [&](float* out, __m128i pair) {
        const __m128 from = ToFloat(pair);
        const __m128 to = _mm_movehl_ps(from, from);
        const __m128 v =
            _mm_add_ps(from, _mm_mul_ps(_mm_sub_ps(to, from), _mm_set1_ps(Fraction(position))));
        __m128 sum = _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(out)));
        sum = _mm_add_ps(sum, _mm_mul_ps(v, gain));
        _mm_store_sd(reinterpret_cast<double*>(out), _mm_castps_pd(sum));
        position += step;
    };
    float* out = mix;
    float* const end = mix + 2 * frames;
    while (out < end) {
        if ((position >> 32) >= b.frames) {
            if (!b.looping) {
                b.playing = false;
                position = 0;
                break;
            }
            position -= static_cast<uint64_t>(b.frames) << 32;
            continue;
        }
        if (position >= last) {
            const __m128i j = Reader::Frame(d, b.looping ? 0 : b.frames - 1);
            one(out, _mm_unpacklo_epi32(Reader::Frame(d, b.frames - 1), j));
            out += 2;
            continue;
        }
        const uint64_t left = static_cast<uint64_t>(end - out) / 2;
        const uint64_t run = std::min(left, (last - position + step - 1) / step);
        float* const stepsEnd = out + 2 * N * (run / N);
        // The fractions of the next N positions, each for the left and the right sample; the
        // low 32 bits of a position step on by themselves.
        typename F::LowBits low32;
        for (int k = 0; k < 2 * N; ++k) low32[k] = static_cast<uint32_t>(position + k / 2 * step);
        if (step == kUnitStep) {
            const auto t = Fractions<N>(low32);
            for (; out < stepsEnd; out += 2 * N, position += N * kUnitStep)
                AddFrames<N>(out, PairsFrom<N, Reader>(d, position >> 32), t, gains);
        } else {
            for (; out < stepsEnd; out += 2 * N, position += N * step) {
                AddFrames<N>(out, PairsAt<N, Reader>(d, position, step), Fractions<N>(low32),
                             gains);
                low32 += static_cast<uint32_t>(N * step);
            }
        }
        for (uint64_t rest = run % N; rest > 0; --rest) {
            one(out, Reader::Two(d, position >> 32));
            out += 2;
        }
    }
    b.position = position;
}

template <class Reader>
GK_AVX2 void MixWide(Buffer& b, float* mix, uint32_t frames, uint64_t step) {
    MixBuffer<Reader, 4>(b, mix, frames, step);
}
template <class Reader>
void MixNarrow(Buffer& b, float* mix, uint32_t frames, uint64_t step) {
    MixBuffer<Reader, 2>(b, mix, frames, step);
}

template <class Reader>
constexpr Loops kLoops = {MixNarrow<Reader>, MixWide<Reader>};

const Loops* LoopsFor(const WAVEFORMATEX& f) {
    if (f.wBitsPerSample == 8) return f.nChannels == 1 ? &kLoops<U8Mono> : &kLoops<U8Stereo>;
    return f.nChannels == 1 ? &kLoops<S16Mono> : &kLoops<S16Stereo>;
}

// Sample `channel` of frame i as the mix sees it (8-bit samples widened to 16-bit values).
float SampleAt(const Buffer& b, uint32_t i, int channel) {
    const uint32_t index = i * b.format.nChannels + (b.format.nChannels == 2 ? channel : 0);
    if (b.format.wBitsPerSample == 8) return Widen(b.data[index]);
    int16_t v;
    std::memcpy(&v, b.data.get() + 2 * index, 2);
    return v;
}

// The reference: the same mix one output frame at a time in plain arithmetic.
void MixReference(Buffer& b, float* mix, uint32_t frames, uint64_t step) {
    const float gain[2] = {b.gainLeft, b.gainRight};
    for (uint32_t k = 0; k < frames;) {
        if ((b.position >> 32) >= b.frames) {
            if (!b.looping) {
                b.playing = false;
                b.position = 0;
                return;
            }
            b.position -= static_cast<uint64_t>(b.frames) << 32;
            continue;
        }
        const auto i = static_cast<uint32_t>(b.position >> 32);
        const uint32_t j = i + 1 < b.frames ? i + 1 : b.looping ? 0 : i;
        const float t = Fraction(b.position);
        for (int c = 0; c < 2; ++c) {
            const float from = SampleAt(b, i, c), to = SampleAt(b, j, c);
            mix[2 * k + c] += (from + (to - from) * t) * gain[c];
        }
        b.position += step;
        ++k;
    }
}

headless::MixLoop mixLoop = headless::MixLoop::Fastest;

MixFn LoopFor(const Buffer& b) {
    switch (mixLoop) {
        case headless::MixLoop::Reference:
            return MixReference;
        case headless::MixLoop::TwoFrames:
            return b.loops->narrow;
        case headless::MixLoop::Fastest:
            break;
    }
    return HasAvx2() ? b.loops->wide : b.loops->narrow;
}

void PutSample(float v, uint16_t bits, uint8_t*& out) {
    const float c = std::clamp(v, -32768.0f, 32767.0f);
    const int s = static_cast<int>(c + (c < 0 ? -0.5f : 0.5f));
    if (bits == 8) {
        *out++ = static_cast<uint8_t>((s >> 8) + 128);
    } else {
        const int16_t s16 = static_cast<int16_t>(s);
        std::memcpy(out, &s16, 2);
        out += 2;
    }
}

// PutSample's 16-bit results for `samples` mixed samples, eight at a time in 128-bit registers;
// returns how many it wrote (all but fewer than eight). The saturating pack clips, which is
// PutSample's clamp for every sum below 2^31 (tens of thousands of voices at full scale).
uint32_t PutSamples16(const float* mix, uint32_t samples, uint8_t*& out) {
    typedef float Floats __attribute__((vector_size(16)));
    typedef int32_t Ints __attribute__((vector_size(16)));
    const Floats half = Floats{} + 0.5f;
    auto rounded = [&](const float* p) {
        Floats v;
        std::memcpy(&v, p, sizeof v);
        return reinterpret_cast<__m128i>(__builtin_convertvector(v + (v < 0 ? -half : half), Ints));
    };
    uint32_t i = 0;
    for (; i + 8 <= samples; i += 8, out += 16)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                         _mm_packs_epi32(rounded(mix + i), rounded(mix + i + 4)));
    return i;
}

// ---- GK_AUDIO_WAV -----------------------------------------------------------------------------

struct WavWriter {
    FILE* file = nullptr;
    WAVEFORMATEX format{};
    uint32_t dataBytes = 0;
};
WavWriter wav;

void PutLe(uint8_t* p, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Rewrites the 44-byte header with the sizes written so far, so the file is complete whenever
// the output closes and at exit.
void WavFinish() {
    if (!wav.file) return;
    uint8_t h[44];
    std::memcpy(h, "RIFF", 4);
    PutLe(h + 4, 36 + wav.dataBytes, 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    PutLe(h + 16, 16, 4);
    std::memcpy(h + 20, &wav.format, 16);
    std::memcpy(h + 36, "data", 4);
    PutLe(h + 40, wav.dataBytes, 4);
    std::fseek(wav.file, 0, SEEK_SET);
    std::fwrite(h, 1, sizeof h, wav.file);
    std::fseek(wav.file, 0, SEEK_END);
    std::fflush(wav.file);
}

// Starts the file when the output opens. It is kept while the output format stays the same; a
// new output format starts the file again, since one WAV file holds one format. At exit the
// header is completed under the mixer lock, as the audio thread may still be writing.
void WavStart(const WAVEFORMATEX& format) {
    const char* path = std::getenv("GK_AUDIO_WAV");
    const bool wanted = path && *path;
    if (wanted && wav.file && std::memcmp(&wav.format, &format, 16) == 0) return;
    if (wav.file) std::fclose(wav.file);
    wav = {};
    if (!wanted) return;
    wav = {std::fopen(path, "wb"), format, 0};
    static bool registered = false;
    if (wav.file && !registered) {
        registered = std::atexit([] {
                         MixerLock lock;
                         WavFinish();
                     }) == 0;
    }
    WavFinish();
}

// ---- locking and the output -------------------------------------------------------------------

void Link(Buffer* b) {
    MixerLock lock;
    b->next = state.buffers;
    if (state.buffers) state.buffers->prev = b;
    state.buffers = b;
}

void Unlink(Buffer* b) {
    MixerLock lock;
    (b->prev ? b->prev->next : state.buffers) = b->next;
    if (b->next) b->next->prev = b->prev;
}

bool ValidFormat(const WAVEFORMATEX& f) {
    return f.wFormatTag == WAVE_FORMAT_PCM && (f.nChannels == 1 || f.nChannels == 2) &&
           (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) &&
           f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8 &&
           f.nSamplesPerSec >= DSBFREQUENCY_MIN && f.nSamplesPerSec <= DSBFREQUENCY_MAX;
}

// Attenuation in hundredths of a decibel as a gain; the lowest value is silence.
float DbGain(int32_t hundredths) {
    return hundredths <= DSBVOLUME_MIN ? 0.0f : std::pow(10.0f, hundredths / 2000.0f);
}

// Volume attenuates both sides; a pan attenuates the far side by its amount.
void UpdateGains(Buffer& b) {
    const float g = DbGain(b.volume);
    b.gainLeft = g * DbGain(-std::max(b.pan, 0));
    b.gainRight = g * DbGain(std::min(b.pan, 0));
}

// A buffer whether or not the device exists (synchronous playback and the beep need one too).
int32_t NewBuffer(const WAVEFORMATEX& format, uint32_t bytes, Buffer** out) {
    *out = nullptr;
    if (!ValidFormat(format)) return DSERR_BADFORMAT;
    if (bytes < format.nBlockAlign || bytes > kMaxBytes) return DSERR_INVALIDPARAM;
    auto b = std::unique_ptr<Buffer>(new (std::nothrow) Buffer);
    if (b) b->data.reset(new (std::nothrow) uint8_t[bytes]);
    if (!b || !b->data) return DSERR_OUTOFMEMORY;
    std::memset(b->data.get(), format.wBitsPerSample == 8 ? 0x80 : 0, bytes);
    b->format = format;
    b->format.cbSize = 0;
    b->loops = LoopsFor(format);
    b->bytes = bytes;
    b->frames = bytes / format.nBlockAlign;
    b->frequency = format.nSamplesPerSec;
    *out = b.release();
    Link(*out);
    return DS_OK;
}

void MakeBeep() {
    const WAVEFORMATEX f = Pcm(1, 22050, 16);
    const uint32_t frames = 22050 * 3 / 20;  // 150 ms of 880 Hz, faded in and out
    if (NewBuffer(f, frames * 2, &state.beep) != DS_OK) return;
    auto* s = reinterpret_cast<int16_t*>(state.beep->data.get());
    for (uint32_t i = 0; i < frames; ++i) {
        const float fade = std::min({1.0f, i / 200.0f, (frames - i) / 200.0f});
        s[i] =
            static_cast<int16_t>(8000.0f * fade * std::sin(i * 2.0f * 3.14159265f * 880 / 22050));
    }
}

void FreeBuffer(Buffer* b) {
    if (!b) return;
    Unlink(b);
    delete b;
}

bool AcquireOutput() {
    if (state.output) {
        ++state.holders;
        return true;
    }
    const detail::Output* output = IsHeadless() ? &detail::kHeadlessOutput : &detail::kSdlOutput;
    WavStart(state.primary);
    if (!output->open(state.primary)) return false;
    state.output = output;
    state.holders = 1;
    MakeBeep();
    return true;
}

// Bookkeeping once the backend has stopped pulling the mix.
void ForgetOutput() {
    state.output = nullptr;
    state.holders = 0;
    FreeBuffer(state.beep);
    state.beep = nullptr;
    WavFinish();
}

void CloseOutputNow() {
    if (!state.output) return;
    state.output->close();
    ForgetOutput();
}

void ReleaseOutput() {
    if (state.holders > 0 && --state.holders == 0) CloseOutputNow();
}

}  // namespace

// ---- rendering (called by the backends) -------------------------------------------------------

void detail::Render(uint8_t* out, uint32_t frames) {
    const WAVEFORMATEX& f = state.primary;
    uint8_t* const start = out;
    for (uint32_t done = 0; done < frames;) {
        const uint32_t n = std::min(frames - done, kBlockFrames);
        std::fill_n(mixBlock, 2 * n, 0.0f);
        for (Buffer* b = state.buffers; b; b = b->next) {
            if (!b->playing) continue;
            const MixFn mix = LoopFor(*b);
            mix(*b, mixBlock, n, (uint64_t{b->frequency} << 32) / f.nSamplesPerSec);
        }
        if (state.music) {
            std::fill_n(musicBlock, 2 * n, int16_t{0});
            state.music(musicBlock, n, f.nSamplesPerSec);
            for (uint32_t i = 0; i < 2 * n; ++i) mixBlock[i] += musicBlock[i];
        }
        const bool stereo16 = f.nChannels == 2 && f.wBitsPerSample == 16;
        for (uint32_t i = stereo16 ? PutSamples16(mixBlock, 2 * n, out) / 2 : 0; i < n; ++i) {
            const float l = mixBlock[2 * i], r = mixBlock[2 * i + 1];
            if (f.nChannels == 1) {
                PutSample((l + r) * 0.5f, f.wBitsPerSample, out);
            } else {
                PutSample(l, f.wBitsPerSample, out);
                PutSample(r, f.wBitsPerSample, out);
            }
        }
        done += n;
    }
    if (wav.file) {
        const auto bytes = static_cast<uint32_t>(out - start);
        wav.dataBytes += static_cast<uint32_t>(std::fwrite(start, 1, bytes, wav.file));
    }
}

MixerLock::MixerLock() : held_(state.output) {
    if (state.output) state.output->lock();
}

MixerLock::~MixerLock() {
    if (held_) static_cast<const detail::Output*>(held_)->unlock();
}

// ---- device and output ------------------------------------------------------------------------

int32_t CreateDevice() {
    if (state.device) return DS_OK;
    if (!AcquireOutput()) return DSERR_NODRIVER;
    state.device = true;
    return DS_OK;
}

void ReleaseDevice() {
    if (!state.device) return;
    state.device = false;
    ReleaseOutput();
}

bool HasDevice() {
    return state.device;
}

bool OpenOutput() {
    return AcquireOutput();
}

void CloseOutput() {
    ReleaseOutput();
}

bool IsOutputOpen() {
    return state.output != nullptr;
}

void SetMusicSource(MusicSource source) {
    MixerLock lock;
    state.music = source;
}

int32_t SetPrimaryFormat(const WAVEFORMATEX& format) {
    if (!ValidFormat(format)) return DSERR_BADFORMAT;
    const WAVEFORMATEX old = state.primary;
    state.primary = format;
    state.primary.cbSize = 0;
    if (!state.output) return DS_OK;
    const detail::Output* output = state.output;
    output->close();
    WavStart(state.primary);
    if (output->open(state.primary)) return DS_OK;
    // Refused: go back to the old format; if even that fails, the output is gone.
    state.primary = old;
    WavStart(old);
    if (!output->open(old)) ForgetOutput();
    return DSERR_BADFORMAT;
}

WAVEFORMATEX GetPrimaryFormat() {
    return state.primary;
}

// ---- buffers ----------------------------------------------------------------------------------

int32_t CreateBuffer(const WAVEFORMATEX& format, uint32_t bytes, Buffer** out) {
    if (!out) return DSERR_INVALIDPARAM;
    *out = nullptr;
    if (!state.device) return DSERR_UNINITIALIZED;
    return NewBuffer(format, bytes, out);
}

void ReleaseBuffer(Buffer* buffer) {
    FreeBuffer(buffer);
}

int32_t Lock(Buffer* b, uint32_t offset, uint32_t bytes, void** region1, uint32_t* bytes1,
             void** region2, uint32_t* bytes2) {
    if (bytes == 0) bytes = b->bytes;
    if (offset >= b->bytes || bytes > b->bytes) return DSERR_INVALIDPARAM;
    *bytes1 = std::min(bytes, b->bytes - offset);
    *region1 = b->data.get() + offset;
    *bytes2 = bytes - *bytes1;
    *region2 = *bytes2 ? b->data.get() : nullptr;
    return DS_OK;
}

void Unlock(Buffer*) {}

void Play(Buffer* b, uint32_t flags) {
    MixerLock lock;
    b->playing = true;
    b->looping = (flags & DSBPLAY_LOOPING) != 0;
}

void Stop(Buffer* b) {
    MixerLock lock;
    b->playing = false;
}

uint32_t GetStatus(Buffer* b) {
    MixerLock lock;
    if (!b->playing) return 0;
    return DSBSTATUS_PLAYING | (b->looping ? DSBSTATUS_LOOPING : 0);
}

uint32_t GetCurrentPosition(Buffer* b) {
    MixerLock lock;
    return static_cast<uint32_t>(b->position >> 32) * b->format.nBlockAlign;
}

int32_t SetCurrentPosition(Buffer* b, uint32_t position) {
    const uint32_t frame = position / b->format.nBlockAlign;
    if (frame >= b->frames) return DSERR_INVALIDPARAM;
    MixerLock lock;
    b->position = uint64_t{frame} << 32;
    return DS_OK;
}

int32_t SetFrequency(Buffer* b, uint32_t hz) {
    if (hz < DSBFREQUENCY_MIN || hz > DSBFREQUENCY_MAX) return DSERR_INVALIDPARAM;
    MixerLock lock;
    b->frequency = hz;
    return DS_OK;
}

uint32_t GetFrequency(Buffer* b) {
    return b->frequency;
}

int32_t SetVolume(Buffer* b, int32_t hundredthsDb) {
    if (hundredthsDb < DSBVOLUME_MIN || hundredthsDb > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
    MixerLock lock;
    b->volume = hundredthsDb;
    UpdateGains(*b);
    return DS_OK;
}

int32_t GetVolume(Buffer* b) {
    return b->volume;
}

int32_t SetPan(Buffer* b, int32_t pan) {
    if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
    MixerLock lock;
    b->pan = pan;
    UpdateGains(*b);
    return DS_OK;
}

int32_t GetPan(Buffer* b) {
    return b->pan;
}

// ---- synchronous playback and the beep --------------------------------------------------------

bool PlaySync(const WAVEFORMATEX& format, const void* samples, uint32_t bytes) {
    if (!AcquireOutput()) return false;
    Buffer* b = nullptr;
    const bool ok = NewBuffer(format, bytes, &b) == DS_OK;
    if (ok) {
        std::memcpy(b->data.get(), samples, bytes);
        Play(b, 0);
        while (GetStatus(b) & DSBSTATUS_PLAYING) state.output->wait();
        FreeBuffer(b);
    }
    ReleaseOutput();
    return ok;
}

bool Beep() {
    if (!state.beep) return false;
    MixerLock lock;
    state.beep->position = 0;
    state.beep->looping = false;
    state.beep->playing = true;
    return true;
}

// ---- headless test control --------------------------------------------------------------------

void headless::Reset() {
    CloseOutputNow();
    while (state.buffers) FreeBuffer(state.buffers);
    state = State{};
    mixLoop = headless::MixLoop::Fastest;
    detail::ResetHeadlessOutput();
}

void headless::UseMixLoop(MixLoop loop) {
    mixLoop = loop;
}

}  // namespace plat::sound
