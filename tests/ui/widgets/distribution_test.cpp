// The distribution dialog: its boxes in the dialog's order and texts, their state kept from one use
// to the next, and a distribution run through its questions, also when the car folder is missing.
#include "support/Widgets.h"
#include "ui/Guitest.h"

#include "model/Distribute.h"
#include "model/Fileerror.h"
#include "ui/Distribution.h"
#include "ui/Options.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <filesystem>
#include <optional>

using namespace skv;
using test::click;
using test::noWine;
using test::TModal;
using ui::eAnswer;
namespace fs = std::filesystem;

namespace {

// A GPL installation whose cars folder holds the folders of these cars.
fs::path gplInstallation(const fs::path& root, std::initializer_list<const char*> cars) {
    for (const char* car : cars)
        fs::create_directories(root / "gpl" / "cars" / "cars67" / car);
    return root / "gpl" / "gpl.exe";
}

struct TFixture {
    test::TScriptedPrompter prompter;
    QTemporaryDir folder;
    fs::path root{folder.path().toStdString()};
    test::TNoListener listener;
    ui::TdlgOptions options{(root / "skyvane.INI").string(), listener, noWine()};
    ui::TdlgDistributeCarCamSet dialog{options, noWine()};
    model::TCamFileBuffer buffer;
    model::TGPLCarCameraSet set;
    TFixture() {
        set.Caption = "Broadcast";
        set.Camera1.xPos = 1.5f;
    }
    void setPath(const char* field, const fs::path& path) {
        options.findChild<QLineEdit*>(QString::fromLatin1(field))
            ->setText(QString::fromStdString(path.string()));
    }
};

} // namespace

class TestDistribution : public QObject {
    Q_OBJECT

private slots:
    void boxesInTheDialogsOrderWithTheirTextsKeepTheirState();
    void writesTheCheckedCarsAfterYes();
    void aMissingFolderOpensThePreferencesFirst();
};

void TestDistribution::boxesInTheDialogsOrderWithTheirTextsKeepTheirState() {
    TFixture f;
    QCOMPARE(f.dialog.windowTitle(), QStringLiteral("Distribute Car Camera Set"));
    QCOMPARE(f.dialog.findChild<QLabel*>(QStringLiteral("lblGPLText"))->text(),
             QStringLiteral(
                 "Classic way of changing car camera sets in GPL. Distribute the .cam files of the current "
                 "selected camera set to the selected cars in the GPL cars67 directory."));
    QCOMPARE(f.dialog.findChild<QLabel*>(QStringLiteral("lblNR2003Text"))->text(),
             QStringLiteral(
                 "Same as above for NR2003.  Distribute the .cam files of the current selected camera set "
                 "to the selected cars in the NR2003 series\\cup directory."));
    f.dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.dialog));
    // Reading order on screen (row by row, left to right) and keyboard order are the dialog's order.
    QList<QCheckBox*> boxes = f.dialog.findChildren<QCheckBox*>();
    std::sort(boxes.begin(), boxes.end(), [](QCheckBox* a, QCheckBox* b) {
        const QPoint pa = a->mapToGlobal(QPoint()), pb = b->mapToGlobal(QPoint());
        return pa.y() != pb.y() ? pa.y() < pb.y() : pa.x() < pb.x();
    });
    QStringList shown;
    for (QCheckBox* box : boxes) {
        shown << box->text();
        QVERIFY(box->isChecked());
    }
    const QStringList order{"Lotus",   "Honda", "Cooper",     "Ferrari", "Eagle",
                            "Brabham", "BRM",   "Normal car", "Pacecar"};
    QCOMPARE(shown, order);
    QStringList tabbed;
    for (QWidget* w = boxes.first(); tabbed.size() < order.size(); w = w->nextInFocusChain())
        if (auto* box = qobject_cast<QCheckBox*>(w)) tabbed << box->text();
    QCOMPARE(tabbed, order);
    f.dialog.hide();

    // What is cleared in one use is cleared in the next, while the program runs.
    TModal cleared([](QDialog* d) {
        click(d, "chkLotus");
        click(d, "chkPacecar");
        click(d, "btnCancel");
    });
    QVERIFY(!f.dialog.distribute(f.set, model::eGame::gGPL, f.buffer));
    SKV_VERIFY_MODAL(cleared);
    TModal seen([](QDialog* d) { click(d, "btnCancel"); });
    QVERIFY(!f.dialog.distribute(f.set, model::eGame::gGPL, f.buffer));
    SKV_VERIFY_MODAL(seen);
    model::TDistributionChecks expected = model::kAllTargetsChecked;
    expected[0] = expected[8] = false;
    QVERIFY(f.dialog.checks() == expected);
    SKV_VERIFY_PROMPTER(f.prompter);
}

