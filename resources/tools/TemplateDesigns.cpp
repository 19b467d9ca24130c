#include "TemplateDesigns.h"


namespace qf::tools {

namespace {

const QString kTravel = QStringLiteral("Travel"), kFamily = QStringLiteral("Family"),
              kParty = QStringLiteral("Celebrations"), kWedding = QStringLiteral("Weddings"),
              kSeasons = QStringLiteral("Seasons"), kNature = QStringLiteral("Nature");
const QStringList kCategories{kTravel, kFamily, kParty, kWedding, kSeasons, kNature};

Title title(const char* text, const char* family, double size, QPointF centre, QColor colour)
{
    Title t;
    t.text = QString::fromUtf8(text);
    t.family = QString::fromLatin1(family);
    t.size = size;
    t.centre = centre;
    t.colour = colour;
    return t;
}

Title boxed(Title t, QColor box, double opacity = 0.88)
{
    t.box = box;
    t.boxOpacity = opacity;
    return t;
}

Title outlined(Title t, QColor outline, double width = 4)
{
    t.outline = outline;
    t.outlineWidth = width;
    return t;
}

Title styled(Title t, int weight, bool italic = false, bool shadow = false, double degrees = 0)
{
    t.weight = weight;
    t.italic = italic;
    t.shadow = shadow;
    t.degrees = degrees;
    return t;
}

} // namespace

QStringList templateCategories()
{
    return kCategories;
}

QList<TemplateDef> templateDesigns()
{
    const QColor white(255, 255, 255), ink(38, 40, 46);
    return {
        // ---- grids
        {"Beach Holiday", {kTravel, kSeasons}, "grid", PhotoScene::Beach, 6, {3000, 2000}, QColor(247, 241, 228),
         Backdrop::Linen, Orientation::Landscape,
         {boxed(styled(title("Summer by the Sea", "URW Gothic", 230, {0.5, 0.5}, QColor(22, 96, 122)),
                       QFont::DemiBold), QColor(252, 250, 244), 0.92)},
         {}, 2, 3, 0.025, 0.02},
        {"Wedding Day", {kWedding, kParty}, "grid", PhotoScene::Wedding, 4, {2400, 3000}, QColor(252, 249, 246),
         Backdrop::Colour, Orientation::Portrait,
         {boxed(title("Just Married", "Z003", 330, {0.5, 0.5}, QColor(150, 112, 84)), white, 0.9)},
         {}, 2, 2, 0.03, 0.0},
        // ---- mosaics
        {"City Weekend", {kTravel}, "mosaic", PhotoScene::City, 7, {3000, 2000}, QColor(30, 32, 38),
         Backdrop::Colour, Orientation::Mixed,
         {boxed(styled(title("CITY LIGHTS", "URW Gothic", 230, {0.5, 0.5}, white), QFont::DemiBold, false, true),
                QColor(20, 22, 28), 0.72)},
         {}, 0, 0, 0.012, 0.0},
        {"Autumn Walk", {kSeasons, kNature}, "mosaic", PhotoScene::Autumn, 9, {3000, 2000}, QColor(84, 52, 32),
         Backdrop::Colour, Orientation::Landscape,
         {boxed(styled(title("Autumn Walk", "URW Bookman", 250, {0.5, 0.5}, QColor(255, 244, 226)),
                       QFont::Light, true, true),
                QColor(84, 44, 22), 0.7)},
         {}, 0, 0, 0.015, 0.01},
        // ---- centre frames
        {"Happy Birthday", {kParty, kFamily}, "centerframe", PhotoScene::Balloons, 7, {2400, 2400},
         QColor(255, 240, 232), Backdrop::Confetti, Orientation::Mixed,
         {boxed(outlined(styled(title("Happy Birthday!", "URW Gothic", 220, {0.5, 0.5}, QColor(236, 72, 120)),
                                QFont::DemiBold, false, true),
                         white, 6),
                QColor(255, 250, 240), 0.9)},
         {}, 0, 0, 0.03, 0.03},
        {"Our Wedding", {kWedding}, "centerframe", PhotoScene::Wedding, 7, {3000, 2000}, QColor(246, 238, 232),
         Backdrop::Hearts, Orientation::Mixed,
         {boxed(title("Forever & Always", "Z003", 260, {0.5, 0.5}, QColor(140, 86, 96)), white, 0.88)},
         {}, 0, 0, 0.02, 0.015},
        // ---- zig mosaics
        {"Mountain Trail", {kTravel, kNature}, "zigmosaic", PhotoScene::Mountains, 7, {3000, 2000},
         QColor(236, 240, 236), Backdrop::Colour, Orientation::Landscape,
         {boxed(styled(title("INTO THE MOUNTAINS", "Nimbus Sans", 170, {0.5, 0.5}, white), QFont::Bold, false, true),
                QColor(28, 44, 58), 0.6)},
         {}, 0, 0, 0.012, 0.0},
        {"In Bloom", {kNature, kSeasons}, "zigmosaic", PhotoScene::Flowers, 6, {2400, 3000},
         QColor(252, 246, 246), Backdrop::Colour, Orientation::Mixed,
         {boxed(title("in bloom", "Z003", 380, {0.5, 0.5}, QColor(170, 52, 92)), white, 0.86)},
         {}, 0, 0, 0.015, 0.0},
        // ---- hexagons
        {"Family Portraits", {kFamily}, "hexagon", PhotoScene::Family, 8, {2400, 2600}, QColor(245, 238, 228),
         Backdrop::Linen, Orientation::Mixed,
         {boxed(styled(title("Our Family", "P052", 210, {0.5, 0.5}, QColor(92, 62, 40)), QFont::Bold, true),
                QColor(250, 246, 238), 0.9)},
         {}, 5, 3, 0.02, 0.0},
        {"Winter Snow", {kSeasons, kTravel}, "hexagon", PhotoScene::Snow, 13, {3000, 2400}, QColor(220, 232, 244),
         Backdrop::Snowflakes, Orientation::Mixed,
         {boxed(outlined(styled(title("Winter Wonderland", "URW Bookman", 210, {0.5, 0.5}, white), QFont::DemiBold,
                                false, true),
                         QColor(40, 86, 140), 7),
                QColor(236, 244, 252), 0.85)},
         {}, 5, 5, 0.025, 0.0},
        // ---- piles
        {"Road Trip", {kTravel}, "pile", PhotoScene::Road, 6, {3000, 2000}, QColor(214, 196, 170),
         Backdrop::Linen, Orientation::Mixed,
         {boxed(styled(title("ROAD TRIP", "URW Gothic", 240, {0.5, 0.5}, ink), QFont::DemiBold, false, true, 4),
                QColor(255, 214, 92), 0.95)},
         {{0.19, 0.73, 6, 0.27}, {0.5, 0.79, -3, 0.25}, {0.81, 0.7, -7, 0.2},
          {0.2, 0.26, -5, 0.27}, {0.5, 0.21, 2, 0.24}, {0.8, 0.28, 6, 0.2}}},
        {"Birthday Party", {kParty, kFamily}, "pile", PhotoScene::Balloons, 6, {3000, 2000}, QColor(255, 236, 242),
         Backdrop::Confetti, Orientation::Mixed,
         {outlined(styled(title("Let's Party!", "URW Gothic", 260, {0.5, 0.5}, QColor(255, 200, 40)),
                          QFont::DemiBold, false, true, -4),
                   QColor(120, 40, 140), 10)},
         {{0.18, 0.72, -8, 0.26}, {0.5, 0.8, 2, 0.24}, {0.82, 0.7, 7, 0.2},
          {0.19, 0.27, 5, 0.26}, {0.5, 0.2, -3, 0.24}, {0.81, 0.29, -6, 0.2}}},
        // ---- shape piles
        {"Family Picnic", {kFamily, kSeasons}, "circlepile", PhotoScene::Meadow, 6, {3000, 2000},
         QColor(255, 255, 255), Backdrop::Gingham, Orientation::Mixed,
         {boxed(styled(title("Picnic Day", "Z003", 280, {0.5, 0.5}, QColor(178, 34, 44)), QFont::Normal), white,
                0.94)},
         {{0.17, 0.7, 0, 0.24, 0}, {0.5, 0.78, 0, 0.22, 0}, {0.83, 0.7, 0, 0.24, 0},
          {0.17, 0.29, 0, 0.24, 0}, {0.5, 0.21, 0, 0.22, 0}, {0.83, 0.29, 0, 0.24, 0}}},
        {"Summer Fair", {kParty, kSeasons}, "circlepile", PhotoScene::Fair, 6, {3000, 2000}, QColor(28, 34, 64),
         Backdrop::Colour, Orientation::Mixed,
         {outlined(styled(title("Summer Fair", "URW Bookman", 230, {0.5, 0.5}, QColor(255, 222, 120)),
                          QFont::DemiBold, false, true),
                   QColor(190, 40, 60), 6)},
         {{0.16, 0.7, -6, 0.23, 5}, {0.5, 0.78, 0, 0.2, 0}, {0.84, 0.7, 6, 0.23, 5},
          {0.16, 0.3, 0, 0.23, 0}, {0.5, 0.21, 0, 0.2, 5}, {0.84, 0.3, 0, 0.23, 0}}},
    };
}

// A texture or tile for the backdrop, drawn like the pictures from a fixed seed.

} // namespace qf::tools
