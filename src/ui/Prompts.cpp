#include "ui/Prompts.h"

#include "ui/Application.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace skv::ui {

namespace {

IPrompter* installedPrompter = nullptr;

QMessageBox::StandardButtons buttonsOf(eQuestion kind) {
    switch (kind) {
    case eQuestion::Information:
    case eQuestion::Error:
        return QMessageBox::Ok;
    case eQuestion::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case eQuestion::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case eQuestion::YesNoCancelYesToAll:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::YesToAll;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon iconOf(eQuestion kind) {
    switch (kind) {
    case eQuestion::Information:
        return QMessageBox::Information;
    case eQuestion::Error:
        return QMessageBox::Critical;
    default:
        return QMessageBox::Question;
    }
}

QString titleOf(eQuestion kind) {
    switch (kind) {
    case eQuestion::Information:
        return QStringLiteral("Information");
    case eQuestion::Error:
        return QString::fromLatin1(TApplication::kTitle);
    default:
        return QStringLiteral("Confirm");
    }
}

eAnswer answerOf(int button) {
    switch (button) {
    case QMessageBox::Yes:
        return eAnswer::Yes;
    case QMessageBox::No:
        return eAnswer::No;
    case QMessageBox::YesToAll:
        return eAnswer::YesToAll;
    case QMessageBox::Ok:
        return eAnswer::Ok;
    default:
        return eAnswer::Cancel; // also the window's close button
    }
}

// The folder a dialog starts in: the request's folder, or the folder of the file it names.
QString startFolder(const QString& folder) {
    const QFileInfo info(folder);
    if (folder.isEmpty() || info.isDir()) return folder;
    return info.absolutePath();
}

void prepare(QFileDialog& dialog, const TFileRequest& request) {
    dialog.setWindowTitle(request.caption);
    dialog.setDirectory(startFolder(request.folder));
    dialog.setNameFilter(request.filter);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
}

std::optional<QString> run(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace

eAnswer TDialogPrompter::ask(QWidget* parent, eQuestion kind, const QString& text) {
    QMessageBox box(iconOf(kind), titleOf(kind), text, buttonsOf(kind), parent);
    if (kind == eQuestion::YesNo || kind == eQuestion::YesNoCancel || kind == eQuestion::YesNoCancelYesToAll)
        box.setDefaultButton(QMessageBox::Yes);
    return answerOf(box.exec());
}

std::optional<QString> TDialogPrompter::openFileName(QWidget* parent, const TFileRequest& request) {
    QFileDialog dialog(parent);
    prepare(dialog, request);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    return run(dialog);
}

std::optional<QString> TDialogPrompter::saveFileName(QWidget* parent, const TFileRequest& request) {
    QFileDialog dialog(parent);
    prepare(dialog, request);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    return run(dialog);
}

IPrompter& prompter() {
    static TDialogPrompter dialogs;
    return installedPrompter ? *installedPrompter : dialogs;
}

void setPrompter(IPrompter* installed) {
    installedPrompter = installed;
}

void showInformation(QWidget* parent, const QString& text) {
    prompter().ask(parent, eQuestion::Information, text);
}

void showError(QWidget* parent, const QString& text) {
    prompter().ask(parent, eQuestion::Error, text);
}

bool confirmYesNo(QWidget* parent, const QString& text) {
    return prompter().ask(parent, eQuestion::YesNo, text) == eAnswer::Yes;
}

} // namespace skv::ui
