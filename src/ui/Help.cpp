#include "ui/Help.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QSplitter>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

namespace skv::ui {

const std::array<TfrmHelp::Chapter, 9> TfrmHelp::kChapters = {{
    {"index.html", "Contents"},
    {"getting-started.html", "Getting started"},
    {"libraries.html", "Libraries and editing"},
    {"distribution.html", "Distribution"},
    {"direct-control.html", "Direct Control"},
    {"mouse-control.html", "Mouse Control"},
    {"effects.html", "Effects"},
    {"nr2003.html", "NR2003 notes"},
    {"functions.html", "Function reference"},
}};

namespace {

QString readPage(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

} // namespace

TfrmHelp::TfrmHelp(QString folder, QWidget* parent) : QWidget(parent, Qt::Window), Folder(std::move(folder)) {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Skyvane Help"));
    resize(900, 640);

    Search = new QLineEdit(this);
    Search->setObjectName(QStringLiteral("edtSearch"));
    Search->setPlaceholderText(QStringLiteral("Search"));
    Search->setClearButtonEnabled(true);
    Contents = new QListWidget(this);
    Contents->setObjectName(QStringLiteral("lstContents"));
    Browser = new QTextBrowser(this);
    Browser->setObjectName(QStringLiteral("brwPage"));
    Browser->setOpenLinks(false); // chapters open through the contents, other links in the system's browser
    Browser->setSearchPaths({Folder});

    for (const Chapter& c : kChapters) {
        auto* item = new QListWidgetItem(QString::fromLatin1(c.title), Contents);
        item->setData(Qt::UserRole, QString::fromLatin1(c.file));
        QTextDocument doc;
        doc.setHtml(readPage(QDir(Folder).filePath(QString::fromLatin1(c.file))));
        PlainTexts.push_back(doc.toPlainText().toLower());
    }

    auto* side = new QWidget(this);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->addWidget(Search);
    sideLayout->addWidget(Contents);
    auto* splitter = new QSplitter(this);
    splitter->addWidget(side);
    splitter->addWidget(Browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({220, 680});
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(splitter);

    connect(Search, &QLineEdit::textChanged, this, &TfrmHelp::search);
    connect(Search, &QLineEdit::returnPressed, this, &TfrmHelp::findNext);
    connect(Contents, &QListWidget::itemClicked, this, &TfrmHelp::contentsClicked);
    connect(Contents, &QListWidget::itemActivated, this, &TfrmHelp::contentsClicked);
    connect(Browser, &QTextBrowser::anchorClicked, this, &TfrmHelp::followed);
    showChapter();
}

void TfrmHelp::showChapter(const QString& file) {
    const QString name = file.isEmpty() ? QString::fromLatin1(kChapters[0].file) : file;
    for (int row = 0; row < Contents->count(); ++row)
        if (Contents->item(row)->data(Qt::UserRole).toString() == name) Contents->setCurrentRow(row);
    const QString path = QDir(Folder).filePath(name);
    const QString html = readPage(path);
    if (html.isEmpty()) {
        Browser->setHtml(QStringLiteral("<p>The help page ") + path.toHtmlEscaped() +
                         QStringLiteral(" is missing.</p>"));
    } else {
        Browser->setSource(QUrl::fromLocalFile(path));
    }
    Browser->setProperty("chapter", name);
    if (!Search->text().trimmed().isEmpty()) findNext();
}

QString TfrmHelp::currentFile() const {
    return Browser->property("chapter").toString();
}

// Keeps the chapters whose text holds every word typed, whatever the letter case.
void TfrmHelp::search(const QString& text) {
    const QStringList words =
        text.toLower().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    for (int row = 0; row < Contents->count(); ++row) {
        bool all = true;
        for (const QString& w : words)
            all = all && PlainTexts[row].contains(w);
        Contents->item(row)->setHidden(!all);
    }
}

// The next place of the first word in the page shown, from the top again after the last.
void TfrmHelp::findNext() {
    const QStringList words =
        Search->text().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    if (words.isEmpty()) return;
    if (Browser->find(words.front())) return;
    Browser->moveCursor(QTextCursor::Start);
    Browser->find(words.front());
}

void TfrmHelp::contentsClicked(QListWidgetItem* item) {
    if (item) showChapter(item->data(Qt::UserRole).toString());
}

void TfrmHelp::followed(const QUrl& url) {
    if (url.isRelative() || url.isLocalFile()) {
        const QString file = QFileInfo(url.isLocalFile() ? url.toLocalFile() : url.path()).fileName();
        if (url.hasFragment() && file.isEmpty()) {
            Browser->scrollToAnchor(url.fragment());
            return;
        }
        showChapter(file);
        if (url.hasFragment()) Browser->scrollToAnchor(url.fragment());
        return;
    }
    QDesktopServices::openUrl(url);
}

} // namespace skv::ui
