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
    QByteArray data(reinterpret_cast<const char*>(samples.data()),
                    static_cast<qsizetype>(samples.size() * sizeof(int16_t)));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QAudioSink sink(device, format);
    sink.start(&buffer);
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
