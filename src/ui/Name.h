// The name dialog of a new library item: its name, and whether it is a car camera set or an effect.
#pragma once

#include "model/Gplcarcameraset.h"

#include <QDialog>

#include <string>

class QLineEdit;
class QRadioButton;

namespace skv::ui {

class TdlgName : public QDialog {
    Q_OBJECT
public:
    explicit TdlgName(QWidget* parent = nullptr);

    // The name field; the library page empties it before each new item.
    void setName(const std::string& name);
    // The name as OK took it: without blanks and control characters around it.
    std::string name() const { return Name; }
    // The kind chosen; the choice stays from one use to the next.
    model::eCameraSetType getType() const;
    void setVisible(bool visible) override;

public slots:
    void accept() override;

private:
    void build();

    QLineEdit* Edit = nullptr;
    QRadioButton* CarCameraSet = nullptr;
    QRadioButton* Effect = nullptr;
    std::string Name;
};

} // namespace skv::ui
