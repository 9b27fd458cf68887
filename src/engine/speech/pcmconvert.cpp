#include "engine/speech/pcmconvert.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vistrel::speech {

PcmConverter::PcmConverter(int inputRate, const QAudioFormat& output)
    : step_(double(std::max(inputRate, 1)) / std::max(output.sampleRate(), 1)), format_(output) {}

void PcmConverter::put(QByteArray& out, double value) const {
    const double v = std::clamp(value, -32768.0, 32767.0);
    for (int ch = 0; ch < std::max(format_.channelCount(), 1); ++ch) {
        switch (format_.sampleFormat()) {
            case QAudioFormat::UInt8:
                out.append(char(std::uint8_t(std::lround(v / 256.0) + 128)));
                break;
            case QAudioFormat::Int32: {
                const std::int32_t s = std::int32_t(std::lround(v)) * 65536;
                out.append(reinterpret_cast<const char*>(&s), sizeof s);
                break;
            }
            case QAudioFormat::Float: {
                const float f = float(v / 32768.0);
                out.append(reinterpret_cast<const char*>(&f), sizeof f);
                break;
            }
            default: {
                const std::int16_t s = std::int16_t(std::lround(v));
                out.append(reinterpret_cast<const char*>(&s), sizeof s);
                break;
            }
        }
    }
}

QByteArray PcmConverter::convert(std::span<const qint16> in) {
    QByteArray out;
    if (in.empty())
        return out;
    if (!started_) {
        previous_ = in[0];
        started_ = true;
    }
    // Input index -1 is the previous call's last sample; interpolate between neighbours.
    const auto at = [&](long i) { return i < 0 ? previous_ : double(in[std::size_t(i)]); };
    const double end = double(in.size()) - 1;
    while (position_ <= end) {
        const long i = long(std::floor(position_));
        const double frac = position_ - double(i);
        const double next = at(std::min<long>(i + 1, long(in.size()) - 1));
        put(out, at(i) + (next - at(i)) * frac);
        position_ += step_;
    }
    position_ -= double(in.size());
    previous_ = in.back();
    return out;
}

}  // namespace vistrel::speech
