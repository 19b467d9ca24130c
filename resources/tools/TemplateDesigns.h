#pragma once

// The designs of the shipped templates: for each, its collage type, pictures,
// canvas, backdrop, titles and the type's own arrangement. The template
// generator builds a package from each through the editor.

#include "PlaceholderPhotos.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QSize>
#include <QString>
#include <QStringList>

namespace qf::tools {

// What lies under the pictures besides the background colour: a texture
// filling the canvas, or a small tile repeated over it.
enum class Backdrop { Colour, Linen, Confetti, Gingham, Snowflakes, Hearts };

// A text item of a template: a title or a line under it.
struct Title {
    QString text;
    QString family;
    int weight = QFont::Normal;
    bool italic = false;
    double size = 160;        // canvas pixels
    QPointF centre{0.5, 0.5}; // fractions of the canvas, y up
    double degrees = 0;       // anticlockwise
    QColor colour = Qt::white;
    QColor outline = {};      // when valid, outlined as well as filled
    double outlineWidth = 4;  // percent of the font size
    bool shadow = false;
    QColor box = {};          // when valid, a box behind the text
    double boxOpacity = 0.88;
};

// Where a pile's picture lies: its centre (fractions, y up), tilt and width
// (a fraction of the canvas width), and for the shape pile its outline.
struct Card {
    double x, y, degrees, scale;
    qint64 shape = -1;
};

enum class Orientation { Landscape, Portrait, Mixed };

struct TemplateDef {
    const char* package; // its file name and its name in the chooser
    QStringList categories;
    const char* type;
    PhotoScene scene;
    int pictures;
    QSize canvas;
    QColor background;
    Backdrop backdrop = Backdrop::Colour;
    Orientation orientation = Orientation::Mixed;
    QList<Title> titles;
    QList<Card> cards;                  // piles
    int rows = 0, columns = 0;          // grids and hexagons
    double spacing = -1, corners = -1;  // the type's own when negative
};

// The chooser's categories, in the order it lists them.
QStringList templateCategories();
// Every template, in the order the chooser shows them.
QList<TemplateDef> templateDesigns();

// A texture or tile for the backdrop (none for a plain colour), drawn like the
// pictures from a fixed seed.
QImage drawBackdrop(Backdrop backdrop, QColor base, quint32 seed);

} // namespace qf::tools
