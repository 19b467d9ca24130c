#include "app/shell/CustomSizesEraser.h"

#include "model/QFCollageSize.h"
#include "platform/defaults/UserDefaults.h"

namespace qf {

void CustomSizesEraser::run(Progress& progress)
{
    progress.showAtZero();
    for (int value = 1; value <= steps(); ++value)
        progress.showValue(value);
    progress.hideProgress();
    // The size popups pick this up when they next rebuild their lists.
    UserDefaults::standard().remove(QFCollageSize::customSizesDefaultsKey());
}

} // namespace qf
