// The help window: the user guide's pages (HTML files of one folder) in a browser, with a contents
// list and a search field that keeps only the chapters mentioning every word typed.
#pragma once

#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <array>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTextBrowser;

namespace skv::ui {

class TfrmHelp : public QWidget {
    Q_OBJECT
public:
    // The chapters in the order of the contents list: file name and title.
    struct Chapter {
        const char* file;
        const char* title;
    };
    static const std::array<Chapter, 9> kChapters;

    // folder holds the pages; a missing page is listed but says it is missing when opened.
    explicit TfrmHelp(QString folder, QWidget* parent = nullptr);

    // Shows the chapter of that file (its first page when none is given).
    void showChapter(const QString& file = QString());
    QString currentFile() const;

private:
    void search(const QString& text);
    void findNext();
    void contentsClicked(QListWidgetItem* item);
    void followed(const QUrl& url);

    QString Folder;
    QStringList PlainTexts; // each chapter's text, lower case, for the search
    QLineEdit* Search = nullptr;
    QListWidget* Contents = nullptr;
    QTextBrowser* Browser = nullptr;
};

} // namespace skv::ui
