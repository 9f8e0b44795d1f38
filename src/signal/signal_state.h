#pragma once
// The one record of the loaded recording and of the user's interval. The main
// window writes the file, display and selection fields; the analysis windows read
// them, share pageTimeScale and preEmphasis, and overwrite sampleLimit.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kelvox {

struct SignalState {
    std::vector<uint8_t> fileBytes;  // the file as read (16-bit data after any decoding at load)
    int32_t fileSize = 0;            // bytes on disk; 0 = nothing loaded yet
    std::string fileName;            // full path of the loaded file
    bool fileOpened = false;         // a load has succeeded at least once
    int32_t dataOffset = 0;          // first sample, in sample-width units
    int32_t sampleCount = 0;         // samples of all channels together
    int16_t channelCount = 1;
    int32_t bytesPerSample = 2;      // 1 or 2
    int16_t bitsPerSample = 0;       // as the header gives it
    int32_t sampleRateHz = 0;
    double sampleRate = 0.0;         // == sampleRateHz; read by the analyses
    int16_t selectedChannel = 0;
    float fileDuration = 0.0f;       // seconds
    float displayStart = 0.0f, displayEnd = 0.0f;
    float selectionStart = 0.0f, selectionEnd = 0.0f;  // both 0: nothing selected
    float samplesPerPixel = 1.0f;    // frames per column of the main view
    float maxSamplesPerPixel = 1.0f;
    float peakAmplitude = 1.0f;      // largest |sample| of channel 0, 16-bit units, >= 1
    float displayGain = 1.0f;
    float amplitudeScale = 0.0f;     // view pixels per sample unit at gain 1
    int32_t zeroOffset = 0;          // raw sample value on the main view's middle line
    int32_t sampleLimit = 0;         // end of data for the waveform and section windows
    bool byteSwapOn = false;
    bool signFlipOn = false;
    float pageTimeScale = 200.0f;    // mm of time axis per second, shared by the runs
    float preEmphasis = 0.0f;        // 0 none; set by the section window

    /// Frames of the recording: sampleCount / channelCount.
    int32_t frameCount() const { return channelCount > 0 ? sampleCount / channelCount : 0; }
};

/// Value of the sample at sample index `index` (in sample-width units, as
/// dataOffset counts), in 16-bit units: 8-bit data as signed byte × 256, 16-bit
/// data as signed little-endian word. 0 outside [dataOffset, dataOffset + sampleCount)
/// or outside fileBytes.
int sampleAtIndex(const SignalState& s, int64_t index);

/// The raw value at `index`: the signed byte or word without the × 256; 0 outside.
int rawAtIndex(const SignalState& s, int64_t index);

/// Channel `channel` of frame `frame` in 16-bit units; 0 outside
/// 0 <= frame < frameCount() or 0 <= channel < channelCount.
int frameSample(const SignalState& s, int64_t frame, int channel);

/// frameSample of frames firstFrame … firstFrame + out.size() − 1 into `out`.
void frameSamples(const SignalState& s, int64_t firstFrame, int channel, std::span<int16_t> out);

/// Channel `channel` of frame `frame` with the DC correction of the main view:
/// (raw − zeroOffset), × 256 for 8-bit data; 0 outside the data.
int correctedFrameSample(const SignalState& s, int64_t frame, int channel);

/// Same correction for a sample index (sample-width units); 0 outside the data.
int correctedSampleAtIndex(const SignalState& s, int64_t index);

/// Exchanges the two bytes of each of the sampleCount 16-bit words from word
/// dataOffset on, in place (the "Byte swap" box). Only when bytesPerSample is 2.
void byteSwapInPlace(SignalState& s);

/// Flips the top bit of each sample byte from dataOffset on, in place (the
/// "MSbit comp" box). Only when bytesPerSample is 1.
void signFlipInPlace(SignalState& s);

/// Measures peakAmplitude (channel 0, never below 1), sets amplitudeScale from the
/// main view's height, and returns the parameter line
/// "%5.3f s @ %5.3f kHz, %s, %d ch, max %4.2f".
std::string refreshParameters(SignalState& s, int viewHeightPx);

/// The parameter line for the state as it stands (no measuring).
std::string parameterLine(const SignalState& s);

/// The interval the analysis windows work on: the selection, or the displayed
/// interval when nothing is selected (selectionStart + selectionEnd == 0).
struct TimeInterval {
    float start = 0.0f;
    float end = 0.0f;
};
TimeInterval analysisInterval(const SignalState& s);

/// "From %5.3f to %5.3f => %5.3f s" for the analysis windows' "Time span" label.
std::string timeSpanText(const TimeInterval& interval);

}  // namespace kelvox
