#include "model/QFCollageSize.h"

#include <QCoreApplication>
#include <QImageReader>

#include <cstdio>

int main(int argc, char* argv[])
{
    // Qt refuses images over 128 MB by default; a 7200 x 5400 picture is 155 MB.
    QImageReader::setAllocationLimit(1024);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quiltfolio"));
    QCoreApplication::setOrganizationName(QStringLiteral("Quiltfolio"));

    // No window yet: the editor arrives with the document layer. Report the
    // canvas a new collage would get and exit.
    std::printf("Quiltfolio %s: new collages are %lld x %lld pixels\n", QF_VERSION,
                static_cast<long long>(qf::QFCollageSize::defaultSizeWidth()),
                static_cast<long long>(qf::QFCollageSize::defaultSizeHeight()));
    return 0;
}
