#include "platform/widgets/documents/QtDocumentDialogs.h"

#include "platform/widgets/sheets/Sheets.h"
#include "platform/widgets/windows/WindowPlacement.h"

#include <QCoreApplication>
#include <QAbstractButton>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

#include <memory>

namespace qf {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("qf::QtDocumentDialogs", text);
}

QString filterFor(const DocumentType& type)
{
    QStringList patterns{QStringLiteral("*.") + type.extension};
    for (const QString& other : type.otherExtensions)
        patterns << QStringLiteral("*.") + other;
    return QStringLiteral("%1 (%2)").arg(type.description, patterns.join(u' '));
}

// Qt's file dialog enters every directory; a package is one document to the
// user, so choosing or entering one selects it. As a save dialog it also
// adds the chosen type's extension and asks before replacing what is there:
// Qt's own question knows neither packages nor the added extension.
class PackageFileDialog : public QFileDialog, public SavePanel {
public:
    PackageFileDialog(QWidget* parent, const QList<DocumentType>& types)
        : QFileDialog(parent)
        , m_types(types)
    {
        setOption(QFileDialog::DontUseNativeDialog);
        setOption(QFileDialog::DontConfirmOverwrite);
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

    // The type of the selected filter; the first type when none matches.
    DocumentType chosenType() const
    {
        for (const DocumentType& type : m_types) {
            if (filterFor(type) == selectedNameFilter())
                return type;
        }
        return m_types.isEmpty() ? DocumentType{} : m_types.first();
    }

    void setAllowedType(const DocumentType& type) override
    {
        m_types = {type};
        setNameFilters({filterFor(type)});
        selectNameFilter(filterFor(type));
    }

    void accept() override
    {
        if (acceptMode() == QFileDialog::AcceptSave) {
            acceptSave();
            return;
        }
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
    void acceptSave()
    {
        const QStringList files = selectedFiles();
        if (files.isEmpty()) {
            QFileDialog::accept();
            return;
        }
        QString path = files.first();
        const QFileInfo typed(path);
        // A plain folder is gone into; a missing folder is Qt's to report.
        if ((typed.isDir() && !isPackage(path)) || !typed.absoluteDir().exists() || typed.fileName().isEmpty()) {
            QFileDialog::accept();
            return;
        }
        const DocumentType type = chosenType();
        if (!type.extension.isEmpty() && !type.matchesExtension(path))
            path += u'.' + type.extension;
        if (!QFileInfo::exists(path)) {
            finishSave(path);
            return;
        }
        auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                    tr("“%1” already exists. Do you want to replace it?").arg(QFileInfo(path).fileName()),
                                    QMessageBox::Cancel, this);
        QPushButton* replace = box->addButton(tr("Replace"), QMessageBox::AcceptRole);
        box->setDefaultButton(QMessageBox::Cancel);
        box->setEscapeButton(QMessageBox::Cancel);
        box->setObjectName(QStringLiteral("replaceQuestion"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::WindowModal);
        connect(box, &QMessageBox::finished, this, [this, box, replace, path](int) {
            if (box->clickedButton() == replace)
                finishSave(path);
        });
        box->open();
    }

    void finishSave(const QString& path)
    {
        m_chosen = QStringList{path};
        QDialog::accept();
    }

    void entered(const QString& dir)
    {
        if (!isVisible() || !isPackage(dir))
            return;
        setDirectory(QFileInfo(dir).absolutePath());
        if (acceptMode() == QFileDialog::AcceptSave) {
            // Saving onto a package replaces it: the name is chosen, then asked about.
            selectFile(QFileInfo(dir).fileName());
            acceptSave();
            return;
        }
        m_chosen = QStringList{dir};
        QDialog::accept();
    }

    bool isPackage(const QString& path) const
    {
        const QFileInfo info(path);
        return info.isDir() && m_packageExtensions.contains(info.suffix(), Qt::CaseInsensitive);
    }

    QList<DocumentType> m_types;
    QStringList m_packageExtensions;
    QStringList m_chosen;
};

// The window the documents layer hands over is a widget here.
QWidget* widgetOf(QObject* window)
{
    return qobject_cast<QWidget*>(window);
}

void openModal(QDialog* dialog, QObject* window)
{
    if (auto* files = dynamic_cast<PackageFileDialog*>(dialog))
        files->watchForPackages();
    openSheet(dialog, widgetOf(window));
}

} // namespace

void QtDocumentDialogs::chooseSaveLocation(QObject* window, const SavePanelRequest& request,
                                           std::function<void(std::optional<SavePanelResult>)> reply)
{
    auto* dialog = new PackageFileDialog(widgetOf(window), request.types);
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

    QPointer<QWidget> accessory = qobject_cast<QWidget*>(request.accessory);
    if (accessory) {
        if (auto* grid = qobject_cast<QGridLayout*>(dialog->layout()))
            grid->addWidget(accessory, grid->rowCount(), 0, 1, grid->columnCount());
        accessory->show();
    }
    const auto panelChanged = request.panelChanged;
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, accessory, panelChanged, reply](int result) {
        // The accessory is the caller's: it must outlive the dialog.
        if (accessory) {
            accessory->hide();
            accessory->setParent(nullptr);
        }
        if (panelChanged)
            panelChanged(nullptr);
        if (result != QDialog::Accepted || dialog->chosen().isEmpty()) {
            reply(std::nullopt);
            return;
        }
        reply(SavePanelResult{dialog->chosen().first(), dialog->chosenType().identifier});
    });
    if (panelChanged)
        panelChanged(dialog);
    openModal(dialog, window);
}

void QtDocumentDialogs::chooseFilesToOpen(QObject* window, const OpenPanelRequest& request,
                                          std::function<void(QStringList)> reply)
{
    auto* dialog = new PackageFileDialog(widgetOf(window), request.types);
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

void QtDocumentDialogs::askSaveChanges(QObject* window, const QString& displayName,
                                       std::function<void(SaveChangesChoice)> reply)
{
    auto* box = new QMessageBox(QMessageBox::Warning, QString(),
                                tr("Do you want to save the changes made to the document “%1”?").arg(displayName),
                                QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, widgetOf(window));
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

void QtDocumentDialogs::print(QObject* window, const QString& documentName,
                              std::shared_ptr<PrintOperation> operation, std::function<void(bool)> reply)
{
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    printer->setDocName(documentName);
    operation->preparePrinter(*printer);
    auto* dialog = new QPrintDialog(printer.get(), widgetOf(window));
    QObject::connect(dialog, &QDialog::finished, dialog, [printer, operation, reply](int result) {
        reply(result == QDialog::Accepted && operation->printOn(*printer));
    });
    openModal(dialog, window);
}

void QtDocumentDialogs::showWindow(QObject* window)
{
    if (QWidget* widget = widgetOf(window)) {
        WindowPlacement::showCascaded(*widget);
        widget->raise();
        widget->activateWindow();
    }
}

void QtDocumentDialogs::showError(QObject* window, const QString& message, const QString& reason,
                                  std::function<void()> dismissed)
{
    auto* box = new QMessageBox(QMessageBox::Warning, QString(), message, QMessageBox::Ok, widgetOf(window));
    box->setInformativeText(reason);
    QObject::connect(box, &QMessageBox::finished, box, [dismissed](int) {
        if (dismissed)
            dismissed();
    });
    openModal(box, window);
}

} // namespace qf
