// The program's pictures, drawn in code so that they are sharp at any
// screen resolution: the emblem (a calendar page with painted days) and the
// splash picture.
#pragma once

#include <QPixmap>

class QPainter;
class QRectF;

// The emblem inside a square.
void DrawEmblem(QPainter& painter, const QRectF& square);
// The emblem as a pixmap of size × size logical pixels at the given device pixel ratio.
QPixmap EmblemPixmap(int size, qreal devicePixelRatio);
// The splash picture: the emblem, the program's name and a strip of painted days.
QPixmap SplashPixmap(QSize size, qreal devicePixelRatio);
