#include "platform/widgets/documents/QtDocumentDialogs.h"

#include <QCoreApplication>
#include <QAbstractButton>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QMessageBox>

#include <memory>

namespace qf {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("qf::QtDocumentDialogs", text);
}

QString filterFor(const DocumentType& type)
{
    return QStringLiteral("%1 (*.%2)").arg(type.description, type.extension);
}

// Qt's file dialog enters every directory; a package is one document to the
// user, so choosing or entering one selects it.
class PackageFileDialog : public QFileDialog {
public:
    PackageFileDialog(QWidget* parent, const QList<DocumentType>& types)
        : QFileDialog(parent)
    {
        setOption(QFileDialog::DontUseNativeDialog);
        for (const DocumentType& type : types) {
            if (type.package)
                m_packageExtensions << type.extension;
        }
    }

    // From now on, going into a package chooses it. Every way in (double
    // click, Open on a selected folder, a typed path) moves the model's root;
    // queued, so the dialog has finished its own step first.
    void watchForPackages()
    {
        if (auto* model = findChild<QFileSystemModel*>()) {
            connect(model, &QFileSystemModel::rootPathChanged, this, &PackageFileDialog::entered,
                    Qt::QueuedConnection);
        }
        connect(this, &QFileDialog::directoryEntered, this, &PackageFileDialog::entered, Qt::QueuedConnection);
    }

    QStringList chosen() const { return m_chosen.isEmpty() ? selectedFiles() : m_chosen; }

    void accept() override
    {
        const QStringList files = selectedFiles();
        QStringList packages;
        for (const QString& file : files) {
            if (isPackage(file))
                packages << file;
        }
        if (!packages.isEmpty() && packages.size() == files.size()) {
            m_chosen = packages;
            QDialog::accept();
            return;
        }
        QFileDialog::accept();
    }

private:
    void entered(const QString& dir)
    {
        if (!isVisible() || !isPackage(dir))
            return;
        m_chosen = QStringList{dir};
        setDirectory(QFileInfo(dir).absolutePath());
        QDialog::accept();
    }

    bool isPackage(const QString& path) const
    {
        const QFileInfo info(path);
        return info.isDir() && m_packageExtensions.contains(info.suffix(), Qt::CaseInsensitive);
    }

    QStringList m_packageExtensions;
    QStringList m_chosen;
};

void openModal(QDialog* dialog, QWidget* window)
{
    if (auto* files = dynamic_cast<PackageFileDialog*>(dialog))
        files->watchForPackages();
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
    dialog->open();
}

} // namespace

void QtDocumentDialogs::chooseSaveLocation(QWidget* window, const SavePanelRequest& request,
                                           std::function<void(std::optional<SavePanelResult>)> reply)
{
    auto* dialog = new PackageFileDialog(window, request.types);
    dialog->setWindowTitle(request.title);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    QStringList filters;
    QString selectedFilter;
    for (const DocumentType& type : request.types) {
        filters << filterFor(type);
        if (type.identifier == request.selectedType)
            selectedFilter = filters.last();
    }
    dialog->setNameFilters(filters);
    if (!selectedFilter.isEmpty())
        dialog->selectNameFilter(selectedFilter);
    if (!request.directory.isEmpty())
        dialog->setDirectory(request.directory);
    dialog->selectFile(request.suggestedName);

    const QList<DocumentType> types = request.types;
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, types, reply](int result) {
        if (result != QDialog::Accepted || dialog->chosen().isEmpty()) {
            reply(std::nullopt);
            return;
        }
        SavePanelResult chosen{dialog->chosen().first(), types.first().identifier};
        for (const DocumentType& type : types) {
            if (filterFor(type) == dialog->selectedNameFilter())
                chosen.type = type.identifier;
        }
        reply(chosen);
    });
    openModal(dialog, window);
}

void QtDocumentDialogs::chooseFilesToOpen(QWidget* window, const OpenPanelRequest& request,
                                          std::function<void(QStringList)> reply)
{
    auto* dialog = new PackageFileDialog(window, request.types);
    dialog->setWindowTitle(request.title);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    QStringList patterns;
    QStringList filters;
    for (const DocumentType& type : request.types) {
        patterns << QStringLiteral("*.") + type.extension;
        filters << filterFor(type);
    }
    if (request.types.size() > 1)
        filters.prepend(tr("All documents (%1)").arg(patterns.join(u' ')));
    dialog->setNameFilters(filters);
    if (!request.directory.isEmpty())
        dialog->setDirectory(request.directory);
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, reply](int result) {
        reply(result == QDialog::Accepted ? dialog->chosen() : QStringList());
    });
    openModal(dialog, window);
}

void QtDocumentDialogs::askSaveChanges(QWidget* window, const QString& displayName,
                                       std::function<void(SaveChangesChoice)> reply)
{
    auto* box = new QMessageBox(QMessageBox::Warning, QString(),
                                tr("Do you want to save the changes made to the document “%1”?").arg(displayName),
                                QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, window);
    box->setInformativeText(tr("Your changes will be lost if you don't save them."));
    box->button(QMessageBox::Discard)->setText(tr("Don't Save"));
    box->setDefaultButton(QMessageBox::Save);
    box->setEscapeButton(QMessageBox::Cancel);
    QObject::connect(box, &QMessageBox::finished, box, [box, reply](int) {
        const QMessageBox::StandardButton button = box->standardButton(box->clickedButton());
        if (button == QMessageBox::Save)
            reply(SaveChangesChoice::Save);
        else if (button == QMessageBox::Discard)
            reply(SaveChangesChoice::DontSave);
        else
            reply(SaveChangesChoice::Cancel);
    });
    openModal(box, window);
}

void QtDocumentDialogs::showError(QWidget* window, const QString& message, const QString& reason,
                                  std::function<void()> dismissed)
{
    auto* box = new QMessageBox(QMessageBox::Warning, QString(), message, QMessageBox::Ok, window);
    box->setInformativeText(reason);
    QObject::connect(box, &QMessageBox::finished, box, [dismissed](int) {
        if (dismissed)
            dismissed();
    });
    openModal(box, window);
}

} // namespace qf
