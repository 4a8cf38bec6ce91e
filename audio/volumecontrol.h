#ifndef NUVOXA_AUDIO_VOLUMECONTROL_H
#define NUVOXA_AUDIO_VOLUMECONTROL_H

#include <QByteArray>
#include <QString>

#include <memory>

class PulseContext;

// Speaker and microphone level of the sound server's default output and
// input, as scalars 0.0 to 1.0 (average channel volume over the nominal
// full volume, which is what the desktop's mixer shows as percent). The
// devices are the defaults at construction: later changes of the default are
// not followed. Without a sound server the getters return 0 and the setters
// do nothing; nothing is ever reported.
class VolumeControl
{
public:
    VolumeControl();
    ~VolumeControl();
    VolumeControl(const VolumeControl &) = delete;
    VolumeControl &operator=(const VolumeControl &) = delete;

    QString osKind() const;
    float speakerScalar();
    float micScalar();
    // level 0 to 100 (percent); other values are ignored.
    void setSpeakerLevel(int level);
    void setMicLevel(int level);

private:
    struct Endpoint
    {
        QByteArray name;  // empty: no such device
        int channels = 0;
    };

    float scalar(const Endpoint &endpoint, bool sink);
    void setLevel(const Endpoint &endpoint, bool sink, int level);
    void findEndpoints();

    QString m_osKind;
    std::unique_ptr<PulseContext> m_pulse;
    Endpoint m_speaker;
    Endpoint m_mic;
};

#endif
