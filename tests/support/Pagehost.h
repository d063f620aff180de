// What the main window holds for its pages: the dialogs they open, the camera file buffer, the item
// clipboard and the actions, over a fresh folder, with a prompter that answers from a script.
#pragma once

#include "support/Widgets.h"
#include "ui/Comment.h"
#include "ui/Distribution.h"
#include "ui/Effect.h"
#include "ui/Guitest.h"
#include "ui/Name.h"
#include "ui/Options.h"
#include "ui/Page.h"
#include "ui/Page_actions.h"
#include "ui/Page_clipboard.h"
#include "ui/Properties.h"

#include <QTemporaryDir>

namespace skv::test {

struct TPageHost {
    TScriptedPrompter prompter;
    QTemporaryDir folder;
    TNoListener listener;
    ui::TdlgName name;
    ui::TdlgProperties properties;
    ui::TfrmEffect effect;
    ui::TfrmComment comment;
    ui::TdlgOptions options{path("skyvane.INI").toStdString(), listener, noWine()};
    ui::TdlgDistributeCarCamSet distribution{options, noWine()};
    model::TCamFileBuffer camFileBuffer;
    ui::TItemClipboard clipboard;
    ui::TPageActions actions{clipboard};
    ui::TPageServices services{name,          properties, effect,  comment,       distribution,
                               camFileBuffer, clipboard,  actions, folder.path(), folder.path()};

    QString path(const QString& file) const { return folder.filePath(file); }
};

} // namespace skv::test
