#include "overlays/LanczosResampler.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace spoolar {

namespace {

double sinc(double x)
{
    if (x == 0)
        return 1.0;
    const double px = std::numbers::pi * x;
    return std::sin(px) / px;
}

// The weights of one output pixel along one axis: the first source index and one weight per
// source pixel from there, summing to 1.
struct Contribution
{
    int first = 0;
    std::vector<double> weights;
};

std::vector<Contribution> contributions(const LanczosResampler& r, int sourceSize, int targetSize)
{
    const double scale = static_cast<double>(sourceSize) / targetSize;
    const double widen = std::max(1.0, scale);
    const double support = LanczosResampler::kRadius * widen;
    std::vector<Contribution> out(static_cast<std::size_t>(targetSize));
    for (int i = 0; i < targetSize; ++i) {
        const double centre = (i + 0.5) * scale - 0.5;
        const int first = std::max(0, static_cast<int>(std::floor(centre - support)));
        const int last = std::min(sourceSize - 1, static_cast<int>(std::ceil(centre + support)));
        Contribution& c = out[static_cast<std::size_t>(i)];
        c.first = first;
        double sum = 0;
        for (int s = first; s <= last; ++s) {
            const double w = r.kernel((s - centre) / widen);
            c.weights.push_back(w);
            sum += w;
        }
        if (sum != 0) {
            for (double& w : c.weights)
                w /= sum;
        } else {
            // Nothing in reach (cannot happen with a source pixel under the centre): nearest.
            const int nearest =
                std::clamp(static_cast<int>(std::lround(centre)), 0, sourceSize - 1);
            c.first = nearest;
            c.weights.assign(1, 1.0);
        }
    }
    return out;
}

int toByte(double v)
{
    return std::clamp(static_cast<int>(std::lround(v)), 0, 255);
}

} // namespace

LanczosResampler::LanczosResampler(KernelLookup lookup) : m_lookup(lookup)
{
    for (int i = 0; i < kTableSize; ++i) {
        const double x = kRadius * i / (kTableSize - 1);
        m_table[static_cast<std::size_t>(i)] = sinc(x) * sinc(x / kRadius);
    }
}

double LanczosResampler::kernel(double x) const
{
    const double ax = std::abs(x);
    if (ax >= kRadius)
        return 0.0;
    const double position = ax / kRadius * (kTableSize - 1);
    if (m_lookup == KernelLookup::Nearest)
        return m_table[static_cast<std::size_t>(std::lround(position))];
    const auto below = static_cast<std::size_t>(position);
    const std::size_t above = std::min<std::size_t>(below + 1, kTableSize - 1);
    const double t = position - static_cast<double>(below);
    return m_table[below] * (1 - t) + m_table[above] * t;
}

QImage LanczosResampler::resample(const QImage& source, int width, int height) const
{
    if (source.isNull() || width <= 0 || height <= 0 ||
        static_cast<std::int64_t>(width) * height > kLargestArea)
        return QImage();
    const QImage src = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int sw = src.width();
    const int sh = src.height();
    const std::vector<Contribution> across = contributions(*this, sw, width);
    const std::vector<Contribution> down = contributions(*this, sh, height);
    QImage result(width, height, QImage::Format_ARGB32_Premultiplied);
    if (result.isNull())
        return result;

    // Two passes through a buffer of 4 floats per pixel; the axis that shrinks the picture more
    // goes first, so that the buffer stays small.
    const bool acrossFirst =
        static_cast<std::int64_t>(sh) * width <= static_cast<std::int64_t>(height) * sw;
    const int midW = acrossFirst ? width : sw;
    const int midH = acrossFirst ? sh : height;
    std::vector<float> middle(static_cast<std::size_t>(midW) * midH * 4);
    auto sourcePixel = [&](int x, int y) {
        return reinterpret_cast<const QRgb*>(src.constScanLine(y))[x];
    };
    for (int y = 0; y < midH; ++y) {
        for (int x = 0; x < midW; ++x) {
            const Contribution& c = acrossFirst ? across[static_cast<std::size_t>(x)]
                                                : down[static_cast<std::size_t>(y)];
            double a = 0, r = 0, g = 0, b = 0;
            for (std::size_t k = 0; k < c.weights.size(); ++k) {
                const int s = c.first + static_cast<int>(k);
                const QRgb p = acrossFirst ? sourcePixel(s, y) : sourcePixel(x, s);
                const double w = c.weights[k];
                a += w * qAlpha(p);
                r += w * qRed(p);
                g += w * qGreen(p);
                b += w * qBlue(p);
            }
            float* out = &middle[(static_cast<std::size_t>(y) * midW + x) * 4];
            out[0] = static_cast<float>(a);
            out[1] = static_cast<float>(r);
            out[2] = static_cast<float>(g);
            out[3] = static_cast<float>(b);
        }
    }
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const Contribution& c = acrossFirst ? down[static_cast<std::size_t>(y)]
                                                : across[static_cast<std::size_t>(x)];
            double a = 0, r = 0, g = 0, b = 0;
            for (std::size_t k = 0; k < c.weights.size(); ++k) {
                const int s = c.first + static_cast<int>(k);
                const int mx = acrossFirst ? x : s;
                const int my = acrossFirst ? s : y;
                const float* in = &middle[(static_cast<std::size_t>(my) * midW + mx) * 4];
                const double w = c.weights[k];
                a += w * in[0];
                r += w * in[1];
                g += w * in[2];
                b += w * in[3];
            }
            const int alpha = toByte(a);
            // Premultiplied: no colour channel may exceed the alpha.
            row[x] = qRgba(std::min(toByte(r), alpha), std::min(toByte(g), alpha),
                           std::min(toByte(b), alpha), alpha);
        }
    }
    return result;
}

} // namespace spoolar
