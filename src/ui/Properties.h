// The camera properties dialog: a camera's picture, caption and seven values (angles in radians).
// OK after a change stores what the fields hold; OK without one, or Cancel, stores nothing.
#pragma once

#include "model/Gplcarcamera.h"
#include "model/Jpegimage.h"

#include <QDialog>
#include <QString>

#include <array>

class QLineEdit;
class QPushButton;

namespace skv::ui {

class TPictureBox;

class TdlgProperties : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kPictureFilter =
        "All (*.jpg;*.jpeg)|*.jpg;*.jpeg;|JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg";

    explicit TdlgProperties(QWidget* parent = nullptr);

    // Fills the fields from the camera, captioned after the view that shows it.
    void setCamera(model::TGPLCarCamera& camera, const QString& viewTitle);
    // setCamera, then the dialog; true when OK stored a change into the camera.
    bool edit(model::TGPLCarCamera& camera, const QString& viewTitle);

    bool changed() const { return Changed; }
    // Where the next Get Image starts.
    const QString& pictureFolder() const { return PictureFolder; }

    void setVisible(bool visible) override;

public slots:
    void accept() override;

private:
    void build();
    void getImage();
    void deleteImage();
    void markChanged() { Changed = true; }
    bool store();

    model::TGPLCarCamera* Camera = nullptr;
    bool Changed = false;
    model::TJPEGImage Image; // the dialog's own picture, stored into the camera at OK
    QString PictureFolder = QStringLiteral(".");
    TPictureBox* Picture = nullptr;
    QLineEdit* Name = nullptr;
    std::array<QLineEdit*, 7> Values{};
};

} // namespace skv::ui