void TestDistribution::writesTheCheckedCarsAfterYes() {
    TFixture f;
    const fs::path cars = f.root / "gpl" / "cars" / "cars67";
    f.setPath("edtGPLPath",
              gplInstallation(f.root, {"lotus", "ferrari", "eagle", "brabham", "coventry", "brm"}));

    // No writes nothing; Yes writes every checked car but Ferrari, Cooper into "coventry".
    f.prompter.answer(eAnswer::No);
    TModal declined([](QDialog* d) { click(d, "btnOK"); });
    QVERIFY(f.dialog.distribute(f.set, model::eGame::gGPL, f.buffer));
    SKV_VERIFY_MODAL(declined);
    QVERIFY(!fs::exists(cars / "lotus" / "lotus.cam"));
    QCOMPARE(f.prompter.askedTexts().at(0),
             QStringLiteral(
                 "The *.cam files of each selected car will be overwritten in the cars67 of GPL, continue?"));
    QCOMPARE(f.prompter.asked().at(0).kind, ui::eQuestion::YesNo);

    f.prompter.answer(eAnswer::Yes);
    TModal accepted([](QDialog* d) {
        click(d, "chkFerrari");
        click(d, "chkHonda");
        click(d, "btnOK");
    });
    QVERIFY(f.dialog.distribute(f.set, model::eGame::gGPL, f.buffer));
    SKV_VERIFY_MODAL(accepted);
    for (const char* file : {"lotus/lotus.cam", "eagle/eagle.cam", "brabham/brabham.cam",
                             "coventry/coventry.cam", "brm/brm.cam"}) {
        QVERIFY2(fs::exists(cars / file), file);
        QCOMPARE(fs::file_size(cars / file), std::uintmax_t(model::kCamFileSize));
    }
    QVERIFY(!fs::exists(cars / "ferrari" / "ferrari.cam"));

    // Honda again, whose folder is missing: the cars before it are written, then the run stops.
    f.prompter.answer(eAnswer::Yes);
    TModal failing([](QDialog* d) {
        click(d, "chkHonda");
        click(d, "btnOK");
    });
    fs::remove(cars / "lotus" / "lotus.cam");
    bool raised = false;
    try {
        f.dialog.distribute(f.set, model::eGame::gGPL, f.buffer);
    } catch (const model::EFCreateError& e) {
        raised = QByteArray(e.what()).startsWith("Cannot create file ") &&
                 QByteArray(e.what()).contains("murasama");
    }
    SKV_VERIFY_MODAL(failing);
    QVERIFY(raised);
    QVERIFY(fs::exists(cars / "lotus" / "lotus.cam"));
    SKV_VERIFY_PROMPTER(f.prompter);
}

void TestDistribution::aMissingFolderOpensThePreferencesFirst() {
    TFixture f;
    const fs::path cup = f.root / "nr2003" / "series" / "cup";
    fs::create_directories(cup);
    f.setPath("edtNR2003Path", f.root / "elsewhere" / "nr2003.exe");

    // The message, then the preferences, where the user puts the right path; then the question.
    f.prompter.answer(eAnswer::Ok);
    f.prompter.answer(eAnswer::Yes);
    std::optional<TModal> preferences;
    QString preferencesCaption;
    TModal distribution([&](QDialog* d) {
        click(d, "chkLotus"); // the other game's boxes do not matter
        click(d, "btnOK");
        preferences.emplace([&](QDialog* p) {
            preferencesCaption = p->windowTitle();
            auto* path = p->findChild<QLineEdit*>(QStringLiteral("edtNR2003Path"));
            path->setText(QString::fromStdString((f.root / "nr2003" / "nr2003.exe").string()));
            click(p, "btnClose");
        });
    });
    QVERIFY(f.dialog.distribute(f.set, model::eGame::gNR2003, f.buffer));
    SKV_VERIFY_MODAL(distribution);
    QVERIFY(preferences);
    SKV_VERIFY_MODAL(*preferences);
    QCOMPARE(preferencesCaption, QStringLiteral("Preferences"));
    QCOMPARE(
        f.prompter.askedTexts(),
        (QStringList{
            "The seriescup directory of NR2003 is not found, check the NR2003 pathname in the Preferences "
            "dialog !",
            "The *.cam files of each selected car will be overwritten in the seriescup of NR2003, "
            "continue?"}));
    QVERIFY(fs::exists(cup / "make_a.cam"));
    QVERIFY(fs::exists(cup / "pacecar.cam"));
    SKV_VERIFY_PROMPTER(f.prompter);
}

SKV_GUI_TEST_MAIN(TestDistribution)
#include "distribution_test.moc"
