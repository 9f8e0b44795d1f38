#include "signal_state.h"

#include "numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace kelvox;

namespace {

SignalState sixteenBit(const std::vector<int>& samples, int channels = 1)
{
    SignalState s;
    s.bytesPerSample = 2;
    s.channelCount = static_cast<int16_t>(channels);
    s.dataOffset = 2;  // four header bytes
    s.fileBytes = {0xAA, 0xBB, 0xCC, 0xDD};
    for (int v : samples) {
        s.fileBytes.push_back(static_cast<uint8_t>(v & 0xFF));
        s.fileBytes.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
    }
    s.sampleCount = static_cast<int32_t>(samples.size());
    s.sampleRateHz = 16000;
    return s;
}

}  // namespace

TEST(Numeric, SaturatingConversionsTruncateAndClamp)
{
    EXPECT_EQ(satInt(2.9), 2);
    EXPECT_EQ(satInt(-2.9), -2);
    EXPECT_EQ(satInt(std::nan("")), 0);
    EXPECT_EQ(satInt(1e12), std::numeric_limits<int>::max());
    EXPECT_EQ(satInt(-1e12), std::numeric_limits<int>::min());
    EXPECT_EQ(satInt16(40000.0), 32767);
    EXPECT_EQ(satInt64(1e30), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(satInt(std::numeric_limits<double>::infinity()), std::numeric_limits<int>::max());
    EXPECT_EQ(clampInt16(-70000), -32768);
}

TEST(SampleDecoding, ReadsFramesAndGuardsTheArea)
{
    SignalState s = sixteenBit({100, -200, 300, -400, 500}, 2);
    EXPECT_EQ(frameSample(s, 0, 0), 100);
    EXPECT_EQ(frameSample(s, 0, 1), -200);
    EXPECT_EQ(frameSample(s, 1, 1), -400);
    EXPECT_EQ(frameSample(s, 2, 0), 0);  // the half frame at the end is not a frame
    EXPECT_EQ(frameSample(s, -1, 0), 0);
    EXPECT_EQ(frameSample(s, 0, 2), 0);
    EXPECT_EQ(sampleAtIndex(s, 6), 500);
    EXPECT_EQ(sampleAtIndex(s, 7), 0);
    EXPECT_EQ(sampleAtIndex(s, 1), 0);  // header words are not samples
    s.zeroOffset = 50;
    EXPECT_EQ(correctedFrameSample(s, 0, 0), 50);
    EXPECT_EQ(correctedFrameSample(s, 9, 0), 0);
}

// The bulk reads and the peak scan read what frameSample reads, sample by sample:
// at the edges of the data, with a file cut short, 8- and 16-bit, one or more
// channels.
TEST(SampleDecoding, BulkReadsAndThePeakAgreeWithFrameSample)
{
    std::vector<int> values;
    for (int i = 0; i < 41; ++i)
        values.push_back((i * 7919) % 60001 - 30000);
    values[17] = -32768;
    for (int bytes : {1, 2}) {
        for (int channels : {1, 2, 3}) {
            for (int cut : {0, 3}) {
                SignalState s = sixteenBit(values, channels);
                if (bytes == 1) {
                    s.bytesPerSample = 1;
                    s.dataOffset = 4;
                }
                s.fileBytes.resize(s.fileBytes.size() - static_cast<size_t>(cut));  // a file cut short
                const std::string what = std::to_string(bytes) + " bytes, " + std::to_string(channels) +
                                         " channels, cut " + std::to_string(cut);
                for (int channel = -1; channel <= channels; ++channel) {
                    for (int64_t first : {-5, 0, 3, 10}) {
                        std::vector<int16_t> out(30, 123);
                        frameSamples(s, first, channel, out);
                        for (size_t i = 0; i < out.size(); ++i)
                            ASSERT_EQ(out[i], frameSample(s, first + static_cast<int64_t>(i), channel))
                                << what << ", channel " << channel << ", frame " << first + static_cast<int64_t>(i);
                    }
                }
                float peak = 1.0f;
                for (int64_t i = s.dataOffset; i < s.dataOffset + s.sampleCount; i += channels)
                    peak = std::max(peak, static_cast<float>(std::abs(sampleAtIndex(s, i))));
                refreshParameters(s, 201);
                EXPECT_EQ(s.peakAmplitude, peak) << what;
            }
        }
    }
}

TEST(SampleDecoding, EightBitCountsTimes256WithCorrection)
{
    SignalState s;
    s.bytesPerSample = 1;
    s.fileBytes = {0x00, 0x7F, 0x80, 0xFF};
    s.sampleCount = 4;
    EXPECT_EQ(frameSample(s, 1, 0), 127 * 256);
    EXPECT_EQ(frameSample(s, 2, 0), -128 * 256);
    EXPECT_EQ(frameSample(s, 3, 0), -256);
    s.zeroOffset = -1;
    EXPECT_EQ(correctedFrameSample(s, 3, 0), 0);
}

TEST(InPlaceTransforms, ByteSwapTwiceRestoresDataAndPeak)
{
    SignalState s = sixteenBit({0x0102, -3000, 0x7F00});
    const auto original = s.fileBytes;
    refreshParameters(s, 201);
    const float peak = s.peakAmplitude;
    byteSwapInPlace(s);
    EXPECT_EQ(frameSample(s, 0, 0), 0x0201);
    EXPECT_EQ(s.fileBytes[0], 0xAA);  // header untouched
    byteSwapInPlace(s);
    EXPECT_EQ(s.fileBytes, original);
    refreshParameters(s, 201);
    EXPECT_EQ(s.peakAmplitude, peak);
    signFlipInPlace(s);  // not 8-bit: nothing changes
    EXPECT_EQ(s.fileBytes, original);
}

TEST(InPlaceTransforms, SignFlipTurnsOffsetBinaryIntoSigned)
{
    SignalState s;
    s.bytesPerSample = 1;
    s.dataOffset = 1;
    s.fileBytes = {0x80, 0x80, 0xFF, 0x00};
    s.sampleCount = 3;
    signFlipInPlace(s);
    EXPECT_EQ(s.fileBytes, (std::vector<uint8_t>{0x80, 0x00, 0x7F, 0x80}));
}

TEST(InPlaceTransforms, AreaPastTheBufferIsNotTouched)
{
    SignalState s = sixteenBit({1, 2});
    s.sampleCount = 1000;  // a header that lies about its length
    byteSwapInPlace(s);
    EXPECT_EQ(s.fileBytes.size(), 8u);
    EXPECT_EQ(frameSample(s, 0, 0), 0x0100);
}

TEST(RefreshParameters, PeakOfChannelZeroAndParameterLine)
{
    SignalState silent = sixteenBit({0, 0, 0});
    silent.displayEnd = 1.5f;
    EXPECT_EQ(refreshParameters(silent, 201), "1.500 s @ 16.000 kHz, 16b, 1 ch, max 0.00");
    EXPECT_EQ(silent.peakAmplitude, 1.0f);
    EXPECT_FLOAT_EQ(silent.amplitudeScale, 100.5f);

    // Three channels: only indices dataOffset, +3, +6 count.
    SignalState three = sixteenBit({100, 30000, -30000, -16384, 32000, 0}, 3);
    three.displayEnd = 2.0f;
    EXPECT_EQ(refreshParameters(three, 201), "2.000 s @ 16.000 kHz, 16b, 3 ch, max 0.50");
    EXPECT_EQ(three.peakAmplitude, 16384.0f);
}

TEST(AnalysisInterval, SelectionOrDisplay)
{
    SignalState s;
    s.displayStart = 1.0f;
    s.displayEnd = 3.5f;
    EXPECT_EQ(timeSpanText(analysisInterval(s)), "From 1.000 to 3.500 => 2.500 s");
    s.selectionStart = 0.25f;
    s.selectionEnd = 0.75f;
    EXPECT_EQ(timeSpanText(analysisInterval(s)), "From 0.250 to 0.750 => 0.500 s");
    s.selectionStart = -0.5f;  // typed, unordered: taken as it stands
    s.selectionEnd = 0.5f;
    EXPECT_EQ(analysisInterval(s).start, 1.0f);  // sum 0: nothing selected
}
