#include "document/SaveAccessory.h"

namespace qf {

namespace {

SaveAccessory::Maker& maker()
{
    static SaveAccessory::Maker made;
    return made;
}

} // namespace

void SaveAccessory::setMaker(Maker made)
{
    maker() = std::move(made);
}

std::unique_ptr<SaveAccessory> SaveAccessory::make()
{
    return maker() ? maker()() : nullptr;
}

} // namespace qf
