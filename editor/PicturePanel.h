#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace qf {

// What an open panel for picture files is asked to show.
struct PicturePanelRequest {
    QString title;
    bool canChooseDirectories = false;
    bool allowsMultipleSelection = false;
    // Where the panel starts; none leaves it where the platform puts it.
    std::optional<QString> startDirectory;
    // File name endings offered, without the dot.
    QStringList allowedSuffixes;
};

// Lets the user choose picture files. The window shows a window-modal file
// dialog; tests answer from a script. Opening returns at once.
class PicturePanel {
public:
    virtual ~PicturePanel() = default;
    // `chosen` runs only when the user confirmed, with absolute paths.
    virtual void openPanel(const PicturePanelRequest& request, std::function<void(const QStringList&)> chosen) = 0;
};

} // namespace qf
