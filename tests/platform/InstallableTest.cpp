#include "platform/core/Installable.h"
#include "platform/time/Clock.h"
#include "platform/vision/FaceDetector.h"

#include <gtest/gtest.h>

using namespace qf;

namespace {

class Service : public Installable<Service> {
public:
    explicit Service(int id)
        : m_id(id)
    {
    }
    virtual ~Service() = default;
    int id() const { return m_id; }

    static Service& defaultInstance()
    {
        static Service service(0);
        return service;
    }

private:
    int m_id;
};

// A second service, to show that each type keeps its own instance.
class OtherService : public Installable<OtherService> {
public:
    static OtherService& defaultInstance()
    {
        static OtherService service;
        return service;
    }
};

class NoFaces final : public FaceDetector {
public:
    QList<QRectF> detectFaces(const QImage&) override { return {}; }
};

} // namespace

TEST(Installable, InstallsReplaceTheDefaultAndScopesRestoreThePrevious)
{
    EXPECT_EQ(&Service::current(), &Service::defaultInstance());

    Service installed(1);
    Service::install(&installed);
    EXPECT_EQ(Service::current().id(), 1);
    EXPECT_EQ(&OtherService::current(), &OtherService::defaultInstance());
    {
        Service outer(2);
        Service::Scoped outerScope(outer);
        EXPECT_EQ(Service::current().id(), 2);
        {
            Service inner(3);
            Service::Scoped innerScope(inner);
            EXPECT_EQ(Service::current().id(), 3);
        }
        EXPECT_EQ(Service::current().id(), 2);
    }
    // The scope puts back an instance installed without one.
    EXPECT_EQ(&Service::current(), &installed);

    Service::install(nullptr);
    EXPECT_EQ(&Service::current(), &Service::defaultInstance());
    {
        Service scoped(4);
        Service::Scoped scope(scoped);
    }
    EXPECT_EQ(&Service::current(), &Service::defaultInstance());
}

TEST(Installable, PlatformServicesKeepTheirScopedGuards)
{
    Clock& steady = Clock::current();
    {
        ManualClock manual;
        ScopedClock scope(manual);
        manual.advance(250);
        EXPECT_EQ(Clock::current().elapsedMilliseconds(), 250);
    }
    EXPECT_EQ(&Clock::current(), &steady);

    // Fakes only: the shared detector loads its cascade on first use.
    NoFaces outer;
    NoFaces inner;
    ScopedFaceDetector outerScope(outer);
    {
        ScopedFaceDetector innerScope(inner);
        EXPECT_EQ(&FaceDetector::current(), &inner);
    }
    EXPECT_EQ(&FaceDetector::current(), &outer);
}
