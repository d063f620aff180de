#include "ui/Properties.h"

#include "model/Ansitext.h"
#include "model/Numberformat.h"
#include "ui/Application.h"
#include "ui/Filefilter.h"
#include "ui/Picturebox.h"
#include "ui/Prompts.h"
#include "ui/Qtext.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace skv::ui {

namespace {

struct ValueField {
    const char* label;
    const char* name;
    float model::CarCameraValues::*value;
};

constexpr std::array<ValueField, 7> kValueFields = {{
    {"X:", "edtX", &model::CarCameraValues::xPos},
    {"Y:", "edtY", &model::CarCameraValues::yPos},
    {"Z:", "edtZ", &model::CarCameraValues::zPos},
    {"Yaw:", "edtYaw", &model::CarCameraValues::yaw},
    {"Pitch:", "edtPitch", &model::CarCameraValues::pitch},
    {"Bank:", "edtBank", &model::CarCameraValues::bank},
    {"Zoom Angle:", "edtZoomAngle", &model::CarCameraValues::zoomAngle},
}};

QPushButton* button(const char* text, const char* name, QWidget* parent) {
    auto* b = new QPushButton(QString::fromLatin1(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

TdlgProperties::TdlgProperties(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dlgProperties"));
    setWindowTitle(QStringLiteral("Camera Properties"));
}

// Made when a camera is first given or the dialog first shown, not at start-up.
void TdlgProperties::build() {
    if (Picture) return;
    auto* image = new QGroupBox(QStringLiteral("Image"), this);
    image->setObjectName(QStringLiteral("grpImage"));
    Picture = new TPictureBox(image);
    Picture->setObjectName(QStringLiteral("imgImage"));
    Picture->setFixedSize(256, 192);
    QPushButton* get = button("Get Image", "btnGetImage", image);
    QPushButton* remove = button("Delete Image", "btnDeleteImage", image);
    connect(get, &QPushButton::clicked, this, guarded([this] { getImage(); }));
    connect(remove, &QPushButton::clicked, this, &TdlgProperties::deleteImage);
    auto* imageButtons = new QHBoxLayout;
    imageButtons->addWidget(get);
    imageButtons->addWidget(remove);
    auto* imageLayout = new QVBoxLayout(image);
    imageLayout->addWidget(Picture, 0, Qt::AlignHCenter);
    imageLayout->addLayout(imageButtons);
    imageLayout->addStretch(1);

    auto* name = new QGroupBox(QStringLiteral("Name"), this);
    name->setObjectName(QStringLiteral("grpName"));
    Name = new QLineEdit(name);
    Name->setObjectName(QStringLiteral("edtName"));
    connect(Name, &QLineEdit::textEdited, this, &TdlgProperties::markChanged);
    auto* nameLayout = new QVBoxLayout(name);
    nameLayout->addWidget(Name);

    auto* values = new QGroupBox(QStringLiteral("Values (Angles in Radians)"), this);
    values->setObjectName(QStringLiteral("grpValues"));
    auto* form = new QFormLayout(values);
    for (std::size_t i = 0; i < kValueFields.size(); ++i) {
        Values[i] = new QLineEdit(values);
        Values[i]->setObjectName(QString::fromLatin1(kValueFields[i].name));
        connect(Values[i], &QLineEdit::textEdited, this, &TdlgProperties::markChanged);
        auto* label = new QLabel(QString::fromLatin1(kValueFields[i].label), values);
        label->setObjectName(QStringLiteral("lbl") + QString::fromLatin1(kValueFields[i].name + 3));
        label->setBuddy(Values[i]);
        form->addRow(label, Values[i]);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("btnsDialog"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btnOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btnCancel"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &TdlgProperties::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TdlgProperties::reject);

    auto* right = new QVBoxLayout;
    right->addWidget(name);
    right->addWidget(values);
    right->addStretch(1);
    auto* columns = new QHBoxLayout;
    columns->addWidget(image);
    columns->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TdlgProperties::setVisible(bool visible) {
    if (visible) build();
    QDialog::setVisible(visible);
}

void TdlgProperties::setCamera(model::TGPLCarCamera& camera, const QString& viewTitle) {
    build();
    Camera = &camera;
    setWindowTitle(QStringLiteral("Camera Properties (") + viewTitle + QStringLiteral(")"));
    Name->setText(toQString(camera.Caption));
    for (std::size_t i = 0; i < kValueFields.size(); ++i)
        Values[i]->setText(QString::fromStdString(model::formatCameraValue(camera.*kValueFields[i].value)));
    Image = camera.getImage();
    Picture->setPicture(Image);
    Changed = false;
}

bool TdlgProperties::edit(model::TGPLCarCamera& camera, const QString& viewTitle) {
    setCamera(camera, viewTitle);
    Name->setFocus();
    const bool stored = exec() == QDialog::Accepted && Changed;
    Camera = nullptr;
    return stored;
}

void TdlgProperties::getImage() {
    TFileRequest request;
    request.caption = QStringLiteral("Open");
    request.folder = PictureFolder;
    request.filter = QString::fromStdString(qtFileFilter(kPictureFilter));
    request.defaultSuffix = QStringLiteral("jpg");
    const std::optional<QString> file = prompter().openFileName(this, request);
    if (!file) return;
    PictureFolder = QFileInfo(*file).absolutePath();
    // Decoded at once: a file that is no readable picture is refused here, not when it is shown.
    model::TJPEGImage loaded;
    QImage decoded;
    try {
        loaded.loadFromFile(pathFromQString(*file));
        decoded = toQImage(loaded.decode());
    } catch (const model::JpegError& e) {
        showError(this, messageToQString(e.what()));
        return;
    }
    Image = std::move(loaded);
    Picture->setPicture(Image, std::move(decoded));
    Changed = true;
}

void TdlgProperties::deleteImage() {
    Image.clear();
    Picture->clear();
    Changed = true;
}

void TdlgProperties::accept() {
    if (Changed && !store()) return;
    QDialog::accept();
}

// All seven values parse, and the name is a text the library can hold, or the camera stays as it
// was and the dialog open.
bool TdlgProperties::store() {
    std::array<float, 7> parsed{};
    for (std::size_t i = 0; i < Values.size(); ++i) {
        const QString text = Values[i]->text();
        const std::optional<float> value = model::parseCameraValue(text.toStdString());
        if (!value) {
            showError(this,
                      QStringLiteral("'") + text + QStringLiteral("' is not a valid floating point value"));
            Values[i]->setFocus();
            return false;
        }
        parsed[i] = *value;
    }
    std::string caption;
    try {
        caption = toAnsi(Name->text());
    } catch (const model::EAnsiTextError& e) {
        showError(this, messageToQString(e.what()));
        Name->setFocus();
        return false;
    }
    if (!Camera) return true;
    for (std::size_t i = 0; i < kValueFields.size(); ++i)
        Camera->*kValueFields[i].value = parsed[i];
    Camera->Caption = std::move(caption);
    if (Image.empty())
        Camera->removeImage();
    else
        Camera->setImage(Image);
    return true;
}

} // namespace skv::ui
