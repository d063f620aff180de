// The help window as the user meets it: F1 in the main window opens it, the contents list opens the
// chapters, the search keeps the chapters that mention the words and finds them in the page, and the
// function reference made at build time lists the registry's functions.
#include "support/Programstart.h"
#include "ui/Help.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTextBrowser>

using namespace skv;
using ui::eAnswer;

namespace {

// The program started in a folder of its own, with the built help beside it or without one.
struct TStart : test::TProgramStart {
    explicit TStart(bool withHelp) {
        writeSettings();
        if (!withHelp) return;
        QDir(folder.path()).mkdir(QStringLiteral("help"));
        const QDir built(QStringLiteral(SKV_RUNTIME_DIR "/help"));
        for (const QString& page : built.entryList({QStringLiteral("*.html")}, QDir::Files))
            QFile::copy(built.filePath(page), folder.filePath(QStringLiteral("help/") + page));
    }
};

QStringList listedChapters(const QListWidget& contents) {
    QStringList titles;
    for (int row = 0; row < contents.count(); ++row)
        if (!contents.item(row)->isHidden()) titles << contents.item(row)->text();
    return titles;
}

void clickChapter(QListWidget& contents, const QString& title) {
    const auto found = contents.findItems(title, Qt::MatchExactly);
    QVERIFY2(found.size() == 1, qPrintable(title));
    const QRect where = contents.visualItemRect(found.front());
    QTest::mouseClick(contents.viewport(), Qt::LeftButton, {}, where.center());
}

} // namespace

class TestHelp : public QObject {
    Q_OBJECT
private slots:
    void f1OpensContentsChaptersAndTheSearch();
    void withoutPagesF1SaysWhereTheyShouldBe();
};

void TestHelp::f1OpensContentsChaptersAndTheSearch() {
    TStart s(true);
    ui::TfrmMain& window = s.start();
    QTest::keyClick(&window, Qt::Key_F1);
    auto* help = window.findChild<ui::TfrmHelp*>(QStringLiteral("frmHelp"));
    QVERIFY(help);
    QVERIFY(help->isVisible());
    auto* contents = help->findChild<QListWidget*>(QStringLiteral("lstContents"));
    auto* page = help->findChild<QTextBrowser*>(QStringLiteral("brwPage"));
    QCOMPARE(contents->count(), int(std::size(ui::TfrmHelp::kChapters)));
    QCOMPARE(help->currentFile(), QStringLiteral("index.html"));
    QVERIFY(page->toPlainText().contains(QStringLiteral("Function reference")));

    // Every chapter opens, and none says its page is missing.
    for (const ui::TfrmHelp::Chapter& chapter : ui::TfrmHelp::kChapters) {
        clickChapter(*contents, QString::fromLatin1(chapter.title));
        QCOMPARE(help->currentFile(), QString::fromLatin1(chapter.file));
        QVERIFY2(!page->toPlainText().contains(QStringLiteral("is missing")), chapter.file);
    }
    // The reference made from the registry: a function with its parameters and help text.
    const QString reference = page->toPlainText();
    QVERIFY(reference.contains(QStringLiteral("SIN(x)")));
    QVERIFY(reference.contains(QStringLiteral("Returns sine value of x")));
    QVERIFY(reference.contains(QStringLiteral("MIN(x1, x2, x3, ...)")));

    // F1 again brings the same window back rather than a second one.
    help->close();
    QTest::keyClick(&window, Qt::Key_F1);
    QCOMPARE(window.findChildren<ui::TfrmHelp*>().size(), qsizetype(1));
    QVERIFY(help->isVisible());

    // The search keeps the chapters that hold every word.
    auto* search = help->findChild<QLineEdit*>(QStringLiteral("edtSearch"));
    search->setFocus();
    QTest::keyClicks(search, QStringLiteral("Dolly"));
    QCOMPARE(listedChapters(*contents), QStringList{QStringLiteral("Effects")});
    // Every word must be there, in any letter case.
    search->clear();
    QTest::keyClicks(search, QStringLiteral("ctrl+delete PIT"));
    QCOMPARE(listedChapters(*contents),
             (QStringList{QStringLiteral("Direct Control"), QStringLiteral("Effects")}));
    search->clear();
    QTest::keyClicks(search, QStringLiteral("qqzzy"));
    QVERIFY(listedChapters(*contents).isEmpty());
    search->clear();
    QCOMPARE(listedChapters(*contents).size(), contents->count());

    // Opening a chapter with a search typed selects the first place; Enter goes to the next.
    QTest::keyClicks(search, QStringLiteral("FRAMES"));
    clickChapter(*contents, QStringLiteral("Effects"));
    QCOMPARE(page->textCursor().selectedText().toUpper(), QStringLiteral("FRAMES"));
    const int first = page->textCursor().position();
    QTest::keyClick(search, Qt::Key_Return);
    QCOMPARE(page->textCursor().selectedText().toUpper(), QStringLiteral("FRAMES"));
    QVERIFY(page->textCursor().position() > first);
    SKV_VERIFY_PROMPTER(s.prompter);
}

void TestHelp::withoutPagesF1SaysWhereTheyShouldBe() {
    TStart s(false);
    ui::TfrmMain& window = s.start();
    s.prompter.answer(eAnswer::Ok);
    QTest::keyClick(&window, Qt::Key_F1);
    QVERIFY(!window.findChild<ui::TfrmHelp*>());
    QCOMPARE(s.prompter.asked().size(), std::size_t(1));
    QVERIFY(s.prompter.asked().front().text.contains(QStringLiteral("help/index.html")));
    SKV_VERIFY_PROMPTER(s.prompter);
}

SKV_GUI_TEST_MAIN(TestHelp)
#include "help_test.moc"
