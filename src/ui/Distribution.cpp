#include "ui/Distribution.h"

#include "ui/Options.h"
#include "ui/Prompts.h"
#include "ui/Qtext.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace skv::ui {

namespace {

// The questions of a distribution, asked through the prompter.
class TDistributionQuestions final : public model::IDistributionQuestions {
public:
    TDistributionQuestions(QWidget* parent, TdlgOptions& options, model::eGame game)
        : Parent(parent), Options(options), Game(game) {}

    std::string folderNotFound(const std::string& message) override {
        showInformation(Parent, QString::fromStdString(message));
        Options.exec();
        return Game == model::eGame::gNR2003 ? Options.files().nr2003Path : Options.files().gplPath;
    }

    bool confirm(const std::string& question) override {
        return confirmYesNo(Parent, QString::fromStdString(question));
    }

private:
    QWidget* Parent;
    TdlgOptions& Options;
    model::eGame Game;
};

QLabel* explanation(const char* text, const char* name, QWidget* parent) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    // A wrapped label's height follows its width, which layouts of a fixed dialog do not ask for:
    // both are given, so no line is cut at any scale.
    constexpr int kTextWidth = 400;
    label->setFixedWidth(kTextWidth);
    label->setMinimumHeight(label->heightForWidth(kTextWidth));
    return label;
}

} // namespace

TdlgDistributeCarCamSet::TdlgDistributeCarCamSet(TdlgOptions& options, const model::TGamePaths& paths,
                                                 QWidget* parent)
    : QDialog(parent), Options(options), Paths(paths) {
    setObjectName(QStringLiteral("dlgDistributeCarCamSet"));
    setWindowTitle(QString::fromLatin1(model::kDistributeCaption));

    auto* gpl = new QGroupBox(QStringLiteral("GPL"), this);
    gpl->setObjectName(QStringLiteral("grpGPL"));
    auto* nr2003 = new QGroupBox(QStringLiteral("NR2003"), this);
    nr2003->setObjectName(QStringLiteral("grpNR2003"));
    auto* gplLayout = new QGridLayout(gpl);
    auto* nr2003Layout = new QGridLayout(nr2003);
    gplLayout->addWidget(explanation(model::kDistributeGplText, "lblGPLText", gpl), 0, 0, 1, 4);
    nr2003Layout->addWidget(explanation(model::kDistributeNr2003Text, "lblNR2003Text", nr2003), 0, 0, 1, 4);

    // In the dialog's order, four to a row; the boxes start checked.
    int shown[2] = {0, 0};
    for (std::size_t index : model::kDistributionDialogOrder) {
        const model::TDistributionTarget& target = model::kDistributionTargets[index];
        const bool isGpl = target.game == model::eGame::gGPL;
        QGroupBox* group = isGpl ? gpl : nr2003;
        auto* box = new QCheckBox(QString::fromLatin1(target.caption), group);
        box->setObjectName(QString::fromLatin1(target.checkBox));
        box->setChecked(model::kAllTargetsChecked[index]);
        int& n = shown[isGpl ? 0 : 1];
        (isGpl ? gplLayout : nr2003Layout)->addWidget(box, 1 + n / 4, n % 4);
        ++n;
        Boxes[index] = box;
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("btnsDialog"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btnOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btnCancel"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &TdlgDistributeCarCamSet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TdlgDistributeCarCamSet::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(gpl);
    layout->addWidget(nr2003);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

model::TDistributionChecks TdlgDistributeCarCamSet::checks() const {
    model::TDistributionChecks checks{};
    for (std::size_t i = 0; i < Boxes.size(); ++i)
        checks[i] = Boxes[i]->isChecked();
    return checks;
}

bool TdlgDistributeCarCamSet::distribute(const model::TGPLCarCameraSet& set, model::eGame game,
                                         model::TCamFileBuffer& camFileBuffer) {
    if (exec() != QDialog::Accepted) return false;
    TDistributionQuestions questions(parentWidget(), Options, game);
    model::TCamSetDistribution distribution(camFileBuffer, Paths, questions);
    const TOptionsFiles files = Options.files();
    distribution.distribute(set, game, game == model::eGame::gNR2003 ? files.nr2003Path : files.gplPath,
                            checks());
    return true;
}

} // namespace skv::ui
