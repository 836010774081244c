#pragma once
#include <QImage>

#include <array>

namespace spoolar {

// How the kernel table is read between its entries.
enum class KernelLookup
{
    Nearest, // the nearest entry (letterhead pictures)
    Linear   // linear interpolation between the two nearest entries (picture command)
};

// Resampling with a Lanczos kernel (radius 3) taken from a precomputed table of 32 entries.
// When a picture is made smaller the kernel is widened by the same factor, so that every source
// pixel counts (no aliasing). Works on premultiplied colours, so transparent pixels do not
// darken their neighbours.
class LanczosResampler
{
public:
    static constexpr int kTableSize = 32;
    static constexpr double kRadius = 3.0;
    // Larger results are refused: two A4 pages at 600 dpi.
    static constexpr long long kLargestArea = 70'000'000;

    explicit LanczosResampler(KernelLookup lookup);

    // The picture at width x height pixels, 32-bit ARGB premultiplied; a null image when the
    // source is empty, a size is not positive or the result would be larger than kLargestArea.
    QImage resample(const QImage& source, int width, int height) const;

    double kernel(double x) const;

private:
    std::array<double, kTableSize> m_table{};
    KernelLookup m_lookup;
};

} // namespace spoolar
