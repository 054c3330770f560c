#include "Twips.h"

#include <cmath>

#include <QGuiApplication>
#include <QScreen>

namespace watcher {

namespace {
constexpr double kDefaultDpi = 96.0;
}

double logicalDpi(const QWidget* widget) {
    QScreen* screen = widget != nullptr ? widget->screen() : nullptr;
    if (screen == nullptr && qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
        screen = QGuiApplication::primaryScreen();
    const double dpi = screen != nullptr ? screen->logicalDotsPerInch() : kDefaultDpi;
    return dpi > 0 ? dpi : kDefaultDpi;
}

int twipsToPixels(double twips, double dpi) {
    return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

double pixelsToTwips(int pixels, double dpi) {
    return pixels * kTwipsPerInch / dpi;
}

int twipsToPixels(double twips, const QWidget* widget) {
    return twipsToPixels(twips, logicalDpi(widget));
}

double pixelsToTwips(int pixels, const QWidget* widget) {
    return pixelsToTwips(pixels, logicalDpi(widget));
}

QRectF geometryTwips(const QWidget* widget) {
    const double dpi = logicalDpi(widget);
    const QRect g = widget->geometry();
    return {pixelsToTwips(g.x(), dpi), pixelsToTwips(g.y(), dpi), pixelsToTwips(g.width(), dpi),
            pixelsToTwips(g.height(), dpi)};
}

void setGeometryTwips(QWidget* widget, double left, double top, double width, double height) {
    const double dpi = logicalDpi(widget);
    widget->setGeometry(twipsToPixels(left, dpi), twipsToPixels(top, dpi), twipsToPixels(width, dpi),
                        twipsToPixels(height, dpi));
}

void moveTwips(QWidget* widget, double left, double top) {
    const double dpi = logicalDpi(widget);
    widget->move(twipsToPixels(left, dpi), twipsToPixels(top, dpi));
}

void resizeTwips(QWidget* widget, double width, double height) {
    const double dpi = logicalDpi(widget);
    widget->resize(twipsToPixels(width, dpi), twipsToPixels(height, dpi));
}

double leftTwips(const QWidget* widget) {
    return geometryTwips(widget).x();
}
double topTwips(const QWidget* widget) {
    return geometryTwips(widget).y();
}
double widthTwips(const QWidget* widget) {
    return geometryTwips(widget).width();
}
double heightTwips(const QWidget* widget) {
    return geometryTwips(widget).height();
}

void setLeftTwips(QWidget* widget, double left) {
    moveTwips(widget, left, topTwips(widget));
}
void setTopTwips(QWidget* widget, double top) {
    moveTwips(widget, leftTwips(widget), top);
}
void setWidthTwips(QWidget* widget, double width) {
    resizeTwips(widget, width, heightTwips(widget));
}
void setHeightTwips(QWidget* widget, double height) {
    resizeTwips(widget, widthTwips(widget), height);
}

} // namespace watcher
