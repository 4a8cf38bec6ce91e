// The volume bar's slider style and controls, and the audio test dialog with
// scripted devices.
#include "../audio/scripteddevices.h"
#include "app/startup.h"
#include "audio/audiotestring.h"
#include "audio/hltestaudio.h"
#include "audio/mystyle.h"
#include "audio/volumebar.h"
#include "audio/volumecontrol.h"
#include "testutil.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

QPushButton *button(QWidget *dialog, const char *name)
{
    return dialog->findChild<QPushButton *>(QLatin1String(name));
}

QLabel *label(QWidget *parent, const char *name)
{
    return parent->findChild<QLabel *>(QLatin1String(name));
}

bool ringEmpty()
{
    const AudioBlock *block = g_audioTestRing.head;
    do {
        if (block->full.load() || std::any_of(block->data, block->data + AudioBlock::Size,
                                              [](char c) { return c != 0; }))
            return false;
        block = block->next;
    } while (block != g_audioTestRing.head);
    return true;
}

QImage transparentImage(const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

}  // namespace

class TestAudioWidgets : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Startup::installLook(); }

    void init()
    {
        // No sound server: whatever a test opens must cope.
        qputenv("PULSE_SERVER", "unix:/nonexistent/native");
    }

    void styleDrawsNothingButSliders()
    {
        MyStyle style(true);
        QImage image = transparentImage(QSize(120, 40));
        QPainter painter(&image);
        QStyleOptionComboBox combo;
        combo.rect = image.rect();
        combo.subControls = QStyle::SC_All;
        style.drawComplexControl(QStyle::CC_ComboBox, &combo, &painter);
        painter.end();
        QCOMPARE(image, transparentImage(QSize(120, 40)));
    }

    void styleDrawsGrooveAndHandlePictures()
    {
        QSlider slider(Qt::Horizontal);
        slider.resize(102, 15);
        slider.setRange(0, 100);
        slider.setValue(50);
        MyStyle style(true);
        QStyleOptionSlider option;
        option.initFrom(&slider);
        option.rect = QRect(0, 0, 102, 15);
        option.orientation = Qt::Horizontal;
        option.minimum = 0;
        option.maximum = 100;
        option.sliderPosition = option.sliderValue = 50;
        option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
        QImage image = transparentImage(QSize(102, 40));
        QPainter painter(&image);
        style.drawComplexControl(QStyle::CC_Slider, &option, &painter, &slider);
        painter.end();

        const QImage handle(QStringLiteral("image/huakuai1.png"));
        const QImage groove(QStringLiteral("image/tuoqi1.png"));
        QVERIFY(!handle.isNull() && !groove.isNull());
        const QRect handleRect =
            style.subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &slider);
        const QRect grooveRect =
            style.subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, &slider);
        // The handle at its natural size on the handle's corner.
        const QPoint middle(handle.width() / 2, handle.height() / 2);
        QCOMPARE(image.pixelColor(handleRect.topLeft() + middle),
                 handle.convertToFormat(image.format()).pixelColor(middle));
        // The groove 5 pixels below the groove's top, across its full width,
        // away from the handle.
        const int x = handleRect.left() > grooveRect.width() / 2 ? grooveRect.left() + 1
                                                                  : grooveRect.right() - 1;
        const QColor grooveColour = image.pixelColor(x, grooveRect.top() + 5 + groove.height() / 2);
        QVERIFY(grooveColour.alpha() > 0);
        QCOMPARE(image.pixelColor(x, grooveRect.top() + 4).alpha(), 0);
        // Nothing under the pictures.
        QCOMPARE(image.pixelColor(x, grooveRect.top() + 5 + groove.height()).alpha(), 0);
    }

    // The main window's volume bar as it looks with the skin.
    void volumeWithoutSoundServer()
    {
        QElapsedTimer clock;
        clock.start();
        VolumeControl volume;
        QVERIFY(clock.elapsed() < 1500);
        QCOMPARE(volume.speakerScalar(), 0.0f);
        QCOMPARE(volume.micScalar(), 0.0f);
        volume.setSpeakerLevel(50);
        volume.setMicLevel(50);

        QSlider speaker(Qt::Horizontal);
        QSlider mic(Qt::Horizontal);
        QToolButton speakerMute;
        QToolButton micMute;
        speakerMute.setCheckable(true);
        VolumeBar bar(&volume, &speaker, &mic, &speakerMute, &micMute);
        QCOMPARE(speaker.value(), 0);
        QCOMPARE(mic.value(), 0);
        QCOMPARE(speaker.pageStep(), 10);
        QCOMPARE(mic.maximum(), 100);
        QCOMPARE(bar.lastSpeaker(), 0);
        speaker.setValue(40);
        QCOMPARE(bar.lastSpeaker(), 40);
        speakerMute.setChecked(true);
        QCOMPARE(speaker.value(), 40);
    }

    void sliderValueIsTheTruncatedPercent()
    {
        QCOMPARE(VolumeBar::sliderValue(0.75f), 75);
        QCOMPARE(VolumeBar::sliderValue(0.537f), 53);
        QCOMPARE(VolumeBar::sliderValue(0.599f), 59);
        // 53 % as the server keeps it (34734 / 65536).
        QCOMPARE(VolumeBar::sliderValue(34734.0f / 65536.0f), 53);
        QCOMPARE(VolumeBar::sliderValue(0.0f), 0);
        QCOMPARE(VolumeBar::sliderValue(1.0f), 100);
    }

    void startAndStop()
    {
        AudioScript script;
        script.captureDelayUs = 100;
        ScriptedDevices devices(script);
        HLTestAudio dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QPushButton *start = button(&dialog, "pushButtonx");
        QElapsedTimer clock;
        clock.start();
        start->click();
        // Playback starts after the capture's head start.
        QVERIFY(clock.elapsed() >= 800);
        QCOMPARE(start->text(), QStringLiteral("停止测试"));
        QVERIFY(label(&dialog, "label_2")->isVisible());
        QTest::qWait(300);
        TestUtil::saveScreenshot(&dialog, QStringLiteral("audio_test_dialog"));
        start->click();
        QCOMPARE(start->text(), QStringLiteral("开始测试"));
        QVERIFY(label(&dialog, "label_2")->isHidden());
        QVERIFY(!script.playedBlocks().isEmpty());
        QCOMPARE(script.captureOpen.load(), 0);
        QCOMPARE(script.playbackOpen.load(), 0);
        QVERIFY(ringEmpty());
        QVERIFY(!g_audioTestRing.stop.load());

        // And again: the workers are made anew.
        start->click();
        QTest::qWait(200);
        start->click();
        QVERIFY(ringEmpty());
    }

    // Escape dismisses the dialog without a close event; the running test
    // must still end with it.
    void dismissedWhileTestingStopsTheTest()
    {
        AudioScript script;
        ScriptedDevices devices(script);
        auto *dialog = new HLTestAudio;
        QTimer::singleShot(0, dialog, [dialog] {
            button(dialog, "pushButtonx")->setChecked(true);
            QTimer::singleShot(200, dialog, [dialog] { QTest::keyClick(dialog, Qt::Key_Escape); });
        });
        dialog->exec();
        delete dialog;
        QCOMPARE(script.captureOpen.load(), 0);
        QCOMPARE(script.playbackOpen.load(), 0);
        QVERIFY(ringEmpty());
    }

    void titleBarCloseStopsTheTest()
    {
        AudioScript script;
        ScriptedDevices devices(script);
        auto *dialog = new HLTestAudio;
        QTimer::singleShot(0, dialog, [dialog] {
            button(dialog, "pushButtonx")->setChecked(true);
            QTimer::singleShot(200, dialog, [dialog] {
                dialog->findChild<QWidget *>(QStringLiteral("widget"))
                    ->findChild<QToolButton *>(QStringLiteral("close"))
                    ->click();
            });
        });
        dialog->exec();
        QCOMPARE(button(dialog, "pushButtonx")->text(), QStringLiteral("开始测试"));
        QCOMPARE(script.captureOpen.load(), 0);
        delete dialog;
        QVERIFY(ringEmpty());
    }
};

QTEST_MAIN(TestAudioWidgets)
#include "test_audiowidgets.moc"
