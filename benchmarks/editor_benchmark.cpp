// Painting cost of the editor's looks with JUCE's software renderer at the editor's default size.
// Later editor work adds its full-editor repaint here (target: under 16 ms at 1360 × 820).
//
// Measured on the 2-core build machine (shared, load 6 to 11), Release:
//   BM_ThemeGalleryPaint    3.4 to 4.4 ms per full paint of the gallery at 1360 × 820.

#include "support/BenchmarkAllocations.h"
#include "support/gallery/ThemeGallery.h"

#include <benchmark/benchmark.h>

namespace
{
void BM_ThemeGalleryPaint (benchmark::State& state)
{
    testing_support::ThemeGallery gallery;
    juce::Image image (juce::Image::ARGB, testing_support::ThemeGallery::width, testing_support::ThemeGallery::height,
                       true, juce::SoftwareImageType());

    for (auto _ : state)
    {
        juce::Graphics g (image);
        gallery.paintEntireComponent (g, true);
        benchmark::DoNotOptimize (image.getPixelAt (10, 10));
    }

    state.counters["pixels"] = (double) testing_support::ThemeGallery::width * testing_support::ThemeGallery::height;
}
BENCHMARK (BM_ThemeGalleryPaint)->Unit (benchmark::kMillisecond)->MinTime (2.0);
} // namespace
