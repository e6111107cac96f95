#pragma once
// Postora's own pictures, painted in code so that the program needs no image
// files beside it: the banner, the program icon, the splash picture, the
// client tree's pictures and the check images of the schedule trees.

#include <QIcon>
#include <QList>
#include <QPixmap>

class QPainter;
class QRectF;

namespace app {

// The main window's banner: a calm gradient, the envelope-and-archive motif
// and the name "Postora".
QPixmap BannerPixmap(int width, int height = 70);

// Eleven pictures for the client tree, by position: 0 Outlook Express,
// 1 MS Outlook, 2 Eudora, 3 IncrediMail, 4 PegasusMail, 5 The Bat,
// 6 Poco Mail, 7 Opera Mail, 8 Netscape Messenger, 9 Internet Explorer
// Favorites, 10 the "Email Client" root.
QList<QIcon> ClientPictures();

// Check images of the schedule trees: 0 not selected, 1 selected, 2 the root.
QList<QIcon> CheckImages();

// The program's icon, sharp at every size from 16 to 256 pixels.
QIcon AppIcon();
// Paints the icon into rect (used by AppIcon and by the tool that writes the
// installed PNG files).
void PaintAppIcon(QPainter& painter, const QRectF& rect);

// The product picture of the splash window (no text on it).
QPixmap SplashPicture();

} // namespace app
