// The camera view: the picture stretched (decoded only once shown), the focus highlight, and the
// properties a double click opens, after which the values show in degrees between the black strips
// with their yellow text.
#include "support/Widgets.h"
#include "ui/Guitest.h"

#include "model/Gplcarcamera.h"
#include "ui/Picturebox.h"
#include "ui/Properties.h"
#include "ui/View.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>

using namespace skv;
using test::click;
using test::retype;
using test::TModal;

namespace {

QString labelText(const QWidget& parent, const char* name) {
    return parent.findChild<QLabel*>(QString::fromLatin1(name))->text();
}

// Whether a rendered widget holds a pixel of about this colour (JPEG and anti-aliasing blur edges).
bool holdsColour(const QImage& image, QColor colour, int tolerance = 12) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) <= tolerance &&
                std::abs(c.green() - colour.green()) <= tolerance &&
                std::abs(c.blue() - colour.blue()) <= tolerance)
                return true;
        }
    return false;
}

} // namespace

class TestView : public QObject {
    Q_OBJECT

private slots:
    void aPictureIsDecodedOnceShownStretchedAndAClickFocuses();
    void doubleClickEditsTheCameraAndTheViewShowsItsValues();
};

void TestView::aPictureIsDecodedOnceShownStretchedAndAClickFocuses() {
    model::TGPLCarCamera first, second;
    second.setImage(test::drawnPicture(0.3));
    QWidget page;
    auto* layout = new QHBoxLayout(&page);
    layout->addWidget(new QLineEdit(&page)); // takes the focus when the page comes up
    auto* a = new ui::TfrmView(QStringLiteral("Nose"), nullptr, &page);
    auto* b = new ui::TfrmView(QStringLiteral("Gearbox"), nullptr, &page);
    a->setCamera(&first);
    b->setCamera(&second);
    layout->addWidget(a);
    layout->addWidget(b);
    QVERIFY(b->showsPicture());
    QVERIFY(!b->pictureBox()->decoded());
    page.resize(760, 240);
    page.show();
    test::activate(page);
    QTRY_VERIFY(b->pictureBox()->decoded()); // once shown
    // Stretched over the whole area: sky at the top, field at the bottom, from edge to edge.
    const QImage shown = b->pictureBox()->grab().toImage();
    QVERIFY(shown.width() > 200);
    for (int x : {2, shown.width() - 3}) {
        QVERIFY(holdsColour(shown.copy(x, 2, 1, 1), QColor(90, 140, 230), 20));
        QVERIFY(holdsColour(shown.copy(x, shown.height() - 3, 1, 1), QColor(60, 130, 50), 20));
    }
    QSignalSpy aFocus(a, &ui::TfrmView::focusChanged);
    QSignalSpy bFocus(b, &ui::TfrmView::focusChanged);

    // On the picture of b, then on a's title strip: a click anywhere gives the view the focus.
    QTest::mouseClick(b->pictureBox(), Qt::LeftButton);
    QVERIFY(b->hasFocus());
    QCOMPARE(b->backgroundRole(), QPalette::Highlight);
    QTest::mouseClick(a->findChild<QLabel*>(QStringLiteral("pnlTop")), Qt::LeftButton);
    QVERIFY(a->hasFocus());
    QCOMPARE(a->backgroundRole(), QPalette::Highlight);
    QCOMPARE(b->backgroundRole(), QPalette::Button);
    QCOMPARE(bFocus.count(), 2);
    QCOMPARE(bFocus.at(0).at(0).toBool(), true);
    QCOMPARE(bFocus.at(1).at(0).toBool(), false);
    QCOMPARE(aFocus.count(), 1);
    QCOMPARE(aFocus.at(0).at(0).toBool(), true);
}

void TestView::doubleClickEditsTheCameraAndTheViewShowsItsValues() {
    test::TScriptedPrompter prompter;
    ui::TdlgProperties properties;
    model::TGPLCarCamera camera;
    camera.xPos = 1.23456f;
    camera.yaw = 0.6719f;
    camera.zoomAngle = 1.5707964f;
    camera.Caption = "Cam\xE9ra";
    camera.setImage(test::drawnPicture(0.5));
    ui::TfrmView view(QStringLiteral("Rear Suspension"), &properties);
    view.setCamera(&camera);
    view.resize(260, 230);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QSignalSpy changed(&view, &ui::TfrmView::cameraChanged);

    // A new yaw (the dialog shows radians) and no picture are stored.
    TModal modal([&](QDialog* dialog) {
        retype(dialog, "edtYaw", QStringLiteral("0.5"));
        click(dialog, "btnDeleteImage");
        click(dialog, "btnOK");
    });
    QTest::mouseDClick(view.pictureBox(), Qt::LeftButton);
    SKV_VERIFY_MODAL(modal);
    QCOMPARE(camera.yaw, 0.5f);
    QVERIFY(camera.getImage().empty());
    QCOMPARE(changed.count(), 1);
    // Without a picture the view shows the values, in degrees, between its black strips.
    QVERIFY(!view.showsPicture());
    QCOMPARE(labelText(view, "lblX"), QStringLiteral("1.23"));
    QCOMPARE(labelText(view, "lblYaw"), QStringLiteral("28.6"));
    QCOMPARE(labelText(view, "lblZoomAngle"), QStringLiteral("90"));
    QCOMPARE(labelText(view, "lblZoomAngleCaption"), QStringLiteral("Zoom Angle:"));
    QCOMPARE(labelText(view, "pnlTop"), QStringLiteral("Rear Suspension"));
    QCOMPARE(labelText(view, "pnlBottom"), QStringLiteral("Cam\u00E9ra"));
    QCOMPARE(view.toolTip(), QString::fromStdString(camera.getInfo()));
    for (const char* strip : {"pnlTop", "pnlBottom"}) {
        const QImage shown = view.findChild<QLabel*>(QString::fromLatin1(strip))->grab().toImage();
        QCOMPARE(shown.pixelColor(1, 1), QColor(Qt::black));
        QVERIFY2(holdsColour(shown, QColor(248, 218, 101), 10), strip);
    }

    // Cancel stores nothing and tells nobody.
    TModal cancel([](QDialog* dialog) {
        QTest::keyClicks(test::child<QLineEdit>(dialog, "edtName"), QStringLiteral("x"));
        click(dialog, "btnCancel");
    });
    QTest::mouseDClick(view.findChild<QWidget*>(QStringLiteral("pnlValues")), Qt::LeftButton, {},
                       QPoint(20, 20));
    SKV_VERIFY_MODAL(cancel);
    QCOMPARE(camera.Caption, std::string("Cam\xE9ra"));
    QCOMPARE(changed.count(), 1);
    SKV_VERIFY_PROMPTER(prompter);
}

SKV_GUI_TEST_MAIN(TestView)
#include "view_test.moc"
