#include "ui/Name.h"

#include "model/Ansitext.h"
#include "ui/Prompts.h"
#include "ui/Qtext.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace skv::ui {

TdlgName::TdlgName(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("dlgName"));
    setWindowTitle(QStringLiteral("New Camera Set"));
}

// Made when a name is first given or the dialog first shown, not at start-up.
void TdlgName::build() {
    if (Edit) return;
    auto* nameGroup = new QGroupBox(QStringLiteral("Name"), this);
    nameGroup->setObjectName(QStringLiteral("grpName"));
    Edit = new QLineEdit(nameGroup);
    Edit->setObjectName(QStringLiteral("edtName"));
    Edit->setMinimumWidth(260);
    (new QVBoxLayout(nameGroup))->addWidget(Edit);

    auto* typeGroup = new QGroupBox(QStringLiteral("Type"), this);
    typeGroup->setObjectName(QStringLiteral("grpType"));
    CarCameraSet = new QRadioButton(QStringLiteral("Car Camera Set"), typeGroup);
    CarCameraSet->setObjectName(QStringLiteral("rbCarCameraSet"));
    CarCameraSet->setChecked(true);
    Effect = new QRadioButton(QStringLiteral("Effect"), typeGroup);
    Effect->setObjectName(QStringLiteral("rbEffect"));
    auto* typeLayout = new QVBoxLayout(typeGroup);
    typeLayout->addWidget(CarCameraSet);
    typeLayout->addWidget(Effect);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("btnsDialog"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btnOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btnCancel"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &TdlgName::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TdlgName::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(nameGroup);
    layout->addWidget(typeGroup);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TdlgName::setVisible(bool visible) {
    if (visible) build();
    QDialog::setVisible(visible);
}

void TdlgName::setName(const std::string& name) {
    build();
    Name = name;
    Edit->setText(toQString(name));
}

model::eCameraSetType TdlgName::getType() const {
    // Not made yet, the dialog has its first choice.
    return !CarCameraSet || CarCameraSet->isChecked() ? model::eCameraSetType::CstCarCamSet
                                                      : model::eCameraSetType::CstRollBarCam;
}

void TdlgName::accept() {
    std::string typed;
    try {
        typed = toAnsi(Edit->text());
    } catch (const model::EAnsiTextError& e) {
        showError(this, messageToQString(e.what()));
        return;
    }
    setName(model::trimBlanksAndControls(typed));
    if (Name.empty()) {
        showInformation(this, QStringLiteral("Empty name is not allowed!"));
        Edit->setFocus();
        return;
    }
    QDialog::accept();
}

} // namespace skv::ui
