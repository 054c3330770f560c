#include "TextProgressBar.h"

#include <algorithm>

#include <QPainter>
#include <QStyle>
#include <QStyleOptionProgressBar>

namespace watcher {

namespace {
constexpr int kFullBar = 100;
}

TextProgressBar::TextProgressBar(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TextProgressBar::setValue(int value) {
    if (value == m_value)
        return;
    m_value = value;
    update();
}

void TextProgressBar::setText(const QString& text) {
    if (text == m_text)
        return;
    m_text = text;
    update();
}

QSize TextProgressBar::sizeHint() const {
    return {200, fontMetrics().height() + 8};
}

void TextProgressBar::paintEvent(QPaintEvent*) {
    QStyleOptionProgressBar option;
    option.initFrom(this);
    option.state |= QStyle::State_Horizontal;
    option.minimum = 0;
    option.maximum = kFullBar;
    // The bar itself cannot show more than full; the text tells how far past.
    option.progress = std::clamp(m_value, 0, kFullBar);
    option.text = m_text;
    option.textVisible = true;
    option.textAlignment = Qt::AlignCenter;
    QPainter painter(this);
    style()->drawControl(QStyle::CE_ProgressBar, &option, &painter, this);
}

} // namespace watcher
