#include "TemplateFixtures.h"
#include "widgets/FakeDocumentDialogs.h"

#include "document/window/MyDocumentController.h"
#include "document/WorkWithFileFormat.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QListView>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSettings>
#include <QStandardItemModel>
#include <QStyleOptionViewItem>

using namespace qf;
using qf::testing::FakeDocumentDialogs;
using qf::testing::TemplatesFolder;

namespace {

// Saves every picture of its document, as an editor using them all would.
class FakeHost : public DocumentHost {
public:
    explicit FakeHost(CollageDocument& document) : m_document(document) {}
    QByteArray dataOfTypeForSave(const QString&, double, int) override
    {
        return WorkWithFileFormat::getFileDataForActualJsonData(R"({"cs":"grid"})");
    }
    QStringList allPicturesInUse() const override
    {
        QStringList md5s;
        for (const auto& container : m_document.imageWrapperContainers())
            md5s << container->md5().value_or(QString());
        return md5s;
    }
    void savedSuccessfullyToFileType(const QString&) override {}

private:
    CollageDocument& m_document;
};

struct Collages {
    QTemporaryDir tmp;
    std::shared_ptr<FakeDocumentDialogs> dialogs = std::make_shared<FakeDocumentDialogs>();
    MyDocumentController controller{dialogs};

    Collages()
    {
        controller.setSettings(std::make_shared<QSettings>(tmp.filePath(QStringLiteral("settings.ini")),
                                                           QSettings::IniFormat));
        controller.setHostFactory([](CollageDocument& document) { return std::make_unique<FakeHost>(document); });
    }
    ~Collages() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

QFTemplateModelItem summerTrip()
{
    return {qf::testing::documentFixture(QString()), QStringLiteral("template.quiltfolioproj"),
            QStringLiteral("  Summer Trip\n"), {}};
}

struct RecordingDelegate : QFTemplateManagerWindowControllerDelegate {
    QStringList chosen;
    void newDocumentFromTemplate(const QFTemplateModelItem& item) override { chosen << item.filenameid; }
};

} // namespace

TEST(NewFromTemplate, OpensAnEditedUntitledCopyThatSavesAsAPlainProject)
{
    Collages s;
    CollageDocument* doc = s.controller.openDocumentFromTemplate(summerTrip());
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(s.controller.documents(), QList<Document*>{doc});
    EXPECT_EQ(doc->displayName(), QStringLiteral("Summer Trip"));
    EXPECT_TRUE(doc->fileName().isEmpty());
    EXPECT_EQ(doc->imageWrapperContainers().size(), 5); // everything in the template's "Images" comes along
    ASSERT_TRUE(doc->templateInfoDict().has_value());
    EXPECT_TRUE(doc->isDocumentEdited());

    s.dialogs->saveChangesAnswers.push_back(SaveChangesChoice::Cancel);
    doc->requestClose();
    EXPECT_EQ(s.dialogs->saveChangesAsked, QStringList{QStringLiteral("Summer Trip")});
    EXPECT_FALSE(doc->isClosed());

    const QString target = s.tmp.filePath(QStringLiteral("trip"));
    s.dialogs->saveAnswers.push_back(SavePanelResult{target, CollageDocument::projectType()});
    std::optional<bool> saved;
    doc->save([&saved](bool ok) { saved = ok; });
    EXPECT_EQ(saved, true);
    ASSERT_EQ(s.dialogs->saveRequests.size(), 1);
    EXPECT_EQ(s.dialogs->saveRequests[0].suggestedName, QStringLiteral("Summer Trip"));
    const QDir package(target + QStringLiteral(".quiltfolioproj"));
    EXPECT_EQ(doc->fileName(), package.path());
    EXPECT_FALSE(doc->isDocumentEdited());
    EXPECT_TRUE(QFileInfo(package.filePath(QStringLiteral("collage.design"))).isFile());
    EXPECT_FALSE(package.exists(QStringLiteral("preview.jpeg")));
    EXPECT_FALSE(package.exists(QStringLiteral("TemplateInfo.plist")));
    const QStringList pictures = QDir(package.filePath(QStringLiteral("Images"))).entryList(QDir::Files);
    EXPECT_TRUE(pictures.contains(QStringLiteral("blue.png")) && pictures.contains(QStringLiteral("red.png")))
        << pictures.join(u',').toStdString();
    // The template stays as shipped.
    EXPECT_TRUE(QFileInfo::exists(qf::testing::documentFixture(QStringLiteral("template.quiltfolioproj/preview.jpeg"))));
    EXPECT_TRUE(s.dialogs->errors.isEmpty());
}

TEST(NewFromTemplate, AnUnreadablePackageIsShownAndOpensNothing)
{
    Collages s;
    TemplatesFolder f;
    TemplatesFolder::write(f.path(QStringLiteral("flat")), "no package");
    QDir(f.path()).mkdir(QStringLiteral("nodesign"));
    const QFTemplateModelItem broken[] = {
        {f.path(), QStringLiteral("missing"), QStringLiteral("Gone"), {}},
        {f.path(), QStringLiteral("flat"), std::nullopt, {}},
        {f.path(), QStringLiteral("nodesign"), QStringLiteral(" Empty "), {}},
    };
    const QString names[] = {QStringLiteral("Gone"), QStringLiteral("Untitled"), QStringLiteral("Empty")};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(s.controller.openDocumentFromTemplate(broken[i]), nullptr);
        ASSERT_EQ(s.dialogs->errors.size(), i + 1);
        EXPECT_EQ(s.dialogs->errors[i].first, QStringLiteral("The template “%1” could not be opened.").arg(names[i]));
        EXPECT_FALSE(s.dialogs->errors[i].second.isEmpty());
    }
    EXPECT_TRUE(s.controller.documents().isEmpty());
}

