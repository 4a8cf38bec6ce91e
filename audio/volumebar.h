#ifndef NUVOXA_AUDIO_VOLUMEBAR_H
#define NUVOXA_AUDIO_VOLUMEBAR_H

#include <QObject>

class QAbstractButton;
class QSlider;
class VolumeControl;

// The main window's volume bar: the speaker and microphone sliders with their
// mute toggles, driving a VolumeControl. The sliders start at the device
// levels, which are written back at once; a mute toggle sets its device to 0
// without moving the slider, and unmuting restores the last non-zero slider
// value.
class VolumeBar : public QObject
{
    Q_OBJECT
public:
    // Connects the sliders and toggles and gives the sliders their ranges and
    // start values. `volume` (not owned) may be null: then nothing is driven.
    VolumeBar(VolumeControl *volume, QSlider *speaker, QSlider *mic, QAbstractButton *speakerMute,
              QAbstractButton *micMute, QObject *parent = nullptr);

    int lastSpeaker() const { return m_lastSpeaker; }
    int lastMic() const { return m_lastMic; }

    // Slider position for a device scalar: whole percent, truncated.
    static int sliderValue(float scalar);

public slots:
    void onVlueAChangge(int value);
    void onVlueMChangge(int value);
    void onSpeakerMuteToggled(bool checked);
    void onMicMuteToggled(bool checked);

private:
    void setUpSlider(QSlider *slider, float scalar);

    VolumeControl *m_volume;
    int m_lastSpeaker = 0;
    int m_lastMic = 0;
};

#endif
