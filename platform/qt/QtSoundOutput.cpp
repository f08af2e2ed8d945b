#include "platform/qt/QtSoundOutput.hpp"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QMediaDevices>

namespace quorvel {

namespace {

constexpr int sampleRate = 22050;

class QtSoundVoice final : public SoundVoice {
public:
    QtSoundVoice(const QAudioDevice& device, const QAudioFormat& format, const QByteArray& pcm)
        : sink_(device, format) {
        buffer_.setData(pcm);
        buffer_.open(QIODevice::ReadOnly);
    }

    ~QtSoundVoice() override { sink_.stop(); }

    void play(double gain) override {
        sink_.stop();
        buffer_.seek(0);
        sink_.setVolume(gain);
        sink_.start(&buffer_);
    }

    bool isPlaying() const override { return sink_.state() == QAudio::ActiveState; }

    void stop() override { sink_.stop(); }

private:
    QBuffer buffer_;  // declared before the sink, so it outlives the sink's reads
    QAudioSink sink_;
};

// Qt's sample formats are in the host's byte order, as the samples are in memory.
QByteArray pcmBytes(const std::vector<std::int16_t>& samples) {
    return QByteArray(reinterpret_cast<const char*>(samples.data()),
                      static_cast<qsizetype>(samples.size() * sizeof(std::int16_t)));
}

}  // namespace

Expected<std::unique_ptr<SoundVoice>, SoundOutputError> QtSoundOutput::prepare(
    std::vector<std::int16_t> samples) {
    if (!QCoreApplication::instance()) {
        return unexpected(SoundOutputError{"Audio needs the application to be running"});
    }
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return unexpected(SoundOutputError{"No audio output device"});

    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) {
        return unexpected(SoundOutputError{"The audio output can't play 22,050 Hz mono 16-bit sound"});
    }
    std::unique_ptr<SoundVoice> voice =
        std::make_unique<QtSoundVoice>(device, format, pcmBytes(samples));
    return voice;
}

}  // namespace quorvel