TEST(TemplateChooser, ChoosesOnlyASelectedTemplateThenCloses)
{
    TemplatesFolder f;
    for (const char* name : {"a", "b"})
        f.addTemplate(QString::fromLatin1(name), {{QStringLiteral("Category1"), QStringLiteral("Travel")}});
    f.writeList(QFTemplateCatalogue::templatesListName, {"a", "b"});
    f.writeList(QFTemplateCatalogue::categoriesListName, {"Travel"});
    QFTemplateManagerWindowController chooser{QFTemplateCatalogue(f.path())};
    RecordingDelegate delegate;
    chooser.setDocControllerDelegate(&delegate);
    chooser.show();
    EXPECT_TRUE(chooser.chooseButton()->isDefault());
    EXPECT_FALSE(chooser.isModal());
    ASSERT_EQ(chooser.tableView()->count(), 2);
    EXPECT_EQ(chooser.tableView()->currentRow(), 0);

    chooser.chooseButton()->click(); // nothing selected
    EXPECT_TRUE(delegate.chosen.isEmpty());
    EXPECT_TRUE(chooser.isVisible());

    chooser.tableView()->setCurrentRow(1);
    QListView* cells = chooser.collectionView();
    ASSERT_EQ(cells->model()->rowCount(), 2);
    cells->selectionModel()->select(cells->model()->index(1, 0), QItemSelectionModel::Select);
    chooser.chooseButton()->click();
    EXPECT_EQ(delegate.chosen, QStringList{QStringLiteral("b")});
    EXPECT_FALSE(chooser.isVisible());
}

