#include "FormSurvival.h"

#include "WindowIcon.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>

namespace watcher {

namespace {

QPointer<FormSurvival> g_instance;

// Drawn at twice the size so they stay sharp on high-density screens.
constexpr int kDrawScale = 2;

QString pictureName(FormSurvival::Picture picture) {
    switch (picture) {
    case FormSurvival::Picture::Run:
        return QStringLiteral("Run");
    case FormSurvival::Picture::Pause:
        return QStringLiteral("Pause");
    case FormSurvival::Picture::Stop:
        return QStringLiteral("Stop");
    case FormSurvival::Picture::ExcelUpdate:
        return QStringLiteral("ExcelUpdate");
    case FormSurvival::Picture::Watcher:
        return QStringLiteral("Watcher");
    case FormSurvival::Picture::MinimizeWatcher:
        return QStringLiteral("MinimizeWatcher");
    case FormSurvival::Picture::Help:
        return QStringLiteral("Help");
    }
    return QString();
}

void drawRun(QPainter& p) {
    QPainterPath play;
    play.moveTo(10, 6);
    play.lineTo(26, 16);
    play.lineTo(10, 26);
    play.closeSubpath();
    p.setPen(QPen(QColor(0x1b, 0x5e, 0x20), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0x43, 0xa0, 0x47));
    p.drawPath(play);
}

void drawPause(QPainter& p) {
    p.setPen(QPen(QColor(0x0d, 0x47, 0xa1), 1.5));
    p.setBrush(QColor(0x1e, 0x88, 0xe5));
    p.drawRoundedRect(QRectF(8, 6, 6, 20), 1.5, 1.5);
    p.drawRoundedRect(QRectF(18, 6, 6, 20), 1.5, 1.5);
}

void drawStop(QPainter& p) {
    p.setPen(QPen(QColor(0xb7, 0x1c, 0x1c), 1.5));
    p.setBrush(QColor(0xe5, 0x39, 0x35));
    p.drawRoundedRect(QRectF(7, 7, 18, 18), 2.5, 2.5);
}

// A worksheet: a grid of cells with a green header row.
void drawExcelUpdate(QPainter& p) {
    const QRectF sheet(5, 6, 22, 20);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(sheet);
    p.setBrush(QColor(0x21, 0x73, 0x46));
    p.drawRect(QRectF(5, 6, 22, 5));
    p.setPen(QPen(QColor(0x5f, 0x6b, 0x63), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(sheet);
    for (double x : {12.3, 19.6})
        p.drawLine(QPointF(x, 11), QPointF(x, 26));
    for (double y : {16.0, 21.0})
        p.drawLine(QPointF(5, y), QPointF(27, y));
    // The cell being recalculated.
    p.setBrush(QColor(0xa5, 0xd6, 0xa7));
    p.drawRect(QRectF(12.3, 16, 7.3, 5));
}

// A window with a rising step curve: the full Watcher window.
void drawWatcher(QPainter& p) {
    p.setPen(QPen(QColor(0x37, 0x47, 0x4f), 1.2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4, 5, 24, 22));
    p.setBrush(QColor(0x54, 0x6e, 0x7a));
    p.drawRect(QRectF(4, 5, 24, 4));
    QPainterPath curve;
    curve.moveTo(7, 24);
    curve.lineTo(12, 24);
    curve.lineTo(12, 19);
    curve.lineTo(18, 19);
    curve.lineTo(18, 14);
    curve.lineTo(25, 14);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x1e, 0x88, 0xe5), 2.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawPath(curve);
}

// A small window with an arrow pointing into it: back to the compact window.
void drawMinimizeWatcher(QPainter& p) {
    p.setPen(QPen(QColor(0x37, 0x47, 0x4f), 1.2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(14, 17, 14, 10));
    p.setBrush(QColor(0x54, 0x6e, 0x7a));
    p.drawRect(QRectF(14, 17, 14, 3));
    p.setPen(QPen(QColor(0x1e, 0x88, 0xe5), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(5, 5), QPointF(14, 14));
    p.drawLine(QPointF(14, 14), QPointF(14, 8.5));
    p.drawLine(QPointF(14, 14), QPointF(8.5, 14));
}

void drawHelp(QPainter& p) {
    p.setPen(QPen(QColor(0x0d, 0x47, 0xa1), 1.2));
    p.setBrush(QColor(0x1e, 0x88, 0xe5));
    p.drawEllipse(QRectF(5, 5, 22, 22));
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(16);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(5, 5, 22, 22), Qt::AlignCenter, QStringLiteral("?"));
}

// The disabled look: grey, and lighter, keeping the shape's transparency.
QImage disabledVersion(const QImage& enabled) {
    QImage image = enabled.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = line[x];
            const int grey = qGray(c);
            const int light = 140 + grey * 115 / 255;
            line[x] = qRgba(light, light, light, qAlpha(c) * 3 / 4);
        }
    }
    return image;
}

} // namespace

FormSurvival::FormSurvival() {
    setObjectName(QStringLiteral("FormSurvival"));
    setWindowTitle(QStringLiteral("Selvane"));
    SetWindowIcon(this, kProductIconName, true);
    auto* layout = new QHBoxLayout(this);
    for (int i = 0; i < kPictureCount; ++i) {
        const auto which = static_cast<Picture>(i);
        for (int enabled = 1; enabled >= 0; --enabled) {
            auto* label = new QLabel(this);
            label->setObjectName(QStringLiteral("Picture") + pictureName(which) +
                                 (enabled ? QString() : QStringLiteral("Disabled")));
            label->setPixmap(drawPicture(which, enabled != 0));
            layout->addWidget(label);
            m_labels[static_cast<std::size_t>(i)][enabled ? 0 : 1] = label;
        }
    }
}

FormSurvival::~FormSurvival() = default;

void FormSurvival::Create() {
    if (g_instance)
        return;
    // Never shown: it only has to exist.
    g_instance = new FormSurvival();
}

void FormSurvival::Unload() {
    if (!g_instance)
        return;
    FormSurvival* window = g_instance.data();
    g_instance = nullptr;
    window->hide();
    delete window;
}

FormSurvival* FormSurvival::Instance() {
    return g_instance.data();
}

QPixmap FormSurvival::picture(Picture which, bool enabled) const {
    const QLabel* label = m_labels[static_cast<std::size_t>(which)][enabled ? 0 : 1];
    return label ? label->pixmap() : drawPicture(which, enabled);
}

QPixmap FormSurvival::ButtonPicture(Picture which, bool enabled) {
    if (g_instance)
        return g_instance->picture(which, enabled);
    return drawPicture(which, enabled);
}

QIcon FormSurvival::ButtonIcon(Picture which, bool enabled) {
    const QPixmap pixmap = ButtonPicture(which, enabled);
    QIcon icon;
    icon.addPixmap(pixmap, QIcon::Normal);
    icon.addPixmap(enabled ? ButtonPicture(which, false) : pixmap, QIcon::Disabled);
    return icon;
}

QPixmap FormSurvival::drawPicture(Picture which, bool enabled) {
    const int side = kPictureSize * kDrawScale;
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(kDrawScale, kDrawScale);
        switch (which) {
        case Picture::Run:
            drawRun(painter);
            break;
        case Picture::Pause:
            drawPause(painter);
            break;
        case Picture::Stop:
            drawStop(painter);
            break;
        case Picture::ExcelUpdate:
            drawExcelUpdate(painter);
            break;
        case Picture::Watcher:
            drawWatcher(painter);
            break;
        case Picture::MinimizeWatcher:
            drawMinimizeWatcher(painter);
            break;
        case Picture::Help:
            drawHelp(painter);
            break;
        }
    }
    QPixmap pixmap = QPixmap::fromImage(enabled ? image : disabledVersion(image));
    pixmap.setDevicePixelRatio(kDrawScale);
    return pixmap;
}

} // namespace watcher
