#include "FakeDocumentDialogs.h"

#include "document/window/MyDocumentController.h"
#include "document/WorkWithFileFormat.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

using namespace qf;
using qf::testing::FakeDocumentDialogs;

namespace {

QString fixture(const QString& name)
{
    return QStringLiteral(QF_TEST_DATA_DIR "/documents/") + name;
}

class FakeHost : public DocumentHost {
public:
    QByteArray dataOfTypeForSave(const QString& type, double, int) override
    {
        if (type == CollageDocument::designType())
            return WorkWithFileFormat::getFileDataForActualJsonData(R"({"cs":"grid"})");
        return "picture";
    }
    QStringList allPicturesInUse() const override { return {}; }
    void savedSuccessfullyToFileType(const QString&) override {}
};

struct Collages {
    QTemporaryDir tmp;
    std::shared_ptr<FakeDocumentDialogs> dialogs = std::make_shared<FakeDocumentDialogs>();
    MyDocumentController controller{dialogs};
    int hostsMade = 0;

    Collages()
    {
        controller.setSettings(std::make_shared<QSettings>(tmp.filePath(QStringLiteral("settings.ini")),
                                                           QSettings::IniFormat));
        controller.setHostFactory([this](CollageDocument&) {
            ++hostsMade;
            return std::make_unique<FakeHost>();
        });
    }
    ~Collages() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

} // namespace

TEST(MyDocumentController, ANewDocumentIsAnUntitledCollageWithItsEditor)
{
    Collages s;
    auto* doc = qobject_cast<CollageDocument*>(s.controller.newDocument());
    ASSERT_NE(doc, nullptr);
    EXPECT_FALSE(doc->jsonData().has_value()); // the editor makes the default collage
    EXPECT_NE(doc->fotoloomController(), nullptr);
    EXPECT_EQ(s.hostsMade, 1);
    EXPECT_EQ(doc->displayName(), QStringLiteral("Untitled"));
    EXPECT_EQ(doc->saveOperationForSave(), Document::SaveOperation::SaveAs);
}

TEST(MyDocumentController, OpensBothProjectTypesOnceAndRefusesOthers)
{
    Collages s;
    const QString package = fixture(QStringLiteral("template.quiltfolioproj"));
    Document* doc = s.controller.openDocumentWithPath(package);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->fileType(), CollageDocument::projectType());
    EXPECT_EQ(s.controller.openDocumentWithPath(package + QStringLiteral("/")), doc);
    EXPECT_EQ(s.controller.documents().size(), 1);

    ASSERT_EQ(s.dialogs->errors.size(), 0);
    // A package name on a single file: the name is right, so the message
    // says what is wrong with the file instead of listing the names.
    const QString flat = s.tmp.filePath(QStringLiteral("flat.quiltfolioproj"));
    ASSERT_TRUE(QFile::copy(fixture(QStringLiteral("plain.quiltfolioproj/collage.design")), flat));
    const std::pair<QString, QString> refused[] = {
        {fixture(QStringLiteral("preview.jpeg")), CollageDocument::unsupportedTypeMessage()},
        {fixture(QStringLiteral("version8.quiltfolio")), CollageDocument::newerVersionMessage()},
        {flat, QStringLiteral("This project is damaged and can't be opened: a Quiltfolio project is a folder, "
                              "and this one is a single file.")},
    };
    for (const auto& [path, message] : refused) {
        const qsizetype before = s.dialogs->errors.size();
        EXPECT_EQ(s.controller.openDocumentWithPath(path), nullptr);
        ASSERT_EQ(s.dialogs->errors.size(), before + 1) << path.toStdString();
        EXPECT_EQ(s.dialogs->errors.last().first,
                  QStringLiteral("The document “%1” could not be opened.").arg(QFileInfo(path).fileName()));
        EXPECT_EQ(s.dialogs->errors.last().second, message);
    }
    EXPECT_EQ(s.controller.documents().size(), 1);

    const QList<DocumentType> types = s.controller.readableTypes();
    ASSERT_EQ(types.size(), 2);
    EXPECT_TRUE(types[0].package);
    EXPECT_EQ(types[0].extension, QStringLiteral("quiltfolioproj"));
    EXPECT_FALSE(types[1].package);
}

TEST(MyDocumentController, SavingAnOldDesignAsksForAPackageAndLeavesTheOldFile)
{
    Collages s;
    const QString old = s.tmp.filePath(QStringLiteral("old.quiltfolio"));
    ASSERT_TRUE(QFile::copy(fixture(QStringLiteral("old-version6.quiltfolio")), old));
    QFile original(old);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray before = original.readAll();
    original.close();

    Document* doc = s.controller.openDocumentWithPath(old);
    ASSERT_NE(doc, nullptr);
    EXPECT_TRUE(doc->canSave()); // although unchanged

    s.dialogs->saveAnswers.push_back(SavePanelResult{s.tmp.filePath(QStringLiteral("old")), CollageDocument::projectType()});
    std::optional<bool> result;
    doc->save([&result](bool ok) { result = ok; });
    EXPECT_EQ(result, true);
    ASSERT_EQ(s.dialogs->saveRequests.size(), 1);
    ASSERT_EQ(s.dialogs->saveRequests.first().types.size(), 1);
    EXPECT_EQ(s.dialogs->saveRequests.first().types.first().identifier, CollageDocument::projectType());

    const QString package = s.tmp.filePath(QStringLiteral("old.quiltfolioproj"));
    EXPECT_TRUE(QFileInfo(package + QStringLiteral("/collage.design")).isFile());
    EXPECT_EQ(doc->fileName(), package);
    EXPECT_EQ(doc->fileType(), CollageDocument::projectType());
    EXPECT_FALSE(doc->canSave());
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    EXPECT_EQ(original.readAll(), before);
    EXPECT_EQ(s.controller.recentDocumentPaths().first(), package);
    EXPECT_TRUE(s.dialogs->errors.isEmpty());
}
