#include "OpenedWindow.h"

#include <gtest/gtest.h>

#include <QMenu>

using namespace qf;

namespace {

// The Help menu's items as "title" or "-" for a separator.
QStringList menuLayout(const QMenu* menu)
{
    QStringList items;
    for (const QAction* a : menu->actions())
        items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return items;
}

struct ShellWindow {
    CollageDocument doc;
    QPointer<FotoloomWindow> window;
    explicit ShellWindow(ShellMenuActions shell)
    {
        doc.setHostFactory([](CollageDocument& d) { return std::make_unique<FotoloomController>(d, &d.undoManager()); });
        doc.makeWindowControllers();
        auto* editor = static_cast<FotoloomController*>(doc.fotoloomController());
        test::startNewDocumentsAsGrids(*editor);
        window = new FotoloomWindow(*editor, nullptr, std::move(shell));
    }
    ~ShellWindow()
    {
        delete window.data();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

TEST(HelpMenuWindow, itemsFollowTheShellActionsAndCallThem)
{
    QStringList calls;
    const auto call = [&calls](const char* name) { return [&calls, name] { calls << QString::fromLatin1(name); }; };
    const struct {
        const char* name;
        ShellMenuActions shell;
        QStringList layout; // empty: no Help menu
        QStringList calls;  // triggering every item in turn
    } cases[] = {
        {"none", {}, {}, {}},
        {"all",
         {{},
          call("start"),
          call("newsletter"),
          {{QStringLiteral("Page A"), QStringLiteral("actionPageA"), call("a")},
           {},
           {QStringLiteral("Page B"), QStringLiteral("actionPageB"), call("b")}}},
         {"Getting Started", "Sign Up for Newsletter…", "-", "Page A", "-", "Page B"},
         {"start", "newsletter", "a", "b"}},
        {"pages only",
         {{}, {}, {}, {{QStringLiteral("Page A"), QStringLiteral("actionPageA"), call("a")}}},
         {"Page A"},
         {"a"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ShellWindow w(c.shell);
        auto* help = w.window->findChild<QMenu*>(QStringLiteral("menuHelp"));
        if (c.layout.isEmpty()) {
            EXPECT_EQ(help, nullptr);
            continue;
        }
        ASSERT_NE(help, nullptr);
        EXPECT_EQ(menuLayout(help), c.layout);
        calls.clear();
        for (QAction* a : help->actions())
            a->trigger();
        EXPECT_EQ(calls, c.calls);
    }
}

} // namespace
