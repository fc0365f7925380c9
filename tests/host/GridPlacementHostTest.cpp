// Notes whose beats fall on whole samples are placed on exactly those samples, whatever the
// host's block size.

#include "support/PlaybackHostSupport.h"

using namespace host_test;

TEST_F (BundleTest, NotesOnAWholeSampleGridLandOnTheirExactSampleAtEveryBlockSize)
{
    // Tempos and rates at which the default project's half beats are whole samples.
    const struct
    {
        double sampleRate, bpm;
    } grids[] = { { 48000.0, 120.0 }, { 44100.0, 90.0 }, { 96000.0, 150.0 } };

    for (const auto& grid : grids)
    {
        const auto samplesPerHalfBeat = (juce::int64) (grid.sampleRate * 30.0 / grid.bpm);
        SCOPED_TRACE (juce::String (grid.bpm) + " bpm at " + juce::String (grid.sampleRate) + " Hz");

        auto plugin = load (grid.sampleRate, 4096);
        ASSERT_NE (plugin, nullptr);

        std::vector<Row> firstStream;

        for (int blockSize = 1; blockSize <= 4096; ++blockSize)
        {
            probe::Transport transport;
            transport.bpm = grid.bpm;
            probe::RenderSession session (*plugin, grid.sampleRate, blockSize, transport);

            // The first pass (eight half beats) and the next pass's first note.
            const auto rows = rowsOf (session.run (8 * samplesPerHalfBeat + 1).output);
            const auto ons = noteOns (rows);

            ASSERT_EQ (ons.size(), 9u) << "blocks of " << blockSize;
            for (size_t k = 0; k < ons.size(); ++k)
                ASSERT_EQ (ons[k].sample, (juce::int64) k * samplesPerHalfBeat) << "blocks of " << blockSize << ", note " << k;

            // Note-offs and releases too: the same stream, sample for sample, at every block size.
            if (firstStream.empty())
                firstStream = rows;
            else
                ASSERT_EQ (rows, firstStream) << "blocks of " << blockSize << "\n" << describe (rows);
        }
    }
}
