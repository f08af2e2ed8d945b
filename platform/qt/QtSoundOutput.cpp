#include "platform/qt/QtSoundOutput.hpp"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QMediaDevices>
#include <QTimer>

namespace quorvel {

namespace {

constexpr int sampleRate = 22050;

class QtSoundVoice final : public SoundVoice {
public:
    QtSoundVoice(const QAudioDevice& device, const QAudioFormat& format, const QByteArray& pcm)
        : sink_(device, format) {
        buffer_.setData(pcm);
        buffer_.open(QIODevice::ReadOnly);
        // A sink whose samples are used up idles with its stream open and running; it is
        // stopped, which closes the stream, once the server has had time to play the rest.
        release_.setSingleShot(true);
        release_.setInterval(QtSoundOutput::releaseDelayMilliseconds);
        QObject::connect(&sink_, &QAudioSink::stateChanged, &release_, [this](QAudio::State state) {
            if (state == QAudio::IdleState) {
                release_.start();
            } else {
                release_.stop();
            }
        });
        QObject::connect(&release_, &QTimer::timeout, &sink_, [this] {
            if (sink_.state() == QAudio::IdleState) sink_.stop();
        });
    }

    ~QtSoundVoice() override { sink_.stop(); }

    void play(double gain) override {
        sink_.stop();
        buffer_.seek(0);
        sink_.setVolume(gain);
        // Qt's PulseAudio sink asks each new stream for the buffer the last one was granted,
        // and the server, adjusting for its latency, grants less than asked: every play of
        // the same sink got a smaller buffer, until after six or seven it was smaller than one
        // of the sink's writes, which then never came, leaving a silent stream open for good.
        // Every stream asks for the server's own buffer instead.
        sink_.setBufferSize(0);
        sink_.start(&buffer_);
    }

    bool isPlaying() const override { return sink_.state() == QAudio::ActiveState; }

    void stop() override { sink_.stop(); }

private:
    QBuffer buffer_;  // declared before the sink, so it outlives the sink's reads
    QAudioSink sink_;
    QTimer release_;
};

// Qt's sample formats are in the host's byte order, as the samples are in memory.
QByteArray pcmBytes(const std::vector<std::int16_t>& samples) {
    return QByteArray(reinterpret_cast<const char*>(samples.data()),
                      static_cast<qsizetype>(samples.size() * sizeof(std::int16_t)));
}

}  // namespace

QtSoundOutput::QtSoundOutput(const QString& mixerName) {
    if (mixerName.isEmpty() || !QCoreApplication::instance()) return;
    // Qt names its connection to the sound server "QtPulseAudio:<pid>", and the mixer shows
    // every stream of the app under that name. The client library lets the environment
    // override it when the connection is made, which Qt does when the first sink starts: a
    // sink is started and stopped here with nothing written (so nothing sounds) while the
    // variable is set, and no program the app starts later inherits it.
    const bool wasSet = qEnvironmentVariableIsSet(applicationNameVariable);
    const QByteArray previous = qgetenv(applicationNameVariable);
    qputenv(applicationNameVariable, mixerName.toUtf8());
    if (const QAudioDevice device = QMediaDevices::defaultAudioOutput(); !device.isNull()) {
        QAudioSink probe(device, device.preferredFormat());
        probe.start();
        probe.stop();
    }
    if (wasSet) {
        qputenv(applicationNameVariable, previous);
    } else {
        qunsetenv(applicationNameVariable);
    }
}

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
