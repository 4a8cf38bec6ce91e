#ifndef NUVOXA_AUDIO_RINGTONE_H
#define NUVOXA_AUDIO_RINGTONE_H

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <memory>

class PlaybackDevice;

// The ring of an incoming call, generated here and played on the default
// output device until stopped: two short bursts of 440 + 480 Hz, then a pause.
class RingTone : public QObject
{
    Q_OBJECT
public:
    explicit RingTone(QObject *parent = nullptr);
    ~RingTone() override;

    // Nothing happens without an output device: the window still rings.
    void start();
    void stop();
    bool isPlaying() const { return m_device != nullptr; }

    // One cycle of the ring in the devices' format (16-bit stereo, 44100 Hz).
    static QByteArray cycle();
    static int cycleMs();

private:
    void playCycle();

    std::unique_ptr<PlaybackDevice> m_device;
    QByteArray m_cycle;
    QTimer m_timer;
};

#endif
