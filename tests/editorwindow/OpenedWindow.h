#pragma once

#include "editor/window/FotoloomWindow.h"

#include "document/CollageDocument.h"
#include "editor/FotoloomController.h"
#include "platform/undo/UndoManager.h"

#include "GridDocuments.h"
#include "TestPictures.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QMimeData>
#include <QPointer>
#include <QTemporaryDir>

#include <functional>

namespace qf::test {

// An editor window on a new document, as the application opens one.
struct Opened {
    QTemporaryDir tmp;
    CollageDocument doc;
    FotoloomController* editor = nullptr;
    QPointer<FotoloomWindow> window;

    // Shown as the application shows it, or not yet.
    explicit Opened(bool shown = true)
    {
        doc.setHostFactory([](CollageDocument& d) { return std::make_unique<FotoloomController>(d, &d.undoManager()); });
        doc.makeWindowControllers();
        editor = static_cast<FotoloomController*>(doc.fotoloomController());
        startNewDocumentsAsGrids(*editor);
        window = new FotoloomWindow(*editor);
        window->resize(1000, 700);
        if (shown)
            window->show();
        QApplication::processEvents();
    }
    ~Opened()
    {
        delete window.data();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    template <typename T>
    T* find(const char* name) const
    {
        return window->findChild<T*>(QLatin1String(name));
    }
    QStringList write(int count)
    {
        QStringList paths;
        for (int i = 0; i < count; ++i) {
            paths << tmp.filePath(QStringLiteral("p%1.png").arg(i));
            QFile f(paths.last());
            f.open(QIODevice::WriteOnly);
            f.write(qf::test::png(QColor::fromHsv(i * 40, 200, 200)));
        }
        return paths;
    }
    bool waitFor(const std::function<bool()>& done) const
    {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }
    void drop(QWidget* target, const QMimeData& mime, QPointF at) const
    {
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent dropped(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropped);
    }
};

} // namespace qf::test
