#include "layouts/grid/GridCollage.h"

#include "layouts/grid/GridPosition.h"
#include "model/CollageHost.h"
#include "model/UtilityFunctions.h"
#include "platform/json/JsonValues.h"

#include <QSet>

namespace qf {

namespace {

const QString kRowCountKey = QStringLiteral("grc");
const QString kColumnCountKey = QStringLiteral("gcc");
const QString kFillDuplicatesKey = QStringLiteral("gadup");

constexpr qint64 kMaxCount = GridCollage::maxRowOrColumnCount();
constexpr qint64 kMaxCells = GridCollage::maxCellCount();

// The most rows (or columns) allowed beside `other` columns (or rows).
qint64 maxCountBeside(qint64 other)
{
    return std::min(kMaxCount, kMaxCells / std::max<qint64>(other, 1));
}

PositionPtr newCell()
{
    return std::make_shared<GridPosition>();
}

void showInCell(const PositionPtr& cell, const QString& md5)
{
    cell->setPicture(md5);
    cell->setPanZoomValue(std::nullopt);
}

// Cells sorted by what they show, in visiting order.
struct CellScan {
    QList<PositionPtr> empty;
    QList<PositionPtr> duplicate;
    QSet<QString> firstOccurrences;
};

// Visits every cell once from `start`, going on at cell 0 after the last.
CellScan scanCells(const QList<PositionPtr>& cells, qsizetype start = 0)
{
    CellScan scan;
    const qsizetype count = cells.size();
    for (qsizetype k = 0; k < count; ++k) {
        const PositionPtr& cell = cells[(start + k) % count];
        if (cell->isEmpty())
            scan.empty.append(cell);
        else if (scan.firstOccurrences.contains(cell->picture()))
            scan.duplicate.append(cell);
        else
            scan.firstOccurrences.insert(cell->picture());
    }
    return scan;
}

QString lastPathComponent(const QString& path)
{
    QStringView v(path);
    while (v.size() > 1 && v.endsWith(QLatin1Char('/')))
        v.chop(1);
    const qsizetype slash = v.lastIndexOf(QLatin1Char('/'));
    return (slash < 0 || v.size() == 1 ? v : v.mid(slash + 1)).toString();
}

} // namespace

GridCollage::GridCollage()
{
    setCollageType(QStringLiteral("grid"));
    setDrawShadow(true);
    for (int i = 0; i < 4; ++i)
        picturePositions().append(newCell());
}

const KVKeyTable& GridCollage::keyTable()
{
    static const KVKeys<GridCollage> table = [] {
        using G = GridCollage;
        const QString rows = QStringLiteral("rowCount");
        const QString columns = QStringLiteral("columnCount");
        KVKeys<G> t(Collage::keyTable());
        t.property(rows, &G::rowCount, &G::setRowCount);
        t.property(columns, &G::columnCount, &G::setColumnCount);
        t.property(QStringLiteral("fillDuplicates"), &G::fillDuplicates, &G::setFillDuplicates);
        t.derived(QStringLiteral("rowColSteppersEnabled"), &G::getRowColSteppersEnabled, {rows, columns});
        t.derived(QStringLiteral("rowCountBinding"), &G::getRowCountBinding, {rows});
        t.derived(QStringLiteral("columnCountBinding"), &G::getColumnCountBinding, {columns});
        return t;
    }();
    return table;
}

// ---- geometry ---------------------------------------------------------------

double GridCollage::getSpacingWidthForCollageWidth(double width, double height) const
{
    return std::min(width / safeColumns(), height / safeRows()) * spacing();
}

double GridCollage::getRoundedCornerWidthForCollageWidth(double width, double height) const
{
    return std::min(width / safeColumns(), height / safeRows()) * cornerRadiusSize();
}

double GridCollage::getStrokeWidthForCollageWidth(double width, double height) const
{
    return std::min(width / safeColumns(), height / safeRows()) * strokeWidth() * 0.3;
}

QRectF GridCollage::getDrawRectForRow(qint64 row, qint64 column, double spacingWidth, double width,
                                      double height) const
{
    const double rows = safeRows();
    const double columns = safeColumns();
    const double cw = (width - (columns + 1) * spacingWidth) / columns;
    const double ch = (height - (rows + 1) * spacingWidth) / rows;
    return QRectF((column + 1) * spacingWidth + column * cw, (row + 1) * spacingWidth + row * ch, cw, ch);
}

QRectF GridCollage::cellRect(qint64 index, double width, double height) const
{
    const qint64 columns = safeColumns();
    return getDrawRectForRow(index / columns, index % columns, getSpacingWidthForCollageWidth(width, height), width,
                             height);
}

qint64 GridCollage::drawnSlotCount() const
{
    return m_rowCount > 0 && m_columnCount > 0 ? m_rowCount * m_columnCount : 0;
}

// ---- cells and pictures -----------------------------------------------------

void GridCollage::setCounts(qint64 rows, qint64 columns)
{
    // Only real changes reach the observers of the counts and their bindings.
    if (rows != m_rowCount)
        setRowCount(rows);
    if (columns != m_columnCount)
        setColumnCount(columns);
}

PositionPtr GridCollage::getBrandNewPosition()
{
    return newCell();
}

void GridCollage::makeGridConsistent()
{
    const qint64 rows = std::clamp<qint64>(m_rowCount, 1, kMaxCount);
    const qint64 columns = std::clamp<qint64>(m_columnCount, 1, maxCountBeside(rows));
    setCounts(rows, columns);

    QList<PositionPtr>& cells = picturePositions();
    const qsizetype wanted = rows * columns;
    if (cells.size() > wanted)
        cells.resize(wanted);
    while (cells.size() < wanted)
        cells.append(newCell());

    const QSet<QString> known(images().cbegin(), images().cend());
    for (PositionPtr& cell : cells) {
        if (!cell)
            cell = newCell();
        else if (!cell->isEmpty() && !known.contains(cell->picture()))
            showInCell(cell, QString());
    }
    if (selectedImagePosition() < -1 || selectedImagePosition() >= cells.size())
        setSelectedImagePosition(-1);
}

void GridCollage::addEmptyPositionsToSufficeForFinalNumberOfUniquePics(qint64 n)
{
    makeGridConsistent();
    const qint64 rows = m_rowCount;
    const qint64 columns = m_columnCount;
    const qint64 wanted = std::min(n, kMaxCells);
    if (rows * columns >= wanted)
        return;

    const QFIntegralPoint grown =
        UtilityFunctions::getRightNumberOfRowsAndColsForCollageWidth(width(), height(), rows, columns, wanted);
    qint64 newRows = std::clamp(grown.x(), rows, kMaxCount);
    qint64 newColumns = std::clamp(grown.y(), columns, kMaxCount);
    // A count stopped at its cap (a very wide or tall canvas) passes what
    // it could not hold to the other one.
    if (newRows * newColumns < wanted) {
        if (newColumns == kMaxCount)
            newRows = std::clamp((wanted + newColumns - 1) / newColumns, newRows, kMaxCount);
        else if (newRows == kMaxCount)
            newColumns = std::clamp((wanted + newRows - 1) / newRows, newColumns, kMaxCount);
    }
    // The last step of the growth may pass the cap: take back from the count
    // that grew, the larger first.
    while (newRows * newColumns > kMaxCells) {
        if (newRows > rows && (newRows >= newColumns || newColumns == columns))
            --newRows;
        else
            --newColumns;
    }

    const QList<PositionPtr> old = picturePositions();
    QList<PositionPtr> cells(newRows * newColumns);
    for (qsizetype i = 0; i < old.size(); ++i)
        cells[(i / columns) * newColumns + i % columns] = old[i];
    for (PositionPtr& cell : cells)
        if (!cell)
            cell = newCell();

    const qint64 selected = selectedImagePosition();
    picturePositions() = cells;
    setCounts(newRows, newColumns);
    if (selected >= 0)
        setSelectedImagePosition((selected / columns) * newColumns + selected % columns);
}

void GridCollage::placeNewPictures(const QStringList& fresh)
{
    makeGridConsistent();
    addEmptyPositionsToSufficeForFinalNumberOfUniquePics(images().size() + fresh.size());

    CellScan scan = scanCells(picturePositions());
    std::stable_partition(scan.empty.begin(), scan.empty.end(),
                          [](const PositionPtr& cell) { return cell->preferredToFill(); });
    // Duplicate cells come after the empty ones: with fillDuplicates they take
    // what the empty cells leave over, and without it they take the surplus of
    // a grid read from a file that holds duplicates.
    const QList<PositionPtr> targets = scan.empty + scan.duplicate;
    const qsizetype count = fillDuplicates() ? std::max(scan.empty.size(), fresh.size()) : fresh.size();
    for (qsizetype i = 0; i < std::min(count, targets.size()); ++i)
        showInCell(targets[i], fresh[i % fresh.size()]);
}

void GridCollage::newPicturesPlaced(qsizetype)
{
    detectFacesAndUpdatePanZoomAll(true, false, std::nullopt);
    reportPicturesWithoutCell();
}

void GridCollage::removePictures(const QList<qsizetype>& indexes)
{
    const QStringList& all = images();
    QSet<qsizetype> valid;
    for (const qsizetype i : indexes)
        if (i >= 0 && i < all.size())
            valid.insert(i);
    if (valid.isEmpty())
        return;
    makeGridConsistent();

    QSet<QString> removed;
    for (const qsizetype i : valid)
        removed.insert(all[i]);
    QStringList kept;
    QStringList remaining;
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (!removed.contains(all[i]))
            kept.append(all[i]);
        if (!valid.contains(i))
            remaining.append(all[i]);
    }

