// Export and Save As through the real file dialog, driven as a user would:
// a timer finds the dialog, types a name and accepts.

#include "ExifTool.h"

#include "document/CollageDocument.h"
#include "editor/FotoloomController.h"
#include "editor/window/FotoloomWindow.h"
#include "model/Collage.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/vision/FaceDetector.h"
#include "platform/widgets/documents/QtDocumentDialogs.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImageReader>
#include <QLineEdit>
#include <QKeyEvent>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>

using namespace qf;

namespace {

class NoFaces : public FaceDetector {
public:
    QList<QRectF> detectFaces(const QImage&) override { return {}; }
};

bool waitFor(const std::function<bool()>& condition, int ms = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

template <typename T>
T* visible(const QString& name = {})
{
    for (QWidget* widget : QApplication::allWidgets()) {
        auto* found = qobject_cast<T*>(widget);
        if (found && found->isVisible() && (name.isEmpty() || found->objectName() == name))
            return found;
    }
    return nullptr;
}

// A project opened from its package, in its window, with the real dialogs.
class ExportDialogsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    NoFaces noFaces;
    ScopedFaceDetector faces{noFaces};
    CollageDocument doc;
    FotoloomController* editor = nullptr;
    FotoloomWindow* window = nullptr;
    QString package;

    void SetUp() override
    {
        UserDefaults::standard().useFile(dir.filePath(QStringLiteral("defaults.ini")));
        package = dir.filePath(QStringLiteral("trip.quiltfolioproj"));
        {
            CollageDocument made;
            made.setHostFactory([](CollageDocument& d) { return std::make_unique<FotoloomController>(d); });
            made.makeWindowControllers();
            auto* core = static_cast<FotoloomController*>(made.fotoloomController());
            ASSERT_TRUE(core->windowDidLoad().ok());
            core->collage()->setWidth(600);
            core->collage()->setHeight(400);
            ASSERT_TRUE(made.saveToPathShowingErrors(package, CollageDocument::projectType(),
                                                     Document::SaveOperation::SaveAs));
        }
        ASSERT_TRUE(doc.readFromPath(package).ok());
        doc.setDialogs(std::make_shared<QtDocumentDialogs>());
        doc.setHostFactory([](CollageDocument& d) { return std::make_unique<FotoloomController>(d); });
        doc.makeWindowControllers();
        editor = static_cast<FotoloomController*>(doc.fotoloomController());
        window = new FotoloomWindow(*editor);
        doc.setWindow(window);
        window->show();
    }
    void TearDown() override
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QDialog*>(widget))
                dialog->reject();
        }
        doc.close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        UserDefaults::standard().useStandardStore();
    }

    QAction* action(const char* name) const { return window->findChild<QAction*>(QString::fromLatin1(name)); }

    // Once the file dialog is up: `act` runs on it (from a timer, as events come).
    void whenDialogOpens(std::function<void(QFileDialog*)> act)
    {
        auto* poll = new QTimer(window);
        QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
            if (QFileDialog* dialog = visible<QFileDialog>()) {
                poll->deleteLater();
                act(dialog);
            }
        });
        poll->start(10);
    }
    static void typeAndAccept(QFileDialog* dialog, const QString& name)
    {
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(edit, nullptr);
        edit->setText(name);
        static_cast<QDialog*>(dialog)->accept(); // the Save button
    }
};

} // namespace

TEST_F(ExportDialogsTest, ExportThroughTheRealDialogWritesTheChosenFormat)
{
    ASSERT_NE(action("actionExportAsPng"), nullptr);
    ASSERT_NE(action("actionPrint"), nullptr);
    EXPECT_EQ(action("actionPrint")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));

    bool checked = false;
    whenDialogOpens([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
        // The accessory shows PNG, without the JPEG and TIFF options.
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("typeSelection"));
        ASSERT_NE(types, nullptr);
        EXPECT_EQ(types->currentIndex(), 1);
        EXPECT_FALSE(dialog->findChild<QWidget*>(QStringLiteral("jpegCustomView"))->isVisible());
        EXPECT_FALSE(dialog->findChild<QWidget*>(QStringLiteral("tiffCustomView"))->isVisible());
        EXPECT_EQ(dialog->nameFilters().size(), 1);
        // The user picks TIFF with PackBits.
        types->setCurrentIndex(2);
        emit types->activated(2);
        EXPECT_TRUE(dialog->findChild<QWidget*>(QStringLiteral("tiffCustomView"))->isVisible());
        EXPECT_TRUE(dialog->nameFilters().first().contains(QStringLiteral("*.tiff")));
        auto* compression = dialog->findChild<QComboBox*>(QStringLiteral("tiffCompressionSelectionPopupButton"));
        compression->setCurrentIndex(2);
        emit compression->activated(2);
        checked = true;
        typeAndAccept(dialog, QStringLiteral("trip picture"));
    });
    action("actionExportAsPng")->trigger();
    const QString written = dir.filePath(QStringLiteral("trip picture.tiff"));
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(written); })) << QDir(dir.path()).entryList().join(u',').toStdString();
    EXPECT_TRUE(checked);
    EXPECT_EQ(QImageReader(written).format(), "tiff");
    EXPECT_EQ(doc.tiffCompression(), 2);
    // The document is still the project.
    EXPECT_EQ(doc.fileName(), QFileInfo(package).absoluteFilePath());
    if (qf::testing::haveTool(QStringLiteral("tiffinfo"))) {
        const QString info = QString::fromUtf8(qf::testing::runTool(QStringLiteral("tiffinfo"), {written}));
        EXPECT_TRUE(info.contains(QStringLiteral("Image Width: 600 Image Length: 400")));
        EXPECT_TRUE(info.contains(QStringLiteral("Compression Scheme: PackBits")));
        EXPECT_TRUE(info.contains(QStringLiteral("Resolution: 300, 300 pixels/inch")));
    }
    // The accessory outlived the dialog and is used again.
    EXPECT_NE(doc.customAccessoryView(), nullptr);
}

