// The program's icons, drawn here at whatever size they are shown, so that they stay sharp at 200%:
// the two of the library page's tree and those of the main window's tool bar.
#pragma once

#include <QIcon>
#include <QProxyStyle>

#include <functional>

class QPainter;

namespace skv::ui {

// An icon drawn by draw on a 16 x 16 grid, scaled to each size asked for. Nothing is drawn until
// the icon is first shown; each size (and its greyed form for a disabled button) is drawn once.
QIcon drawnIcon(std::function<void(QPainter&)> draw);

// The tree's: a camera for a car camera set, a curved path for an effect.
QIcon cameraSetIcon();
QIcon effectIcon();

// The tool bar's: files, items and cameras.
enum class eToolIcon {
    NewFile,
    OpenFile,
    SaveFile,
    NewSet,
    DeleteSet,
    CutSet,
    CopySet,
    PasteSet,
    CopyCamera,
    PasteCamera
};
QIcon toolIcon(eToolIcon icon);

// The application's style: the one Qt chose, but for what the main window shows at start that it
// would read from PNG files (the tool bars' extension buttons, the frames of group boxes): the first
// PNG file read loads every image-format plug-in there is. These are drawn instead, as they looked.
class TDrawnPicturesStyle final : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
};

} // namespace skv::ui
