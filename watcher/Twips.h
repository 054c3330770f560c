#pragma once

#include <QRect>
#include <QWidget>

namespace watcher {

// Positions and sizes of the windows and their controls are worked out in
// twips (1/1440 inch), as the layout rules give them; this is the one place
// that turns them into pixels. At 96 dpi a pixel is 15 twips; the screen's
// logical dpi scales that.
inline constexpr double kTwipsPerInch = 1440.0;

// The logical dpi of the widget's screen (of the primary screen when the
// widget is null or not yet on a screen); 96 when no screen is known.
double logicalDpi(const QWidget* widget = nullptr);

int twipsToPixels(double twips, double dpi);
double pixelsToTwips(int pixels, double dpi);

// Twips of the widget's own screen.
int twipsToPixels(double twips, const QWidget* widget);
double pixelsToTwips(int pixels, const QWidget* widget);

// The widget's geometry relative to its parent (a window's: on the desktop),
// in twips, and setting it from twips.
QRectF geometryTwips(const QWidget* widget);
void setGeometryTwips(QWidget* widget, double left, double top, double width, double height);
void moveTwips(QWidget* widget, double left, double top);
void resizeTwips(QWidget* widget, double width, double height);
double leftTwips(const QWidget* widget);
double topTwips(const QWidget* widget);
double widthTwips(const QWidget* widget);
double heightTwips(const QWidget* widget);
void setLeftTwips(QWidget* widget, double left);
void setTopTwips(QWidget* widget, double top);
void setWidthTwips(QWidget* widget, double width);
void setHeightTwips(QWidget* widget, double height);

} // namespace watcher