TEST_F(ExportDialogsTest, ReplacingAFileOrAPackageIsAskedOnce)
{
    // An existing picture of the name the extension makes.
    const QString existing = dir.filePath(QStringLiteral("old.jpg"));
    {
        QFile file(existing);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep me");
    }
    QMessageBox* question = nullptr;
    whenDialogOpens([&](QFileDialog* dialog) { typeAndAccept(dialog, QStringLiteral("old")); });
    action("actionExportAsJpeg")->trigger();
    ASSERT_TRUE(waitFor([&] { return (question = visible<QMessageBox>(QStringLiteral("replaceQuestion"))) != nullptr; }));
    EXPECT_EQ(question->text(), QStringLiteral("“old.jpg” already exists. Do you want to replace it?"));
    EXPECT_EQ(question->windowModality(), Qt::WindowModal);
    question->button(QMessageBox::Cancel)->click();
    QApplication::processEvents();
    // Nothing written, and the dialog is still there.
    QFile kept(existing);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "keep me");
    kept.close();
    QFileDialog* dialog = visible<QFileDialog>();
    ASSERT_NE(dialog, nullptr);
    dialog->reject();
    QApplication::processEvents();

    // Save As onto the open project's own package: asked, and only once.
    whenDialogOpens([](QFileDialog* d) { typeAndAccept(d, QStringLiteral("trip")); });
    doc.saveAs();
    ASSERT_TRUE(waitFor([&] { return (question = visible<QMessageBox>(QStringLiteral("replaceQuestion"))) != nullptr; }));
    EXPECT_EQ(question->text(), QStringLiteral("“trip.quiltfolioproj” already exists. Do you want to replace it?"));
    int questions = 0;
    for (QWidget* widget : QApplication::allWidgets())
        questions += qobject_cast<QMessageBox*>(widget) && widget->isVisible();
    EXPECT_EQ(questions, 1);
    const QDateTime before = QFileInfo(package + QStringLiteral("/collage.design")).lastModified();
    for (QAbstractButton* button : question->buttons()) {
        if (button->text() == QStringLiteral("Replace"))
            button->click();
    }
    ASSERT_TRUE(waitFor([&] { return visible<QFileDialog>() == nullptr; }));
    EXPECT_TRUE(QFileInfo(package + QStringLiteral("/collage.design")).isFile());
    EXPECT_GE(QFileInfo(package + QStringLiteral("/collage.design")).lastModified(), before);
    EXPECT_EQ(doc.fileName(), QFileInfo(package).absoluteFilePath());
}

TEST_F(ExportDialogsTest, TheSavingSheetShowsProgressAndTurnsInputAway)
{
    window->showSavingSheet();
    auto* bar = window->findChild<QProgressBar*>(QStringLiteral("savingProgressIndicator"));
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->maximum(), 0); // busy until the render reports
    window->showSavingProgress(250, 1000);
    EXPECT_EQ(bar->maximum(), 1000);
    EXPECT_EQ(bar->value(), 250);

    // What the canvas hears of the user, and whether a key is taken before
    // it can be a shortcut.
    QWidget* canvas = window->findChild<QWidget*>(QStringLiteral("onScreenDrawingView"));
    ASSERT_NE(canvas, nullptr);
    struct Heard : QObject {
        QList<QEvent::Type> types;
        bool eventFilter(QObject*, QEvent* event) override
        {
            types << event->type();
            return false;
        }
    } heard;
    canvas->installEventFilter(&heard);
    const QPointF at(20, 20);
    const auto sendInput = [&] {
        heard.types.clear();
        QMouseEvent press(QEvent::MouseButtonPress, at, canvas->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, {});
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Delete, {});
        QWheelEvent wheel(at, canvas->mapToGlobal(at), {}, {0, 120}, {}, {}, Qt::NoScrollPhase, false);
        for (QEvent* event : std::initializer_list<QEvent*>{&press, &key, &wheel})
            QApplication::sendEvent(canvas, event);
        QKeyEvent shortcut(QEvent::ShortcutOverride, Qt::Key_Z, Qt::ControlModifier);
        shortcut.ignore();
        QApplication::sendEvent(canvas, &shortcut);
        return shortcut.isAccepted();
    };
    EXPECT_TRUE(sendInput());
    EXPECT_TRUE(heard.types.isEmpty());

    window->hideSavingSheet();
    EXPECT_FALSE(sendInput());
    EXPECT_TRUE(heard.types.contains(QEvent::MouseButtonPress));
    EXPECT_TRUE(heard.types.contains(QEvent::KeyPress));
    canvas->removeEventFilter(&heard);
}
