#include "editor/window/QtPicturePanel.h"

#include <QFileDialog>
#include <QFileInfo>

namespace qf {

namespace {

// A file dialog whose Open button also takes folders: Qt's own dialog
// would step into a selected folder instead.
class FilesAndFoldersDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    QStringList chosen() const { return m_chosen.isEmpty() ? selectedFiles() : m_chosen; }

    void accept() override
    {
        const QStringList selected = selectedFiles();
        const bool anyFolder = std::any_of(selected.cbegin(), selected.cend(),
                                           [](const QString& path) { return QFileInfo(path).isDir(); });
        if (!anyFolder || selected.isEmpty()) {
            QFileDialog::accept();
            return;
        }
        m_chosen = selected;
        QDialog::accept();
    }

private:
    QStringList m_chosen;
};

QString nameFilter(const QStringList& suffixes)
{
    // Both cases: file systems here match names exactly.
    QStringList patterns;
    for (const QString& suffix : suffixes)
        patterns << QStringLiteral("*.") + suffix.toLower() << QStringLiteral("*.") + suffix.toUpper();
    return QFileDialog::tr("Pictures (%1)").arg(patterns.join(QLatin1Char(' ')));
}

} // namespace

void QtPicturePanel::openPanel(const PicturePanelRequest& request, std::function<void(const QStringList&)> chosen)
{
    auto* dialog = new FilesAndFoldersDialog(m_window, request.title);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(request.allowsMultipleSelection ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    dialog->setNameFilter(nameFilter(request.allowedSuffixes));
    // Taking folders needs Qt's own dialog; the platform's would step into them.
    if (request.canChooseDirectories)
        dialog->setOption(QFileDialog::DontUseNativeDialog);
    if (request.startDirectory)
        dialog->setDirectory(*request.startDirectory);
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, chosen = std::move(chosen)](int result) {
        if (result != QDialog::Accepted)
            return;
        QStringList paths;
        for (const QString& path : dialog->chosen())
            paths.append(QFileInfo(path).absoluteFilePath());
        if (!paths.isEmpty())
            chosen(paths);
    });
    dialog->open();
}

} // namespace qf
