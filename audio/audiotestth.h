#ifndef NUVOXA_AUDIO_AUDIOTESTTH_H
#define NUVOXA_AUDIO_AUDIOTESTTH_H

#include <QThread>

// The audio test's capture worker: fills the ring's blocks from the default
// input, one block per cycle, until the ring's stop flag is set.
class AudioTestTh : public QThread
{
    Q_OBJECT
protected:
    void run() override;
};

// The audio test's playback worker: plays the ring's full blocks to the
// default output, one block per cycle, until the ring's stop flag is set.
class AudioTestTh1 : public QThread
{
    Q_OBJECT
protected:
    void run() override;
};

#endif
