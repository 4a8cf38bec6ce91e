#ifndef NUVOXA_AUDIO_HLTESTAUDIO_H
#define NUVOXA_AUDIO_HLTESTAUDIO_H

#include <QDialog>

namespace Ui {
class HLTestAudio;
}
class AudioTestTh;
class AudioTestTh1;

// The audio test: while its button is down, what the microphone picks up is
// played back through the speakers about one second later.
class HLTestAudio : public QDialog
{
    Q_OBJECT
public:
    explicit HLTestAudio(QWidget *parent = nullptr);
    ~HLTestAudio() override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private slots:
    void on_pushButtonx_toggled(bool checked);
    void on_pbClose_clicked();

private:
    void startTest();
    void stopTest();

    Ui::HLTestAudio *ui;
    AudioTestTh *m_capture = nullptr;
    AudioTestTh1 *m_playback = nullptr;
};

#endif
