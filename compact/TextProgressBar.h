#pragma once

#include <QString>
#include <QWidget>

namespace watcher {

// A progress bar that shows a text of its owner's choosing over the bar and
// keeps whatever value it is given: a run that goes past its limit shows a
// percentage above 100 (the bar is then drawn full), which QProgressBar
// would refuse.
class TextProgressBar : public QWidget {
    Q_OBJECT

public:
    explicit TextProgressBar(QWidget* parent = nullptr);

    int value() const { return m_value; }
    void setValue(int value);
    QString text() const { return m_text; }
    void setText(const QString& text);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_value = 0;
    QString m_text;
};

} // namespace watcher
