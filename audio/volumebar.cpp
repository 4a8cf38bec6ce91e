#include "audio/volumebar.h"

#include "audio/volumecontrol.h"

#include <QAbstractButton>
#include <QSlider>

#include <cmath>

VolumeBar::VolumeBar(VolumeControl *volume, QSlider *speaker, QSlider *mic,
                     QAbstractButton *speakerMute, QAbstractButton *micMute, QObject *parent)
    : QObject(parent)
    , m_volume(volume)
{
    // Connected before the start values are set, so that a non-zero start
    // value passes through the slots: it becomes the last value and is
    // written back to the device.
    connect(speaker, &QSlider::valueChanged, this, &VolumeBar::onVlueAChangge);
    connect(mic, &QSlider::valueChanged, this, &VolumeBar::onVlueMChangge);
    connect(speakerMute, &QAbstractButton::toggled, this, &VolumeBar::onSpeakerMuteToggled);
    connect(micMute, &QAbstractButton::toggled, this, &VolumeBar::onMicMuteToggled);
    setUpSlider(speaker, m_volume ? m_volume->speakerScalar() : 0.0f);
    setUpSlider(mic, m_volume ? m_volume->micScalar() : 0.0f);
}

int VolumeBar::sliderValue(float scalar)
{
    // The server keeps levels in steps of 1/65536, so a level set as a whole
    // percent reads back a hair below it (53 % as 0.529999); the small
    // allowance keeps such a level at its own percent instead of one lower.
    return int(std::floor(double(scalar) * 100.0 + 0.001));
}

void VolumeBar::setUpSlider(QSlider *slider, float scalar)
{
    slider->setPageStep(10);
    slider->setRange(0, 100);
    slider->setValue(sliderValue(scalar));
}

void VolumeBar::onVlueAChangge(int value)
{
    if (!m_volume)
        return;
    if (value != 0)
        m_lastSpeaker = value;
    m_volume->setSpeakerLevel(value);
}

void VolumeBar::onVlueMChangge(int value)
{
    if (!m_volume)
        return;
    if (value != 0)
        m_lastMic = value;
    m_volume->setMicLevel(value);
}

void VolumeBar::onSpeakerMuteToggled(bool checked)
{
    if (m_volume)
        m_volume->setSpeakerLevel(checked ? 0 : m_lastSpeaker);
}

void VolumeBar::onMicMuteToggled(bool checked)
{
    if (m_volume)
        m_volume->setMicLevel(checked ? 0 : m_lastMic);
}
