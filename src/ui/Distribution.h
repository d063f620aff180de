// The distribution dialog: which cars of which game receive the selected car camera set. It lives
// as long as the program, so the boxes keep what the user left in them.
#pragma once

#include "model/Distribute.h"

#include <QDialog>

#include <array>

class QCheckBox;

namespace skv::ui {

class TdlgOptions;

class TdlgDistributeCarCamSet : public QDialog {
    Q_OBJECT
public:
    // options gives the game paths (and is shown when a car folder is missing); paths finds them on disk.
    TdlgDistributeCarCamSet(TdlgOptions& options, const model::TGamePaths& paths, QWidget* parent = nullptr);

    model::TDistributionChecks checks() const;

    // Shows the dialog; after OK writes set over the checked cars of game, asking first. False when
    // the dialog was cancelled. A car file that cannot be created raises model::EFCreateError
    // ("Cannot create file %s"); the cars before it stay written.
    bool distribute(const model::TGPLCarCameraSet& set, model::eGame game,
                    model::TCamFileBuffer& camFileBuffer);

private:
    TdlgOptions& Options;
    const model::TGamePaths& Paths;
    std::array<QCheckBox*, model::kDistributionTargets.size()> Boxes{}; // indexed like the targets
};

} // namespace skv::ui