    qsizetype next = kept.isEmpty() ? 0 : UtilityFunctions::randomIndexBelow(kept.size());
    for (const PositionPtr& cell : picturePositions()) {
        if (!removed.contains(cell->picture()))
            continue;
        showInCell(cell, fillDuplicates() && !kept.isEmpty() ? kept[next++ % kept.size()] : QString());
    }

    setImages(remaining);
    for (const QString& md5 : removed)
        nsImages().remove(md5);
    detectFacesAndUpdatePanZoomAll(false, true, std::nullopt);
}

bool GridCollage::removeSelectedPicture()
{
    makeGridConsistent();
    const PositionPtr cell = selectedPosition();
    if (!cell || cell->isEmpty())
        return false;
    const qsizetype at = images().indexOf(cell->picture());
    if (at < 0)
        return false;
    removePictures({at});
    return true;
}

void GridCollage::sortPicturesByName(bool byName, bool byModified, bool ascending)
{
    removeAllSelections();
    makeGridConsistent();

    const QHash<QString, QString>& paths = md5ToPathsDictionary();
    const QHash<QString, QDateTime>& times = md5ToModifiedTimeDictionary();
    const auto sortable = [&](const PositionPtr& cell) {
        return !cell->isEmpty() && paths.contains(cell->picture()) && times.contains(cell->picture());
    };
    const auto before = [&](const PositionPtr& a, const PositionPtr& b) {
        if (!sortable(a))
            return false;
        if (!sortable(b))
            return true;
        if (byName) {
            const QString na = lastPathComponent(paths.value(a->picture()));
            const QString nb = lastPathComponent(paths.value(b->picture()));
            return ascending ? na < nb : nb < na;
        }
        if (byModified) {
            const QDateTime ta = times.value(a->picture());
            const QDateTime tb = times.value(b->picture());
            return ascending ? ta < tb : tb < ta;
        }
        return false;
    };
    QList<PositionPtr> sorted = picturePositions();
    std::stable_sort(sorted.begin(), sorted.end(), before);

    // The first in order lands top-left, then left to right and downwards.
    const qint64 rows = m_rowCount;
    const qint64 columns = m_columnCount;
    QList<PositionPtr>& cells = picturePositions();
    for (qsizetype i = 0; i < sorted.size(); ++i)
        cells[(rows - 1 - i / columns) * columns + i % columns] = sorted[i];
}

