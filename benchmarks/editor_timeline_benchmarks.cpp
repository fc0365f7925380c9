// The timeline canvas at the editor's default size: full paints, hit tests, drag steps and the
// paint a playhead step costs. Part of the editor benchmark program.
//
// Measured on the shared build machine (load 4 to 6), Release, ARGB software image at 1360 x 820:
//   BM_TimelinePaint/40        2.2 ms   (8 lanes, 40 notes with labels and badges)
//   BM_TimelinePaint/2048     20.6 ms   (8 lanes, 64 beats; one rounded body per note dominates)
//   BM_TimelineNoteAt2048     11.6 us   BM_TimelineDragStep2048  0.04 us
//   BM_TimelinePlayheadStep  185 to 216 us for the two 2-pixel strips a step repaints

#include "editor/TimelineCanvas.h"

#include <benchmark/benchmark.h>

namespace
{
constexpr int width = 1360;
constexpr int height = 820;

VarneT::Pattern makePattern (int notes, int voices, double lengthBeats)
{
    VarneT::Pattern p;
    p.name = "Bench";
    p.lengthBeats = lengthBeats;
    for (int v = 0; v < voices; ++v)
        p.voices.push_back ({ v, "Voice " + juce::String (v + 1) });

    const auto perVoice = (notes + voices - 1) / voices;
    const auto duration = lengthBeats / perVoice;
    for (int i = 0; i < notes; ++i)
    {
        VarneT::NoteEvent n;
        n.id = "n" + juce::String (i);
        n.voiceId = i / perVoice;
        n.startBeat = (i % perVoice) * duration;
        n.durationBeats = duration * 0.9;
        n.velocity = 40 + (i * 7) % 88;
        n.chance = (i % 5) / 4.0;
        n.octave = (i % 3) - 1;
        n.target.index = i % 4;
        p.notes.push_back (n);
    }
    return p;
}

struct Canvas
{
    Canvas (int notes, int voices, double lengthBeats)
    {
        canvas.setSize (width, height);
        canvas.setPattern (makePattern (notes, voices, lengthBeats));
        canvas.selectedIndex = notes / 2;
    }

    VarneTTimelineCanvas canvas;
    juce::Image image { juce::Image::ARGB, width, height, true, juce::SoftwareImageType() };
};

void BM_TimelinePaint (benchmark::State& state)
{
    Canvas c (static_cast<int> (state.range (0)), 8, state.range (0) > 100 ? 64.0 : 8.0);
    for (auto _ : state)
    {
        juce::Graphics g (c.image);
        c.canvas.paint (g);
        benchmark::ClobberMemory();
    }
}
BENCHMARK (BM_TimelinePaint)->Arg (0)->Arg (40)->Arg (2048)->Unit (benchmark::kMillisecond);

void BM_TimelineNoteAt2048 (benchmark::State& state)
{
    Canvas c (2048, 8, 64.0);
    float x = 52.0f;
    for (auto _ : state)
    {
        x = x > 1300.0f ? 52.0f : x + 13.7f;
        benchmark::DoNotOptimize (c.canvas.noteAt ({ x, 400.0f }));
    }
}
BENCHMARK (BM_TimelineNoteAt2048)->Unit (benchmark::kMicrosecond);

// One mouse move of a running move gesture: hit state, snapping, the note's new place.
void BM_TimelineDragStep2048 (benchmark::State& state)
{
    Canvas c (2048, 8, 64.0);
    auto& canvas = c.canvas;
    const auto source = juce::Desktop::getInstance().getMainMouseSource();
    const auto now = juce::Time::getCurrentTime();
    const auto event = [&] (juce::Point<float> p, juce::Point<float> down)
    {
        return juce::MouseEvent (source, p, juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier), 1.0f, 0.0f, 0.0f,
                                 0.0f, 0.0f, &canvas, &canvas, now, down, now, 1, true);
    };
    const auto down = canvas.noteBounds (1024).getCentre();
    canvas.mouseDown (event (down, down));

    float dx = 0.0f;
    for (auto _ : state)
    {
        dx = dx > 600.0f ? -600.0f : dx + 9.0f;
        canvas.mouseDrag (event (down.translated (dx, dx * 0.3f), down));
        benchmark::DoNotOptimize (canvas.pattern.notes[1024].startBeat);
    }
    canvas.mouseUp (event (down, down));
}
BENCHMARK (BM_TimelineDragStep2048)->Unit (benchmark::kMicrosecond);

// What the playhead costs per step: a paint clipped to the strip it leaves and the strip it enters.
void BM_TimelinePlayheadStep (benchmark::State& state)
{
    Canvas c (static_cast<int> (state.range (0)), 8, state.range (0) > 100 ? 64.0 : 8.0);
    double beat = 0.0;
    std::int64_t pixels = 0;
    for (auto _ : state)
    {
        const auto before = c.canvas.playheadArea (beat);
        beat += 0.05;
        c.canvas.playheadBeat = beat;
        const auto after = c.canvas.playheadArea (beat);
        for (auto area : { before, after })
        {
            juce::Graphics g (c.image);
            g.reduceClipRegion (area);
            c.canvas.paint (g);
            pixels += area.getWidth() * area.getHeight();
        }
    }
    state.counters["pixels/step"] = benchmark::Counter (static_cast<double> (pixels), benchmark::Counter::kAvgIterations);
}
BENCHMARK (BM_TimelinePlayheadStep)->Arg (40)->Arg (2048)->Unit (benchmark::kMicrosecond);
} // namespace
