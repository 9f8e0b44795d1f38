#include "audio_player.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMediaDevices>
#include <QTimer>

namespace kelvox {

// A play's samples, the buffer the sink reads them from, and the sink.
struct SinkAudioOutput::Stream {
    QByteArray data;
    QBuffer buffer;
    std::unique_ptr<QAudioSink> sink;
};

SinkAudioOutput::SinkAudioOutput() = default;

SinkAudioOutput::~SinkAudioOutput() = default;

bool SinkAudioOutput::play(const PlaySlice&, const std::vector<int16_t>& samples, int channels, int rateHz,
                           QString& error)
{
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        error = QStringLiteral("No audio output device is available.");
        return false;
    }
    QAudioFormat format;
    format.setSampleRate(rateHz);
    format.setChannelCount(channels);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) {
        error = QStringLiteral("The audio output cannot play %1 channel(s) at %2 Hz.").arg(channels).arg(rateHz);
        return false;
    }
    // The previous play's drain has long ended: its sink can go.
    m_last.reset();
    auto stream = std::make_unique<Stream>();
    stream->data = QByteArray(reinterpret_cast<const char*>(samples.data()),
                              static_cast<qsizetype>(samples.size() * sizeof(int16_t)));
    stream->buffer.setBuffer(&stream->data);
    stream->buffer.open(QIODevice::ReadOnly);
    stream->sink = std::make_unique<QAudioSink>(device, format);
    QAudioSink& sink = *stream->sink;
    // Whatever happens below, the sink stays until the next play.
    m_last = std::move(stream);
    sink.start(&m_last->buffer);
    if (sink.error() != QAudio::NoError) {
        error = QStringLiteral("The audio output could not be opened.");
        return false;
    }
    // The sink reports Idle when the buffer is handed over, not when it has been
    // heard: wait until the processed time reaches the slice's length.
    const qint64 lengthUs = static_cast<qint64>(samples.size() / static_cast<std::size_t>(channels)) * 1000000 / rateHz;
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        const bool failed = sink.state() == QAudio::StoppedState && sink.error() != QAudio::NoError;
        if (failed || sink.processedUSecs() >= lengthUs || clock.elapsed() * 1000 > lengthUs + 2000000)
            loop.quit();
    });
    poll.start(10);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    const bool failed = sink.error() != QAudio::NoError && sink.error() != QAudio::UnderrunError;
    // A sound server that hangs reports no error: the time runs out first.
    const bool complete = sink.processedUSecs() >= lengthUs;
    sink.stop();
    if (failed) {
        error = QStringLiteral("The audio output stopped with an error.");
        return false;
    }
    if (!complete) {
        error = QStringLiteral("The audio output stopped before the end of the selection.");
        return false;
    }
    return true;
}

}  // namespace kelvox
