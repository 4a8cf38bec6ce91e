// Speaker and microphone levels against a real sound server, read and set
// through pactl on the other side.
#include "audio/volumebar.h"
#include "audio/volumecontrol.h"
#include "soundserver.h"

#include <QSlider>
#include <QTest>
#include <QToolButton>

namespace {

struct Bar
{
    QSlider speaker{Qt::Horizontal};
    QSlider mic{Qt::Horizontal};
    QToolButton speakerMute;
    QToolButton micMute;

    Bar()
    {
        speakerMute.setCheckable(true);
        micMute.setCheckable(true);
    }
};

}  // namespace

class TestVolume : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY2(m_server.start(), "the private sound server did not start");
    }

    void cleanup()
    {
        m_server.stop();
    }

    void gettersReadTheDefaultDevices()
    {
        m_server.pactl({QStringLiteral("set-sink-volume"), QStringLiteral("out"),
                        QStringLiteral("75%")});
        m_server.pactl({QStringLiteral("set-source-volume"), QStringLiteral("mic"),
                        QStringLiteral("50%")});
        VolumeControl volume;
        QCOMPARE(volume.osKind(), QStringLiteral("Linux"));
        QCOMPARE(volume.speakerScalar(), 0.75f);
        QCOMPARE(volume.micScalar(), 0.5f);
        // Read anew each time.
        m_server.pactl({QStringLiteral("set-sink-volume"), QStringLiteral("out"),
                        QStringLiteral("20%")});
        // The server keeps 1/65536 steps: 20 % is 0.199997.
        QVERIFY(qAbs(volume.speakerScalar() - 0.2f) < 1e-4f);
    }

    void settersChangeTheDevices()
    {
        VolumeControl volume;
        volume.setSpeakerLevel(30);
        volume.setMicLevel(85);
        QCOMPARE(m_server.volumePercent(QStringLiteral("sink"), QStringLiteral("out")), 30);
        QCOMPARE(m_server.volumePercent(QStringLiteral("source"), QStringLiteral("mic")), 85);
        volume.setSpeakerLevel(0);
        QCOMPARE(m_server.volumePercent(QStringLiteral("sink"), QStringLiteral("out")), 0);
        volume.setSpeakerLevel(100);
        QCOMPARE(m_server.volumePercent(QStringLiteral("sink"), QStringLiteral("out")), 100);
        // Out of the slider's range: left alone.
        volume.setSpeakerLevel(150);
        volume.setMicLevel(-1);
        QCOMPARE(m_server.volumePercent(QStringLiteral("sink"), QStringLiteral("out")), 100);
        QCOMPARE(m_server.volumePercent(QStringLiteral("source"), QStringLiteral("mic")), 85);
    }

    // The defaults at start are the devices for good.
    void laterDefaultChangesAreNotFollowed()
    {
        VolumeControl volume;
        m_server.pactl({QStringLiteral("set-default-sink"), QStringLiteral("tone")});
        volume.setSpeakerLevel(40);
        QCOMPARE(m_server.volumePercent(QStringLiteral("sink"), QStringLiteral("out")), 40);
        QCOMPARE(m_server.volumePercent(QStringLiteral("sink"), QStringLiteral("tone")), 100);
    }

    void slidersStartAtTheDeviceLevelsAndWriteThemBack()
    {
        // 53 % reads back as 0.529999: the slider must still say 53, and
        // writing it back must not lower the level.
        m_server.pactl({QStringLiteral("set-sink-volume"), QStringLiteral("out"),
                        QStringLiteral("53%")});
        m_server.pactl({QStringLiteral("set-source-volume"), QStringLiteral("mic"),
                        QStringLiteral("50%")});
        VolumeControl volume;
        Bar bar;
        VolumeBar volumeBar(&volume, &bar.speaker, &bar.mic, &bar.speakerMute, &bar.micMute);
        QCOMPARE(bar.speaker.value(), 53);
        QCOMPARE(bar.mic.value(), 50);
        QCOMPARE(bar.speaker.maximum(), 100);
        QCOMPARE(bar.speaker.pageStep(), 10);
        QCOMPARE(bar.mic.minimum(), 0);
        QCOMPARE(volumeBar.lastSpeaker(), 53);
        QCOMPARE(volumeBar.lastMic(), 50);
        QCOMPARE(m_server.volumePercent(QStringLiteral("sink"), QStringLiteral("out")), 53);
        QCOMPARE(m_server.volumePercent(QStringLiteral("source"), QStringLiteral("mic")), 50);

        bar.speaker.setValue(75);
        QCOMPARE(m_server.volumePercent(QStringLiteral("sink"), QStringLiteral("out")), 75);
        bar.mic.triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(m_server.volumePercent(QStringLiteral("source"), QStringLiteral("mic")), 60);
    }

    void muteAndBackWithoutMovingTheSlider()
    {
        m_server.pactl({QStringLiteral("set-sink-volume"), QStringLiteral("out"),
                        QStringLiteral("75%")});
        m_server.pactl({QStringLiteral("set-source-volume"), QStringLiteral("mic"),
                        QStringLiteral("40%")});
        VolumeControl volume;
        Bar bar;
        VolumeBar volumeBar(&volume, &bar.speaker, &bar.mic, &bar.speakerMute, &bar.micMute);

        bar.speakerMute.setChecked(true);
        QCOMPARE(m_server.volumePercent(QStringLiteral("sink"), QStringLiteral("out")), 0);
        QCOMPARE(bar.speaker.value(), 75);
        // Moved to 0 while muted: unmuting still restores the last non-zero
        // position.
        bar.speaker.setValue(0);
        bar.speakerMute.setChecked(false);
        QCOMPARE(m_server.volumePercent(QStringLiteral("sink"), QStringLiteral("out")), 75);
        QCOMPARE(bar.speaker.value(), 0);

        // The microphone slider at 0 keeps the previous level for the unmute.
        bar.mic.setValue(0);
        QCOMPARE(m_server.volumePercent(QStringLiteral("source"), QStringLiteral("mic")), 0);
        bar.micMute.setChecked(true);
        bar.micMute.setChecked(false);
        QCOMPARE(m_server.volumePercent(QStringLiteral("source"), QStringLiteral("mic")), 40);
        QCOMPARE(volumeBar.lastMic(), 40);
    }

    // A device at 0 at start: nothing is written, and unmuting has no
    // earlier level to go back to.
    void deviceAtZeroStartsTheSliderAtZero()
    {
        m_server.pactl({QStringLiteral("set-sink-volume"), QStringLiteral("out"),
                        QStringLiteral("0%")});
        VolumeControl volume;
        Bar bar;
        VolumeBar volumeBar(&volume, &bar.speaker, &bar.mic, &bar.speakerMute, &bar.micMute);
        QCOMPARE(bar.speaker.value(), 0);
        QCOMPARE(volumeBar.lastSpeaker(), 0);
        bar.speakerMute.setChecked(true);
        bar.speakerMute.setChecked(false);
        QCOMPARE(m_server.volumePercent(QStringLiteral("sink"), QStringLiteral("out")), 0);
    }

private:
    SoundServer m_server;
};

QTEST_MAIN(TestVolume)
#include "test_volume.moc"
