#pragma once

#include <array>

#include <QIcon>
#include <QPixmap>
#include <QWidget>

class QLabel;

namespace watcher {

// The hidden window that anchors a Watcher started by automation for the
// life of the process. It also holds the pictures of the progress windows'
// buttons, an enabled and a disabled one for each, which the windows copy
// onto their buttons. Each picture is a child label named
// "Picture<Button>" or "Picture<Button>Disabled" ("PictureRun",
// "PictureStopDisabled").
class FormSurvival final : public QWidget {
    Q_OBJECT

public:
    enum class Picture { Run, Pause, Stop, ExcelUpdate, Watcher, MinimizeWatcher, Help };
    static constexpr int kPictureCount = 7;
    // The pictures' size in device-independent pixels.
    static constexpr int kPictureSize = 32;

    ~FormSurvival() override;

    // Creates the hidden window once; later calls do nothing.
    static void Create();
    // Unloads and releases the window; nothing happens when there is none.
    static void Unload();
    // The window; null before Create() and after Unload().
    static FormSurvival* Instance();

    // A button picture: the survival window's when it exists; otherwise the
    // same picture drawn on demand, so that windows of a Watcher started by
    // hand (which has no survival window) get their pictures too.
    static QPixmap ButtonPicture(Picture picture, bool enabled);
    // The picture as an icon for a button; its disabled mode shows the
    // disabled picture too, so a button that is really disabled looks the same.
    static QIcon ButtonIcon(Picture picture, bool enabled);

    // The picture held by this window.
    QPixmap picture(Picture picture, bool enabled) const;

    // Draws a picture (for the labels and for windows without a survival
    // window).
    static QPixmap drawPicture(Picture picture, bool enabled);

private:
    FormSurvival();

    std::array<std::array<QLabel*, 2>, kPictureCount> m_labels{};
};

} // namespace watcher
