#pragma once

#include <QString>

// The keys of the collage JSON object that every collage type shares; each
// type's own keys live with the type.
namespace qf::CollageJsonKeys {

inline const QString kOsVersionKey = QStringLiteral("os_version_key");
inline const QString kVersionKey = QStringLiteral("version");
inline const QString kDescriptionKey = QStringLiteral("description");
inline const QString kSelectedTextKey = QStringLiteral("selectedtextpos");
inline const QString kSelectedImageKey = QStringLiteral("selectedimagepos");
inline const QString kLockPicturesKey = QStringLiteral("lockpick");
inline const QString kLockTextKey = QStringLiteral("locktxtk");
inline const QString kCollageTypeKey = QStringLiteral("cs");
inline const QString kImagesKey = QStringLiteral("is");
inline const QString kHeightKey = QStringLiteral("h");
inline const QString kWidthKey = QStringLiteral("w");
inline const QString kResolutionKey = QStringLiteral("resk");
inline const QString kBackgroundIsImageKey = QStringLiteral("ibi");
inline const QString kBackgroundIsPatternKey = QStringLiteral("ibip");
inline const QString kPatternRowsKey = QStringLiteral("bipnor");
inline const QString kBackgroundIsTransparentKey = QStringLiteral("ibt");
inline const QString kBackgroundImageKey = QStringLiteral("bip");
inline const QString kBackgroundColorKey = QStringLiteral("bc");
inline const QString kBorderColorKey = QStringLiteral("pibc");
inline const QString kSpacingKey = QStringLiteral("sp");
inline const QString kStrokeWidthKey = QStringLiteral("strokew");
inline const QString kCornerRadiusKey = QStringLiteral("cr");
inline const QString kDrawShadowKey = QStringLiteral("ids");
inline const QString kShadowXKey = QStringLiteral("sx");
inline const QString kShadowYKey = QStringLiteral("sy");
inline const QString kShadowBlurKey = QStringLiteral("sbl");
inline const QString kImageScalingKey = QStringLiteral("iscale");
inline const QString kTextItemsKey = QStringLiteral("tp");
inline const QString kSlotsKey = QStringLiteral("pp");
inline const QString kPathsKey = QStringLiteral("mdpd");
inline const QString kModifiedTimesKey = QStringLiteral("mdpt");

} // namespace qf::CollageJsonKeys
