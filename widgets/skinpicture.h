#ifndef NUVOXA_WIDGETS_SKINPICTURE_H
#define NUVOXA_WIDGETS_SKINPICTURE_H

#include <QPixmap>
#include <QString>

// The skin comes in two sizes: each picture, and the same at twice the
// pixels with "@2x" before ".png". Style sheets and icons pick the larger one on a screen
// scaled to 150 % or more by themselves; code that loads a picture goes
// through here to do the same.
namespace SkinPicture {

// The picture at `path` for a screen of `ratio` device pixels per pixel,
// marked with its own ratio so that it fills the picture's size in the
// layout. Null when the picture is missing.
QPixmap load(const QString &path, qreal ratio);

// The same for the application's screens.
QPixmap load(const QString &path);

// Starts decoding the picture at `path` for the application's screens on
// another thread; the next load(path) takes it from there, waiting for it
// if need be. For the picture of a window about to be built, so that its
// decoding overlaps the rest of start-up.
void prefetch(const QString &path);

}  // namespace SkinPicture

#endif