void GridCollage::changeRowCount(qint64 n)
{
    changeCount(true, n);
}

void GridCollage::changeColumnCount(qint64 n)
{
    changeCount(false, n);
}

void GridCollage::changeCount(bool rows, qint64 n)
{
    if (n < 1)
        return;
    removeAllSelections();
    makeGridConsistent();

    const qint64 oldRows = m_rowCount;
    const qint64 oldColumns = m_columnCount;
    const qint64 other = rows ? oldColumns : oldRows;
    n = std::min(n, maxCountBeside(other));
    if (n == (rows ? oldRows : oldColumns))
        return;

    // Shrinking below the pictures widens the other way, as far as the cap allows.
    qint64 newOther = other;
    const qint64 pictures = images().size();
    if (n * other < picturePositions().size() && n * other < pictures)
        newOther = std::max(other, std::min((pictures + n - 1) / n, maxCountBeside(n)));

    if (rows)
        setCounts(n, newOther);
    else
        setCounts(newOther, n);
    readjustPositionsForMinVisualDifferenceEarlierRowCount(oldRows, oldColumns);
}

void GridCollage::readjustPositionsForMinVisualDifferenceEarlierRowCount(qint64 r, qint64 c)
{
    // The new counts must be sane before cells are made for them; the cells
    // themselves are still laid out for r x c.
    const qint64 rows = std::clamp<qint64>(m_rowCount, 1, kMaxCount);
    const qint64 columns = std::clamp<qint64>(m_columnCount, 1, maxCountBeside(rows));
    setCounts(rows, columns);

    const qint64 oldColumns = std::max<qint64>(c, 1);
    const qint64 keptRows = std::min(std::max<qint64>(r, 1), rows);
    const qint64 keptColumns = std::min(oldColumns, columns);

    const QList<PositionPtr> old = picturePositions();
    QList<PositionPtr> spare;
    for (qsizetype i = 0; i < old.size(); ++i)
        if (old[i] && (i / oldColumns >= keptRows || i % oldColumns >= keptColumns))
            spare.append(old[i]);

    const QStringList& all = images();
    QList<PositionPtr> cells;
    cells.reserve(rows * columns);
    for (qint64 row = 0; row < rows; ++row) {
        for (qint64 column = 0; column < columns; ++column) {
            const qint64 oldIndex = row * oldColumns + column;
            if (row < keptRows && column < keptColumns && oldIndex < old.size() && old[oldIndex]) {
                cells.append(old[oldIndex]);
            } else if (!spare.isEmpty()) {
                cells.append(spare.takeLast());
            } else {
                PositionPtr cell = newCell();
                if (fillDuplicates() && !all.isEmpty())
                    cell->setPicture(all[UtilityFunctions::randomIndexBelow(all.size())]);
                cells.append(cell);
            }
        }
    }

    // The grid shrank: pictures that no longer show anywhere take the empty
    // cells, then the duplicate ones.
    if (!spare.isEmpty()) {
        const CellScan scan = scanCells(cells);
        QStringList lost;
        for (const PositionPtr& cell : spare)
            if (!cell->isEmpty() && !scan.firstOccurrences.contains(cell->picture()) && !lost.contains(cell->picture()))
                lost.append(cell->picture());
        const QList<PositionPtr> targets = scan.empty + scan.duplicate;
        for (qsizetype i = 0; i < std::min(lost.size(), targets.size()); ++i)
            showInCell(targets[i], lost[i]);
    }

    picturePositions() = cells;
    makeGridConsistent();
    detectFacesAndUpdatePanZoomAll(true, false, std::nullopt);
}

