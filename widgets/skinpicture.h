#ifndef NUVOXA_WIDGETS_SKINPICTURE_H
#define NUVOXA_WIDGETS_SKINPICTURE_H

#include <QPixmap>
#include <QString>
#include <QStringList>

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
//
// The same thread then decodes `stylePaths`, pictures that the style sheet
// draws on that window (its url()s, relative to the current folder). The
// style sheet loads each from its file when the window is polished at its
// first show; claimForStyle() just before puts those decoded by then in the
// pixmap cache under the key that load looks for. A picture not ready yet
// is left to the style sheet, which reads it itself as before. True when
// none is left waiting.
void prefetch(const QString &path, const QStringList &stylePaths = QStringList());
bool claimForStyle();

}  // namespace SkinPicture

#endif