TEST(TemplateChooser, TheControllerOpensWhatItChose)
{
    Collages s;
    TemplatesFolder f;
    ASSERT_TRUE(QFile::link(qf::testing::documentFixture(QStringLiteral("template.quiltfolioproj")),
                            f.path(QStringLiteral("trip"))));
    f.writeList(QFTemplateCatalogue::templatesListName, {"trip"});
    const QFTemplateCatalogue catalogue(f.path());
    s.controller.setTemplateCatalogue(&catalogue);
    s.controller.newUsingTemplate();
    QFTemplateManagerWindowController* chooser = s.controller.templateManagerWindowController();
    ASSERT_NE(chooser, nullptr);
    EXPECT_TRUE(chooser->isVisible());
    QListView* cells = chooser->collectionView();
    cells->selectionModel()->select(cells->model()->index(0, 0), QItemSelectionModel::Select);
    chooser->chooseTemplate();
    ASSERT_EQ(s.controller.documents().size(), 1);
    EXPECT_EQ(s.controller.documents()[0]->displayName(), QStringLiteral("Summer Trip"));
    s.controller.newUsingTemplate();
    EXPECT_EQ(s.controller.templateManagerWindowController(), chooser); // made once
}

TEST(TemplateChooser, CellsDrawTheFittedPreviewAndTheSelectionFrame)
{
    QImage preview(1600, 900, QImage::Format_RGB32);
    preview.fill(Qt::green);
    for (const bool selected : {false, true}) {
        QImage cell(415, 325, QImage::Format_RGB32);
        cell.fill(Qt::black);
        QPainter painter(&cell);
        QFTemplateImageView::drawTemplate(painter, preview, QRectF(0, 0, 415, 325), selected);
        painter.end();
        EXPECT_EQ(cell.pixelColor(207, 162), QColor(Qt::green));
        EXPECT_EQ(cell.pixelColor(207, 20), QColor(Qt::black)); // above the wide preview
        // The blue stroke shows outside the fitted rectangle's top edge.
        EXPECT_EQ(cell.pixelColor(207, 46), selected ? QColor(0, 0, 255) : QColor(Qt::black));
    }
}

TEST(TemplateChooser, CellsNameTheirTemplateAndTwoRowsShowAtFirst)
{
    // The name, below the preview, in the band the cell keeps for it.
    QStandardItemModel model;
    auto* item = new QStandardItem;
    QImage preview(1600, 900, QImage::Format_RGB32);
    preview.fill(Qt::green);
    item->setData(preview, QFTemplateImageView::imageRole);
    item->setText(QStringLiteral("Summer Trip"));
    model.appendRow(item);
    const QSize size = QFTemplateImageView::itemSize();
    QImage cell(size, QImage::Format_RGB32);
    cell.fill(Qt::black);
    {
        QPainter painter(&cell);
        QStyleOptionViewItem option;
        option.rect = QRect(QPoint(0, 0), size);
        option.font = QFont();
        option.fontMetrics = QFontMetrics(option.font);
        QFTemplateImageView().paint(&painter, option, model.index(0, 0));
    }
    // The wide preview leaves black above and below it; the name sits just
    // under it.
    const QRectF fitted =
        QFTemplateCatalogue::previewRect(preview.size(), QRectF(0, 0, size.width(), size.height() - QFTemplateImageView::captionHeight));
    int lit = 0;
    for (int y = int(fitted.bottom()) + 2; y < int(fitted.bottom()) + 2 + QFTemplateImageView::captionHeight; ++y)
        for (int x = 0; x < size.width(); ++x)
            lit += qGray(cell.pixel(x, y)) > 128 ? 1 : 0;
    EXPECT_GT(lit, 20) << "the name is drawn";
    EXPECT_EQ(cell.pixelColor(size.width() / 2, (size.height() - QFTemplateImageView::captionHeight) / 2),
              QColor(Qt::green));

    // Two rows of two at first where the screen has room; never beyond it.
    const struct {
        QSize available;
        int rows;
    } rows[] = {{{1920, 1080}, 2}, {{1400, 900}, 2}, {{800, 600}, 1}};
    for (const auto& row : rows) {
        const QSize first = QFTemplateManagerWindowController::defaultSize(row.available);
        EXPECT_TRUE(row.available.expandedTo(first) == row.available) << row.available.width();
        EXPECT_EQ((first.height() - 90) / size.height() >= 2, row.rows == 2) << row.available.width();
        EXPECT_GE(first.width(), std::min(row.available.width(), 200 + 2 * size.width()));
    }
}