void GridCollage::changeFillDuplicates()
{
    removeAllSelections();
    makeGridConsistent();
    const QList<PositionPtr>& cells = picturePositions();
    if (cells.isEmpty())
        return;

    // The random start decides which copy of a repeated picture survives.
    const CellScan scan = scanCells(cells, UtilityFunctions::randomIndexBelow(cells.size()));
    const QStringList& all = images();
    if (fillDuplicates()) {
        if (!all.isEmpty()) {
            const qsizetype offset = UtilityFunctions::randomIndexBelow(all.size());
            for (qsizetype k = 0; k < scan.empty.size(); ++k)
                showInCell(scan.empty[k], all[(offset + k) % all.size()]);
        }
    } else {
        for (const PositionPtr& cell : scan.duplicate)
            showInCell(cell, QString());
    }
    detectFacesAndUpdatePanZoomAll(false, true, std::nullopt);
}

void GridCollage::setOrientation(qint64 orientationIndex)
{
    const qint64 oldWidth = width();
    const qint64 oldHeight = height();
    Collage::setOrientation(orientationIndex);
    if (width() == oldWidth && height() == oldHeight)
        return;
    makeGridConsistent();
    const qint64 rows = m_rowCount;
    const qint64 columns = m_columnCount;
    setCounts(columns, rows);
    readjustPositionsForMinVisualDifferenceEarlierRowCount(rows, columns);
}

void GridCollage::shuffle()
{
    if (images().isEmpty())
        return;
    removeAllSelections();
    makeGridConsistent();
    picturePositions() = UtilityFunctions::randomlyShuffledNewArray(picturePositions());
}

void GridCollage::detectFacesAndUpdatePanZoomAll(bool all, bool onlyThoseNotSet,
                                                 const std::optional<QList<PositionPtr>>& onlyThesePositions)
{
    // The cell's shape in collage pixels, whole pixels as the layout has
    // always taken them.
    const QSizeF cell(double(width() / safeColumns()), double(height() / safeRows()));
    centreCropsOnFaces(all, onlyThoseNotSet, onlyThesePositions, [cell](const Position&) { return cell; });
}

// ---- collage JSON object and undo -------------------------------------------

void GridCollage::addMyPropertiesTo(QJsonObject& dict, bool actual) const
{
    Collage::addMyPropertiesTo(dict, actual);
    dict.insert(kRowCountKey, m_rowCount);
    dict.insert(kColumnCountKey, m_columnCount);
    dict.insert(kFillDuplicatesKey, m_fillDuplicates);
}

