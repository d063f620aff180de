// One camera on a library page: a black title strip with the slot's name, the camera's picture
// stretched to fit (or, without one, its seven values, angles in degrees), and a black strip with
// the camera's caption. A double click on it opens the camera's properties.
#pragma once

#include "model/Gplcarcamera.h"

#include <QFrame>
#include <QString>

#include <array>

class QLabel;
class QStackedWidget;

namespace skv::ui {

class TPictureBox;
class TdlgProperties;

class TfrmView : public QFrame {
    Q_OBJECT
public:
    // The colour of the strips' texts on their black ground.
    static constexpr int kStripRed = 248, kStripGreen = 218, kStripBlue = 101;

    // title names the slot ("Roll Bar"); properties is the dialog a double click opens.
    TfrmView(const QString& title, TdlgProperties* properties, QWidget* parent = nullptr);

    // The camera shown (nullptr: none); it must outlive the view or be replaced first.
    void setCamera(model::TGPLCarCamera* camera);
    model::TGPLCarCamera* camera() const { return Camera; }
    QString title() const;

    // Shows the camera again after it changed.
    void refresh();
    // Opens the camera properties; true (and cameraChanged) when OK stored a change.
    bool editProperties();

    bool showsPicture() const;
    TPictureBox* pictureBox() const { return Picture; }

signals:
    // The view took (true) or lost (false) the keyboard focus within its window; a menu or another
    // window in front takes none.
    void focusChanged(bool focused);
    // The properties dialog changed the camera.
    void cameraChanged();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QLabel* makeStrip(const char* name);
    QWidget* makeValues();
    void showFocus(bool focused);

    TdlgProperties* Properties;
    model::TGPLCarCamera* Camera = nullptr;
    QLabel* Top;
    QLabel* Bottom;
    QStackedWidget* Area;
    TPictureBox* Picture;
    QWidget* Values;
    std::array<QLabel*, 7> ValueLabels{};
};

} // namespace skv::ui