void GridCollage::setMyPropertiesFrom(const QJsonObject& dict)
{
    Collage::setMyPropertiesFrom(dict);
    if (const auto rows = json::integer(dict, kRowCountKey))
        setRowCount(*rows);
    if (const auto columns = json::integer(dict, kColumnCountKey))
        setColumnCount(*columns);
    // Files from before the setting existed filled duplicates.
    setFillDuplicates(json::booleanOr(dict, kFillDuplicatesKey, true));
    // Any counts and any number of cells may come in: capped counts, the cell
    // list padded with empty cells or trimmed, foreign pictures emptied.
    makeGridConsistent();
    giveEveryPictureACell();
    reportPicturesWithoutCell();
}

void GridCollage::reportPicturesWithoutCell()
{
    if (!myWindowController())
        return;
    const CellScan scan = scanCells(picturePositions());
    qsizetype left = 0;
    for (const QString& md5 : images())
        if (!scan.firstOccurrences.contains(md5))
            ++left;
    if (left > 0)
        myWindowController()->picturesNotShown(left);
}

void GridCollage::giveEveryPictureACell()
{
    // Counts too small for the pictures (a damaged file, or cells trimmed to
    // the counts) would hide pictures the project still holds: the grid grows
    // for them as it does for an add, and they take the empty cells first.
    const CellScan scan = scanCells(picturePositions());
    QStringList homeless;
    for (const QString& md5 : images())
        if (!scan.firstOccurrences.contains(md5))
            homeless.append(md5);
    if (homeless.isEmpty())
        return;
    addEmptyPositionsToSufficeForFinalNumberOfUniquePics(scan.firstOccurrences.size() + homeless.size());
    const CellScan grown = scanCells(picturePositions());
    const QList<PositionPtr> targets = grown.empty + grown.duplicate;
    for (qsizetype i = 0; i < std::min(homeless.size(), targets.size()); ++i)
        showInCell(targets[i], homeless[i]);
    // The cells the growth added beyond them repeat the pictures in turn.
    if (fillDuplicates() && !images().isEmpty()) {
        const QStringList& all = images();
        for (qsizetype i = homeless.size(); i < grown.empty.size(); ++i)
            showInCell(grown.empty[i], all[(i - homeless.size()) % all.size()]);
    }
}

QSet<QString> GridCollage::keysForValuesToObserveForUndo() const
{
    QSet<QString> keys = Collage::keysForValuesToObserveForUndo();
    keys.insert(QStringLiteral("fillDuplicates"));
    return keys;
}

// ---- what the editor offers ----------------------------------------------------

QList<CollageCommand> GridCollage::commands()
{
    const auto count = [](const char* name, const char* title, void (GridCollage::*change)(qint64)) {
        CollageCommand c = CollageCommand::make(name, title, "", title, CommandGroup::Settings,
                                                "rowColSteppersEnabled", CollageCommand::withValue(change));
        c.input = CommandInput::Value;
        return c;
    };
    return {count("changeRowCountCommand", "Rows", &GridCollage::changeRowCount),
            count("changeColumnCountCommand", "Columns", &GridCollage::changeColumnCount)};
}

SettingsBox GridCollage::layoutBox()
{
    const auto stepper = [](const char* name, const char* key, const char* label, const char* command,
                            const char* tip) {
        SettingsControl c = SettingsControl::value(name, key, label);
        c.kind = SettingsControl::Kind::Stepper;
        c.command = QLatin1String(command);
        c.toolTip = commandText(tip);
        c.minimum = 1;
        c.maximum = double(maxRowOrColumnCount());
        c.enabledKey = QStringLiteral("rowColSteppersEnabled");
        return c;
    };
    SettingsControl duplicates =
        SettingsControl::checkBox("fillDuplicatesCheckBox", "fillDuplicates", "Fill empty cells with duplicates");
    duplicates.followUp = [](Collage& collage) {
        if (auto* grid = dynamic_cast<GridCollage*>(&collage))
            grid->changeFillDuplicates();
    };
    return {QStringLiteral("gridLayoutControlsBox"),
            {stepper("rowCountStepper", "rowCountBinding", "Rows", "changeRowCountCommand", "Rows of the grid"),
             stepper("columnCountStepper", "columnCountBinding", "Columns", "changeColumnCountCommand",
                     "Columns of the grid"),
             duplicates, imageScalingControl()}};
}

void GridCollage::sortPictures(Collage& collage, bool byName, bool byModified, bool ascending)
{
    if (auto* grid = dynamic_cast<GridCollage*>(&collage))
        grid->sortPicturesByName(byName, byModified, ascending);
}

} // namespace qf
